#include "core/mail/smtpmessage.h"

#include <QList>
#include <gtest/gtest.h>

using namespace headwise;

namespace {

struct CodeCase {
    const char* reply;
    int code;
};

class ReplyCodeTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ReplyCodeTest, ReadsLeadingDigitsOfFirstWord) {
    EXPECT_EQ(replyCode(QString::fromUtf8(GetParam().reply)), GetParam().code) << GetParam().reply;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyCodeTest,
    ::testing::Values(CodeCase{"250-host.example Hello\r\n250 OK\r\n", 250}, CodeCase{"220\r\n", 220},
                      CodeCase{" 250 OK\r\n", 0}, CodeCase{"abc\r\n", 0}, CodeCase{"", 0},
                      CodeCase{"354 Start mail input\r\n", 354}, CodeCase{"554\tno tab split\r\n", 554},
                      CodeCase{"2x50 odd\r\n", 2}, CodeCase{"99999999999999999999 huge\r\n", 1000000}));

MailRequest asciiRequest() {
    MailRequest r;
    r.SmtpHost = QStringLiteral("smtp.headwise.example");
    r.ContentSubtype = QStringLiteral("plain;");
    r.Sender = QStringLiteral("me@home.example");
    r.Recipient = QStringLiteral("friend@far.example");
    r.Subject = QStringLiteral("From: Ann -  I Highly Recommend It!");
    return r;
}

const char* const kAsciiHeaders = "From: <me@home.example>\r\n"
                                  "To: friend@far.example\r\n"
                                  "Subject: From: Ann -  I Highly Recommend It!\r\n"
                                  "X-Mailer: VarnholtTellaFriend\r\n"
                                  "Mime-Version: 1.0\r\n"
                                  "Content-Type: text/plain;\tcharset=us-ascii\r\n"
                                  "\r\n";

TEST(MessageText, AsciiMailKeepsEveryHeaderAsWritten) {
    const QByteArray text = messageText(asciiRequest(), QStringLiteral("VarnholtTellaFriend"),
                                        QStringLiteral("Hello\nsecond line"));
    EXPECT_EQ(text, QByteArray(kAsciiHeaders) + "Hello\r\nsecond line");
}

TEST(MessageText, EmptyBodyStillHasHeadersAndEmptyLine) {
    EXPECT_EQ(messageText(asciiRequest(), QStringLiteral("VarnholtTellaFriend"), QString()),
              QByteArray(kAsciiHeaders));
}

TEST(MessageText, NonAsciiBodyGoesOutAsUtf8With8bitHeaders) {
    const QByteArray text =
        messageText(asciiRequest(), QStringLiteral("VarnholtBugReport"), QStringLiteral("Grüße, ½ €"));
    const QByteArray expected = "From: <me@home.example>\r\n"
                                "To: friend@far.example\r\n"
                                "Subject: From: Ann -  I Highly Recommend It!\r\n"
                                "X-Mailer: VarnholtBugReport\r\n"
                                "Mime-Version: 1.0\r\n"
                                "Content-Type: text/plain;\tcharset=utf-8\r\n"
                                "Content-Transfer-Encoding: 8bit\r\n"
                                "\r\n" +
                                QStringLiteral("Grüße, ½ €").toUtf8();
    EXPECT_EQ(text, expected);
}

TEST(MessageText, NonAsciiSubjectAloneLeavesBodyCharset) {
    MailRequest r = asciiRequest();
    r.Subject = QStringLiteral("Grüße");
    const QByteArray text = messageText(r, QStringLiteral("X"), QStringLiteral("plain"));
    EXPECT_TRUE(text.contains(
        QByteArray("Subject: =?UTF-8?B?" + QStringLiteral("Grüße").toUtf8().toBase64() + "?=\r\n")));
    EXPECT_TRUE(text.contains("charset=us-ascii\r\n\r\nplain"));
    EXPECT_FALSE(text.contains("Content-Transfer-Encoding"));
}

TEST(MessageText, NoBareLineFeedOrCarriageReturnEver) {
    const QByteArray text =
        messageText(asciiRequest(), QStringLiteral("X"), QStringLiteral("a\nb\rc\r\nd\n\n.\ne\r"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        }
        if (text[i] == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    EXPECT_TRUE(text.endsWith("a\r\nb\r\nc\r\nd\r\n\r\n..\r\ne\r\n"));
}

TEST(MessageText, RefusesLineBreaksInAddressesAndSubject) {
    struct Case {
        QString MailRequest::*field;
        const char* value;
    };
    const Case cases[] = {
        {&MailRequest::Sender, "me@home.example\r\nRCPT TO:<x@y.example>"},
        {&MailRequest::Recipient, "a@b.example\nBcc: c@d.example"},
        {&MailRequest::Subject, "Hi\rBcc: c@d.example"},
        {&MailRequest::Subject, "\n"},
    };
    for (const Case& c : cases) {
        MailRequest r = asciiRequest();
        r.*c.field = QString::fromUtf8(c.value);
        EXPECT_FALSE(isSendable(r)) << c.value;
        EXPECT_TRUE(messageText(r, QStringLiteral("X"), QStringLiteral("body")).isEmpty()) << c.value;
    }
    EXPECT_TRUE(isSendable(asciiRequest()));
}

struct DotCase {
    const char* body;
    const char* wire;
};

class DotDoublingTest : public ::testing::TestWithParam<DotCase> {};

TEST_P(DotDoublingTest, LinesLedByADotGetASecondDot) {
    EXPECT_EQ(wireBody(QString::fromUtf8(GetParam().body)), QByteArray(GetParam().wire)) << GetParam().body;
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, DotDoublingTest,
    ::testing::Values(DotCase{".", ".."}, DotCase{".\n", "..\r\n"}, DotCase{"a\n.\nb", "a\r\n..\r\nb"},
                      DotCase{"..hidden", "...hidden"}, DotCase{"a.b\n c.", "a.b\r\n c."},
                      DotCase{"x\r\n.end", "x\r\n..end"}, DotCase{"x\r.y", "x\r\n..y"}, DotCase{"", ""}));

TEST(EncodedSubject, AsciiStaysAsTyped) {
    EXPECT_EQ(encodedSubject(QStringLiteral("Headwise -  Report Bug")), QByteArray("Headwise -  Report Bug"));
}

TEST(EncodedSubject, LongSubjectSplitsIntoShortWordsOnWholeCharacters) {
    // 40 two-byte letters and an emoji: more than one word's worth, with a
    // four-byte character that must not be cut.
    const QString subject =
        QString(40, QChar(0x00E9)) + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("x");
    const QByteArray encoded = encodedSubject(subject);
    const QList<QByteArray> words = encoded.split('\n');
    ASSERT_GE(words.size(), 2);
    QByteArray decoded;
    for (QByteArray word : words) {
        word = word.trimmed();
        ASSERT_LE(word.size(), 75);
        ASSERT_TRUE(word.startsWith("=?UTF-8?B?") && word.endsWith("?=")) << word.constData();
        const QByteArray bytes = QByteArray::fromBase64(word.mid(10, word.size() - 12));
        // Each word decodes on its own to whole characters.
        EXPECT_FALSE(QString::fromUtf8(bytes).contains(QChar::ReplacementCharacter));
        decoded += bytes;
    }
    EXPECT_EQ(QString::fromUtf8(decoded), subject);
    EXPECT_FALSE(encoded.contains("\n\n"));
    EXPECT_TRUE(encoded.contains("?=\r\n =?UTF-8?B?"));
}

} // namespace
