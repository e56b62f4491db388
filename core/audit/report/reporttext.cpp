#include "core/audit/report/report.h"
#include "core/audit/report/reportformats.h"

#include <algorithm>

namespace headwise::audit {
namespace {

QString counted(int count, const char* singular, const char* plural) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? singular : plural);
}

} // namespace

QByteArray textReport(const QList<PageReport>& pages) {
    QString out;
    for (const PageReport& page : pages) {
        for (const Finding& finding : page.findings) {
            // One pass over all five, so a "%2" in a path or message stays as it is;
            // "PAGE:LINE:COLUMN: warning: ..." or, for the page as a whole, "PAGE: warning: ...".
            out += QStringLiteral("%1:%2 %3: %4 [%5]\n")
                       .arg(page.page, positionPrefix(finding).trimmed(), severityName(finding.severity),
                            finding.message, finding.rule);
        }
    }
    const ReportSummary summary = summarize(pages);
    out += counted(summary.pages, "page", "pages") + QStringLiteral(" audited: ") +
           counted(summary.errors, "error", "errors") + QStringLiteral(", ") +
           counted(summary.warnings, "warning", "warnings") + QStringLiteral(", ") +
           counted(summary.infos, "note", "notes") + QLatin1Char('\n');
    return out.toUtf8();
}

QList<RuleCount> ruleCounts(const QList<PageReport>& pages) {
    QList<RuleCount> counts(ruleTable().size());
    QList<const PageReport*> lastPage(counts.size(), nullptr);
    for (const PageReport& page : pages) {
        for (const Finding& finding : page.findings) {
            const int rule = ruleIndex(finding.rule);
            if (rule < 0)
                continue;
            RuleCount& count = counts[rule];
            count.severity = finding.severity;
            ++count.findings;
            if (lastPage[rule] != &page) {
                lastPage[rule] = &page;
                ++count.pages;
            }
        }
    }
    QList<RuleCount> fired;
    for (qsizetype i = 0; i < counts.size(); ++i) {
        if (counts[i].findings == 0)
            continue;
        fired.append(counts[i]);
        fired.back().rule = ruleTable()[i].id;
    }
    return fired;
}

QByteArray ruleSummary(const QList<PageReport>& pages) {
    QList<RuleCount> counts = ruleCounts(pages);
    std::stable_sort(counts.begin(), counts.end(),
                     [](const RuleCount& a, const RuleCount& b) { return a.findings > b.findings; });
    QString out;
    for (const RuleCount& count : std::as_const(counts))
        out += count.rule + QStringLiteral(": ") + counted(count.findings, "finding", "findings") +
               QStringLiteral(" on ") + counted(count.pages, "page", "pages") + QLatin1Char('\n');
    return out.toUtf8();
}

} // namespace headwise::audit
