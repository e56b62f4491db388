// The fixes of the audit's findings: each page of tests/fixtures/audit/fix
// comes out as its .fixed file, byte for byte, and a second round changes nothing.

#include "core/audit/fix/repair.h"
#include "testfiles.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::audit;
using headwise::testing::readTestFile;

namespace {

QString fixFixture(const QString& name) {
    return QStringLiteral(HEADWISE_FIXTURES "/audit/fix/") + name;
}

PageInput fileInput(const QByteArray& bytes) {
    PageInput input;
    input.bytes = bytes;
    input.address = QStringLiteral("file:///site/shop/page.html");
    return input;
}

Repair repaired(const QByteArray& bytes, const FixOptions& options = {}) {
    const PageInput input = fileInput(bytes);
    return repairPage(input, auditPage(input, {}), {}, options);
}

QString rulesOf(const QList<PageFix>& fixes) {
    QStringList rules;
    for (const PageFix& fix : fixes)
        if (!rules.contains(fix.rule))
            rules << fix.rule;
    return rules.join(u' ');
}

struct FixCase {
    const char* name;
    const char* made; // the rules fixed, in the order fixed
};

class FixedPages : public ::testing::TestWithParam<FixCase> {};

TEST_P(FixedPages, ComeOutAsTheExpectedFileAndStayFixed) {
    const FixCase& c = GetParam();
    const FixOptions options{.lang = QStringLiteral("en-GB"),
                             .baseUrl = QStringLiteral("https://rugs.example/shop/"),
                             .rules = QString::fromLatin1(c.made).split(u' ')};
    const Repair repair = repaired(readTestFile(fixFixture(QLatin1String(c.name) + ".html")), options);
    EXPECT_EQ(rulesOf(repair.made), QLatin1String(c.made));
    EXPECT_EQ(rulesOf(repair.undone), QString());
    ASSERT_TRUE(repair.spliced);
    EXPECT_EQ(repair.spliced->bytes.toStdString(),
              readTestFile(fixFixture(QLatin1String(c.name) + ".fixed.html")).toStdString());
    for (const QString& rule : QString::fromLatin1(c.made).split(u' '))
        for (const Finding& f : repair.audit.findings)
            EXPECT_FALSE(f.rule == rule && rule != QLatin1String("title-multiple"))
                << f.message.toStdString();
    const Repair again = repaired(repair.spliced->bytes, options);
    EXPECT_EQ(rulesOf(again.made) + rulesOf(again.undone), QString());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FixedPages,
    ::testing::Values(
        FixCase{"charset-missing", "charset-missing"}, FixCase{"charset-missing-inline", "charset-missing"},
        FixCase{"charset-missing-no-head", "charset-missing"},
        FixCase{"charset-missing-two-heads", "charset-missing"}, FixCase{"charset-late", "charset-late"},
        FixCase{"viewport-missing", "viewport-missing"},
        FixCase{"charset-and-viewport-missing", "charset-missing viewport-missing"},
        FixCase{"viewport-blocks-zoom", "viewport-blocks-zoom"}, FixCase{"lang-missing", "lang-missing"},
        FixCase{"lang-missing-empty", "lang-missing"}, FixCase{"lang-missing-no-html", "lang-missing"},
        FixCase{"relative", "canonical-relative hreflang-relative og-relative"},
        FixCase{"multiple", "title-multiple description-multiple canonical-multiple"},
        FixCase{"bom", "viewport-missing"}, FixCase{"utf16", "viewport-missing"}),
    [](const auto& info) {
        QString name = QLatin1String(info.param.name);
        return name.remove(u'-').toStdString();
    });

// Fixes that would guess are not offered, or wait for what they need.
TEST(Fixes, NotOfferedWithoutWhatTheyNeed) {
    const QByteArray page = "<html><head><title>T</title><link rel=canonical href=a.html></head></html>";
    const Repair bare =
        repaired(page, {.lang = {}, .baseUrl = {}, .rules = {"lang-missing", "canonical-relative"}});
    EXPECT_FALSE(bare.spliced);
    ASSERT_EQ(bare.needing.size(), 2);
    EXPECT_EQ(bare.needing[0].need, PageFix::Need::Lang);
    EXPECT_EQ(bare.needing[1].need, PageFix::Need::BaseUrl);

    // Bytes that are no UTF-8 were read as Windows-1252 by a guess; a <base>
    // changes what relative addresses mean.
    EXPECT_FALSE(rulesOf(repaired("<head><title>Caf\xe9</title></head>").made).contains(u"charset-missing"));
    const Repair based =
        repaired("<head><base href=/x/><link rel=canonical href=a.html></head>",
                 {.lang = {}, .baseUrl = "https://a.example/", .rules = {"canonical-relative"}});
    EXPECT_TRUE(based.made.isEmpty() && based.needing.isEmpty());
    // --fix=RULE limits them.
    const Repair limited =
        repaired("<head><title>T</title></head>", {.lang = {}, .baseUrl = {}, .rules = {"viewport-missing"}});
    EXPECT_EQ(rulesOf(limited.made), "viewport-missing");
}

// A fix the audit after it does not confirm is taken back: a charset put
// after a head that starts past the first 1024 bytes is still late.
TEST(Fixes, OneTheAuditStillFindsIsTakenBack) {
    const QByteArray page =
        "<!-- " + QByteArray(1100, 'x') + " -->\n<html lang=en><head>\n<title>T</title>\n</head></html>\n";
    const Repair repair =
        repaired(page, {.lang = {}, .baseUrl = {}, .rules = {"charset-missing", "viewport-missing"}});
    EXPECT_EQ(rulesOf(repair.undone), "charset-missing");
    EXPECT_EQ(rulesOf(repair.made), "viewport-missing");
    ASSERT_TRUE(repair.spliced);
    EXPECT_FALSE(repair.spliced->bytes.contains("charset"));
}

TEST(Fixes, GoInTheirStagesThenInRuleOrder) {
    // An <html lang> before the head's tags, the charset before the viewport that follows it.
    QStringList order;
    for (const Rule* rule : fixableRules())
        order << rule->id;
    EXPECT_EQ(order,
              (QStringList{"lang-missing", "charset-missing", "charset-late", "viewport-missing",
                           "viewport-blocks-zoom", "title-multiple", "description-multiple",
                           "canonical-multiple", "canonical-relative", "hreflang-relative", "og-relative"}));
}

} // namespace
