#include "core/audit/engine/checks.h"
#include "core/audit/model/viewport.h"
#include "core/web/languagetags.h"

#include <QStringList>

namespace headwise::audit::checks {

namespace {

QList<const MarkupElement*> viewports(const RuleContext& c) {
    QList<const MarkupElement*> out;
    for (const MarkupElement& e : c.model.elements)
        if (e.inHead && e.isMetaNamed(QLatin1String("viewport")))
            out.append(&e);
    return out;
}

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

} // namespace

void viewportMissing(const RuleContext& c, RawFindings& out) {
    if (viewports(c).isEmpty())
        out.append({"viewport-missing", QStringLiteral("The head has no meta viewport"), {}});
}

void viewportBlocksZoom(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement* e : viewports(c)) {
        for (const auto& [key, value] : viewportProperties(e->attribute(QLatin1String("content")))) {
            if (key == QLatin1String("user-scalable")) {
                if (blocksZoom(key, value))
                    out.append({"viewport-blocks-zoom",
                                QStringLiteral("user-scalable=%1 stops zooming").arg(value), e->span});
            } else if (key == QLatin1String("maximum-scale")) {
                const std::optional<double> n = viewportNumber(value);
                if (blocksZoom(key, value))
                    out.append({"viewport-blocks-zoom",
                                QStringLiteral("maximum-scale=%1 keeps the text from being enlarged to twice "
                                               "its size")
                                    .arg(value),
                                e->span});
                else if (n && *n >= 2 && *n < 5)
                    out.append(
                        {"viewport-blocks-zoom",
                         QStringLiteral("maximum-scale=%1 allows less than five times zoom").arg(value),
                         e->span,
                         {},
                         true});
            }
        }
    }
}

void viewportInvalid(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement* e : viewports(c)) {
        bool sized = false;
        for (const auto& [key, value] : viewportProperties(e->attribute(QLatin1String("content")))) {
            if (key == QLatin1String("width")) {
                sized = true;
            } else if (key == QLatin1String("initial-scale")) {
                sized = true;
                const std::optional<double> n = viewportNumber(value);
                if (n && *n >= 0 && *n < 1)
                    out.append({"viewport-invalid",
                                QStringLiteral("initial-scale=%1 shows the page zoomed out").arg(value),
                                e->span});
            }
        }
        if (!sized)
            out.append(
                {"viewport-invalid",
                 QStringLiteral("The viewport sets neither width nor initial-scale, so the page does not "
                                "fit the screen"),
                 e->span});
    }
}

void langMissing(const RuleContext& c, RawFindings& out) {
    for (const auto& [name, value] : c.model.htmlAttributes)
        if (name == QLatin1String("lang") && !value.trimmed().isEmpty())
            return;
    out.append(
        {"lang-missing",
         QStringLiteral("The <html> element has no lang attribute: screen readers may read the page in "
                        "the wrong voice, and browsers cannot offer to translate or hyphenate it"),
         c.model.htmlTag});
}

void langInvalid(const RuleContext& c, RawFindings& out) {
    for (const auto& [name, value] : c.model.htmlAttributes)
        if (name == QLatin1String("lang") && !value.trimmed().isEmpty() && !web::hasLanguageSubtag(value))
            out.append(
                {"lang-invalid",
                 QStringLiteral("lang=\"%1\" does not start with a language code (such as en or en-GB)")
                     .arg(value.trimmed()),
                 c.model.htmlTag});
}

void httpStatus(const RuleContext& c, RawFindings& out) {
    if (c.input.httpStatus >= 400 && c.input.httpStatus <= 599)
        out.append({"http-status", QStringLiteral("The server answered %1").arg(c.input.httpStatus), {}});
}

void metaObsolete(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements) {
        for (const char* name : {"keywords", "revisit-after"})
            if (e.isMetaNamed(QLatin1String(name)))
                out.append({"meta-obsolete",
                            QStringLiteral("Search engines ignore the %1 tag").arg(QLatin1String(name)),
                            e.span});
    }
}

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
                {"meta-refresh",
                 QStringLiteral("A meta refresh (content=\"%1\") that browsers ignore: it does not start "
                                "with a delay")
                     .arg(content),
                 e.span,
                 {},
                 true});
        else if (r.delay == 0 && !r.url.isEmpty())
            out.append(
                {"meta-refresh",
                 QStringLiteral("A meta refresh redirects at once to %1; an HTTP 301 redirect is clearer "
                                "to search engines")
                     .arg(r.url),
                 e.span,
                 {},
                 true});
        else if (r.delay > kLongestDelay)
            continue;
        else if (r.url.isEmpty())
            out.append({"meta-refresh",
                        QStringLiteral("A meta refresh reloads the page every %1").arg(seconds(r.delay)),
                        e.span});
        else
            out.append({"meta-refresh",
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
    out.append({"head-closed-early",
                QStringLiteral("The head ends at %1 on line %2, which belongs in the body; search engines "
                               "ignore the head tags after it: %3")
                    .arg(c.model.headBreakName)
                    .arg(c.model.headBreakLine)
                    .arg(cut.join(QLatin1String(", "))),
                c.model.headBreak});
}

} // namespace headwise::audit::checks
