#pragma once

#include "controls.h"
#include "core/mail/mailforms.h"
#include "doubles.h"
#include "ui/mailwindow.h"

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace headwise::testing {

// An SMTP peer on 127.0.0.1 whose every answer a test can script. By default
// it greets and accepts a whole message.
class ScriptedSmtpServer : public QObject {
public:
    ScriptedSmtpServer() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                client = socket;
                ++connections;
                inData_ = false;
                pending_.clear();
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this] { ++hangUps; });
                if (onConnect)
                    onConnect(socket);
            }
        });
    }

    quint16 port() const { return server_.serverPort(); }

    static void say(QTcpSocket* socket, const QByteArray& bytes) {
        socket->write(bytes);
        socket->flush();
    }

    // Replies to one command line; the default accepts everything.
    static void standardReply(QTcpSocket* socket, const QByteArray& verb) {
        if (verb == "QUIT") {
            say(socket, "221 bye\r\n");
            socket->disconnectFromHost();
        } else if (verb == "DATA") {
            say(socket, "354 go ahead\r\n");
        } else {
            say(socket, "250 ok\r\n");
        }
    }

    std::function<void(QTcpSocket*)> onConnect = [](QTcpSocket* s) { say(s, "220 scripted ready\r\n"); };
    // Return false to leave the command to the standard reply.
    std::function<bool(QTcpSocket*, const QByteArray& verb)> onCommand;

    QList<QByteArray> commands; // every command line, without CR LF
    QList<QByteArray> messages; // DATA contents up to the terminating dot line
    QPointer<QTcpSocket> client;
    int connections = 0;
    int hangUps = 0;

private:
    void onReadyRead(QTcpSocket* socket) {
        pending_ += socket->readAll();
        for (;;) {
            if (inData_) {
                const qsizetype end = pending_.indexOf("\r\n.\r\n");
                if (end < 0)
                    return;
                messages.append(pending_.left(end));
                pending_.remove(0, end + 5);
                inData_ = false;
                say(socket, "250 queued\r\n");
                continue;
            }
            const qsizetype end = pending_.indexOf("\r\n");
            if (end < 0)
                return;
            const QByteArray line = pending_.left(end);
            pending_.remove(0, end + 2);
            commands.append(line);
            const QByteArray verb = line.split(' ').first().split(':').first().toUpper();
            if (verb == "DATA")
                inData_ = true;
            if (!(onCommand && onCommand(socket, verb)))
                standardReply(socket, verb);
            if (socket->state() != QAbstractSocket::ConnectedState)
                return;
        }
    }

    QTcpServer server_;
    QByteArray pending_;
    bool inData_ = false;
};

struct ReceivedMail {
    QString helo;
    QString mailFrom;
    QStringList rcptTos;
    QByteArray data;
};

// The messages an SMTP sink recorded in its file, one JSON line each.
inline QList<ReceivedMail> readReceivedMails(const QString& path) {
    QList<ReceivedMail> mails;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return mails;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        QStringList rcpt;
        for (const QJsonValue& v : o.value("rcpt_tos").toArray())
            rcpt << v.toString();
        mails.append({o.value("helo").toString(), o.value("mail_from").toString(), rcpt,
                      QByteArray::fromBase64(o.value("data").toString().toLatin1())});
    }
    return mails;
}

// A mail window on recording message boxes, aimed at a local server.
class MailWindowTest : public ::testing::Test {
protected:
    void TearDown() override { delete window.data(); }

    void open(const MailForm& form, quint16 port) {
        window = new MailWindow(form, messages);
        window->setSmtpServer(QStringLiteral("127.0.0.1"), port);
        window->show();
    }

    template <typename T = QWidget> T* find(const char* name) const { return findControl<T>(window, name); }

    void fillContact(const QString& body) {
        find<QComboBox>("cboSubject")->setCurrentIndex(1);
        find<QLineEdit>("txtFrom")->setText(QStringLiteral("ann@a.example"));
        find<QPlainTextEdit>("txtMessage")->setPlainText(body);
    }

    void fillTellFriend() {
        find<QLineEdit>("txtFriendsName")->setText(QStringLiteral("Bob"));
        find<QLineEdit>("txtFriend")->setText(QStringLiteral("bob@b.example"));
        find<QLineEdit>("txtName")->setText(QStringLiteral("Ann"));
        find<QLineEdit>("txtFrom")->setText(QStringLiteral("ann@a.example"));
    }

    void send() { find<QPushButton>("cmdSend")->click(); }
    QString status() const { return find<QLabel>("lblStatus")->text(); }
    bool sendEnabled() const { return find<QPushButton>("cmdSend")->isEnabled(); }

    bool waitForBoxes(int count, int ms = 10000) {
        return QTest::qWaitFor([&] { return messages.shown.size() >= count; }, ms);
    }

    // Done when the window has gone and deleted itself.
    bool waitForWindowGone(int ms = 10000) {
        return QTest::qWaitFor([&] { return window.isNull(); }, ms);
    }

    RecordingMessageBoxes messages;
    QPointer<MailWindow> window;
};

} // namespace headwise::testing
