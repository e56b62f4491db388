// Each rule against a page that triggers it and a page that just does not.

#include "pageaudit.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>

using namespace headwise::audit;

namespace {

// A page no rule finds fault with; each case changes one thing.
const QString kGoodPage = QStringLiteral(
    "<!DOCTYPE html>\n"
    "<html lang=\"en\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<title>Garden tools for small balconies and terraces</title>\n"
    "<meta name=\"description\" content=\"Trowels, pots and watering cans that fit a balcony: what to buy, "
    "what to skip, and how to store it.\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<link rel=\"canonical\" href=\"https://example.com/tools/balcony\">\n"
    "<meta property=\"og:title\" content=\"Garden tools\">\n"
    "<meta property=\"og:type\" content=\"article\">\n"
    "<meta property=\"og:image\" content=\"https://example.com/tools.png\">\n"
    "<meta property=\"og:url\" content=\"https://example.com/tools/balcony\">\n"
    "</head>\n"
    "<body><p>Small spaces, small tools.</p></body>\n"
    "</html>\n");
const QString kAddress = QStringLiteral("https://example.com/tools/balcony");

struct Variant {
    QList<QPair<QString, QString>> replace; // applied to kGoodPage in order
    std::function<void(PageInput&)> adjust = {};
};

PageInput build(const Variant& v) {
    QString text = kGoodPage;
    for (const auto& [from, to] : v.replace) {
        EXPECT_TRUE(text.contains(from)) << from.toStdString();
        text.replace(from, to);
    }
    PageInput input;
    input.bytes = text.toUtf8();
    input.address = kAddress;
    input.now = QDateTime(QDate(2026, 6, 1), QTime(12, 0), QTimeZone::utc());
    if (v.adjust)
        v.adjust(input);
    return input;
}

int count(const PageAudit& audit, const QString& rule) {
    int n = 0;
    for (const Finding& f : audit.findings)
        n += f.rule == rule;
    return n;
}

QString dump(const PageAudit& audit) {
    QString out;
    for (const Finding& f : audit.findings)
        out += QStringLiteral("%1:%2 %3 %4\n").arg(f.line).arg(f.column).arg(f.rule, f.message);
    return out;
}

const QString kTitle = QStringLiteral("<title>Garden tools for small balconies and terraces</title>");
const QString kDescription = QStringLiteral("<meta name=\"description\" content=\"Trowels, pots and watering "
                                            "cans that fit a balcony: what to buy, what to "
                                            "skip, and how to store it.\">");
const QString kCharset = QStringLiteral("<meta charset=\"utf-8\">");
const QString kViewport =
    QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
const QString kCanonical =
    QStringLiteral("<link rel=\"canonical\" href=\"https://example.com/tools/balcony\">");
const QString kHeadEnd = QStringLiteral("</head>");
const QString kBody = QStringLiteral("<body><p>Small spaces, small tools.</p>");

Variant title(const QString& text) {
    return {{{kTitle, QStringLiteral("<title>%1</title>").arg(text)}}};
}
Variant description(const QString& text) {
    return {{{kDescription, QStringLiteral("<meta name=\"description\" content=\"%1\">").arg(text)}}};
}
Variant inHead(const QString& markup) {
    return {{{kHeadEnd, markup + QStringLiteral("\n</head>")}}};
}
Variant inBody(const QString& markup) {
    return {{{kBody, kBody + markup}}};
}
Variant canonical(const QString& href) {
    return {{{kCanonical, QStringLiteral("<link rel=\"canonical\" href=\"%1\">").arg(href)}}};
}
Variant header(const char* name, const char* value) {
    return {{}, [=](PageInput& p) { p.headers.append({QByteArray(name), QByteArray(value)}); }};
}
Variant status(int code) {
    return {{}, [=](PageInput& p) { p.httpStatus = code; }};
}
Variant raw(QByteArray from, QByteArray to, QString httpCharset = {}) {
    return {{}, [=](PageInput& p) {
                if (!from.isEmpty())
                    p.bytes.replace(from, to);
                p.httpCharset = httpCharset;
            }};
}
Variant hreflang(const QString& code, const QString& href) {
    return inHead(QStringLiteral("<link rel=\"alternate\" hreflang=\"%1\" href=\"%2\">").arg(code, href));
}
Variant both(Variant a, const Variant& b) {
    a.replace += b.replace;
    if (b.adjust) {
        auto first = a.adjust;
        a.adjust = [first, second = b.adjust](PageInput& p) {
            if (first)
                first(p);
            second(p);
        };
    }
    return a;
}

struct RuleCase {
    const char* name;
    const char* rule;
    Variant triggers;
    Variant passes;
};

const QString kW30 = QString(30, u'W'); // 566 px at 20 px
const QString kW31 = QString(31, u'W'); // 585 px
const QString kLong =
    QStringLiteral("Trowels, pots and watering cans that fit a balcony: what to buy, what to skip.");

const QList<RuleCase> kCases = {
    {"title missing", "title-missing", {{{kTitle, QString()}}}, {}},
    {"title in body only", "title-missing", {{{kTitle, QString()}, {kBody, kBody + kTitle}}}, {}},
    {"title empty", "title-empty", title(QStringLiteral(" \t ")), title(QStringLiteral("A"))},
    {"title twice",
     "title-multiple",
     inHead(QStringLiteral("<title>Another title of thirty odd chars</title>")),
     {}},
    {"title after body content", "title-outside-head", inBody(kTitle), {}},
    {"title after a div in the head",
     "title-outside-head",
     {{{kTitle, QString()}, {kHeadEnd, QStringLiteral("<div></div>") + kTitle + kHeadEnd}}},
     {{{kTitle, QString()}, {kHeadEnd, QStringLiteral("<script></script>") + kTitle + kHeadEnd}}}},
    {"title 29 characters", "title-length", title(QString(29, u'a')), title(QString(30, u'a'))},
    {"title 61 characters", "title-length", title(QString(61, u'i')), title(QString(60, u'i'))},
    {"title blanks collapse", "title-length", title(QStringLiteral("  short   title  ")),
     title(QStringLiteral("  a title   with blanks that still counts  "))},
    {"title too wide", "title-width", title(kW31), title(kW30)},
    {"description missing", "description-missing", {{{kDescription, QString()}}}, {}},
    {"description name case",
     "description-missing",
     {{{kDescription, QString()}}},
     {{{QStringLiteral("name=\"description\""), QStringLiteral("NAME=\"Description\"")}}}},
    {"description empty", "description-empty", description(QStringLiteral("  ")),
     description(QStringLiteral("x"))},
    {"description no content",
     "description-empty",
     {{{kDescription, QStringLiteral("<meta name=description>")}}},
     {}},
    {"description twice", "description-multiple", inHead(kDescription), {}},
    {"description after body content", "description-outside-head", inBody(kDescription), {}},
    {"description 69 characters", "description-length", description(QString(69, u'a')),
     description(QString(70, u'a'))},
    {"description 156 characters", "description-length", description(QString(156, u'i')),
     description(QString(155, u'i'))},
    {"description too wide", "description-width", description(QString(70, u'W')),
     description(QString(69, u'W'))},
    {"charset missing", "charset-missing", {{{kCharset, QString()}}}, {}},
    {"charset from http",
     "charset-missing",
     {{{kCharset, QString()}}},
     both({{{kCharset, QString()}}}, raw({}, {}, QStringLiteral("utf-8")))},
    {"charset from BOM",
     "charset-missing",
     {{{kCharset, QString()}}},
     both({{{kCharset, QString()}}}, {{}, [](PageInput& p) { p.bytes.prepend("\xEF\xBB\xBF"); }})},
    {"charset by http-equiv",
     "charset-missing",
     {{{kCharset, QString()}}},
     {{{kCharset,
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">")}}}},
    {"charset after 1024 bytes",
     "charset-late",
     {{{QStringLiteral("<head>\n") + kCharset,
        QStringLiteral("<head>\n<!--%1-->").arg(QString(1000, u'x')) + kCharset}}},
     {{{QStringLiteral("<head>\n") + kCharset,
        QStringLiteral("<head>\n<!--%1-->").arg(QString(940, u'x')) + kCharset}}}},
    {"charset twice", "charset-multiple", inHead(kCharset), {}},
    {"charset differs from http", "charset-mismatch", raw({}, {}, QStringLiteral("iso-8859-1")),
     raw({}, {}, QStringLiteral("UTF-8"))},
    {"bytes invalid in charset", "charset-mismatch", raw("small tools", "small \xE9 tools"),
     raw("small tools", "small \xC3\xA9 tools")},
    {"latin1 labels agree", "charset-mismatch",
     both({{{kCharset, QStringLiteral("<meta charset=\"latin1\">")}}}, raw({}, {}, QStringLiteral("utf-8"))),
     both({{{kCharset, QStringLiteral("<meta charset=\"latin1\">")}}},
          raw({}, {}, QStringLiteral("windows-1252")))},
    {"viewport missing", "viewport-missing", {{{kViewport, QString()}}}, {}},
    {"viewport in body only", "viewport-missing", {{{kViewport, QString()}, {kBody, kBody + kViewport}}}, {}},
    {"user-scalable",
     "viewport-blocks-zoom",
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1, user-scalable=no")}}},
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1, user-scalable=yes")}}}},
    {"maximum-scale",
     "viewport-blocks-zoom",
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1; maximum-scale=4.9")}}},
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1; maximum-scale=5")}}}},
    {"lang",
     "lang-missing",
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html lang=\"\">")}}},
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html LANG=de>")}}}},
    {"lang on a later html tag",
     "lang-missing",
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html>")}}},
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html>")}, {kBody, kBody + "<html lang=en>"}}}},
    {"two canonicals", "canonical-multiple",
     inHead(QStringLiteral("<link rel=canonical href=https://example.com/x>")), inHead(kCanonical)},
    {"canonical invalid", "canonical-invalid", canonical(QStringLiteral("https://")),
     canonical(QStringLiteral("https://example.com/"))},
    {"canonical relative", "canonical-relative", canonical(QStringLiteral("/tools/balcony")),
     canonical(QStringLiteral("https://example.com/tools/balcony"))},
    {"canonical root", "canonical-root", canonical(QStringLiteral("https://example.com/")),
     both(canonical(QStringLiteral("https://example.com/")),
          {{}, [](PageInput& p) { p.address = QStringLiteral("https://example.com/"); }})},
    {"canonical other site's root", "canonical-root", canonical(QStringLiteral("https://example.com/")),
     canonical(QStringLiteral("https://example.org/"))},
    {"canonical to another language", "canonical-hreflang",
     both(both(hreflang("en", kAddress), hreflang("de", "https://example.com/de/tools")),
          canonical(QStringLiteral("https://example.com/de/tools"))),
     both(hreflang("en", kAddress), hreflang("de", "https://example.com/de/tools"))},
    {"canonical in body", "canonical-outside-head", inBody(kCanonical), {}},
    {"noindex", "robots-noindex", inHead(QStringLiteral("<meta name=robots content=\"NOINDEX, follow\">")),
     inHead(QStringLiteral("<meta name=robots content=\"index, follow\">"))},
    {"none for googlebot", "robots-noindex", inHead(QStringLiteral("<meta name=googlebot content=none>")),
     inHead(QStringLiteral("<meta name=otherbot content=none>"))},
    {"noindex header", "robots-noindex", header("X-Robots-Tag", "noindex"),
     header("X-Robots-Tag", "otherbot: noindex")},
    {"noindex header for googlebot", "robots-noindex", header("x-robots-tag", "googlebot: noindex, nofollow"),
     header("X-Robots-Tag", "googlebot: nosnippet")},
    {"nofollow", "robots-nofollow", inHead(QStringLiteral("<meta name=robots content=nofollow>")),
     inHead(QStringLiteral("<meta name=robots content=noindex>"))},
    {"unavailable_after past", "robots-unavailable",
     inHead(QStringLiteral("<meta name=robots content=\"unavailable_after: 2026-05-31\">")),
     inHead(QStringLiteral("<meta name=robots content=\"unavailable_after: 2026-06-02\">"))},
    {"unavailable_after RFC 850", "robots-unavailable",
     header("X-Robots-Tag", "unavailable_after: Sunday, 31-May-26 15:00:00 GMT"),
     header("X-Robots-Tag", "unavailable_after: 25 Jun 2026 15:00:00 PST")},
    {"hreflang not a language", "hreflang-invalid", hreflang("english", "https://example.com/"),
     hreflang("en-GB", "https://example.com/")},
    {"hreflang unknown region", "hreflang-invalid", hreflang("en-UK", "https://example.com/"),
     hreflang("es-419", "https://example.com/")},
    {"hreflang x-default", "hreflang-invalid", hreflang("x-other", "https://example.com/"),
     hreflang("X-Default", "https://example.com/")},
    {"hreflang script", "hreflang-invalid", hreflang("zh-Hanx", "https://example.com/"),
     hreflang("zh-Hant-TW", "https://example.com/")},
    {"hreflang relative", "hreflang-relative", hreflang("de", "/de/"),
     hreflang("de", "https://example.com/de/")},
    {"og:type missing",
     "og-missing",
     {{{QStringLiteral("<meta property=\"og:type\" content=\"article\">"), QString()}}},
     {{{QStringLiteral("<meta property=\"og:type\" content=\"article\">"),
        QStringLiteral("<meta name=\"og:type\" content=\"article\">")}}}},
    {"og:image relative",
     "og-relative",
     {{{QStringLiteral("https://example.com/tools.png"), QStringLiteral("/tools.png")}}},
     {}},
    {"og:url relative",
     "og-relative",
     {{{QStringLiteral("\"og:url\" content=\"https://example.com/tools/balcony"),
        QStringLiteral("\"og:url\" content=\"tools/balcony")}}},
     {}},
    {"twitter card", "twitter-card-invalid", inHead(QStringLiteral("<meta name=twitter:card content=large>")),
     inHead(QStringLiteral("<meta name=twitter:card content=summary_large_image>"))},
    {"status 404", "http-status", status(404), status(399)},
    {"status 599", "http-status", status(599), status(600)},
    {"keywords", "meta-obsolete", inHead(QStringLiteral("<meta name=keywords content=\"a, b\">")),
     inHead(QStringLiteral("<meta name=author content=\"a, b\">"))},
    {"revisit-after",
     "meta-obsolete",
     inBody(QStringLiteral("<meta name=revisit-after content=\"7 days\">")),
     {}},
    {"refresh", "meta-refresh", inHead(QStringLiteral("<meta http-equiv=refresh content=\"5; url=/\">")),
     inHead(QStringLiteral("<meta http-equiv=expires content=0>"))},
};

class EachRule : public testing::TestWithParam<RuleCase> {};

TEST_P(EachRule, TriggersOnlyWhereItShould) {
    const RuleCase& c = GetParam();
    ASSERT_TRUE(findRule(QLatin1String(c.rule)));
    const PageAudit hit = auditPage(build(c.triggers), AuditConfig());
    EXPECT_GE(count(hit, QLatin1String(c.rule)), 1) << dump(hit).toStdString();
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

INSTANTIATE_TEST_SUITE_P(Audit, EachRule, testing::ValuesIn(kCases), caseName);

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
        if (rule.id.endsWith(QLatin1String("-duplicate")))
            continue;
        bool found = false;
        for (const RuleCase& c : kCases)
            found = found || rule.id == QLatin1String(c.rule);
        EXPECT_TRUE(found) << rule.id.toStdString();
    }
}

} // namespace
