// What is said of the page as a whole: its status, tags search engines
// ignore, a refresh, and a head that ends before its tags.

#include "core/audit/rules/pagelevel.h"

#include "core/audit/engine/rulecontext.h"

#include <QStringList>

namespace headwise::audit {

namespace {

// "5; url=/next" -> delay 5 and "/next" (WHATWG HTML, shared declarative refresh steps).
struct Refresh {
    bool valid = false;
    double delay = 0;
    QString url;
};

Refresh parseRefresh(const QString& content) {
    Refresh r;
    const QString text = content.trimmed();
    qsizetype i = 0;
    while (i < text.size() && text[i].isDigit())
        ++i;
    if (i == 0 && !(i < text.size() && text[i] == u'.'))
        return r;
    r.delay = text.left(i).toDouble();
    while (i < text.size() && (text[i].isDigit() || text[i] == u'.'))
        ++i;
    if (i < text.size() && !text[i].isSpace() && text[i] != u';' && text[i] != u',')
        return r; // "5x": not a delay
    r.valid = true;
    while (i < text.size() && (text[i].isSpace() || text[i] == u';' || text[i] == u','))
        ++i;
    QString rest = text.mid(i);
    if (rest.startsWith(QLatin1String("url"), Qt::CaseInsensitive)) {
        QString after = rest.mid(3).trimmed();
        if (after.startsWith(u'='))
            rest = after.mid(1).trimmed();
    }
    if (rest.size() >= 2 && (rest.front() == u'"' || rest.front() == u'\'') && rest.back() == rest.front())
        rest = rest.mid(1, rest.size() - 2);
    r.url = rest.trimmed();
    return r;
}

QString seconds(double n) {
    return n == 1 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(n);
}

void httpStatus(const RuleContext& c, RawFindings& out) {
    if (c.input.httpStatus >= 400 && c.input.httpStatus <= 599)
        out.append(
            {ruleid::kHttpStatus, QStringLiteral("The server answered %1").arg(c.input.httpStatus), {}});
}

void metaObsolete(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements) {
        for (const char* name : {"keywords", "revisit-after"})
            if (e.isMetaNamed(QLatin1String(name)))
                out.append({ruleid::kMetaObsolete,
                            QStringLiteral("Search engines ignore the %1 tag").arg(QLatin1String(name)),
                            e.span});
    }
}

void metaRefresh(const RuleContext& c, RawFindings& out) {
    // axe meta-refresh passes a delay of more than 20 hours: nobody waits for it.
    constexpr double kLongestDelay = 72000;
    for (const MarkupElement& e : c.model.elements) {
        if (!e.isHttpEquiv(QLatin1String("refresh")))
            continue;
        const QString content = e.attribute(QLatin1String("content"));
        const Refresh r = parseRefresh(content);
        if (!r.valid)
            out.append(
                {ruleid::kMetaRefresh,
                 QStringLiteral("A meta refresh (content=\"%1\") that browsers ignore: it does not start "
                                "with a delay")
                     .arg(content),
                 e.span,
                 {},
                 true});
        else if (r.delay == 0 && !r.url.isEmpty())
            out.append(
                {ruleid::kMetaRefresh,
                 QStringLiteral("A meta refresh redirects at once to %1; an HTTP 301 redirect is clearer "
                                "to search engines")
                     .arg(r.url),
                 e.span,
                 {},
                 true});
        else if (r.delay > kLongestDelay)
            continue;
        else if (r.url.isEmpty())
            out.append({ruleid::kMetaRefresh,
                        QStringLiteral("A meta refresh reloads the page every %1").arg(seconds(r.delay)),
                        e.span});
        else
            out.append({ruleid::kMetaRefresh,
                        QStringLiteral("A meta refresh moves to %1 after %2, before readers may be done")
                            .arg(r.url, seconds(r.delay)),
                        e.span});
    }
}

void headClosedEarly(const RuleContext& c, RawFindings& out) {
    constexpr int kNamed = 10; // a message names this many; the rest are counted
    if (c.model.headBreak.length == 0)
        return;
    QStringList cut;
    int more = 0;
    for (const MarkupElement& e : c.model.elements) {
        if (!c.model.cutFromHead(e))
            continue;
        if (cut.size() == kNamed) {
            ++more;
            continue;
        }
        QString tag = c.text.mid(e.span.offset, std::min<qsizetype>(e.span.length, 80)).simplified();
        if (e.kind == MarkupElement::Kind::Title)
            tag = QStringLiteral("<title>");
        else if (tag.size() > 60)
            tag = tag.left(59) + QChar(0x2026);
        cut << QStringLiteral("%1 (line %2)").arg(tag).arg(c.lines.place(e.span.offset).line);
    }
    if (cut.isEmpty())
        return;
    if (more > 0)
        cut << QStringLiteral("%1 more").arg(more);
    out.append({ruleid::kHeadClosedEarly,
                QStringLiteral("The head ends at %1 on line %2, which belongs in the body; search engines "
                               "ignore the head tags after it: %3")
                    .arg(c.model.headBreakName)
                    .arg(c.model.headBreakLine)
                    .arg(cut.join(QLatin1String(", "))),
                c.model.headBreak});
}

} // namespace

std::optional<QString> instantRefresh(const RuleContext& c) {
    for (const MarkupElement& e : c.model.elements) {
        if (!e.inHead || !e.isHttpEquiv(QLatin1String("refresh")))
            continue;
        const Refresh r = parseRefresh(e.attribute(QLatin1String("content")));
        if (r.valid && r.delay == 0 && !r.url.isEmpty())
            return r.url;
    }
    return std::nullopt;
}

QList<Rule> pageLevelRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kHttpStatus,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The page answered with an HTTP error (400 to 599).",
            .help = "Search engines drop pages that answer with an error. Fix the address or the server.",
            .sources = {{"Google Search Central: How HTTP status codes, and network and DNS errors affect "
                         "Google Search",
                         "https://developers.google.com/search/docs/crawling-indexing/http-network-errors"},
                        {"Lighthouse: http-status-code",
                         "https://developer.chrome.com/docs/lighthouse/seo/http-status-code"},
                        {"RFC 9110: HTTP Semantics, Status Codes",
                         "https://www.rfc-editor.org/rfc/rfc9110#name-status-codes"}},
            .check = httpStatus,
            .judgesErrorPages = true,
        },
        {
            .id = ruleid::kMetaObsolete,
            .severity = S::Info,
            .scope = RuleScope::Page,
            .description = "A keywords or revisit-after meta tag, which search engines ignore.",
            .help = "Search engines have ignored the keywords tag for many years and never used "
                    "revisit-after. The "
                    "tags do no harm; they do nothing either.",
            .sources =
                {{"Google Search Central Blog: Google does not use the keywords meta tag in web ranking",
                  "https://developers.google.com/search/blog/2009/09/google-does-not-use-keywords-meta-tag"},
                 {"Google Search Central: Meta tags and attributes that Google supports",
                  "https://developers.google.com/search/docs/crawling-indexing/special-tags"}},
            .check = metaObsolete,
        },
        {
            .id = ruleid::kMetaRefresh,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The page refreshes or redirects itself with a meta refresh.",
            .help =
                "A timed refresh or redirect takes the page away from readers before they are done (axe "
                "meta-refresh; WCAG 2.2.1). A refresh with no delay to another address is a redirect that "
                "search "
                "engines follow, but an HTTP 301 is clearer (Google Search Central, \"Redirects and Google "
                "Search\"): a note. Use an HTTP redirect instead.",
            .sources =
                {{"axe: meta-refresh", "https://dequeuniversity.com/rules/axe/4.10/meta-refresh"},
                 {"W3C ACT: Meta element has no refresh delay",
                  "https://www.w3.org/WAI/standards-guidelines/act/rules/bc659a/"},
                 {"WCAG 2.2: 2.2.1 Timing Adjustable", "https://www.w3.org/TR/WCAG22/#timing-adjustable"},
                 {"Google Search Central: Redirects and Google Search",
                  "https://developers.google.com/search/docs/crawling-indexing/301-redirects"},
                 {"WHATWG HTML: Refresh state (http-equiv=\"refresh\")",
                  "https://html.spec.whatwg.org/multipage/semantics.html#attr-meta-http-equiv-refresh"}},
            .check = metaRefresh,
        },
        {
            .id = ruleid::kHeadClosedEarly,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The head ends early, before head tags that follow.",
            .help =
                "An element that does not belong in the head (an <img>, a <div>, an <iframe>, text) ends it: "
                "browsers move everything after it into the body (WHATWG HTML, \"in head\" insertion mode), "
                "and "
                "Google stops reading the head there (Google Search Central, \"Use valid HTML for the "
                "head\"). A "
                "<noscript> is read as a browser with scripting reads it. Move the element into the body, "
                "after "
                "the head tags.",
            .sources = {{"Google Search Central: Use valid HTML to specify page metadata",
                         "https://developers.google.com/search/docs/crawling-indexing/valid-page-metadata"},
                        {"WHATWG HTML: The \"in head\" insertion mode",
                         "https://html.spec.whatwg.org/multipage/parsing.html#parsing-main-inhead"}},
            .check = headClosedEarly,
        },
    };
}

} // namespace headwise::audit
