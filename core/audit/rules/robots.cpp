// Robots directives from <meta name="robots|googlebot"> and from X-Robots-Tag
// response headers ("noindex", "googlebot: none", "unavailable_after: 25 Jun
// 2010 15:00:00 GMT"), and robots.txt for Googlebot. A meta that stands in the
// body is reported too, saying why a search engine does not read it.

#include "core/audit/rules/robots.h"

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/rulecontext.h"
#include "core/site/robotstxt.h"
#include "core/web/weburl.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTimeZone>

namespace headwise::audit {

namespace {

struct Directives {
    QString text;   // the tag's content or the header's value
    Span span;      // the meta tag; length 0 for a header
    QString source; // for a header: "X-Robots-Tag: ..."
    QString lead;   // how a message starts: the header's name
    QString unread; // why a search engine does not read the tag; empty when it does
};

// Why a robots meta outside the head does nothing.
QString unreadBecause(const RuleContext& c, const MarkupElement& e) {
    if (c.model.cutFromHead(e))
        return QStringLiteral("the head ended at %1 on line %2, so this tag is in the body, where search "
                              "engines do not read it")
            .arg(c.model.headBreakName)
            .arg(c.model.headBreakLine);
    return QStringLiteral("this tag stands in the body, where search engines do not read it");
}

// A header value may start with the crawler it is for; other crawlers' lines are skipped.
bool forUs(QString& value) {
    const qsizetype colon = value.indexOf(u':');
    if (colon < 0)
        return true;
    const QString agent = value.left(colon).trimmed().toLower();
    if (agent.isEmpty() || agent.contains(u' ') || agent.contains(u','))
        return true;
    if (agent == QLatin1String("unavailable_after") || agent.startsWith(QLatin1String("max-")))
        return true;
    if (agent != QLatin1String("googlebot") && agent != QLatin1String("headwise"))
        return false;
    value = value.mid(colon + 1);
    return true;
}

QList<Directives> directives(const RuleContext& c) {
    QList<Directives> out;
    for (const MarkupElement& e : c.model.elements)
        if (e.isMetaNamed(QLatin1String("robots")) || e.isMetaNamed(QLatin1String("googlebot")))
            out.append({e.attribute(QLatin1String("content")),
                        e.span,
                        {},
                        {},
                        e.inHead ? QString() : unreadBecause(c, e)});
    for (const auto& [name, raw] : c.input.headers) {
        if (name.trimmed().compare("x-robots-tag", Qt::CaseInsensitive) != 0)
            continue;
        QString value = QString::fromLatin1(raw).trimmed();
        const QString source = QStringLiteral("X-Robots-Tag: ") + value;
        if (forUs(value))
            out.append({value, {}, source, QStringLiteral("X-Robots-Tag header: "), {}});
    }
    return out;
}

QStringList tokens(const QString& text) {
    QStringList out;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts))
        out << part.trimmed().toLower();
    return out;
}

// One finding per word a tag or header holds ("none, noindex" are two), however
// often it says it: a tag that says noindex a thousand times is one finding.
void report(const RuleContext& c, RawFindings& out, const char* rule,
            std::initializer_list<const char*> words, const char* what) {
    for (const Directives& d : directives(c)) {
        QSet<QString> found;
        for (const QString& token : tokens(d.text)) {
            bool matches = false;
            for (const char* word : words)
                matches = matches || token == QLatin1String(word);
            if (!matches || found.contains(token))
                continue;
            found.insert(token);
            if (d.unread.isEmpty())
                out.append({rule, d.lead + QStringLiteral("\"%1\" %2").arg(token, QLatin1String(what)),
                            d.span, d.source});
            else
                out.append(
                    {rule, QStringLiteral("\"%1\" does nothing: %2").arg(token, d.unread), d.span, d.source});
        }
    }
}

// The widely used date forms: RFC 822/850/1123 and ISO 8601, with a few zone names.
QDateTime parseDate(QString text) {
    text = text.trimmed();
    static const QList<QPair<QLatin1String, int>> zones = {
        {QLatin1String("GMT"), 0},         {QLatin1String("UTC"), 0},
        {QLatin1String("UT"), 0},          {QLatin1String("Z"), 0},
        {QLatin1String("EST"), -5 * 3600}, {QLatin1String("EDT"), -4 * 3600},
        {QLatin1String("CST"), -6 * 3600}, {QLatin1String("CDT"), -5 * 3600},
        {QLatin1String("MST"), -7 * 3600}, {QLatin1String("MDT"), -6 * 3600},
        {QLatin1String("PST"), -8 * 3600}, {QLatin1String("PDT"), -7 * 3600},
    };
    int offset = 0;
    for (const auto& [name, seconds] : zones) {
        if (text.endsWith(QLatin1Char(' ') + name, Qt::CaseInsensitive)) {
            text.chop(name.size() + 1);
            offset = seconds;
            break;
        }
    }
    // A numeric zone: "+0000", "-0700" (RFC 822) or "+07:00" (ISO 8601), with or
    // without a blank before it.
    static const QRegularExpression numericZone(QStringLiteral("\\s*([+-])(\\d\\d):?(\\d\\d)$"));
    // Only after a time: "2026-05-31" ends in digits, not in a zone.
    if (const QRegularExpressionMatch zone = numericZone.match(text);
        zone.hasMatch() && text.contains(u':')) {
        const int seconds = zone.captured(2).toInt() * 3600 + zone.captured(3).toInt() * 60;
        offset = zone.captured(1) == QLatin1String("-") ? -seconds : seconds;
        text.truncate(zone.capturedStart());
    }
    const QTimeZone zone(offset);
    QDateTime date = QDateTime::fromString(text, Qt::ISODate);
    if (date.isValid())
        return date.timeSpec() == Qt::LocalTime ? QDateTime(date.date(), date.time(), zone) : date;
    // Drop a leading weekday ("Friday, ", "Fri, ").
    const qsizetype comma = text.indexOf(u',');
    if (comma > 0 && comma <= 9)
        text = text.mid(comma + 1).trimmed();
    text.replace(u'-', u' ');
    for (const char* form : {"d MMM yyyy hh:mm:ss", "d MMM yyyy hh:mm", "d MMM yy hh:mm:ss", "d MMM yyyy"}) {
        const QDateTime parsed = QDateTime::fromString(text, QLatin1String(form));
        if (parsed.isValid()) {
            QDateTime fixed(parsed.date(), parsed.time(), zone);
            // Two-digit years (RFC 850) read as 19yy; 00 to 69 mean 20yy.
            if (fixed.date().year() < 1970)
                fixed = fixed.addYears(100);
            return fixed;
        }
    }
    return {};
}

void robotsNoindex(const RuleContext& c, RawFindings& out) {
    report(c, out, ruleid::kRobotsNoindex, {"noindex", "none"}, "keeps the page out of search results");
}

void robotsNofollow(const RuleContext& c, RawFindings& out) {
    report(c, out, ruleid::kRobotsNofollow, {"nofollow", "none"},
           "stops search engines from following the links");
}

void robotsUnavailable(const RuleContext& c, RawFindings& out) {
    static const QLatin1String key("unavailable_after");
    for (const Directives& d : directives(c)) {
        const qsizetype at = d.text.indexOf(key, 0, Qt::CaseInsensitive);
        if (at < 0)
            continue;
        qsizetype start = at + key.size();
        while (start < d.text.size() && (d.text[start] == u' ' || d.text[start] == u':'))
            ++start;
        // The date may hold commas ("Friday, 25-Jun-10 ..."): first the rest of the
        // value, then the rest up to the next comma.
        const QString rest = d.text.mid(start);
        QDateTime date = parseDate(rest);
        if (!date.isValid())
            date = parseDate(rest.section(u',', 0, 0));
        if (date.isValid() && date < c.now)
            out.append({ruleid::kRobotsUnavailable,
                        d.lead +
                            QStringLiteral("The unavailable_after date (%1) has passed")
                                .arg(date.toUTC().toString(Qt::ISODate)) +
                            (d.unread.isEmpty() ? QString() : QStringLiteral(", but ") + d.unread),
                        d.span, d.source});
    }
}

void robotsTxtBlocked(const RuleContext& c, RawFindings& out) {
    const RobotsRules* rules = c.input.googlebotRobots.get();
    const web::WebUrl address = web::parseWebUrl(c.input.address);
    if (rules && (address.scheme == u"http" || address.scheme == u"https") && !rules->allows(address))
        out.append({ruleid::kRobotsTxtBlocked,
                    QStringLiteral("robots.txt does not let Googlebot crawl this address, so search engines "
                                   "never read the page's tags"),
                    {},
                    QStringLiteral("robots.txt")});
}

} // namespace

QList<Finding> robotsTxtFindings(const QByteArray& body, int status, const AuditConfig& config) {
    const Rule& rule = registeredRule(ruleid::kRobotsTxtInvalid);
    const std::optional<Severity> severity = config.severityOf(rule);
    QList<Finding> out;
    if (!severity || (status >= 400 && status < 500))
        return out;
    const auto add = [&](QString message, int line = 0, QString source = {}, bool note = false) {
        Finding f;
        f.rule = rule.id;
        f.severity = note ? std::min(*severity, Severity::Info) : *severity;
        f.message = std::move(message);
        f.line = line;
        f.column = line > 0 ? 1 : 0;
        f.source = std::move(source);
        out.append(std::move(f));
    };
    if (status >= 500) {
        add(QStringLiteral("robots.txt answered %1: Google then crawls nothing of the site, as if all of it "
                           "were disallowed")
                .arg(status));
        return out;
    }
    const RobotsTxtCheck check = checkRobotsTxt(body);
    for (const RobotsTxtProblem& p : check.problems)
        add(p.message, p.line, p.text);
    if (check.cut)
        add(QStringLiteral("robots.txt is longer than %1 KiB: Google reads no further, so the lines after "
                           "line %2 are not read")
                .arg(RobotsRules::kMaxBytes / 1024)
                .arg(check.linesRead),
            0, {}, true);
    return out;
}

bool readsNoindex(const RuleContext& c) {
    for (const Directives& d : directives(c))
        if (d.unread.isEmpty())
            for (const QString& token : tokens(d.text))
                if (token == QLatin1String("noindex") || token == QLatin1String("none"))
                    return true;
    return false;
}

QList<Rule> robotsRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kRobotsNoindex,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The page asks search engines not to index it.",
            .help =
                "noindex or none in a robots or googlebot meta tag, or in the X-Robots-Tag header, keeps the "
                "page out of search results (Google Search Central, \"Robots meta tag, data-nosnippet, and "
                "X-Robots-Tag specifications\"). A tag in the body, or after the head ended early, is not "
                "read "
                "and says so. Remove it unless that is what you want.",
            .sources =
                {{"Google Search Central: Robots meta tag, data-nosnippet, and X-Robots-Tag specifications",
                  "https://developers.google.com/search/docs/crawling-indexing/robots-meta-tag"},
                 {"Google Search Central: Block Search indexing with noindex",
                  "https://developers.google.com/search/docs/crawling-indexing/block-indexing"},
                 {"Lighthouse: is-crawlable",
                  "https://developer.chrome.com/docs/lighthouse/seo/is-crawlable"}},
            .check = robotsNoindex,
        },
        {
            .id = ruleid::kRobotsNofollow,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The page asks search engines not to follow its links.",
            .help =
                "nofollow or none means the pages it links to get no credit from it, and may not be found. "
                "Remove it unless that is what you want.",
            .sources =
                {{"Google Search Central: Robots meta tag, data-nosnippet, and X-Robots-Tag specifications",
                  "https://developers.google.com/search/docs/crawling-indexing/robots-meta-tag"},
                 {"Google Search Central: Meta tags and attributes that Google supports",
                  "https://developers.google.com/search/docs/crawling-indexing/special-tags"}},
            .check = robotsNofollow,
        },
        {
            .id = ruleid::kRobotsUnavailable,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The page's unavailable_after date has passed.",
            .help = "After the unavailable_after date search engines drop the page from their results. The "
                    "date may "
                    "be written in RFC 822, RFC 850 or ISO 8601 form, with a zone name or a numeric offset "
                    "(Google "
                    "Search Central, robots meta tag specifications, unavailable_after).",
            .sources =
                {{"Google Search Central: Robots meta tag, data-nosnippet, and X-Robots-Tag specifications",
                  "https://developers.google.com/search/docs/crawling-indexing/robots-meta-tag"},
                 {"RFC 822: Standard for ARPA Internet Text Messages (date format)",
                  "https://www.rfc-editor.org/rfc/rfc822"},
                 {"RFC 850: Standard for Interchange of USENET Messages (date format)",
                  "https://www.rfc-editor.org/rfc/rfc850"}},
            .check = robotsUnavailable,
        },
        {
            .id = ruleid::kRobotsTxtBlocked,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The site's robots.txt does not let Googlebot crawl the page.",
            .help =
                "A page that robots.txt disallows is not crawled, so search engines never read its tags "
                "(Lighthouse is-crawlable; RFC 9309, the Robots Exclusion Protocol, as Google Search Central "
                "documents it for Googlebot). Allow it in robots.txt, or use noindex if it should stay out "
                "of "
                "results.",
            .sources = {{"Google Search Central: How Google interprets robots.txt",
                         "https://developers.google.com/search/docs/crawling-indexing/robots/robots_txt"},
                        {"RFC 9309: Robots Exclusion Protocol", "https://www.rfc-editor.org/rfc/rfc9309"},
                        {"Lighthouse: is-crawlable",
                         "https://developer.chrome.com/docs/lighthouse/seo/is-crawlable"}},
            .check = robotsTxtBlocked,
        },
        {
            .id = ruleid::kRobotsTxtInvalid,
            .severity = S::Error,
            .scope = RuleScope::Site,
            .description = "A line of the site's robots.txt is one crawlers cannot read.",
            .help =
                "Crawlers skip a robots.txt line that is no \"field: value\", names a field they do not "
                "know, names no user-agent, comes before any user-agent, has a pattern that starts with "
                "neither \"/\" nor \"*\" or a \"$\" before its end, or names a sitemap that is no absolute "
                "address (Lighthouse robots-txt; Google Search Central, \"How Google interprets "
                "robots.txt\"). A robots.txt that answers a server error makes Google "
                "crawl nothing, and Google reads only the first 500 KiB. The finding is reported on "
                "robots.txt, at the line.",
            .sources = {{"Lighthouse: robots-txt",
                         "https://developer.chrome.com/docs/lighthouse/seo/invalid-robots-txt"},
                        {"Google Search Central: How Google interprets robots.txt",
                         "https://developers.google.com/search/docs/crawling-indexing/robots/robots_txt"}},
        },
    };
}

} // namespace headwise::audit
