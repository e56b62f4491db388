// The test each rule case runs, and what holds for every rule and page.

#include "rulecases.h"

#include <QSet>

namespace headwise::audit::rulecases {

TEST_P(EachRule, TriggersOnlyWhereItShould) {
    const RuleCase& c = GetParam();
    ASSERT_TRUE(findRule(QLatin1String(c.rule)));
    const PageAudit hit = auditPage(build(c.triggers), AuditConfig());
    EXPECT_GE(count(hit, QLatin1String(c.rule)), 1) << dump(hit).toStdString();
    for (const Finding& f : hit.findings) {
        if (f.rule == QLatin1String(c.rule)) {
            EXPECT_EQ(f.severity, c.note ? Severity::Info : findRule(c.rule)->severity)
                << dump(hit).toStdString();
        }
    }
    const PageAudit miss = auditPage(build(c.passes), AuditConfig());
    EXPECT_EQ(count(miss, QLatin1String(c.rule)), 0) << dump(miss).toStdString();
}

std::string caseName(const testing::TestParamInfo<RuleCase>& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

namespace {

QList<RuleCase>& everyCase() {
    static QList<RuleCase> all;
    return all;
}

} // namespace

bool listCases(const QList<RuleCase>& cases) {
    everyCase().append(cases);
    return true;
}

const QList<RuleCase>& listedCases() {
    return everyCase();
}

// What a finding says, and whether it has a place in the page.
TEST(AuditRules, MessagesNameWhatIsWrong) {
    const Variant imageInHead{
        {{QStringLiteral("<head>\n"), QStringLiteral("<head>\n<img src=\"p.gif\">\n")}}};
    const struct {
        Variant page;
        const char* rule;
        const char* says;
        bool placed;
    } cases[] = {
        {hreflang("en-UK", "https://example.com/"), "hreflang-invalid", "en-UK: did you mean en-GB?", true},
        {hreflang("en_GB", "https://example.com/"), "hreflang-invalid", "en_GB: use a hyphen", true},
        {canonical(QStringLiteral("https://example.com:80x/")), "canonical-invalid", "port", true},
        {canonical(QStringLiteral("//example.com/")), "canonical-relative", "not absolute", true},
        {header("X-Robots-Tag", "noindex"), "robots-noindex", "X-Robots-Tag header: \"noindex\"", false},
        {both(imageInHead, inHead(QStringLiteral("<meta name=robots content=noindex>"))), "robots-noindex",
         "does nothing: the head ended at <img> on line 4", true},
        {imageInHead, "head-closed-early", "The head ends at <img> on line 4", true},
        {imageInHead, "head-closed-early", "<title> (line", true},
        {inHead(QStringLiteral("<meta http-equiv=refresh content=30>")), "meta-refresh", "reloads the page",
         true},
        {{{{kViewport, QString()}}}, "viewport-missing", "no meta viewport", false},
        {status(500), "http-status", "500", false},
        {{{{kTitle, QString()}, {kBody, kBody + kTitle}}}, "title-outside-head", "in the body", true},
    };
    for (const auto& c : cases) {
        const PageAudit audit = auditPage(build(c.page), AuditConfig());
        const Finding* found = nullptr;
        for (const Finding& f : audit.findings)
            if (f.rule == QLatin1String(c.rule) && f.message.contains(QString::fromUtf8(c.says)))
                found = &f;
        ASSERT_TRUE(found) << c.says << "\n" << dump(audit).toStdString();
        EXPECT_EQ(found->hasPosition(), c.placed) << c.says;
    }
}

TEST(AuditRules, GoodPageHasNoFindings) {
    const PageAudit audit = auditPage(build({}), AuditConfig());
    EXPECT_TRUE(audit.findings.isEmpty()) << dump(audit).toStdString();
    EXPECT_EQ(audit.title, QStringLiteral("Garden tools for small balconies and terraces"));
    EXPECT_TRUE(audit.hasDescription);
    EXPECT_EQ(audit.canonical, kAddress);
    EXPECT_EQ(audit.ogImage, QStringLiteral("https://example.com/tools.png"));
}

TEST(AuditRules, EveryPerPageRuleHasACase) {
    for (const Rule& rule : ruleTable()) {
        if (rule.scope != RuleScope::Page)
            continue;
        bool found = false;
        for (const RuleCase& c : listedCases())
            found = found || rule.id == QLatin1String(c.rule);
        EXPECT_TRUE(found) << rule.id.toStdString();
    }
}

TEST(AuditRules, EveryRuleIsDefinedOnceWhole) {
    QSet<QString> ids;
    for (const Rule& rule : ruleTable()) {
        const std::string id = rule.id.toStdString();
        EXPECT_FALSE(ids.contains(rule.id)) << id;
        ids.insert(rule.id);
        EXPECT_EQ(ruleIndex(rule.id), ids.size() - 1) << id;
        EXPECT_FALSE(rule.description.isEmpty() || rule.help.isEmpty()) << id;
        // What a fix does is said by the fix, not by the rule's help.
        EXPECT_FALSE(rule.help.contains(QLatin1String("Fixable"))) << id;
        EXPECT_EQ(rule.fixable(), !rule.fixHelp.isEmpty()) << id;
        ASSERT_FALSE(rule.sources.isEmpty()) << id;
        for (const RuleSource& source : rule.sources)
            EXPECT_TRUE(!source.title.isEmpty() && source.url.startsWith(QLatin1String("https://"))) << id;
        // Each scope has the checks the engine calls for it, and only those.
        EXPECT_EQ(rule.check != nullptr, rule.scope == RuleScope::Page) << id;
        // robots.txt is read by the run itself, once a site, not by a check.
        EXPECT_EQ(rule.siteReference || rule.sitePage || rule.siteWhole,
                  rule.scope == RuleScope::Site && rule.id != QLatin1String("robots-txt-invalid"))
            << id;
        EXPECT_TRUE(!rule.fixable() || rule.scope == RuleScope::Page) << id;
    }
    EXPECT_EQ(findRule(u"no-such-rule"), nullptr);
}

} // namespace headwise::audit::rulecases
