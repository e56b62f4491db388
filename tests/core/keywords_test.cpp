#include "core/keywords/keywords.h"

#include <gtest/gtest.h>

using namespace headwise;

namespace {

struct StripCase {
    const char* name;
    QString page;
    QString stripped;
};

class StripHtmlTest : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripHtmlTest, DeletesTheTableItemsInOrder) {
    EXPECT_EQ(stripHtml(GetParam().page), GetParam().stripped);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, StripHtmlTest,
    ::testing::Values(
        StripCase{"ParagraphWithAttribute", "<p align=center>Fine Leather Goods</p>",
                  "p fine leather goodsp"},
        StripCase{"Link", "<a href=\"index.html\">Home Page</a>", "a indexhome pagea"},
        StripCase{"SubstringsInsideWords", "Strong, bright Colours", "song b colours"},
        StripCase{"ClosingPunctuation", "Travel (cheap) flights; 100% sure", "avel cheap flights 100 sure"},
        StripCase{"JointFoundByLaterPass", "nascriptme", ""},
        StripCase{"ScriptBeforeJavascript", "javascript:void(0)", "void0"},
        StripCase{"UpperCaseMarkup", "<META NAME=\"keywords\">", " keywords"},
        StripCase{"MarkupJoinsTagNames", "<b>Bold</b> Text", "bboldb "},
        StripCase{"Descriptions", "descriptions upright", "deions up"},
        StripCase{"NothingToDelete", "Plain Words 42 & More", "plain words 42 & more"},
        StripCase{"LineBreaksTabsSurvive", "One\r\nTwo\tThree", "one\r\ntwo\tthree"},
        StripCase{"NonAsciiLowerCased", QString::fromUtf8("ÄPFEL Øl"), QString::fromUtf8("äpfel øl")},
        // A pass is not re-scanned: deleting "tr" from "ttrr" joins a new "tr" that stays.
        StripCase{"PassDoesNotRescanItsJoints", "ttrr", "tr"},
        // Matches do not overlap: "tdtd" is two matches, "ttd" one.
        StripCase{"NonOverlappingLeftToRight", "tdtd ttd", " t"}, StripCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StrippedItems, AreTheEightyTwoPassesFromMarkupToPunctuation) {
    const QStringList& items = strippedItems();
    ASSERT_EQ(items.size(), 82);
    EXPECT_EQ(items.first(), "<");
    EXPECT_EQ(items[15], "webbot");
    EXPECT_EQ(items[31], "&nbsp;");
    EXPECT_EQ(items[32], "font");
    EXPECT_EQ(items[76], "rgb");
    EXPECT_EQ(items.last(), ")");
    EXPECT_EQ(items.count("font"), 2);
    EXPECT_EQ(items.count("name"), 2);
    for (const QString& item : items)
        EXPECT_EQ(item, item.toLower()) << item.toStdString();
}

struct WordListCase {
    const char* name;
    QString text;
    QStringList words;
};

class WordListTest : public ::testing::TestWithParam<WordListCase> {};

TEST_P(WordListTest, TakesEveryToken) {
    EXPECT_EQ(wordList(GetParam().text), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WordListTest,
    ::testing::Values(WordListCase{"FiveWords",
                                   "apple banana cherry damson elder",
                                   {"apple", "banana", "cherry", "damson", "elder"}},
                      WordListCase{"DoubleBlank", "alpha  beta gamma", {"alpha", "", "beta", "gamma"}},
                      WordListCase{"LineBreak", "keyword\r\ndensity", {"keyword", "density"}},
                      WordListCase{"LoneLineFeedAndReturn", "one\ntwo\rthree", {"one", "two", "three"}},
                      WordListCase{"Tab", "carpet\tfloor", {"carpet", "floor"}},
                      WordListCase{"BlankBeforeLineBreak", "rugs \r\nmats", {"rugs", "", "mats"}},
                      WordListCase{"TrailingBlank", "rugs ", {"rugs", ""}},
                      WordListCase{"NoBlank", "carpet", {"carpet"}}, WordListCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RemoveRedundantWords, KeepsFiveToFifteenCharacters) {
    QStringList words = {"abcd", "abcde",         "", "abcdefghijklmno", "abcdefghijklmnop",
                         "beta", "keyworddensity"};
    removeRedundantWords(words);
    EXPECT_EQ(words, QStringList({"abcde", "abcdefghijklmno", "keyworddensity"}));
}

TEST(RemoveRedundantWords, CountsUtf16CodeUnits) {
    // Five code units (two of them one surrogate pair) is long enough.
    QStringList words = {QString::fromUtf8("ab\U0001F600c"), QString::fromUtf8("a\U0001F600c")};
    removeRedundantWords(words);
    EXPECT_EQ(words, QStringList({QString::fromUtf8("ab\U0001F600c")}));
}

struct DoublesCase {
    const char* name;
    QStringList before;
    QStringList after;
};

class ClearDoublesTest : public ::testing::TestWithParam<DoublesCase> {};

TEST_P(ClearDoublesTest, KeepsFirstOccurrencesInOrder) {
    QStringList words = GetParam().before;
    clearDoubles(words);
    EXPECT_EQ(words, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ClearDoublesTest,
    ::testing::Values(DoublesCase{"Floors",
                                  {"carpet", "floor", "carpet", "carpet", "floor", "tiles"},
                                  {"carpet", "floor", "tiles"}},
                      DoublesCase{"FiveEqual", {"rugs", "rugs", "rugs", "rugs", "rugs"}, {"rugs"}},
                      DoublesCase{
                          "CaseSensitive", {"Carpet", "carpet", "CARPET"}, {"Carpet", "carpet", "CARPET"}},
                      DoublesCase{"LaterFirstOccurrenceKeepsItsPlace",
                                  {"tiles", "carpet", "tiles", "floor", "carpet"},
                                  {"tiles", "carpet", "floor"}},
                      DoublesCase{"Empty", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(clearDoubles, HandlesListsBeyondSixteenBits) {
    QStringList words;
    for (int i = 0; i < 40000; ++i)
        words << QString::number(i % 35000);
    clearDoubles(words);
    ASSERT_EQ(words.size(), 35000);
    EXPECT_EQ(words.last(), "34999");
}

TEST(countCommas, CountsCommasOrMinusOneForEmptyText) {
    const struct {
        QString text;
        qsizetype count;
    } cases[] = {{"a, b, c", 2}, {"abc", 0}, {"", -1}, {",", 1}, {"a,,b", 2}};
    for (const auto& c : cases)
        EXPECT_EQ(countCommas(c.text), c.count) << c.text.toStdString();
    EXPECT_EQ(countCommas(QString(40000, QLatin1Char(','))), 40000);
}

TEST(KeywordText, JoinsWithCommaAndBlank) {
    EXPECT_EQ(keywordText({"carpet", "floor", "tiles"}), "carpet, floor, tiles");
    EXPECT_EQ(keywordText({"carpet"}), "carpet");
    EXPECT_EQ(keywordText({}), "");
}

} // namespace
