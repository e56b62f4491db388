#include "core/audit/report.h"
#include "core/audit/reportformats.h"

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

QByteArray ruleSummary(const QList<PageReport>& pages) {
    struct Count {
        int findings = 0, pages = 0;
    };
    QList<Count> counts(ruleTable().size());
    for (const PageReport& page : pages) {
        QList<bool> seen(counts.size(), false);
        for (const Finding& finding : page.findings) {
            const int rule = ruleIndex(finding.rule);
            if (rule < 0)
                continue;
            ++counts[rule].findings;
            if (!seen[rule]) {
                seen[rule] = true;
                ++counts[rule].pages;
            }
        }
    }
    QList<int> order;
    for (int i = 0; i < counts.size(); ++i)
        if (counts[i].findings > 0)
            order.append(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return counts[a].findings > counts[b].findings; });
    QString out;
    for (const int i : order)
        out += ruleTable()[i].id + QStringLiteral(": ") + counted(counts[i].findings, "finding", "findings") +
               QStringLiteral(" on ") + counted(counts[i].pages, "page", "pages") + QLatin1Char('\n');
    return out.toUtf8();
}

} // namespace headwise::audit
