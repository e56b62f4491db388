// Each rule against a page that triggers it and a page that just does not.

#include "core/audit/engine/pageaudit.h"
#include "core/audit/engine/siterun.h"
#include "core/site/robotstxt.h"

#include <QSet>
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
Variant robotsTxt(const char* text) {
    return {{}, [=](PageInput& p) {
                p.googlebotRobots = std::make_shared<const headwise::RobotsRules>(
                    headwise::RobotsRules::parse(text, u"Googlebot"));
            }};
}
Variant viewport(const QString& content) {
    return {{{kViewport, QStringLiteral("<meta name=\"viewport\" content=\"%1\">").arg(content)}}};
}
Variant charset(const QString& label) {
    return {{{kCharset, QStringLiteral("<meta charset=\"%1\">").arg(label)}}};
}
Variant lang(const QString& value) {
    return {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html lang=\"%1\">").arg(value)}}};
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
    bool note = false; // the trigger is a weaker case, reported as info whatever the rule's severity
};

const QString kW30 = QString(30, u'W'); // 566 px at 20 px
const QString kW31 = QString(31, u'W'); // 585 px
const QString kLong =
    QStringLiteral("Trowels, pots and watering cans that fit a balcony: what to buy, what to skip.");

const QList<RuleCase> kCases = {
    {"title missing", "title-missing", {{{kTitle, QString()}}}, {}},
    {"title in body is still the title",
     "title-missing",
     {{{kTitle, QString()}}},
     {{{kTitle, QString()}, {kBody, kBody + kTitle}}}},
    {"description in body is reported once",
     "description-missing",
     {{{kDescription, QString()}}},
     {{{kDescription, QString()}, {kBody, kBody + kDescription}}}},
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
    {"late charset when http names it", "charset-late",
     both({{{QStringLiteral("<head>\n") + kCharset,
             QStringLiteral("<head>\n<!--%1-->").arg(QString(1000, u'x')) + kCharset}}},
          raw({}, {}, QStringLiteral("utf-8"))),
     raw({}, {}, QStringLiteral("utf-8")), true},
    {"gb2312 is gbk", "charset-mismatch", both(charset("gb2312"), raw({}, {}, QStringLiteral("big5"))),
     both(charset("gb2312"), raw({}, {}, QStringLiteral("GBK")))},
    {"ks_c_5601-1987 is euc-kr", "charset-mismatch",
     both(charset("ks_c_5601-1987"), raw({}, {}, QStringLiteral("utf-8"))),
     both(charset("ks_c_5601-1987"), raw({}, {}, QStringLiteral("euc-kr")))},
    {"iso-8859-9 is windows-1254", "charset-mismatch",
     both(charset("iso-8859-9"), raw({}, {}, QStringLiteral("iso-8859-1"))),
     both(charset("iso-8859-9"), raw({}, {}, QStringLiteral("windows-1254")))},
    {"us-ascii is windows-1252", "charset-mismatch",
     both(charset("us-ascii"), raw({}, {}, QStringLiteral("utf-8"))),
     both(charset("us-ascii"), raw({}, {}, QStringLiteral("iso-8859-1")))},
    {"declaration against the BOM", "charset-mismatch",
     both(raw({}, {}, QStringLiteral("windows-1252")),
          {{}, [](PageInput& p) { p.bytes.prepend("\xEF\xBB\xBF"); }}),
     both(raw({}, {}, QStringLiteral("utf8")), {{}, [](PageInput& p) { p.bytes.prepend("\xEF\xBB\xBF"); }})},
    {"unknown label", "charset-mismatch", charset("utf-9"), charset("unicode-1-1-utf-8")},
    {"meta utf-16 means utf-8", "charset-mismatch", charset("utf-16"), charset("utf-8"), true},
    {"utf-8 bytes declared latin", "charset-wrong",
     both(charset("windows-1252"), raw("small tools", "small caf\xC3\xA9 tools")),
     both(charset("windows-1252"), raw("small tools", "small caf\xE9 tools"))},
    {"utf-8 bytes declared latin by http", "charset-wrong",
     both(raw("small tools", "small caf\xC3\xA9 tools", QStringLiteral("iso-8859-1")),
          {{{kCharset, QString()}}}),
     both(raw("small tools", "small cafe tools", QStringLiteral("iso-8859-1")), {{{kCharset, QString()}}})},
    {"viewport missing", "viewport-missing", {{{kViewport, QString()}}}, {}},
    {"viewport in body only", "viewport-missing", {{{kViewport, QString()}, {kBody, kBody + kViewport}}}, {}},
    {"user-scalable",
     "viewport-blocks-zoom",
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1, user-scalable=no")}}},
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1, user-scalable=yes")}}}},
    {"maximum-scale below 2",
     "viewport-blocks-zoom",
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1; maximum-scale=1.9")}}},
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1; maximum-scale=5")}}}},
    {"maximum-scale below 5 is a note", "viewport-blocks-zoom",
     viewport("width=device-width maximum-scale=4.9"), viewport("width=device-width, maximum-scale=-1"),
     true},
    {"maximum-scale yes is 1", "viewport-blocks-zoom", viewport("width=device-width, maximum-scale=yes"),
     viewport("width=device-width, maximum-scale=device-width")},
    {"user-scalable between -1 and 1", "viewport-blocks-zoom",
     viewport("width=device-width, user-scalable=0.5"), viewport("width=device-width, user-scalable=-1")},
    {"a viewport key given twice keeps its last value", "viewport-blocks-zoom",
     viewport("width=device-width, user-scalable=yes, user-scalable=no"),
     viewport("width=device-width, user-scalable=no, user-scalable=yes")},
    {"every viewport is checked", "viewport-blocks-zoom",
     inHead(QStringLiteral("<meta name=viewport content=\"user-scalable = no\">")),
     inHead(QStringLiteral("<meta name=viewport content=\"initial-scale=2\">"))},
    {"viewport without width or scale", "viewport-invalid", viewport("user-scalable=yes"),
     viewport("width=600")},
    {"viewport zoomed out", "viewport-invalid", viewport("width=device-width, initial-scale=0.5"),
     viewport("initial-scale=1.0")},
    {"lang not a language", "lang-invalid", lang("english"), lang("en-US")},
    {"lang with underscore", "lang-invalid", lang("en_US"), lang("haw")},
    {"lang",
     "lang-missing",
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html lang=\"\">")}}},
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html LANG=de>")}}}},
    {"lang on a later html tag",
     "lang-missing",
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html>")}}},
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html>")}, {kBody, kBody + "<html lang=en>"}}}},
    {"two canonicals",
     "canonical-multiple",
     inHead(QStringLiteral("<link rel=canonical href=https://example.com/x>")),
     {}},
    {"one canonical twice", "canonical-multiple", inHead(kCanonical), {}, true},
    {"canonical invalid", "canonical-invalid", canonical(QStringLiteral("https://")),
     canonical(QStringLiteral("https://example.com/"))},
    {"canonical a browser parses", "canonical-invalid", canonical(QStringLiteral("https://exa mple.com/")),
     canonical(QStringLiteral("https://example.com/a b|{%/100%"))},
    {"canonical bad port", "canonical-invalid", canonical(QStringLiteral("https://example.com:99999/")),
     canonical(QStringLiteral("https://example.com:8443/"))},
    {"canonical in a Link header", "canonical-invalid",
     header("Link", "<https://exa mple.com/>; rel=\"canonical\""),
     header("Link", "<https://example.com/tools/balcony>; rel=canonical")},
    {"header and head canonicals differ", "canonical-conflict",
     header("Link", "<https://example.com/other>; rel=\"canonical\""),
     header("Link", "<https://example.com/tools/balcony>; rel=\"preload canonical\"")},
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
    {"unavailable_after numeric zone", "robots-unavailable",
     header("X-Robots-Tag", "unavailable_after: Sun, 31 May 2026 15:00:00 +0000"),
     header("X-Robots-Tag", "unavailable_after: 2026-06-01T10:00:00-0700")},
    {"robots.txt disallows Googlebot", "robots-txt-blocked",
     robotsTxt("User-agent: Googlebot\nDisallow: /tools/\n"),
     robotsTxt("User-agent: Googlebot\nDisallow: /private/\nUser-agent: *\nDisallow: /\n")},
    {"unavailable_after RFC 850", "robots-unavailable",
     header("X-Robots-Tag", "unavailable_after: Sunday, 31-May-26 15:00:00 GMT"),
     header("X-Robots-Tag", "unavailable_after: 25 Jun 2026 15:00:00 PST")},
    {"hreflang not a language", "hreflang-invalid", hreflang("english", "https://example.com/"),
     hreflang("en-GB", "https://example.com/")},
    {"hreflang unknown region", "hreflang-invalid", hreflang("en-UK", "https://example.com/"),
     hreflang("es-ES", "https://example.com/")},
    {"hreflang numeric region is a note", "hreflang-invalid", hreflang("es-419", "https://example.com/"),
     hreflang("es", "https://example.com/"), true},
    {"hreflang variant is a note", "hreflang-invalid", hreflang("de-CH-1996", "https://example.com/"),
     hreflang("tw", "https://example.com/"), true},
    {"hreflang underscore", "hreflang-invalid", hreflang("en_GB", "https://example.com/"),
     hreflang("yue-HK", "https://example.com/")},
    {"hreflang in a Link header", "hreflang-invalid",
     header("Link", "<https://example.com/>; rel=\"alternate\"; hreflang=\"xx\""),
     header("Link", "<https://example.com/>; rel=\"alternate\"; hreflang=\"fr\"")},
    {"hreflang without the page itself", "hreflang-no-self", hreflang("de", "https://example.com/de/"),
     both(hreflang("de", "https://example.com/de/"), hreflang("en", kAddress))},
    {"hreflang one code twice", "hreflang-duplicate",
     both(hreflang("de", "https://example.com/de/"), hreflang("DE", "https://example.com/de2/")),
     both(hreflang("de", "https://example.com/de/"), hreflang("de", "https://example.com/de/"))},
    {"hreflang x-default", "hreflang-invalid", hreflang("x-other", "https://example.com/"),
     hreflang("X-Default", "https://example.com/")},
    {"hreflang script", "hreflang-invalid", hreflang("zh-Hanx", "https://example.com/"),
     hreflang("zh-TW", "https://example.com/")},
    {"hreflang known script is a note", "hreflang-invalid", hreflang("zh-Hant-TW", "https://example.com/"),
     hreflang("zh", "https://example.com/"), true},
    {"hreflang relative", "hreflang-relative", hreflang("de", "/de/"),
     hreflang("de", "https://example.com/de/")},
    {"og:image:url is og:image",
     "og-missing",
     {{{QStringLiteral("<meta property=\"og:image\" content=\"https://example.com/tools.png\">"),
        QString()}}},
     {{{QStringLiteral("property=\"og:image\""), QStringLiteral("property=\"og:image:url\"")}}}},
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
    {"refresh at once is a redirect note", "meta-refresh",
     inHead(QStringLiteral("<meta http-equiv=refresh content=\"0; URL='/new'\">")),
     inHead(QStringLiteral("<meta http-equiv=refresh content=\"72001\">")), true},
    {"head closed by an image",
     "head-closed-early",
     {{{QStringLiteral("<head>\n"), QStringLiteral("<head>\n<img src=\"pixel.gif\">\n")}}},
     {{{QStringLiteral("<head>\n"),
        QStringLiteral("<head>\n<noscript><img src=\"pixel.gif\"></noscript>\n")}}}},
};

class EachRule : public testing::TestWithParam<RuleCase> {};

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

INSTANTIATE_TEST_SUITE_P(Audit, EachRule, testing::ValuesIn(kCases), caseName);

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
        for (const RuleCase& c : kCases)
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
        EXPECT_EQ(rule.siteReference || rule.sitePage, rule.scope == RuleScope::Site) << id;
        EXPECT_TRUE(!rule.fixable() || rule.scope == RuleScope::Page) << id;
    }
    EXPECT_EQ(findRule(u"no-such-rule"), nullptr);
}

} // namespace
