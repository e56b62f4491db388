#include "core/audit/engine/pagecheck.h"

#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::audit;

namespace {

struct MapCase {
    const char* name;
    const char16_t* decoded;
    const char16_t* text;
    qsizetype offset, length;         // in decoded
    qsizetype textOffset, textLength; // expected in text
};

class MapFindings : public ::testing::TestWithParam<MapCase> {};

TEST_P(MapFindings, OffsetsLandOnTheSamePieceOfText) {
    const MapCase& c = GetParam();
    QList<Finding> findings{Finding{.rule = QStringLiteral("r"),
                                    .severity = Severity::Warning,
                                    .message = {},
                                    .line = 1,
                                    .column = 1,
                                    .offset = c.offset,
                                    .length = c.length,
                                    .source = {}}};
    mapFindingsToText(findings, QString::fromUtf16(c.decoded), QString::fromUtf16(c.text));
    EXPECT_EQ(findings[0].offset, c.textOffset);
    EXPECT_EQ(findings[0].length, c.textLength);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MapFindings,
    ::testing::Values(MapCase{"SameText", u"<t>x</t>", u"<t>x</t>", 3, 1, 3, 1},
                      MapCase{"AfterAReference", u"a&#937;b<t>", u"a\u03a9b<t>", 8, 3, 3, 3},
                      MapCase{"OverAReference", u"a&#937;b<t>", u"a\u03a9b<t>", 0, 10, 0, 5},
                      MapCase{"InsideAReference", u"a&#937;b", u"a\u03a9b", 3, 1, 1, 1},
                      MapCase{"EndsInsideAReference", u"a&#937;b", u"a\u03a9b", 0, 3, 0, 2},
                      MapCase{"StartsInsideAReference", u"a&#937;b", u"a\u03a9b", 4, 4, 1, 2},
                      MapCase{"TheCrOfACrLf", u"&#937;\r\nab", u"\u03a9\nab", 6, 1, 1, 1},
                      MapCase{"EmptyInsideAReference", u"a&#937;b", u"a\u03a9b", 3, 0, 1, 0},
                      MapCase{"BeyondTheBasicPlane", u"&#128512;x", u"\U0001F600x", 9, 1, 2, 1},
                      MapCase{"OnALaterLine", u"&#937;\nab", u"\u03a9\nab", 8, 1, 3, 1},
                      MapCase{"PageAsAWhole", u"&#937;", u"\u03a9", -1, 0, -1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MapFindings, ManyFindingsOnOneLineEachLandRight) {
    // Findings in no particular order, ends inside and after references.
    QString decoded, text;
    for (int i = 0; i < 50; ++i) {
        decoded += QStringLiteral("&#937;<b>");
        text += QStringLiteral("\u03a9<b>");
    }
    QList<Finding> findings;
    for (int i = 49; i >= 0; --i)
        findings << Finding{.rule = {},
                            .severity = Severity::Info,
                            .message = {},
                            .line = 1,
                            .column = 1,
                            .offset = i * 9 + 6,
                            .length = 3,
                            .source = {}};
    mapFindingsToText(findings, decoded, text);
    for (int i = 0; i < 50; ++i) {
        const Finding& f = findings[49 - i];
        EXPECT_EQ(text.mid(f.offset, f.length), QStringLiteral("<b>"));
        EXPECT_EQ(f.offset, i * 4 + 1);
    }
}

} // namespace

namespace {

// Page Check fixes the page the box holds: a fetched page's own address is the
// base, and the edits land in the box's text, LF breaks and characters the
// page's encoding lacks (held as references in what is audited) included.
TEST(RepairSnapshot, AFetchedPageIsFixedAgainstItsAddressInTheBoxsText) {
    PageSnapshot page;
    page.text = QStringLiteral(
        "<html lang=\"el\"><head><meta charset=\"windows-1252\">\n"
        "<title>\u03a9 rugs</title>\n<link rel=canonical href=\"rugs.html\">\n</head></html>\n");
    page.encoding.name = QStringLiteral("windows-1252");
    page.address = QStringLiteral("https://rugs.example/shop/");
    const PageCheck check = checkPage(page, {});
    qsizetype offered = 0;
    for (const PageFix& fix : check.fixes)
        offered += fix.rule == QLatin1String("canonical-relative") && fix.need == PageFix::Need::Nothing;
    EXPECT_EQ(offered, 1);

    const SnapshotRepair repair =
        repairSnapshot(page, {}, {.lang = {}, .baseUrl = page.address, .rules = {}}, {});
    EXPECT_TRUE(repair.undone.isEmpty());
    EXPECT_EQ(applyTextEdits(page.text, repair.edits),
              QStringLiteral("<html lang=\"el\"><head><meta charset=\"windows-1252\">\n"
                             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                             "<title>\u03a9 rugs</title>\n<link rel=canonical "
                             "href=\"https://rugs.example/shop/rugs.html\">\n</head></html>\n"));
}

} // namespace
