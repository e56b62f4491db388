#pragma once

#include "core/audit/engine/finding.h"
#include "core/audit/engine/rule.h"
#include "core/audit/report/report.h"

#include <QList>
#include <QString>

// What a site owner repairs, rather than each finding: a page's repeats said
// once, the rules worst first, and the broken targets a report groups by.
namespace headwise::audit {

// The findings of one page that say the same thing: one rule, one message
// (the same broken target, the same missing tag), counted once.
struct FindingGroup {
    const Finding* first = nullptr; // the first in page order: its rule, severity, message and place
    int count = 0;
    QList<int> lines; // the first kShownLines lines it stands on, in page order; none for the page as a whole
    static constexpr int kShownLines = 3;
};
// A page's findings grouped, in the order of each group's first finding. The
// groups point into findings, which must outlive them.
QList<FindingGroup> groupFindings(const QList<Finding>& findings);
// What a repeated finding adds after its message: " (746 times, lines 1586,
// 1587, 1590, ...)"; nothing for a finding that stands alone.
QString repeatSuffix(const FindingGroup& group);

// ruleCounts() sorted as a site owner starts: errors before warnings before
// notes, then by pages, then by findings; ties in rule table order.
QList<RuleCount> worstFirst(QList<RuleCount> counts);
// One line of a rule's help: why it matters (its first sentence, without the
// documents it cites) and how to repair it (its last).
QString helpLine(const Rule& rule);

// One line per broken target with what names it: "/whatsnew/changelog.html:
// named 1,449 times on 530 pages [link-broken] does not exist in the folder".
QString brokenTargetLine(const BrokenTarget& target);
// A count with thousands separated by commas, as the summaries write counts: "1,449".
QString groupedNumber(qint64 n);

} // namespace headwise::audit
