#include "core/page/linebreaks.h"
#include "core/page/lineindex.h"

#include <gtest/gtest.h>

using namespace headwise;

TEST(LineBreaks, RoundTrips) {
    struct Case {
        const char* input;
        const char* crlf;
        const char* lf;
    } cases[] = {
        {"", "", ""},
        {"a\nb", "a\r\nb", "a\nb"},
        {"a\r\nb", "a\r\nb", "a\nb"},
        {"a\rb", "a\r\nb", "a\nb"},
        {"\n\n", "\r\n\r\n", "\n\n"},
        {"\r\n\r", "\r\n\r\n", "\n\n"},
        {"x\r\r\ny", "x\r\n\r\ny", "x\n\ny"},
        // Breaks already in the wanted form on both sides of one that changes.
        {"a\r\nb\nc\r\nd", "a\r\nb\r\nc\r\nd", "a\nb\nc\nd"},
        {"\nx\r\ny\n\rz", "\r\nx\r\ny\r\n\r\nz", "\nx\ny\n\nz"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toCrLf(QString::fromLatin1(c.input)), QString::fromLatin1(c.crlf)) << c.input;
        EXPECT_EQ(toLf(QString::fromLatin1(c.input)), QString::fromLatin1(c.lf)) << c.input;
    }
}

// The converted text is written into room made ahead and grown as it fills:
// texts of nothing but breaks, and bytes as well as text, come out whole.
TEST(LineBreaks, ManyShortLinesOutgrowTheRoomMadeAhead) {
    for (const int lines : {1, 7, 8, 9, 100, 4096}) {
        const QByteArray lf = QByteArray(lines, '\n') + "x\ny";
        const QByteArray crlf = QByteArray(lines * 2, '\r').replace("\r\r", "\r\n") + "x\r\ny";
        EXPECT_EQ(replaceLineBreaks(lf, QLatin1String("\r\n")), crlf) << lines;
        EXPECT_EQ(toCrLf(QString::fromLatin1(lf)), QString::fromLatin1(crlf)) << lines;
        EXPECT_EQ(replaceLineBreaks(crlf, QLatin1String("\n")), lf) << lines;
    }
}

TEST(LineBreaks, DocumentTextTakesCrLfForBlockAndSoftBreaksOnly) {
    const struct {
        QString raw;
        QString expected;
    } cases[] = {
        {QString(), QString()},
        {QStringLiteral("a\u2029b"), QStringLiteral("a\r\nb")},
        {QStringLiteral("a\u2028b\u2029"), QStringLiteral("a\r\nb\r\n")},
        {QStringLiteral("\u2029\u2029"), QStringLiteral("\r\n\r\n")},
        {QStringLiteral("a\rb\nc\r\nd"), QStringLiteral("a\r\nb\r\nc\r\nd")},
        // A no-break space and other characters a plain text would change stay.
        {QStringLiteral("a\u00a0b\u2029\u00e9"), QStringLiteral("a\u00a0b\r\n\u00e9")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(documentTextToCrLf(c.raw), c.expected) << c.raw.toStdString();
}

TEST(LineBreaks, LfOffsetCountsEachCrLfBeforeThePlaceAsOne) {
    const struct {
        const char* text;
        qsizetype offset;
        qsizetype expected;
    } cases[] = {
        {"", 0, 0},
        {"ab", 2, 2},
        {"a\r\nb", 0, 0},
        {"a\r\nb", 1, 1},
        {"a\r\nb", 3, 2},      // just after the break
        {"a\r\nb\r\nc", 7, 5}, // the end
        {"a\r\r\nb", 4, 3},    // a lone CR stays a character of its own
        {"a\nb\r\nc", 5, 4},   // so does a lone LF
        {"<head>\r\n", 6, 6},  // the insertion point right after <head>
    };
    for (const auto& c : cases)
        EXPECT_EQ(lfOffset(QString::fromLatin1(c.text), c.offset), c.expected) << c.text << " @" << c.offset;
}

TEST(LineIndex, PlacesOffsetsAfterEveryKindOfBreak) {
    const QString text = QStringLiteral("ab\r\ncd\ref\ngh\n");
    struct Case {
        qsizetype offset;
        int line, column;
    } cases[] = {{0, 1, 1}, {2, 1, 3}, {3, 1, 4}, {4, 2, 1}, {7, 3, 1}, {9, 3, 3}, {10, 4, 1}, {13, 5, 1}};
    const LineIndex lines(text);
    EXPECT_EQ(lines.lineCount(), 5);
    for (const Case& c : cases) {
        const LineIndex::Place place = lines.place(c.offset);
        EXPECT_EQ(place.line, c.line) << c.offset;
        EXPECT_EQ(place.column, c.column) << c.offset;
    }
}

// Offsets in page order, a step back and long jumps ahead, placed from the
// line before as a search of every line places them.
TEST(LineIndex, PlacesRisingOffsetsFromTheLineBefore) {
    const QString text = QStringLiteral("a\r\nbc\rd\n").repeated(40);
    const LineIndex lines(text);
    qsizetype line = -1;
    for (const qsizetype offset :
         std::initializer_list<qsizetype>{0, 1, 3, 3, 4, 6, 90, 91, 2, 200, text.size() - 1, text.size()}) {
        const LineIndex::Place from = lines.placeAfter(offset, line), searched = lines.place(offset);
        EXPECT_EQ(from.line, searched.line) << offset;
        EXPECT_EQ(from.column, searched.column) << offset;
    }
}

// Breaks on each side of the eight-unit steps the search takes, each ending
// the line where a character-by-character count ends it.
TEST(LineIndex, FindsBreaksWhereverTheyFallInTheSearchsSteps) {
    for (const char* brk : {"\n", "\r", "\r\n", "\n\r", "\r\r\n"})
        for (int pad = 0; pad < 18; ++pad) {
            const QString text =
                QString(pad, u'x') + QLatin1String(brk) + QString(pad % 5, u'y') + QLatin1String(brk);
            QList<qsizetype> expected{0};
            for (qsizetype i = 0; i < text.size(); ++i)
                if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
                    expected.append(i + 1);
            const LineIndex lines(text);
            ASSERT_EQ(lines.lineCount(), expected.size()) << pad << " " << brk;
            for (qsizetype l = 0; l < expected.size(); ++l)
                EXPECT_EQ(lines.lineStart(l), expected[l]) << pad << " " << brk;
        }
}
