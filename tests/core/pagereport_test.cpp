#include "core/keywords/keywords.h"
#include "core/page/pagereport.h"
#include "core/page/tagblock.h"

#include <gtest/gtest.h>

using namespace headwise;

namespace {

const QString kFullHead = QStringLiteral("<html><head><title>Rugs</title>\r\n"
                                         "<META NAME=\"Keywords\" Content=\"rugs\">\r\n"
                                         "<META NAME=\"Description\" Content=\"Hand made\">\r\n"
                                         "<META NAME=\"Robots\" Content=\"ALL\">\r\n"
                                         "<META NAME=\"Rating\" Content=\"General\">\r\n"
                                         "<META NAME=\"Revisit\" Content=\"7 Days\">\r\n"
                                         "<meta charset=utf-8></head></html>");

struct ReportCase {
    const char* name;
    QString page;
    QStringList missing; // tag names
    qsizetype metaPieces;
    bool listingFailed;
};

class PageReportCases : public ::testing::TestWithParam<ReportCase> {};

TEST_P(PageReportCases, MissingTagsShowTheirMessageAndNothingFound) {
    const ReportCase& c = GetParam();
    const PageReport report = reportPage(c.page);
    ASSERT_EQ(report.tags.size(), 6);
    QStringList missing;
    for (qsizetype i = 0; i < report.tags.size(); ++i) {
        const TagReport& tag = report.tags[i];
        EXPECT_EQ(tag.tag, kReportOrder[std::size_t(i)]);
        if (!tag.missing) {
            EXPECT_GT(tag.count, 0) << tagName(tag.tag).toStdString();
            EXPECT_FALSE(tag.found.isEmpty());
            continue;
        }
        missing << tagName(tag.tag);
        EXPECT_EQ(tag.boxText, missingMessage(tag.tag));
        EXPECT_TRUE(tag.found.isEmpty());
    }
    EXPECT_EQ(missing, c.missing);
    EXPECT_EQ(report.complete, c.missing.isEmpty());
    EXPECT_EQ(report.meta.size(), c.metaPieces);
    EXPECT_EQ(report.listing.failed, c.listingFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageReportCases,
    ::testing::Values(ReportCase{"AllSix", kFullHead, {}, 6, false},
                      ReportCase{"Empty",
                                 QString(),
                                 {"Title", "Keywords", "Description", "Robots", "Rating", "Revisit"},
                                 0,
                                 false},
                      ReportCase{"UnclosedTitle",
                                 QStringLiteral("<title>Rugs<META NAME=\"Robots\" Content=\"ALL\">"),
                                 {"Title", "Keywords", "Description", "Rating", "Revisit"},
                                 1,
                                 false},
                      ReportCase{"UnclosedMetaEndsTheListingNotTheReport",
                                 QStringLiteral("<title>Rugs</title><meta name=a><meta"),
                                 {"Keywords", "Description", "Robots", "Rating", "Revisit"},
                                 1,
                                 true}),
    [](const ::testing::TestParamInfo<ReportCase>& info) { return std::string(info.param.name); });

TEST(PageReport, FoundListsEachTagAndTheLastTitle) {
    const QString page =
        QStringLiteral("<title>One</title><title>Two</title>"
                       "<META NAME=\"Keywords\" Content=\"a\"><META NAME=\"Keywords\" Content=\"b\">");
    const PageReport report = reportPage(page);
    EXPECT_EQ(report.tags[0].found, QStringList{"<title>Two</title>"});
    EXPECT_EQ(report.tags[1].found, (QStringList{"<META NAME=\"Keywords\" Content=\"a\">",
                                                 "<META NAME=\"Keywords\" Content=\"b\">"}));
    EXPECT_EQ(report.tags[1].count, 2);
    EXPECT_EQ(report.tags[1].boxText, report.tags[1].found.join("\r\n") + "\r\n");
}

TEST(PageReport, NamesFollowTheReportOrder) {
    QStringList names;
    for (ScannedTag tag : kReportOrder)
        names << tagName(tag);
    EXPECT_EQ(names, (QStringList{"Title", "Keywords", "Description", "Robots", "Rating", "Revisit"}));
}

// The Extract panel runs the chain one stage at a time, with a caption between
// stages; the command line calls it at once. Both must give the same words.
TEST(KeywordChain, StagedRunGivesTheSameWordsAsOneCall) {
    const QString pages[] = {
        kFullHead,
        QStringLiteral("<body><p>Handmade carpets, handmade carpets and woollen rugs.</p>\r\n"
                       "<a href=\"x.htm\">Wonderful floors</a>\tstring</body>"),
        QStringLiteral("   \r\n\n\r"),
        QString(),
    };
    for (const QString& page : pages) {
        QStringList staged = wordList(stripHtml(page));
        removeRedundantWords(staged);
        clearDoubles(staged);
        EXPECT_EQ(keywordCandidates(page), staged) << page.toStdString();
    }
    // Items go as substrings and the joints stay: "<p>" leaves "p" beside the word.
    EXPECT_EQ(keywordCandidates(pages[1]), (QStringList{"phandmade", "carpets", "handmade", "woollen",
                                                        "rugsp", "xhtmwonderful", "floorsa"}));
}

// The panel's stage buttons run the chain from their stage; an observer that
// says stop ends it there, with the stage's result kept.
TEST(KeywordChain, RunsFromAStageAndStopsWhereTheObserverSays) {
    KeywordChain chain{QStringLiteral("tables chairs tables"), {QStringLiteral("carpets")}};
    QStringList seen;
    const bool ended = runKeywordChain(chain, KeywordStage::WordList,
                                       [&](KeywordStage stage, bool done, const KeywordChain&) {
                                           seen << QString::number(int(stage)) + (done ? "+" : "-");
                                           return !(stage == KeywordStage::LengthFilter && done);
                                       });
    EXPECT_FALSE(ended);
    EXPECT_EQ(seen, (QStringList{"1-", "1+", "2-", "2+"}));
    EXPECT_EQ(chain.words,
              (QStringList{"carpets", "tables", "chairs", "tables"})); // appended, not de-duplicated
}

TEST(KeywordChain, AddedKeywordsFollowWhatTheFieldHolds) {
    const struct {
        const char* current;
        const char* added;
        const char* expected;
    } cases[] = {
        {"", "rugs, mats", "rugs, mats"},
        {"floor", "rugs, mats", "floor, rugs, mats"},
        {"floor, ", "rugs", "floor, , rugs"}, // taken as typed, never tidied
        {"floor", "", "floor, "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(appendKeywords(c.current, c.added), c.expected) << c.current << " + " << c.added;
}

TEST(TagBlockInsertion, BlockGoesBetweenLineBreaksAtTheInsertionPoint) {
    const struct {
        const char* page;
        qsizetype at;
    } cases[] = {{"<html><head><title>", 12}, {"<body>no head</body>", 0}, {"", 0}};
    for (const auto& c : cases) {
        const TagBlockInsertion insertion =
            tagBlockInsertion(QString::fromUtf8(c.page), QStringLiteral("<META>"));
        EXPECT_EQ(insertion.at, insertionPoint(QString::fromUtf8(c.page))) << c.page;
        EXPECT_EQ(insertion.at, c.at) << c.page;
        EXPECT_EQ(insertion.text, "\r\n<META>\r\n");
    }
}

TEST(TagFieldDefaults, ChoicesSetTextsEmpty) {
    const TagFields defaults = defaultTagFields();
    EXPECT_EQ(defaults.rating, "General");
    EXPECT_EQ(defaults.robots, "ALL");
    EXPECT_EQ(defaults.revisit, "7 Days");
    EXPECT_EQ(defaults.outputForm, kFormTagsOnly);
    EXPECT_TRUE(defaults.title.isEmpty() && defaults.keywords.isEmpty());
    EXPECT_TRUE(buildTagBlock(defaults) == std::nullopt); // no title, no block
}

} // namespace
