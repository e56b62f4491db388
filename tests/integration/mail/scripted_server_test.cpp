#include "mailtestsupport.h"

#include "core/mail/smtpmessage.h"
#include "net/smtpsession.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QTimer>

using namespace headwise;
using namespace headwise::testing;

namespace {

const QString kTimeoutText =
    QStringLiteral("Could not connect to host!     \r\nPlease try again later.     ");

class ScriptedServerTest : public MailWindowTest {
protected:
    // After a failed session the window is open, idle and ready to send again.
    void expectReadyAgain() {
        ASSERT_FALSE(window.isNull());
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return sendEnabled(); }, 5000));
        EXPECT_EQ(status(), "Status - Ready");
        EXPECT_FALSE(find<QObject>("Timer1")->property("active").toBool());
    }

    ScriptedSmtpServer server;
};

TEST_F(ScriptedServerTest, ContactDialogueRunsEveryStepAndClosesOnSuccess) {
    open(contactForm(), server.port());
    fillContact(QStringLiteral("Line one\n.\n.hidden"));
    QString statusAtSuccess;
    bool sendEnabledAtSuccess = true;
    messages.onShow = [&](const ShownMessage&) {
        statusAtSuccess = status();
        sendEnabledAtSuccess = sendEnabled();
    };
    send();
    EXPECT_FALSE(sendEnabled());
    EXPECT_EQ(status(), "Connecting...");
    ASSERT_TRUE(waitForWindowGone());

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Message Sent");
    EXPECT_EQ(messages.shown[0].text, contactForm().successText);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(statusAtSuccess, "Message Sent");
    EXPECT_FALSE(sendEnabledAtSuccess);

    ASSERT_TRUE(QTest::qWaitFor([&] { return server.commands.size() == 5; }, 5000));
    EXPECT_EQ(server.commands,
              (QList<QByteArray>{"HELO " + QHostInfo::localHostName().toUtf8(), "MAIL FROM:<ann@a.example>",
                                 "RCPT TO:<feedback@headwise.example>", "DATA", "QUIT"}));
    ASSERT_EQ(server.messages.size(), 1);
    EXPECT_EQ(server.messages[0], "From: <ann@a.example>\r\n"
                                  "To: feedback@headwise.example\r\n"
                                  "Subject: Headwise -  Report Bug\r\n"
                                  "X-Mailer: VarnholtBugReport\r\n"
                                  "Mime-Version: 1.0\r\n"
                                  "Content-Type: text/plain;\tcharset=us-ascii\r\n"
                                  "\r\n"
                                  "Line one\r\n..\r\n..hidden");
}

TEST_F(ScriptedServerTest, ReplySplitOverSeveralReadsIsCollectedFirst) {
    bool greetingComplete = false;
    bool heloTooEarly = false;
    server.onConnect = [&](QTcpSocket* s) {
        ScriptedSmtpServer::say(s, "2");
        QTimer::singleShot(30, s, [&, s] {
            ScriptedSmtpServer::say(s, "20 split");
            QTimer::singleShot(30, s, [&, s] {
                greetingComplete = true;
                ScriptedSmtpServer::say(s, " greeting\r\n");
            });
        });
    };
    server.onCommand = [&](QTcpSocket*, const QByteArray& verb) {
        if (verb == "HELO" && !greetingComplete)
            heloTooEarly = true;
        return false;
    };
    open(contactForm(), server.port());
    fillContact(QStringLiteral("hi"));
    send();
    ASSERT_TRUE(waitForWindowGone());
    EXPECT_FALSE(heloTooEarly);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Message Sent");
}

TEST_F(ScriptedServerTest, MultiLine250ReplyPasses) {
    server.onCommand = [](QTcpSocket* s, const QByteArray& verb) {
        if (verb != "HELO")
            return false;
        ScriptedSmtpServer::say(s, "250-scripted.example Hello\r\n250 SIZE 1000\r\n");
        return true;
    };
    open(tellFriendForm(), server.port());
    fillTellFriend();
    send();
    ASSERT_TRUE(waitForWindowGone());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, tellFriendForm().successText);
}

TEST_F(ScriptedServerTest, RefusedRepliesShowTheWholeReplyAndEndTheSession) {
    struct Case {
        const char* refusedVerb; // nullptr: the greeting
        QByteArray reply;
        int commandsSeen;
    };
    const Case cases[] = {
        {nullptr, "554 no service here\r\n", 0},           {nullptr, "OK 220 starts with a letter\r\n", 0},
        {nullptr, " 220 starts with a blank\r\n", 0},      {"HELO", "220 wrong code\r\n", 1},
        {"RCPT", "550-no such user\r\n550 really\r\n", 3}, {"DATA", "250 not 354\r\n", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.constData());
        ScriptedSmtpServer local;
        local.onConnect = [&](QTcpSocket* s) {
            ScriptedSmtpServer::say(s, c.refusedVerb ? "220 hi\r\n" : c.reply);
        };
        local.onCommand = [&](QTcpSocket* s, const QByteArray& verb) {
            if (!c.refusedVerb || verb != c.refusedVerb)
                return false;
            ScriptedSmtpServer::say(s, c.reply);
            return true;
        };
        messages.shown.clear();
        open(contactForm(), local.port());
        fillContact(QStringLiteral("hi"));
        send();
        ASSERT_TRUE(waitForBoxes(1));
        EXPECT_EQ(messages.shown[0].text,
                  "Server returned the following error:\r\n" + QString::fromLatin1(c.reply));
        EXPECT_EQ(messages.shown[0].title, "Headwise");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
        expectReadyAgain();
        EXPECT_EQ(local.commands.size(), c.commandsSeen);
        EXPECT_TRUE(QTest::qWaitFor([&] { return local.hangUps == 1; }, 5000)) << "socket left open";
        EXPECT_EQ(messages.shown.size(), 1);
        delete window.data();
    }
}

TEST_F(ScriptedServerTest, SilenceTimesOutOnceAndSendWorksAgain) {
    server.onConnect = [](QTcpSocket*) {};
    open(contactForm(), server.port());
    window->setTickInterval(5);
    fillContact(QStringLiteral("hi"));
    send();
    ASSERT_TRUE(waitForBoxes(1));
    EXPECT_EQ(messages.shown[0].text, kTimeoutText);
    EXPECT_EQ(messages.shown[0].title, "Headwise");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    expectReadyAgain();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hangUps == 1; }, 5000));

    server.onConnect = [](QTcpSocket* s) { ScriptedSmtpServer::say(s, "220 awake now\r\n"); };
    send();
    ASSERT_TRUE(waitForWindowGone());
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[1].title, "Message Sent");
}

TEST_F(ScriptedServerTest, ServerHangingUpMidDialogueEndsTheSessionAtOnce) {
    server.onCommand = [](QTcpSocket* s, const QByteArray& verb) {
        if (verb != "MAIL")
            return false;
        s->disconnectFromHost();
        return true;
    };
    open(contactForm(), server.port());
    // With the normal tick the time-out would take 30 s; the wait below is far shorter.
    fillContact(QStringLiteral("hi"));
    send();
    ASSERT_TRUE(waitForBoxes(1, 5000));
    EXPECT_EQ(messages.shown[0].text, kTimeoutText);
    expectReadyAgain();
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(ScriptedServerTest, GreetingThenHangUpIsJudgedByTheGreeting) {
    server.onConnect = [](QTcpSocket* s) {
        ScriptedSmtpServer::say(s, "554 closing\r\n");
        s->disconnectFromHost();
    };
    open(contactForm(), server.port());
    fillContact(QStringLiteral("hi"));
    send();
    ASSERT_TRUE(waitForBoxes(1, 5000));
    EXPECT_EQ(messages.shown[0].text, "Server returned the following error:\r\n554 closing\r\n");
    expectReadyAgain();
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(ScriptedServerTest, CancelDuringTheWaitClosesSilently) {
    server.onConnect = [](QTcpSocket*) {};
    open(tellFriendForm(), server.port());
    fillTellFriend();
    // The click comes from an event while the session waits for the greeting.
    bool cancelled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!cancelled && window && status() == "Connected") {
            cancelled = true;
            find<QPushButton>("cmdExit")->click();
        }
    });
    poll.start(5);
    send();
    ASSERT_TRUE(waitForWindowGone());
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hangUps == 1; }, 5000));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ScriptedServerTest, WhatArrivesWhileABoxIsUpMovesNothing) {
    for (const bool refuse : {true, false}) {
        SCOPED_TRACE(refuse ? "refused, then a stray reply and the hang-up"
                            : "sent, then the farewell and the hang-up");
        ScriptedSmtpServer local;
        local.onCommand = [&](QTcpSocket* s, const QByteArray& verb) {
            if (!refuse || verb != "RCPT")
                return false;
            ScriptedSmtpServer::say(s, "550 no such user\r\n");
            QTimer::singleShot(20, s, [s] {
                ScriptedSmtpServer::say(s, "250 ok after all\r\n");
                s->disconnectFromHost();
            });
            return true;
        };
        messages.shown.clear();
        open(contactForm(), local.port());
        auto* socket = find<QTcpSocket>("Winsock1");
        // The event loop runs while the box is up, as under a modal one: until the server has gone.
        messages.onShow = [&](const ShownMessage&) {
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return socket->state() == QAbstractSocket::UnconnectedState; }, 5000));
        };
        fillContact(QStringLiteral("hi"));
        send();
        ASSERT_TRUE(refuse ? waitForBoxes(1) : waitForWindowGone());
        messages.onShow = nullptr;
        if (refuse)
            expectReadyAgain();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, refuse ? "Headwise" : "Message Sent");
        EXPECT_EQ(local.commands.size(), refuse ? 3 : 5); // no DATA after the refusal
        delete window.data();
    }
}

TEST_F(ScriptedServerTest, RefusedConnectionShowsTheSocketError) {
    quint16 deadPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        deadPort = probe.serverPort();
    }
    open(contactForm(), deadPort);
    fillContact(QStringLiteral("hi"));
    send();
    ASSERT_TRUE(waitForBoxes(1, 5000));
    EXPECT_FALSE(messages.shown[0].text.isEmpty());
    EXPECT_FALSE(messages.shown[0].text.startsWith("Server returned"));
    EXPECT_EQ(messages.shown[0].title, "Headwise");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    expectReadyAgain();
}

TEST_F(ScriptedServerTest, OverLongReplyIsAFailureNotMemoryGrowth) {
    server.onConnect = [](QTcpSocket* s) { ScriptedSmtpServer::say(s, QByteArray(200 * 1024, 'x')); };
    open(contactForm(), server.port());
    fillContact(QStringLiteral("hi"));
    send();
    ASSERT_TRUE(waitForBoxes(1, 5000));
    EXPECT_TRUE(messages.shown[0].text.startsWith("Server returned the following error:\r\nxxx"));
    EXPECT_LE(messages.shown[0].text.size(), 2000);
    expectReadyAgain();
    EXPECT_TRUE(server.commands.isEmpty());
}

TEST_F(ScriptedServerTest, TellFriendRecipientIsFixedAtSendAndBodyAtConnection) {
    open(tellFriendForm(), server.port());
    fillTellFriend();
    find<QPlainTextEdit>("txtComments")->setPlainText(QStringLiteral("Really\ngood"));
    find<QComboBox>("cboSubject")->setCurrentIndex(0);
    send();
    // Both edits land before the connection is made: only the body follows them.
    find<QLineEdit>("txtFriend")->setText(QStringLiteral("changed@c.example"));
    find<QPlainTextEdit>("txtComments")->setPlainText(QStringLiteral("Changed\nmind"));
    ASSERT_TRUE(waitForWindowGone());
    ASSERT_GE(server.commands.size(), 3);
    EXPECT_EQ(server.commands[2], "RCPT TO:<bob@b.example>");
    ASSERT_EQ(server.messages.size(), 1);
    const QByteArray& data = server.messages[0];
    EXPECT_TRUE(
        data.startsWith("From: <ann@a.example>\r\nTo: bob@b.example\r\n"
                        "Subject: From: Ann -  I Highly Recommend It!\r\nX-Mailer: VarnholtTellaFriend\r\n"));
    const QString body = tellFriendBody(QStringLiteral("Bob"), QStringLiteral("Changed\nmind"),
                                        programPageAddress(), QStringLiteral("Ann"));
    EXPECT_TRUE(data.endsWith(QByteArray("\r\n\r\n" + body.toUtf8()))) << data.constData();
}

TEST_F(ScriptedServerTest, LineBreakInANameNeverConnects) {
    open(tellFriendForm(), server.port());
    fillTellFriend();
    find<QLineEdit>("txtName")->setText(QStringLiteral("Ann\r\nBcc: all@x.example"));
    send();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Headwise");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_TRUE(sendEnabled());
    EXPECT_EQ(status(), "Status - Ready");
    QCoreApplication::processEvents();
    EXPECT_EQ(server.connections, 0);
}

// Watches the session's reply buffer and the socket's own at every arrival.
struct BufferWatch {
    qsizetype reply = 0;
    qint64 socket = 0;
    int arrivals = 0;
};

void watchBuffers(QWidget* window, BufferWatch& watch) {
    auto* session = window->findChild<SmtpSession*>();
    auto* socket = window->findChild<QTcpSocket*>(QStringLiteral("Winsock1"));
    ASSERT_NE(session, nullptr);
    ASSERT_NE(socket, nullptr);
    EXPECT_EQ(socket->readBufferSize(), SmtpSession::kMaxReplyBytes);
    QObject::connect(socket, &QTcpSocket::readyRead, window, [&watch, session, socket] {
        ++watch.arrivals;
        watch.reply = qMax(watch.reply, session->bufferedReplyBytes());
        watch.socket = qMax(watch.socket, socket->bytesAvailable());
    });
}

TEST_F(ScriptedServerTest, HostileRepliesFailWithinTheirLimitsAndKeepTheBuffersCapped) {
    const QString refused = QStringLiteral("Server returned the following error:\r\n");
    struct Case {
        const char* name;
        int dripIntervalMs; // 0: everything at once
        QByteArray piece;
        int pieces;
        QString expectedStart;
    };
    const Case cases[] = {
        // A line that never ends, faster than the time-out: the cap ends it.
        {"endless line, fast", 1, QByteArray(4096, 'x'), 4096, refused + "220 xxxx"},
        // A line that never ends, one byte at a time: the time-out ends it.
        {"endless line, slow drip", 20, "x", 1000, kTimeoutText},
        // Megabytes of well-formed lines in one burst.
        {"megabytes of reply", 0, QByteArray("250-") + QByteArray(250, 'y') + "\r\n", 32 * 1024, refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSmtpServer local;
        QTimer drip;
        int sent = 0;
        local.onConnect = [&](QTcpSocket* s) {
            if (c.dripIntervalMs == 0) {
                ScriptedSmtpServer::say(s, c.piece.repeated(c.pieces));
                return;
            }
            ScriptedSmtpServer::say(s, "220 ");
            QObject::connect(&drip, &QTimer::timeout, s, [&, s] {
                if (sent++ < c.pieces && s->state() == QAbstractSocket::ConnectedState)
                    ScriptedSmtpServer::say(s, c.piece);
                else
                    drip.stop();
            });
            drip.start(c.dripIntervalMs);
        };
        messages.shown.clear();
        open(contactForm(), local.port());
        window->setTickInterval(5); // the time-out after 30 ticks
        BufferWatch watch;
        watchBuffers(window, watch);
        fillContact(QStringLiteral("hi"));
        QElapsedTimer clock;
        clock.start();
        send();
        ASSERT_TRUE(waitForBoxes(1, 10000));
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_TRUE(messages.shown[0].text.startsWith(c.expectedStart))
            << messages.shown[0].text.left(80).toStdString();
        EXPECT_EQ(messages.shown[0].title, "Headwise");
        EXPECT_LE(messages.shown[0].text.size(), refused.size() + SmtpSession::kMaxReplyBytes);
        EXPECT_GT(watch.arrivals, 0);
        EXPECT_LE(watch.reply, SmtpSession::kMaxReplyBytes);
        EXPECT_LE(watch.socket, SmtpSession::kMaxReplyBytes);
        expectReadyAgain();
        EXPECT_EQ(messages.shown.size(), 1);

        // Send works again once the server behaves.
        drip.stop();
        local.onConnect = [](QTcpSocket* s) { ScriptedSmtpServer::say(s, "220 sane again\r\n"); };
        send();
        ASSERT_TRUE(waitForWindowGone());
        ASSERT_EQ(messages.shown.size(), 2);
        EXPECT_EQ(messages.shown[1].title, "Message Sent");
    }
}

} // namespace
