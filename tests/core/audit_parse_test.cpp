// Positions of findings in the decoded text, and the head-only parse giving
// the same page as a full parse.

#include "core/audit/engine/pageaudit.h"
#include "core/audit/model/pagemodel.h"
#include "testfiles.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace headwise::audit;
using namespace headwise::testing;

namespace {

const Finding* first(const PageAudit& audit, const char* rule) {
    for (const Finding& f : audit.findings)
        if (f.rule == QLatin1String(rule))
            return &f;
    return nullptr;
}

PageInput bytesPage(const QByteArray& bytes, const QString& httpCharset = {}) {
    PageInput input;
    input.bytes = bytes;
    input.httpCharset = httpCharset;
    input.address = QStringLiteral("file:///site/page.html");
    return input;
}

struct PositionCase {
    const char* name;
    QByteArray bytes;
    QString httpCharset;
    int line, column;
};

// The refresh tag stands after breaks of every kind and characters of one to four UTF-8 bytes.
const QList<PositionCase> kPositions = {
    {"lf", "<html>\n<head>\n  <meta http-equiv=refresh content=1></head>", {}, 3, 3},
    {"crlf", "<html>\r\n<head>\r\n  <meta http-equiv=refresh content=1></head>", {}, 3, 3},
    {"lone cr", "<html>\r<head>\r\r<meta http-equiv=refresh content=1></head>", {}, 4, 1},
    // The parser counts a dropped "</>" as part of the next tag's text.
    {"after empty end tags", "<head></></><meta http-equiv=refresh content=1></head>", {}, 1, 13},
    {"two-byte", "<title>\xC3\xA9t\xC3\xA9</title> <meta http-equiv=refresh content=1>", {}, 1, 20},
    {"three-byte", "<title>\xE2\x82\xAC</title><meta http-equiv=refresh content=1>", {}, 1, 17},
    {"four-byte counts two units",
     "<title>\xF0\x9F\x8C\xB1!</title><meta http-equiv=refresh content=1>",
     {},
     1,
     19},
    {"windows-1252 bytes", "<title>\xE9\x80</title><meta http-equiv=refresh content=1>",
     QStringLiteral("windows-1252"), 1, 18},
    {"utf-16 with BOM",
     QByteArray("\xFF\xFE", 2) +
         QByteArray::fromRawData(
             reinterpret_cast<const char*>(u"<p>\u00e9\n<meta http-equiv=refresh content=1>"), 2 * 40),
     {},
     2,
     1},
};

class FindingPosition : public testing::TestWithParam<PositionCase> {};

TEST_P(FindingPosition, PointsAtTheTagInTheDecodedText) {
    const PositionCase& c = GetParam();
    const PageAudit audit = auditPage(bytesPage(c.bytes, c.httpCharset), AuditConfig());
    const Finding* f = first(audit, "meta-refresh");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->line, c.line);
    EXPECT_EQ(f->column, c.column);
    EXPECT_EQ(f->source, QStringLiteral("<meta http-equiv=refresh content=1>"));
    EXPECT_EQ(audit.text.mid(f->offset, f->length), f->source);
}

INSTANTIATE_TEST_SUITE_P(Audit, FindingPosition, testing::ValuesIn(kPositions),
                         [](const testing::TestParamInfo<PositionCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST(AuditFindings, SortedByOffsetThenRuleOrderAndNeverTwice) {
    const QByteArray page = "<html><head><title>t</title>"
                            "<meta name=keywords content=a><meta name=keywords content=a>"
                            "<meta name=robots content=\"none, noindex\"></head><body></body></html>";
    const PageAudit audit = auditPage(bytesPage(page), AuditConfig());
    for (qsizetype i = 1; i < audit.findings.size(); ++i) {
        const Finding& a = audit.findings[i - 1];
        const Finding& b = audit.findings[i];
        EXPECT_TRUE(a.offset < b.offset || (a.offset == b.offset && ruleIndex(a.rule) <= ruleIndex(b.rule)));
        EXPECT_FALSE(a == b);
    }
    // "none" and "noindex" in one tag are one finding each, not merged.
    int noindex = 0;
    for (const Finding& f : audit.findings)
        noindex += f.rule == QLatin1String("robots-noindex");
    EXPECT_EQ(noindex, 2);
}

TEST(AuditFindings, PageLevelFindingsHaveNoPosition) {
    const PageAudit audit = auditPage(bytesPage("<p>no head at all</p>"), AuditConfig());
    const Finding* f = first(audit, "title-missing");
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->hasPosition());
    EXPECT_EQ(f->offset, -1);
    EXPECT_EQ(f->line, 0);
    EXPECT_EQ(f->column, 0);
    EXPECT_TRUE(f->source.isEmpty());
}

// Pages where a cut at the first "<body" could go wrong if the rest were not checked.
const QList<QString> kTrickyPages = {
    QStringLiteral("<title>t</title><body><meta name=description content=late></body>"),
    QStringLiteral("<title>t</title><!-- <body> --><meta name=description content=d><body>x"),
    QStringLiteral("<title>t</title><meta name=description content=\"<body>\"><body>x"),
    QStringLiteral("<title>t <body> still title</title><body>x"),
    QStringLiteral("<title>never closed <body> x"),
    QStringLiteral("<head><script>var s = '<body>';</script><meta charset=utf-8></head><body>x"),
    QStringLiteral("<html><body>x</body><html lang=fr>"),
    QStringLiteral("<head><div></div><title>in body</title><body>x"),
    QStringLiteral("0<b>x<meta name=robots content=b>; y></head><body>x"),
    QStringLiteral("<head><img src=p><script>var s = '<body>';</script><title>t</title>"),
    QStringLiteral("<head><img src=p><textarea></head></textarea><meta name=description content=d><body>x"),
    QStringLiteral("<head></head>\n<title>after head</title><body>x"),
    QStringLiteral("<head><template><meta name=description content=inert></template></head><body>x"),
    QStringLiteral("<svg><title>svg title</title></svg><body>x"),
    QStringLiteral(
        "<head><noscript><meta http-equiv=refresh content=0></noscript></head><BODY>x<LINK rel=canonical "
        "href=/>"),
    QStringLiteral("<a href=x<body><meta name=robots content=noindex>"),
    QStringLiteral("<title>a</title><body><p>plain body, nothing to see</p></body>"),
    QStringLiteral("<title>a</title><body"),
    QStringLiteral("<!-- never closed <script>'<body>'</script><p>x"),
    QStringLiteral("<body>"),
    QStringLiteral(""),
    // Structured data after the cut, which the scan reads or leaves to the parser.
    QStringLiteral(
        "<title>a</title><body><script type=\" Application/LD+JSON \">{\"@type\":\"Thing\"}</script>"),
    QStringLiteral("<title>a</title><body><script type=application/ld+json>{\"a\":\"<!--<script>\"}</script>x"
                   "</script><p>"),
    QStringLiteral("<title>a</title><body><script type=application/ld+json>{}</script foo=\"a>b\">"),
    QStringLiteral("<title>a</title><body><script type=application/ld&#43;json>{}</script>"),
    QStringLiteral(
        "<title>a</title><body><svg><script type=application/ld+json>{&quot;a&quot;:1}</script></svg>"),
    QStringLiteral("<title>a</title><body><template><script type=application/ld+json>{}</script></template>"),
    QStringLiteral("<title>a</title><body><noscript><script type=application/ld+json>{}</script></noscript>"),
    QStringLiteral("<title>a</title><body><script type=application/ld+json>{\"never\": \"closed\""),
    QStringLiteral("<title>a</title><body><script type=application/ld+json>{\"a\":1}</script"),
    QStringLiteral("<title>a</title><body><p>x</><script type=application/ld+json>{\"a\"}</script>"),
    QStringLiteral("<title>a</title><body><script \0type=application/ld+json>{\"a\":1}</script>"),
    // A control character at the end of the type, which the parser reads as a character of its own.
    QStringLiteral("<title>a</title><body><script type=\vapplication/ld+json>{\"a\"}</script>"),
    QStringLiteral("<title>a</title><body><script type=\"application/ld+json\x7f\">{\"a\"}</script>"),
    QStringLiteral("<title>a</title><body><img \0alt=x src=p><a i\0d=x href=y>z</a>"),
    QStringLiteral("<title>a</title><body><!-- x --!><div itemscope itemtype=https://schema.org/Thing>"),
    QStringLiteral("<title>a</title><body><svg><style><div itemscope itemtype=https://schema.org/Thing>"),
    // An <html> or <body> whose attribute names hold a NUL: their attributes come from a parse of the tag.
    QStringLiteral(
        "<html itemscope i\0d=x itemtype=https://schema.org/WebPage><title>t</title><body><p>x</p>"),
    QStringLiteral("<title>t</title><body itemscope i\0d=x itemtype=https://schema.org/WebPage><p>x</p>"),
};

TEST(AuditParse, HeadOnlyParseEqualsFullParseOnTrickyPages) {
    for (const QString& page : kTrickyPages)
        EXPECT_EQ(parsePage(page.toUtf8()), parseWholePage(page.toUtf8())) << page.toStdString();
}

// The look for tags after the cut reads sixteen bytes at a time: a tag in
// any case at every place in a block, and across two, is still found.
TEST(AuditParse, TagsAfterTheCutAreFoundWhereverTheyFallInABlock) {
    for (const char* tag : {"<Meta name=robots content=noindex>", "<LINK rel=canonical href=/>", "</TITLE>"})
        for (int pad = 0; pad < 40; ++pad) {
            const QByteArray page = "<title>a</title><body>" + QByteArray(pad, 'x') + "</b>" + tag;
            EXPECT_EQ(parsePage(page), parseWholePage(page)) << page.toStdString();
        }
}

// Byte offsets become text offsets block by block: after any run of two-,
// three- and four-byte characters, a tag stands where the text has it.
TEST(AuditParse, OffsetsAfterCharactersOfEveryWidthAreTheTextsOwn) {
    for (const QString& wide : {QStringLiteral("é"), QStringLiteral("€"), QStringLiteral("😀")})
        for (int count = 0; count < 40; ++count) {
            const QString page = QStringLiteral("<title>") + wide.repeated(count) +
                                 QStringLiteral("</title><meta name=a content=b>");
            const PageModel model = parsePage(page.toUtf8());
            ASSERT_EQ(model.elements.size(), 2) << count;
            EXPECT_EQ(model.elements[1].span.offset, page.indexOf(QStringLiteral("<meta"))) << count;
            EXPECT_EQ(model.elements[1].span.length, QStringLiteral("<meta name=a content=b>").size())
                << count;
        }
}

TEST(AuditParse, HeadOnlyParseEqualsFullParseOnFuzzSeeds) {
    const QDir dir(QStringLiteral(HEADWISE_FIXTURES "/fuzz/fuzz_audit"));
    const QStringList seeds = dir.entryList(QDir::Files);
    ASSERT_FALSE(seeds.isEmpty());
    for (const QString& name : seeds) {
        const QByteArray text = readTestFile(dir.filePath(name));
        EXPECT_EQ(parsePage(text), parseWholePage(text)) << name.toStdString();
    }
}

struct DepthCase {
    const char* name;
    QByteArray repeated;
    int times;
    bool metaSeen;
};

class AuditDepth : public testing::TestWithParam<DepthCase> {};

// Parsing stops past 512 open elements, as a browser's tree does; tags that
// close themselves or their kind never count towards it.
TEST_P(AuditDepth, ReadsUpToTheDepthLimit) {
    const DepthCase& c = GetParam();
    const QByteArray page = "<head><meta name=keywords content=early></head><body>" +
                            c.repeated.repeated(c.times) + "<meta name=keywords content=late>";
    int seen = 0;
    for (const QByteArray& utf8 : {page, page.toUpper()}) {
        for (const PageModel& model : {parsePage(utf8), parseWholePage(utf8)}) {
            seen = 0;
            for (const MarkupElement& e : model.elements)
                seen += e.kind == MarkupElement::Kind::Meta;
            EXPECT_EQ(seen, c.metaSeen ? 2 : 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Audit, AuditDepth,
    testing::Values(DepthCase{"divs_within", "<div>", 500, true}, DepthCase{"divs_past", "<div>", 600, false},
                    DepthCase{"closed_divs", "<div></div>", 5000, true},
                    DepthCase{"paragraphs", "<p>", 5000, true},
                    DepthCase{"list_items", "<li><a href=x>", 5000, true},
                    DepthCase{"self_closing_svg", "<svg><path d='a>b'/></svg>", 5000, true},
                    DepthCase{"script_text", "<script>if (a<b) x='<div>'</script>", 5000, true},
                    DepthCase{"comments", "<!-- <div> -->", 5000, true}));

TEST(AuditParse, PlacesElementsAsABrowserDoes) {
    const PageModel model = parseWholePage(QByteArray("<html lang=en><head><title>a &amp; b</title><meta "
                                                      "name=x><div></div><meta name=y></head><body></body>"));
    ASSERT_EQ(model.elements.size(), 3);
    EXPECT_EQ(model.elements[0].text, QStringLiteral("a & b"));
    EXPECT_TRUE(model.elements[0].inHead);
    EXPECT_TRUE(model.elements[1].inHead);
    EXPECT_FALSE(model.elements[2].inHead);
    EXPECT_EQ(model.elements[2].attribute(QLatin1String("name")), QStringLiteral("y"));
    EXPECT_EQ(model.htmlTag, (Span{0, 14}));
}

} // namespace
