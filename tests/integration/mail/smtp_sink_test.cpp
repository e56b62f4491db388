#include "mailtestsupport.h"
#include "serverprocess.h"

#include <QHostInfo>
#include <QTemporaryDir>

using namespace headwise;
using namespace headwise::testing;

namespace {

// A real SMTP server (aiosmtpd) on a free 127.0.0.1 port, for one test.
class SmtpSinkTest : public MailWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        outPath_ = dir_.filePath(QStringLiteral("received.jsonl"));
        port_ = quint16(sink_.start({outPath_}));
        ASSERT_NE(port_, 0) << "the SMTP sink did not start";
    }

    void TearDown() override {
        MailWindowTest::TearDown();
        delete second_.data();
    }

    QList<ReceivedMail> received() const { return readReceivedMails(outPath_); }

    bool waitForMails(int count) const {
        return QTest::qWaitFor([&] { return received().size() >= count; }, 15000);
    }

    quint16 port_ = 0;
    QPointer<MailWindow> second_;

private:
    QTemporaryDir dir_;
    QString outPath_;
    ServerProcess sink_{QStringLiteral(HEADWISE_SMTP_SINK)};
};

TEST_F(SmtpSinkTest, ContactMailArrivesByteForByte) {
    open(contactForm(), port_);
    find<QComboBox>("cboSubject")->setCurrentIndex(4);
    find<QLineEdit>("txtFrom")->setText(QStringLiteral("ann@a.example"));
    find<QPlainTextEdit>("txtMessage")
        ->setPlainText(QStringLiteral("First line\n.\n.leading dot\n..two\nlast"));
    send();
    ASSERT_TRUE(waitForWindowGone());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Message Sent");
    ASSERT_TRUE(waitForMails(1));

    const ReceivedMail mail = received().at(0);
    EXPECT_EQ(mail.helo, QHostInfo::localHostName());
    EXPECT_EQ(mail.mailFrom, "ann@a.example");
    EXPECT_EQ(mail.rcptTos, QStringList{"feedback@headwise.example"});
    // The CR LF before the terminating dot belongs to the last line.
    EXPECT_EQ(mail.data, "From: <ann@a.example>\r\n"
                         "To: feedback@headwise.example\r\n"
                         "Subject: Headwise -  Technical Support\r\n"
                         "X-Mailer: VarnholtBugReport\r\n"
                         "Mime-Version: 1.0\r\n"
                         "Content-Type: text/plain;\tcharset=us-ascii\r\n"
                         "\r\n"
                         "First line\r\n.\r\n.leading dot\r\n..two\r\nlast\r\n");
}

TEST_F(SmtpSinkTest, TellFriendMailCarriesTheComposedBodyInUtf8) {
    open(tellFriendForm(), port_);
    find<QLineEdit>("txtFriendsName")->setText(QStringLiteral("Zoë"));
    find<QLineEdit>("txtFriend")->setText(QStringLiteral("zoe@b.example"));
    find<QLineEdit>("txtName")->setText(QStringLiteral("Ann"));
    find<QLineEdit>("txtFrom")->setText(QStringLiteral("ann@a.example"));
    find<QPlainTextEdit>("txtComments")
        ->setPlainText(QStringLiteral(".\nTry\u00a0it")); // a no-break space stays one
    send();
    ASSERT_TRUE(waitForWindowGone());
    ASSERT_TRUE(waitForMails(1));

    const ReceivedMail mail = received().at(0);
    EXPECT_EQ(mail.mailFrom, "ann@a.example");
    EXPECT_EQ(mail.rcptTos, QStringList{"zoe@b.example"});
    const QString body = tellFriendBody(QStringLiteral("Zoë"), QStringLiteral(".\nTry\u00a0it"),
                                        programPageAddress(), QStringLiteral("Ann"));
    EXPECT_EQ(mail.data, "From: <ann@a.example>\r\n"
                         "To: zoe@b.example\r\n"
                         "Subject: From: Ann -  I'm using a new program\r\n"
                         "X-Mailer: VarnholtTellaFriend\r\n"
                         "Mime-Version: 1.0\r\n"
                         "Content-Type: text/plain;\tcharset=utf-8\r\n"
                         "Content-Transfer-Encoding: 8bit\r\n"
                         "\r\n" +
                             body.toUtf8() + "\r\n");
    EXPECT_TRUE(mail.data.contains("\r\n.\r\nTry\xc2\xa0it\r\n"));
}

TEST_F(SmtpSinkTest, BothWindowsSendAtOnceWithoutMixingAddresses) {
    open(contactForm(), port_);
    fillContact(QStringLiteral("from the contact window"));
    second_ = new MailWindow(tellFriendForm(), messages);
    second_->setSmtpServer(QStringLiteral("127.0.0.1"), port_);
    second_->show();
    findControl<QLineEdit>(second_, "txtFriendsName")->setText(QStringLiteral("Bob"));
    findControl<QLineEdit>(second_, "txtFriend")->setText(QStringLiteral("bob@b.example"));
    findControl<QLineEdit>(second_, "txtName")->setText(QStringLiteral("Cy"));
    findControl<QLineEdit>(second_, "txtFrom")->setText(QStringLiteral("cy@c.example"));

    send();
    findControl<QPushButton>(second_, "cmdSend")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull() && second_.isNull(); }, 15000));
    ASSERT_TRUE(waitForMails(2));

    int seen = 0;
    for (const ReceivedMail& mail : received()) {
        if (mail.mailFrom == "ann@a.example") {
            EXPECT_EQ(mail.rcptTos, QStringList{"feedback@headwise.example"});
            EXPECT_TRUE(mail.data.contains("X-Mailer: VarnholtBugReport\r\n"));
            EXPECT_TRUE(mail.data.endsWith("\r\n\r\nfrom the contact window\r\n"));
            ++seen;
        } else {
            EXPECT_EQ(mail.mailFrom, "cy@c.example");
            EXPECT_EQ(mail.rcptTos, QStringList{"bob@b.example"});
            EXPECT_TRUE(mail.data.contains("Subject: From: Cy -  I'm using a new program\r\n"));
            ++seen;
        }
    }
    EXPECT_EQ(seen, 2);
}

} // namespace
