// Widths in Liberation Sans (Arial's metrics) and cutting to a result line.

#include "core/audit/model/textwidth.h"

#include <gtest/gtest.h>

using namespace headwise::audit;

namespace {

struct WidthCase {
    const char16_t* text;
    double fontPx;
    double px; // Arial advance widths: H 1479, e 1139, l 455, o 1139, space 569, W 1933 of 2048
};

class TextWidth : public testing::TestWithParam<WidthCase> {};

TEST_P(TextWidth, SumsAdvanceWidths) {
    EXPECT_NEAR(textWidthPx(GetParam().text, GetParam().fontPx), GetParam().px, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Audit, TextWidth,
    testing::Values(WidthCase{u"", 20, 0}, WidthCase{u"Hello", 16, 4667 * 16 / 2048.0},
                    WidthCase{u"W", 20, 1933 * 20 / 2048.0},
                    WidthCase{u"Hello World", 20,
                              (4667 + 569 + 1933 + 1139 + 682 + 455 + 1139) * 20 / 2048.0},
                    // No kerning: "AV" is the sum of its letters.
                    WidthCase{u"AV", 20, (1366 + 1366) * 20 / 2048.0},
                    // A combining accent takes no room.
                    WidthCase{u"e\u0301", 20, 1139 * 20 / 2048.0},
                    // A character the font lacks counts as an em.
                    WidthCase{u"\u4e2d", 20, 20}, WidthCase{u"\U0001F331", 14, 14},
                    // As headless Chromium measured them in "Liberation Sans", kerning off.
                    WidthCase{u"Garden tools for small balconies and terraces | Example Shop", 20, 548.81},
                    WidthCase{u"AVATAR Toyota LTA: Wave, Yacht & Fjord - 2026 (No. 1)", 14, 358.69},
                    WidthCase{u"Cr\u00e8me br\u00fbl\u00e9e \u00e0 la fran\u00e7aise, "
                              u"na\u00efve caf\u00e9 \u2013 \u00dcberraschung",
                              20, 496.93}));

TEST(CutToWidth, KeepsTextThatFits) {
    const CutText cut = cutToWidth(QStringLiteral("Short title"), 580, 20);
    EXPECT_FALSE(cut.cut);
    EXPECT_EQ(cut.shown, QStringLiteral("Short title"));
}

TEST(CutToWidth, CutsAtAWordAndAppendsEllipsis) {
    const QString text =
        QStringLiteral("Garden tools for small balconies and terraces, pots and cans, what to buy");
    const CutText cut = cutToWidth(text, 300, 20);
    EXPECT_TRUE(cut.cut);
    EXPECT_TRUE(cut.shown.endsWith(QLatin1String(" ...")));
    EXPECT_LE(textWidthPx(cut.shown, 20), 300);
    const QString kept = cut.shown.chopped(4);
    EXPECT_TRUE(text.startsWith(kept));
    EXPECT_EQ(text[kept.size()], u' ') << "cut inside a word: " << cut.shown.toStdString();
    // The next word would not have fitted.
    const qsizetype next = text.indexOf(u' ', kept.size() + 1);
    EXPECT_GT(textWidthPx(QString(text.left(next) + QStringLiteral(" ...")), 20), 300);
}

TEST(CutToWidth, CutsOneLongWordInside) {
    const CutText cut = cutToWidth(QString(100, u'W'), 100, 20);
    EXPECT_TRUE(cut.cut);
    EXPECT_LE(textWidthPx(cut.shown, 20), 100);
    EXPECT_TRUE(cut.shown.startsWith(QLatin1String("WW")));
}

TEST(CutToWidth, DropsBlanksBeforeTheEllipsis) {
    const CutText cut = cutToWidth(QStringLiteral("Alpha    Beta Gamma Delta"), 120, 20);
    EXPECT_TRUE(cut.cut);
    EXPECT_FALSE(cut.shown.contains(QLatin1String("  ")));
}

} // namespace
