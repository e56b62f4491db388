#include "core/page/tagblock.h"
#include "core/page/tagscanner.h"

#include <gtest/gtest.h>

using namespace headwise;

namespace {

struct ScanCase {
    const char* name;
    ScannedTag tag;
    const char* page;
    const char* boxText;
    qsizetype count;
    bool failed;
};

class ScanTagCases : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanTagCases, FindsExactlyTheGeneratorForm) {
    const ScanCase& c = GetParam();
    const ScanResult r = scanTag(c.tag, QString::fromUtf8(c.page));
    EXPECT_EQ(r.boxText, QString::fromUtf8(c.boxText));
    EXPECT_EQ(r.count, c.count);
    EXPECT_EQ(r.failed, c.failed);
}

INSTANTIATE_TEST_SUITE_P(
    Scanner, ScanTagCases,
    ::testing::Values(
        ScanCase{"LowerCaseKeywordsFound", ScannedTag::Keywords,
                 "<head><meta name=\"keywords\" content=\"rugs, mats\"></head>",
                 "<meta name=\"keywords\" content=\"rugs, mats\">\r\n", 1, false},
        ScanCase{"UnquotedName", ScannedTag::Keywords, "<META NAME=Keywords Content=\"a\">", "", 0, false},
        ScanCase{"SingleQuotedName", ScannedTag::Keywords, "<META NAME='Keywords' Content='a'>", "", 0,
                 false},
        ScanCase{"SecondBlankAfterMeta", ScannedTag::Robots, "<META  NAME=\"Robots\" Content=\"ALL\">", "", 0,
                 false},
        ScanCase{"BlanksAroundEquals", ScannedTag::Rating, "<META NAME = \"Rating\" Content = \"General\">",
                 "", 0, false},
        ScanCase{"ContentBeforeName", ScannedTag::Revisit, "<META Content=\"7 Days\" NAME=\"Revisit\">", "",
                 0, false},
        ScanCase{
            "TwoKeywordsTagsTwoLines", ScannedTag::Keywords,
            "<META NAME=\"Keywords\" Content=\"a\">\r\n<p>x</p>\r\n<META NAME=\"Keywords\" Content=\"b\">",
            "<META NAME=\"Keywords\" Content=\"a\">\r\n<META NAME=\"Keywords\" Content=\"b\">\r\n", 2, false},
        ScanCase{"TwoTitlesKeepTheLast", ScannedTag::Title, "<title>One</title><TITLE>Two</Title>",
                 "<TITLE>Two</Title>", 2, false},
        ScanCase{"ContentWithGreaterThanIsCut", ScannedTag::Description,
                 "<META NAME=\"Description\" Content=\"a > b\">",
                 "<META NAME=\"Description\" Content=\"a >\r\n", 1, false},
        ScanCase{"TitleNeverClosed", ScannedTag::Title, "<title>Rugs\r\n<body></body>", "", 0, true},
        ScanCase{"UnclosedAfterAFoundTitleKeepsIt", ScannedTag::Title, "<title>A</title><title>B",
                 "<title>A</title>", 1, true},
        ScanCase{"UnclosedMetaKeepsEarlierPieces", ScannedTag::Robots,
                 "<META NAME=\"Robots\" Content=\"ALL\"><META NAME=\"Robots\" Content=\"NONE\"",
                 "<META NAME=\"Robots\" Content=\"ALL\">\r\n", 1, true},
        ScanCase{"ClosingBeforeOpeningIsNotUsed", ScannedTag::Title, "</title><title>T</title>",
                 "<title>T</title>", 1, false},
        ScanCase{"NoTagAtAll", ScannedTag::Rating, "<html><head></head></html>", "", 0, false}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(Scanner, TagsFarIntoALongPageAreFound) {
    // Far past any 16-bit position: nothing about a tag's place may hide it.
    const QString filler(40000, QLatin1Char('x'));
    const QString page = filler + QStringLiteral("<title>Late</title>") + QString(100000, QLatin1Char('y')) +
                         QStringLiteral("<META NAME=\"Keywords\" Content=\"") +
                         QString(70000, QLatin1Char('k')) + QStringLiteral("\">");
    const ScanResult title = scanTag(ScannedTag::Title, page);
    EXPECT_EQ(title.boxText, QStringLiteral("<title>Late</title>"));
    EXPECT_EQ(title.count, 1);
    const ScanResult keywords = scanTag(ScannedTag::Keywords, page);
    EXPECT_EQ(keywords.count, 1);
    EXPECT_EQ(keywords.boxText.size(), 31 + 70000 + 2 + 2);
    const MetaTagListing listing = listMetaTags(page);
    EXPECT_FALSE(listing.failed);
    EXPECT_EQ(listing.script, keywords.boxText);
}

TEST(Scanner, GeneratedBlockIsFoundWhole) {
    TagFields fields{"Rugs",    "Ann", "Floors", "Hand made",  "rugs, mats",
                     "General", "ALL", "7 Days", kFormHtmlPage};
    const QString page = *buildTagBlock(fields);
    for (ScannedTag tag : kReportOrder) {
        const ScanResult r = scanTag(tag, page);
        EXPECT_EQ(r.count, 1) << missingMessage(tag).toStdString();
        EXPECT_FALSE(r.failed);
    }
    EXPECT_EQ(scanTag(ScannedTag::Title, page).boxText, QStringLiteral("<title>Rugs</title>"));
    EXPECT_EQ(listMetaTags(page).script.count(QStringLiteral("\r\n")), 7);
}

TEST(Scanner, TwelveMetaTagsOneInTheGeneratorForm) {
    QString page = QStringLiteral("<html><head>\r\n<meta charset=\"utf-8\">\r\n");
    page += QStringLiteral("<META NAME=\"Keywords\" Content=\"rugs\">\r\n");
    for (int i = 0; i < 10; ++i)
        page += QStringLiteral("<meta name=\"tag%1\" content='x'>\r\n").arg(i);
    page += QStringLiteral("</head></html>");
    const MetaTagListing listing = listMetaTags(page);
    EXPECT_FALSE(listing.failed);
    EXPECT_EQ(listing.script.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).size(), 12);
    EXPECT_EQ(scanTag(ScannedTag::Keywords, page).count, 1);
    for (ScannedTag tag :
         {ScannedTag::Description, ScannedTag::Robots, ScannedTag::Rating, ScannedTag::Revisit})
        EXPECT_EQ(scanTag(tag, page).count, 0);
}

struct ListingCase {
    const char* name;
    const char* page;
    const char* script;
    bool failed;
};

class ListingCases : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ListingCases, CollectsEveryMetaPiece) {
    const ListingCase& c = GetParam();
    const MetaTagListing listing = listMetaTags(QString::fromUtf8(c.page));
    EXPECT_EQ(listing.script, QString::fromUtf8(c.script));
    EXPECT_EQ(listing.failed, c.failed);
}

INSTANTIATE_TEST_SUITE_P(
    Listing, ListingCases,
    ::testing::Values(ListingCase{"NoMeta", "<html><head><title>x</title></head></html>", "", false},
                      ListingCase{
                          "AnyKindAndCase",
                          "<META charset=utf-8><p><metadata x><Meta NAME=\"Author\" Content=\"A\">",
                          "<META charset=utf-8>\r\n<metadata x>\r\n<Meta NAME=\"Author\" Content=\"A\">\r\n",
                          false},
                      ListingCase{"UnclosedStopsAndKeeps", "<meta a><meta b", "<meta a>\r\n", true},
                      ListingCase{"MultiLinePiece", "<meta\r\n name=x>", "<meta\r\n name=x>\r\n", false}),
    [](const ::testing::TestParamInfo<ListingCase>& info) { return std::string(info.param.name); });

TEST(Scanner, ReportRuleReadsTheCounterText) {
    EXPECT_TRUE(reportsMissing(QStringLiteral("0")));
    EXPECT_TRUE(reportsMissing(QString()));
    EXPECT_FALSE(reportsMissing(QStringLiteral("1")));
    EXPECT_FALSE(reportsMissing(QStringLiteral("10")));
    EXPECT_FALSE(reportsMissing(QStringLiteral("00")));
}

TEST(Scanner, MissingMessagesAreExact) {
    const QStringList expected = {
        "Missing Title or incorrect syntax",           "Missing Keyword Tag or incorrect syntax",
        "Missing Description Tag or incorrect syntax", "Missing Robots Tag or incorrect syntax",
        "Missing Rating Tag or incorrect syntax",      "Missing Revisit Tag or incorrect syntax"};
    QStringList actual;
    for (ScannedTag tag : kReportOrder)
        actual << missingMessage(tag);
    EXPECT_EQ(actual, expected);
}

struct InsertionCase {
    const char* name;
    const char* page;
    qsizetype offset;
};

class InsertionCases : public ::testing::TestWithParam<InsertionCase> {};

TEST_P(InsertionCases, RightAfterTheFirstHeadTag) {
    EXPECT_EQ(insertionPoint(QString::fromUtf8(GetParam().page)), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Insertion, InsertionCases,
    ::testing::Values(
        InsertionCase{"LowerCase", "<html><head><title>", 12},
        InsertionCase{"UpperCase", "<HTML><HEAD><TITLE>", 12},
        InsertionCase{"MixedCaseAfterLineBreak", "<html>\r\n<HeAd>\r\n", 14},
        InsertionCase{"TwoHeadTagsFirstWins", "<head>a<head>b", 6},
        InsertionCase{"NoHeadIsStartOfPage", "<!DOCTYPE html><html><body>", 0},
        // A head with attributes is the head: the block never goes in front of the doctype.
        InsertionCase{"HeadWithAttributes", "<!DOCTYPE html><html><head prefix=\"og: x#\"><title>", 43},
        InsertionCase{"HeadAttributeHoldsAngle", "<head data-x='a>b'\r\n lang=en><title>", 29},
        InsertionCase{"UnclosedHeadTag", "<html><head lang=en", 0},
        InsertionCase{"HeaderIsNotHead", "<header><head>", 14}, InsertionCase{"EmptyPage", "", 0},
        // A charset declaration that opens the head stays ahead of the tags.
        InsertionCase{"MetaCharsetFirst", "<head>\r\n  <meta charset=\"utf-8\">\r\n<title>", 32},
        InsertionCase{"HttpEquivFirst",
                      "<HEAD>\n<META HTTP-EQUIV=Content-Type CONTENT=\"text/html; CHARSET=x\">", 68},
        InsertionCase{"EditorBreakBeforeCharset", "<head>\u2029<meta charset=utf-8/>x", 28},
        InsertionCase{"CharsetAfterTitleStays", "<head><title>t</title><meta charset=utf-8>", 6},
        InsertionCase{"MetaWithoutCharsetStays", "<head><meta name=x-charset content=a>", 6},
        InsertionCase{"UnclosedCharsetMetaStays", "<head><meta charset=utf-8", 6},
        InsertionCase{"MetadataTagIsNoMeta", "<head><metadata charset=x>", 6}),
    [](const ::testing::TestParamInfo<InsertionCase>& info) { return std::string(info.param.name); });

TEST(Scanner, InsertScanTextStartsWithALineBreakAndJoinsBoxes) {
    EXPECT_EQ(insertScanText({"<a>\r\n", "", "<b>\r\n<c>\r\n", "Missing Robots Tag or incorrect syntax", ""}),
              QStringLiteral("\r\n<a>\r\n<b>\r\n<c>\r\nMissing Robots Tag or incorrect syntax"));
    EXPECT_EQ(insertScanText({}), QStringLiteral("\r\n"));
}

struct ReplaceCase {
    const char* name;
    const char* page;
    const char* expected;
};

class ReplaceCases : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceCases, RemovesTheListedBlockWhereItStandsWhole) {
    const QString page = QString::fromUtf8(GetParam().page);
    EXPECT_EQ(removeMetaBlock(page, listMetaTags(page).script), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Replace, ReplaceCases,
    ::testing::Values(
        ReplaceCase{"Consecutive", "<head>\r\n<meta a>\r\n<meta b>\r\n<title>t</title>\r\n</head>",
                    "<head>\r\n<title>t</title>\r\n</head>"},
        ReplaceCase{"Separated", "<head>\r\n<meta a>\r\n<title>t</title>\r\n<meta b>\r\n</head>",
                    "<head>\r\n<meta a>\r\n<title>t</title>\r\n<meta b>\r\n</head>"},
        ReplaceCase{"LastTagWithoutLineBreak", "<head>\r\n<meta a></head>", "<head>\r\n<meta a></head>"},
        ReplaceCase{"NoMetaUnchanged", "<head>\r\n<title>t</title>\r\n</head>",
                    "<head>\r\n<title>t</title>\r\n</head>"}),
    [](const ::testing::TestParamInfo<ReplaceCase>& info) { return std::string(info.param.name); });

TEST(Scanner, ReplaceIsExactAndRemovesEveryCopy) {
    const QString block = QStringLiteral("<meta a>\r\n");
    EXPECT_EQ(removeMetaBlock(QStringLiteral("x<meta a>\r\ny<meta a>\r\nz<META A>\r\n"), block),
              QStringLiteral("xyz<META A>\r\n"));
    EXPECT_EQ(removeMetaBlock(QStringLiteral("x<meta a>\r\n"), QString()), QStringLiteral("x<meta a>\r\n"));
}

} // namespace
