#include "core/audit/report/findinggroups.h"
#include "core/audit/rules/site.h"

#include <gtest/gtest.h>

using namespace headwise::audit;

namespace {

Finding at(const char* rule, const char* message, int line) {
    return Finding{
        .rule = rule, .severity = Severity::Error, .message = message, .line = line, .column = line ? 5 : 0};
}

// Repeats of one rule and message are one group at its first place; the
// same message of another rule, or another message, is a group of its own.
TEST(FindingGroups, RepeatsAreCountedOnceWithTheirFirstLines) {
    const struct {
        const char* name;
        QList<Finding> findings;
        QStringList expected; // "MESSAGE@LINE" and its suffix, per group
    } cases[] = {
        {"alone", {at("link-broken", "a", 3)}, {"a@3"}},
        {"twice on two lines",
         {at("link-broken", "a", 3), at("link-broken", "a", 9)},
         {"a@3 (2 times, lines 3, 9)"}},
        {"twice on one line",
         {at("link-broken", "a", 3), at("link-broken", "a", 3)},
         {"a@3 (2 times, line 3)"}},
        {"more than is shown",
         {at("link-broken", "a", 1), at("link-broken", "a", 2), at("link-broken", "a", 4),
          at("link-broken", "a", 7)},
         {"a@1 (4 times, lines 1, 2, 4, ...)"}},
        {"interleaved with others",
         {at("link-broken", "a", 1), at("link-broken", "b", 2), at("orphan", "a", 3),
          at("link-broken", "a", 4)},
         {"a@1 (2 times, lines 1, 4)", "b@2", "a@3"}},
        {"about the page as a whole",
         {at("title-missing", "t", 0), at("title-missing", "t", 0)},
         {"t@0 (2 times)"}},
    };
    for (const auto& c : cases) {
        QStringList got;
        for (const FindingGroup& group : groupFindings(c.findings))
            got.append(group.first->message + QStringLiteral("@%1").arg(group.first->line) +
                       repeatSuffix(group));
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

// Errors first, then the rules on most pages, then the most findings.
TEST(FindingGroups, WorstFirstOrdersBySeverityThenPagesThenFindings) {
    const QList<RuleCount> counts = {
        {.rule = "og-missing", .severity = Severity::Warning, .findings = 462, .pages = 462},
        {.rule = "title-missing", .severity = Severity::Error, .findings = 4, .pages = 4},
        {.rule = "canonical-relative", .severity = Severity::Error, .findings = 22, .pages = 22},
        {.rule = "link-redirect", .severity = Severity::Info, .findings = 900, .pages = 500},
        {.rule = "link-broken", .severity = Severity::Error, .findings = 40, .pages = 22},
    };
    QStringList order;
    for (const RuleCount& count : worstFirst(counts))
        order.append(count.rule);
    EXPECT_EQ(order, (QStringList{"link-broken", "canonical-relative", "title-missing", "og-missing",
                                  "link-redirect"}));
}

// The help line keeps the first and last sentence, without the documents cited.
TEST(FindingGroups, HelpLineSaysWhyAndHowInOneLine) {
    const QString broken = helpLine(registeredRule(ruleid::kLinkBroken));
    EXPECT_EQ(broken,
              "A link to a missing page ends in an error page for visitors and for search engines, which "
              "find pages by following links. Fix the address or add the page.");
    for (const Rule& rule : ruleTable()) {
        const QString line = helpLine(rule);
        EXPECT_FALSE(line.isEmpty() || line.contains(u'\n') || line.contains(QLatin1String("  ")))
            << rule.id.toStdString();
        EXPECT_LT(line.size(), rule.help.size() + 1) << rule.id.toStdString();
    }
}

TEST(FindingGroups, BrokenTargetLineAndCounts) {
    EXPECT_EQ(brokenTargetLine({.rule = "link-broken",
                                .target = "/whatsnew/changelog.html",
                                .problem = "does not exist in the folder",
                                .pages = 530,
                                .references = 1449}),
              "/whatsnew/changelog.html: does not exist in the folder; named 1,449 times on 530 pages "
              "[link-broken]");
    EXPECT_EQ(brokenTargetLine({.rule = "canonical-target",
                                .target = "/a",
                                .problem = "answers 500",
                                .pages = 1,
                                .references = 1}),
              "/a: answers 500; named once on 1 page [canonical-target]");
    const std::pair<qint64, const char*> numbers[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"}, {-1449, "-1,449"}};
    for (const auto& [n, text] : numbers)
        EXPECT_EQ(groupedNumber(n), QLatin1String(text)) << n;
}

} // namespace
