// headwise.json, --rule options, disable comments and the cross-page duplicate rules.

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/disablecomments.h"
#include "core/audit/engine/pageaudit.h"
#include "core/audit/rules/duplicates.h"

#include <gtest/gtest.h>

using namespace headwise::audit;

namespace {

TEST(AuditConfigParse, ReadsRulesLimitsAndSkips) {
    QString error;
    const auto config = parseAuditConfig(R"({"rules":{"title-length":"off","meta-refresh":"ERROR"},
        "limits":{"titleMaxChars":70,"descriptionMaxWidthPx":900.5},"skip":["drafts/**","*.tmp.html"]})",
                                         &error);
    ASSERT_TRUE(config) << error.toStdString();
    EXPECT_EQ(config->severityOf(*findRule(u"title-length")), std::nullopt);
    EXPECT_EQ(config->severityOf(*findRule(u"meta-refresh")), Severity::Error);
    EXPECT_EQ(config->severityOf(*findRule(u"meta-obsolete")), Severity::Info);
    EXPECT_EQ(config->titleMaxChars, 70);
    EXPECT_EQ(config->titleMinChars, 30);
    EXPECT_DOUBLE_EQ(config->descriptionMaxWidthPx, 900.5);
    EXPECT_EQ(config->skipGlobs, (QStringList{"drafts/**", "*.tmp.html"}));
}

struct BadConfig {
    const char* json;
    const char* errorMentions;
};

class AuditConfigRejects : public testing::TestWithParam<BadConfig> {};

TEST_P(AuditConfigRejects, WithAMessageNamingTheProblem) {
    QString error;
    EXPECT_FALSE(parseAuditConfig(GetParam().json, &error));
    EXPECT_TRUE(error.contains(QLatin1String(GetParam().errorMentions))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Audit, AuditConfigRejects,
                         testing::Values(BadConfig{"{", "JSON"}, BadConfig{"[]", "object"},
                                         BadConfig{R"({"rules":{"title-lenght":"off"}})", "title-lenght"},
                                         BadConfig{R"({"rules":{"title-length":"loud"}})", "loud"},
                                         BadConfig{R"({"rules":{"title-length":1}})", "title-length"},
                                         BadConfig{R"({"rules":[]})", "rules"},
                                         BadConfig{R"({"limits":{"titleMaxChar":1}})", "titleMaxChar"},
                                         BadConfig{R"({"limits":{"titleMaxChars":"60"}})", "titleMaxChars"},
                                         BadConfig{R"({"limits":{"titleMaxChars":60.5}})", "titleMaxChars"},
                                         BadConfig{R"({"limits":{"titleMinChars":-1}})", "titleMinChars"},
                                         BadConfig{R"({"limits":{"titleMinChars":80}})", "greater"},
                                         BadConfig{R"({"skip":"drafts"})", "skip"},
                                         BadConfig{R"({"skip":[""]})", "skip"},
                                         BadConfig{R"({"rule":{}})", "rule"}));

TEST(AuditConfigParse, RuleOptionsOverride) {
    AuditConfig config;
    QString error;
    EXPECT_TRUE(applyRuleOption(config, u"title-width=off", &error));
    EXPECT_TRUE(applyRuleOption(config, u" lang-missing = error ", &error));
    EXPECT_EQ(config.severityOf(*findRule(u"title-width")), std::nullopt);
    EXPECT_EQ(config.severityOf(*findRule(u"lang-missing")), Severity::Error);
    EXPECT_FALSE(applyRuleOption(config, u"title-width", &error));
    EXPECT_FALSE(applyRuleOption(config, u"=off", &error));
    EXPECT_FALSE(applyRuleOption(config, u"nope=off", &error));
    EXPECT_TRUE(error.contains(QLatin1String("nope")));
}

TEST(AuditConfigParse, OffAndChangedSeverityReachTheFindings) {
    PageInput page;
    page.bytes = "<title>t</title><meta http-equiv=refresh content=1>";
    AuditConfig config;
    config.severityOverride.insert(QStringLiteral("title-length"), std::nullopt);
    config.severityOverride.insert(QStringLiteral("meta-refresh"), Severity::Info);
    const PageAudit audit = auditPage(page, config);
    bool refresh = false;
    for (const Finding& f : audit.findings) {
        EXPECT_NE(f.rule, QLatin1String("title-length"));
        if (f.rule == QLatin1String("meta-refresh")) {
            refresh = true;
            EXPECT_EQ(f.severity, Severity::Info);
        }
    }
    EXPECT_TRUE(refresh);
}

struct DisableCase {
    const char* text;
    QStringList rules;
};

class DisableComment : public testing::TestWithParam<DisableCase> {};

TEST_P(DisableComment, ListsTheRules) {
    EXPECT_EQ(disabledRules(QByteArrayView(GetParam().text)), GetParam().rules);
}

INSTANTIATE_TEST_SUITE_P(
    Audit, DisableComment,
    testing::Values(
        DisableCase{"<!-- headwise-disable title-length -->", {"title-length"}},
        DisableCase{"<!--headwise-disable a,b , c-->", {"a", "b", "c"}},
        DisableCase{"<!--\n headwise-disable Lang-Missing\n-->x<!-- headwise-disable lang-missing,d -->",
                    {"lang-missing", "d"}},
        DisableCase{"<!-- headwise-disable -->", {}}, DisableCase{"<!-- headwise-disabled a -->", {}},
        DisableCase{"<!-- note: headwise-disable a -->", {}}, DisableCase{"headwise-disable a", {}},
        DisableCase{"<!-- headwise-disable a", {"a"}}));

TEST(DisableComment, SwitchesRulesOffForThatPageOnly) {
    PageInput page;
    page.bytes = "<html><!-- headwise-disable lang-missing, title-missing --><p>x";
    const PageAudit audit = auditPage(page, AuditConfig());
    for (const Finding& f : audit.findings) {
        EXPECT_NE(f.rule, QLatin1String("lang-missing"));
        EXPECT_NE(f.rule, QLatin1String("title-missing"));
    }
    EXPECT_FALSE(audit.findings.isEmpty());
}

PageDigest digest(const char* title, const char* description, QStringList disabled = {},
                  const QByteArray& more = {}, const QString& address = {}) {
    PageInput page;
    page.bytes = QByteArray("<head>\n<title>") + title + "</title>\n<meta name=description content=\"" +
                 description + "\">" + more;
    page.address = address;
    PageAudit audit = auditPage(page, AuditConfig());
    audit.disabledRules += disabled;
    return digestOf(audit, QString::fromLatin1(title) + QStringLiteral(".html"));
}

TEST(DuplicateRules, NameAnotherPageWithTheSameText) {
    const QList<PageDigest> pages = {digest("A", "same"), digest("B", "other"), digest("A", "same"),
                                     digest("A", "unique"), digest("", "")};
    const QList<QList<Finding>> found = duplicateFindings(pages, AuditConfig());
    ASSERT_EQ(found.size(), pages.size());
    ASSERT_EQ(found[0].size(), 2);
    EXPECT_EQ(found[0][0].rule, QLatin1String("title-duplicate"));
    EXPECT_EQ(found[0][0].message, QStringLiteral("Same title as A.html and 1 other page"));
    EXPECT_EQ(found[0][0].line, 2);
    EXPECT_EQ(found[0][0].column, 1);
    EXPECT_EQ(found[0][1].rule, QLatin1String("description-duplicate"));
    EXPECT_EQ(found[0][1].line, 3);
    EXPECT_EQ(found[0][1].message, QStringLiteral("Same description as A.html"));
    EXPECT_TRUE(found[1].isEmpty());
    EXPECT_EQ(found[2].size(), 2);
    EXPECT_EQ(found[3].size(), 1);
    EXPECT_TRUE(found[4].isEmpty()) << "empty texts are left to the -empty rules";
}

TEST(DuplicateRules, HonourConfigAndDisableComments) {
    const QList<PageDigest> pages = {digest("A", "d", {"title-duplicate"}), digest("A", "d")};
    AuditConfig config;
    config.severityOverride.insert(QStringLiteral("description-duplicate"), std::nullopt);
    const QList<QList<Finding>> found = duplicateFindings(pages, config);
    EXPECT_TRUE(found[0].isEmpty());
    ASSERT_EQ(found[1].size(), 1);
    EXPECT_EQ(found[1][0].rule, QLatin1String("title-duplicate"));
}

// Only pages a search engine indexes under their own address compete.
TEST(DuplicateRules, OnlyIndexablePagesThatAreTheirOwnCanonical) {
    const QString site = QStringLiteral("file:///site/");
    const struct {
        QByteArray more;
        QString address;
        bool counts;
    } cases[] = {
        {"<meta name=robots content=noindex>", site + "a.html", false},
        {"<link rel=canonical href=https://rugs.example/b.html>", site + "a.html", false},
        {"<link rel=canonical href=https://rugs.example/a.html>", site + "a.html", true},
        {"<link rel=canonical href=https://rugs.example/blue/>", site + "blue/index.html", true},
        {"<link rel=canonical href=https://rugs.example/blue>", site + "blue.html", true},
        {"<link rel=canonical href=https://rugs.example/other>", "https://rugs.example/a", false},
        {"<link rel=canonical href=https://rugs.example/a>", "https://rugs.example/a", true},
    };
    for (const auto& c : cases) {
        const QList<PageDigest> pages = {digest("A", "d"), digest("A", "d", {}, c.more, c.address)};
        const QList<QList<Finding>> found = duplicateFindings(pages, AuditConfig());
        EXPECT_EQ(found[0].size(), c.counts ? 2 : 0) << c.more.constData();
    }
}

} // namespace
