#include "core/audit/report/findinggroups.h"

#include <QHash>

#include <algorithm>

namespace headwise::audit {

namespace {

// Where a help's sentences end: a full stop before a space and a capital, or
// at the end, outside parentheses and quotes (which cite titles with stops).
QList<QStringView> sentences(QStringView text) {
    QList<QStringView> out;
    int depth = 0;
    bool quoted = false;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'(')
            ++depth;
        else if (c == u')' && depth > 0)
            --depth;
        else if (c == u'"')
            quoted = !quoted;
        const bool ends =
            c == u'.' && depth == 0 && !quoted &&
            (i + 1 == text.size() || (text[i + 1] == u' ' && i + 2 < text.size() && text[i + 2].isUpper()));
        if (ends || i + 1 == text.size()) {
            out.append(text.sliced(from, i + 1 - from).trimmed());
            from = i + 1;
        }
    }
    return out;
}

// A sentence without what it cites in parentheses: "(Google Search Central, ...)".
QString withoutCitations(QStringView sentence) {
    QString out;
    int depth = 0;
    for (const QChar c : sentence) {
        if (c == u'(')
            ++depth;
        else if (c == u')' && depth > 0)
            --depth;
        else if (depth == 0)
            out += c;
    }
    out = out.simplified();
    out.replace(QLatin1String(" ."), QLatin1String("."));
    out.replace(QLatin1String(" ,"), QLatin1String(","));
    out.replace(QLatin1String(" ;"), QLatin1String(";"));
    return out;
}

QString times(qint64 n) {
    return n == 1 ? QStringLiteral("once") : groupedNumber(n) + QStringLiteral(" times");
}

QString pagesText(qint64 n) {
    return groupedNumber(n) + (n == 1 ? QStringLiteral(" page") : QStringLiteral(" pages"));
}

} // namespace

QList<FindingGroup> groupFindings(const QList<Finding>& findings) {
    QList<FindingGroup> groups;
    QHash<std::pair<QString, QString>, qsizetype> byWhat;
    for (const Finding& finding : findings) {
        const std::pair<QString, QString> key(finding.rule, finding.message);
        auto at = byWhat.constFind(key);
        if (at == byWhat.constEnd()) {
            at = byWhat.insert(key, groups.size());
            groups.append({.first = &finding});
        }
        FindingGroup& group = groups[*at];
        ++group.count;
        if (finding.hasPosition() && group.lines.size() < FindingGroup::kShownLines &&
            (group.lines.isEmpty() || group.lines.back() != finding.line))
            group.lines.append(finding.line);
    }
    return groups;
}

QString repeatSuffix(const FindingGroup& group) {
    if (group.count < 2)
        return {};
    QString out = QStringLiteral(" (") + times(group.count);
    if (!group.lines.isEmpty()) {
        out += group.lines.size() == 1 ? QStringLiteral(", line ") : QStringLiteral(", lines ");
        for (qsizetype i = 0; i < group.lines.size(); ++i)
            out += (i > 0 ? QStringLiteral(", ") : QString()) + QString::number(group.lines[i]);
        // Fewer lines than findings: more stand on lines not shown, or on the same ones.
        if (group.lines.size() == FindingGroup::kShownLines && group.count > group.lines.size())
            out += QStringLiteral(", ...");
    }
    return out + u')';
}

QList<RuleCount> worstFirst(QList<RuleCount> counts) {
    std::stable_sort(counts.begin(), counts.end(), [](const RuleCount& a, const RuleCount& b) {
        if (a.severity != b.severity)
            return a.severity > b.severity;
        if (a.pages != b.pages)
            return a.pages > b.pages;
        return a.findings > b.findings;
    });
    return counts;
}

QString helpLine(const Rule& rule) {
    const QList<QStringView> said = sentences(rule.help);
    if (said.isEmpty())
        return rule.description;
    QString line = withoutCitations(said.front());
    if (said.size() > 1)
        line += u' ' + withoutCitations(said.back());
    return line;
}

QString brokenTargetLine(const BrokenTarget& target) {
    return target.target + QStringLiteral(": ") + target.problem + QStringLiteral("; named ") +
           times(target.references) + QStringLiteral(" on ") + pagesText(target.pages) +
           QStringLiteral(" [") + target.rule + u']';
}

QString groupedNumber(qint64 n) {
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return n < 0 ? u'-' + digits : digits;
}

} // namespace headwise::audit
