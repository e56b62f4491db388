#include "core/site/robotstxt.h"

#include "core/web/hexdigit.h"

#include <QSet>

#include <cctype>

namespace headwise {

namespace {

// "%E3%83%84" and the raw UTF-8 bytes compare equal, as do "%2A" and a literal "*".
void appendDecoded(QByteArray& out, QByteArrayView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
            hexDigitValue(text[i + 2]) >= 0) {
            out.append(char(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2])));
            i += 2;
        } else {
            out.append(text[i]);
        }
    }
}

QByteArrayView trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.sliced(begin, end - begin);
}

enum class Key { UserAgent, Allow, Disallow, Other };

Key keyOf(QByteArrayView name) {
    const QByteArray key = name.toByteArray().toLower();
    // Common misspellings are read as meant.
    if (key == "user-agent" || key == "useragent" || key == "user agent")
        return Key::UserAgent;
    if (key == "allow")
        return Key::Allow;
    if (key == "disallow" || key == "dissallow" || key == "disalow")
        return Key::Disallow;
    return Key::Other;
}

// "Headwise/2.0 (+https://...)" names the product "Headwise".
QByteArrayView productOf(QByteArrayView value) {
    qsizetype end = 0;
    while (end < value.size() &&
           (std::isalpha(static_cast<unsigned char>(value[end])) || value[end] == '_' || value[end] == '-'))
        ++end;
    return value.first(end);
}

// Why a "field: value" line is no rule a crawler reads; empty when it is one.
QString fieldProblem(const QString& field, const QString& value) {
    // The fields Google, Bing and Yandex read, and a few that are common in the wild.
    static const QSet<QString> known = {u"user-agent"_qs,  u"disallow"_qs,    u"allow"_qs, u"sitemap"_qs,
                                        u"crawl-delay"_qs, u"clean-param"_qs, u"host"_qs,  u"request-rate"_qs,
                                        u"visit-time"_qs,  u"noindex"_qs};
    if (!known.contains(field))
        return QStringLiteral("\"%1\" is no field crawlers know, so they skip the line").arg(field);
    if (field == u"sitemap") {
        const web::WebUrl url = web::parseWebUrl(value);
        if (!url.valid)
            return QStringLiteral("the sitemap is not an absolute address");
        if (url.scheme != u"http" && url.scheme != u"https" && url.scheme != u"ftp")
            return QStringLiteral("the sitemap's address is not http, https or ftp");
    }
    if (field == u"user-agent" && value.isEmpty())
        return QStringLiteral("the user-agent line names no crawler");
    if (field == u"allow" || field == u"disallow") {
        if (!value.isEmpty() && !value.startsWith(u'/') && !value.startsWith(u'*'))
            return QStringLiteral("the pattern starts with neither \"/\" nor \"*\", so it matches no "
                                  "address");
        const qsizetype dollar = value.indexOf(u'$');
        if (dollar >= 0 && dollar != value.size() - 1)
            return QStringLiteral("\"$\" ends a pattern, so it stands only at its end");
    }
    return {};
}

} // namespace

RobotsTxtCheck checkRobotsTxt(const QByteArray& text) {
    RobotsTxtCheck out;
    QByteArrayView rest = QByteArrayView(text).first(qMin(text.size(), RobotsRules::kMaxBytes));
    out.cut = text.size() > RobotsRules::kMaxBytes;
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    bool inGroup = false; // a user-agent line came before
    while (!rest.isEmpty()) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
            ++end;
        // A line the limit cuts in two is past it.
        if (end == rest.size() && out.cut)
            break;
        const QByteArrayView raw = rest.first(end);
        qsizetype next = end;
        if (next < rest.size())
            next += rest[next] == '\r' && next + 1 < rest.size() && rest[next + 1] == '\n' ? 2 : 1;
        rest = rest.sliced(next);
        const int number = ++out.linesRead;
        QString line = QString::fromUtf8(raw);
        if (const qsizetype hash = line.indexOf(u'#'); hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(u':');
        QString problem;
        QString field, value;
        if (colon < 0) {
            problem = QStringLiteral("the line is no \"field: value\", so crawlers skip it");
        } else {
            field = line.first(colon).trimmed().toLower();
            value = line.sliced(colon + 1).trimmed();
            problem = fieldProblem(field, value);
        }
        if (problem.isEmpty()) {
            if (field == u"user-agent")
                inGroup = true;
            else if (!inGroup && (field == u"allow" || field == u"disallow"))
                problem = QStringLiteral("the rule comes before any user-agent line, so it applies to no "
                                         "crawler");
        }
        if (!problem.isEmpty())
            out.problems.append({number, QString::fromUtf8(raw), problem});
    }
    return out;
}

RobotsRules RobotsRules::disallowAll() {
    RobotsRules rules;
    rules.rules_.append(makeRule("/", false));
    return rules;
}

RobotsRules::Rule RobotsRules::makeRule(QByteArrayView pattern, bool allow) {
    Rule rule;
    rule.allow = allow;
    rule.length = pattern.size();
    if (pattern.endsWith('$')) {
        rule.anchored = true;
        pattern.chop(1);
    }
    qsizetype start = 0;
    for (qsizetype star = pattern.indexOf('*'); star >= 0; star = pattern.indexOf('*', start)) {
        rule.pieces.append(QByteArray());
        appendDecoded(rule.pieces.last(), pattern.sliced(start, star - start));
        start = star + 1;
    }
    rule.pieces.append(QByteArray());
    appendDecoded(rule.pieces.last(), pattern.sliced(start));
    return rule;
}

// The first piece must start the path; each later one is found at its leftmost
// place after the one before, which for "*" alone is as good as any other
// place; an anchored last piece must end the path instead.
bool RobotsRules::matches(const Rule& rule, QByteArrayView path) {
    const QList<QByteArray>& pieces = rule.pieces;
    if (!path.startsWith(pieces.first()))
        return false;
    qsizetype pos = pieces.first().size();
    if (pieces.size() == 1)
        return !rule.anchored || pos == path.size();
    for (qsizetype i = 1; i + 1 < pieces.size(); ++i) {
        const qsizetype found = path.indexOf(pieces[i], pos);
        if (found < 0)
            return false;
        pos = found + pieces[i].size();
    }
    const QByteArray& last = pieces.last();
    if (rule.anchored)
        return path.size() - last.size() >= pos && path.endsWith(last);
    return path.indexOf(last, pos) >= 0;
}

RobotsRules RobotsRules::parse(const QByteArray& text, QStringView productToken) {
    QByteArrayView rest = QByteArrayView(text).first(qMin(text.size(), kMaxBytes));
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    const QByteArray agent = productToken.toLatin1().toLower();

    QList<Rule> ours;
    QList<Rule> anyone;
    bool namedUs = false;      // some group names this crawler: the "*" groups do not count then
    bool inAgentLines = false; // the last line that counts was a User-agent line
    bool groupStarted = false; // rules before the first User-agent line belong to nobody
    bool groupIsOurs = false;
    bool groupIsAnyone = false;
    while (!rest.isEmpty()) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
            ++end;
        QByteArrayView line = rest.first(end);
        rest = rest.sliced(end < rest.size() ? end + 1 : end);
        if (const qsizetype hash = line.indexOf('#'); hash >= 0)
            line = line.first(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const Key key = keyOf(trimmed(line.first(colon)));
        const QByteArrayView value = trimmed(line.sliced(colon + 1));
        if (key == Key::UserAgent) {
            if (!inAgentLines) {
                groupStarted = true;
                groupIsOurs = groupIsAnyone = false;
            }
            inAgentLines = true;
            if (value.startsWith('*'))
                groupIsAnyone = true;
            else if (!agent.isEmpty() && productOf(value).toByteArray().toLower() == agent)
                groupIsOurs = namedUs = true;
        } else if (key == Key::Allow || key == Key::Disallow) {
            inAgentLines = false;
            // An empty Disallow allows everything, which no rule at all does as well.
            if (!groupStarted || value.isEmpty())
                continue;
            const Rule rule = makeRule(value, key == Key::Allow);
            if (groupIsOurs)
                ours.append(rule);
            if (groupIsAnyone)
                anyone.append(rule);
        }
    }
    RobotsRules rules;
    rules.rules_ = namedUs ? std::move(ours) : std::move(anyone);
    return rules;
}

bool RobotsRules::allowsPath(const QByteArray& encodedPathAndQuery) const {
    QByteArray path;
    appendDecoded(path,
                  encodedPathAndQuery.isEmpty() ? QByteArrayView("/") : QByteArrayView(encodedPathAndQuery));
    if (path == "/robots.txt")
        return true;
    const Rule* best = nullptr;
    for (const Rule& rule : rules_) {
        if (best && (rule.length < best->length || (rule.length == best->length && !rule.allow)))
            continue;
        if (matches(rule, path))
            best = &rule;
    }
    return !best || best->allow;
}

bool RobotsRules::allows(const web::WebUrl& url) const {
    return allowsPath(url.pathAndQuery().toUtf8());
}

} // namespace headwise
