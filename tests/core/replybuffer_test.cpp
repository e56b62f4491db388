#include "core/mail/replybuffer.h"

#include <QList>
#include <gtest/gtest.h>

using namespace headwise;

namespace {

constexpr qsizetype kCap = ReplyBuffer::kMaxBytes;

struct PiecesCase {
    const char* name;
    QList<QByteArray> pieces;
    bool complete;
    bool tooLong;
    qsizetype kept;
};

TEST(ReplyBuffer, CompletesOnlyOnAFinalLineEndedByCrLfAndNeverKeepsMoreThanTheCap) {
    const PiecesCase cases[] = {
        {"nothing yet", {}, false, false, 0},
        {"one whole line", {"250 ok\r\n"}, true, false, 8},
        {"CR and LF in separate reads", {"250 ok\r", "\n"}, true, false, 8},
        {"bare LF", {"250 ok\n"}, false, false, 7},
        {"bare CR", {"250 ok\r"}, false, false, 7},
        {"LF CR", {"250 ok\n\r"}, false, false, 8},
        {"more after a whole line", {"250-a\r\n", "250 b"}, false, false, 12},
        {"two lines in pieces", {"250-a\r\n", "250 b", "\r\n"}, true, false, 14},
        {"continuation line alone", {"250-a\r\n"}, false, false, 7},
        {"continuation then the last line", {"250-a\r", "\n250-b\r\n", "250 c\r\n"}, true, false, 21},
        {"last line without text", {"250-a\r\n250\r\n"}, true, false, 12},
        {"dash after a non-digit ends the reply", {"25x-a\r\n"}, true, false, 7},
        {"continuation at the very end again", {"250-a\r\n250 b\r\n250-c\r\n"}, false, false, 21},
        {"NUL bytes kept",
         {QByteArray("2\0"
                     "0\r\n",
                     5)},
         true,
         false,
         5},
        {"exactly the cap", {QByteArray(kCap - 2, 'x') + "\r\n"}, true, false, kCap},
        {"cap filled over reads", {QByteArray(kCap - 1, 'x'), "\r"}, false, false, kCap},
        {"one byte past the cap", {QByteArray(kCap - 1, 'x') + "\r\n"}, false, true, kCap},
        {"past the cap in one read", {QByteArray(3 * kCap, 'x')}, false, true, kCap},
        {"past the cap then CR LF", {QByteArray(kCap, 'x'), "\r\n"}, false, true, kCap},
        {"nothing taken once too long", {QByteArray(kCap + 5, 'x'), "more", "\r\n"}, false, true, kCap},
    };
    for (const PiecesCase& c : cases) {
        ReplyBuffer buffer;
        for (const QByteArray& piece : c.pieces) {
            buffer.append(piece);
            EXPECT_LE(buffer.size(), kCap) << c.name;
        }
        EXPECT_EQ(buffer.complete(), c.complete) << c.name;
        EXPECT_EQ(buffer.tooLong(), c.tooLong) << c.name;
        EXPECT_EQ(buffer.ready(), c.complete || c.tooLong) << c.name;
        EXPECT_EQ(buffer.size(), c.kept) << c.name;
    }
}

TEST(ReplyBuffer, AsksForOneByteMoreThanFitsAndNothingOnceTooLong) {
    ReplyBuffer buffer;
    EXPECT_EQ(buffer.wanted(), kCap + 1);
    buffer.append("220 ");
    EXPECT_EQ(buffer.wanted(), kCap - 3);
    buffer.append(QByteArray(kCap - 4, 'x'));
    EXPECT_EQ(buffer.wanted(), 1);
    EXPECT_FALSE(buffer.tooLong());
    buffer.append("y");
    EXPECT_TRUE(buffer.tooLong());
    EXPECT_EQ(buffer.wanted(), 0);
}

TEST(ReplyBuffer, TakeHandsOverTheReplyAndStartsAfresh) {
    ReplyBuffer buffer;
    buffer.append(QByteArray(kCap + 1, 'z'));
    ASSERT_TRUE(buffer.tooLong());
    const QByteArray first = buffer.take();
    EXPECT_EQ(first.size(), kCap);
    EXPECT_EQ(buffer.size(), 0);
    EXPECT_FALSE(buffer.ready());

    buffer.append("354 go\r\n");
    EXPECT_TRUE(buffer.complete());
    EXPECT_EQ(buffer.take(), "354 go\r\n");
    EXPECT_FALSE(buffer.complete());
    EXPECT_EQ(buffer.wanted(), kCap + 1);
}

} // namespace
