#include "core/audit/report/findinggroups.h"
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
        // A repeat (the same broken link a hundred times) is said once, at its first place, with its count.
        for (const FindingGroup& group : groupFindings(page.findings)) {
            const Finding& finding = *group.first;
            // One pass over all five, so a "%2" in a path or message stays as it is;
            // "PAGE:LINE:COLUMN: warning: ..." or, for the page as a whole, "PAGE: warning: ...".
            out += QStringLiteral("%1:%2 %3: %4 [%5]")
                       .arg(page.page, positionPrefix(finding).trimmed(), severityName(finding.severity),
                            finding.message, finding.rule) +
                   repeatSuffix(group) + u'\n';
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
        const Rule& rule = ruleTable()[i];
        fired.append(counts[i]);
        fired.back().rule = rule.id;
        fired.back().share = double(counts[i].pages) / double(pages.size());
        fired.back().fixable = rule.fixable();
        fired.back().help = helpLine(rule);
    }
    return fired;
}

QByteArray ruleSummary(const QList<PageReport>& pages, const SiteSummary* site) {
    const QList<RuleCount> counts = worstFirst(ruleCounts(pages));
    qsizetype width = 0;
    for (const RuleCount& count : counts)
        width = std::max(width, count.rule.size());
    // "error    link-broken  530 pages (100%)  1,449 findings  fixable  Why. How."
    QStringList pagesColumn, findingsColumn;
    qsizetype pagesWidth = 0, findingsWidth = 0;
    for (const RuleCount& count : counts) {
        pagesColumn.append(groupedNumber(count.pages) +
                           (count.pages == 1 ? QStringLiteral(" page (") : QStringLiteral(" pages (")) +
                           QString::number(qRound(count.share * 100)) + QStringLiteral("%)"));
        findingsColumn.append(groupedNumber(count.findings) + (count.findings == 1
                                                                   ? QStringLiteral(" finding")
                                                                   : QStringLiteral(" findings")));
        pagesWidth = std::max(pagesWidth, pagesColumn.back().size());
        findingsWidth = std::max(findingsWidth, findingsColumn.back().size());
    }
    QString out;
    for (qsizetype i = 0; i < counts.size(); ++i) {
        const RuleCount& count = counts[i];
        out += severityName(count.severity).leftJustified(9) + count.rule.leftJustified(width + 2) +
               pagesColumn[i].leftJustified(pagesWidth + 2) +
               findingsColumn[i].leftJustified(findingsWidth + 2) +
               QLatin1String(count.fixable ? "fixable  " : "         ") + count.help + u'\n';
    }
    if (site && !site->brokenTargets.isEmpty()) {
        // The few targets named most under each rule: the JSON report lists every one.
        constexpr int kShownPerRule = 10;
        out += QStringLiteral("Broken targets, by what names them:\n");
        int shown = 0;
        qsizetype left = 0;
        for (qsizetype i = 0; i < site->brokenTargets.size(); ++i) {
            const BrokenTarget& target = site->brokenTargets[i];
            shown = i > 0 && site->brokenTargets[i - 1].rule == target.rule ? shown + 1 : 0;
            if (shown < kShownPerRule)
                out += QStringLiteral("  ") + brokenTargetLine(target) + u'\n';
            else
                ++left;
            const bool ruleEnds =
                i + 1 == site->brokenTargets.size() || site->brokenTargets[i + 1].rule != target.rule;
            if (ruleEnds && left > 0) {
                out += QStringLiteral("  ... and %1 more [%2]\n").arg(groupedNumber(left), target.rule);
                left = 0;
            }
        }
    }
    return out.toUtf8();
}

} // namespace headwise::audit
