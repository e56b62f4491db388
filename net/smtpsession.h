#pragma once

#include "core/mail/replybuffer.h"
#include "core/mail/smtpauth.h"
#include "core/mail/smtpmessage.h"
#include "core/messageicon.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>

class QSslSocket;
class QTimer;

namespace headwise {

// What a mail session needs from the window that runs it.
class SmtpSessionOwner {
public:
    virtual ~SmtpSessionOwner() = default;
    virtual void setStatus(const QString& text) = 0;
    virtual void setSendEnabled(bool enabled) = 0;
    virtual void sessionConnected() = 0; // before the greeting is awaited
    virtual QString messageBody() = 0;   // read when the message goes out
    virtual void showMessage(const QString& text, const QString& title, MessageIcon icon) = 0;
    virtual void sessionSucceeded() = 0; // after the success box and endSession
};

// One SMTP exchange at a time over Winsock1. The dialogue is a state machine
// driven by the socket's signals and Timer1's ticks, so the window stays
// usable meanwhile; every way out (success, refusal, time-out, socket error,
// the window closing) runs endSession. A request with a Login goes to the
// user's own server: EHLO, STARTTLS or TLS from the first byte with the
// certificate checked against Qt's default authorities and the host name, and
// AUTH only when encrypted.
class SmtpSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutTicks = 30;
    // A longer reply is a failure, not a memory sink.
    static constexpr qsizetype kMaxReplyBytes = ReplyBuffer::kMaxBytes;

    SmtpSession(SmtpSessionOwner& owner, const QString& mailerName, const QString& successText,
                QObject* parent = nullptr);

    // Takes its own copy of the request. False, with nothing started, when the
    // request would put a line break into a command or header.
    bool startSession(const MailRequest& request);
    // Connects, greets, secures and logs in as startSession would, then quits
    // without sending; success shows the success text.
    bool startTest(const MailRequest& request);
    void endSession();

    bool isRunning() const { return state_ != State::Idle; }
    // What is held of the reply being awaited; never more than kMaxReplyBytes.
    qsizetype bufferedReplyBytes() const { return reply_.size(); }
    void setTickInterval(int milliseconds);

private:
    // Each dialogue state awaits one reply (or, in StartTlsHandshake, the
    // handshake); Failing and Sent let nothing speak while their box is up.
    enum class State {
        Idle,
        Connecting, // the connection and, with TLS from the first byte, its handshake
        Greeting,
        Helo,
        Ehlo,
        StartTls,
        StartTlsHandshake,
        SecondEhlo,
        AuthPlain,
        AuthLogin,
        AuthLoginUser,
        AuthLoginPassword,
        MailFrom,
        RcptTo,
        Data,
        Message,
        Failing,
        Sent,
    };

    void Winsock1_Connect();
    void Winsock1_Encrypted();
    void Winsock1_DataArrival();
    void Winsock1_Close();
    void Winsock1_Error(QAbstractSocket::SocketError error);
    void Timer1_Timer();

    bool start(const MailRequest& request, bool test);
    bool inDialogue() const { return state_ >= State::Greeting && state_ <= State::Message; }
    void beginDialogue();
    void startWait();
    void await(State next);
    void command(const QByteArray& bytes, State next);
    void resumeLater();
    void resume();
    void advance();
    void onReply(const QString& reply);
    void logIn(const EhloReply& offered);
    void greeted();
    void quit(const QString& title);
    void secure();
    bool send(const QByteArray& bytes);
    void fail(const QString& text, bool endFirst);
    QByteArray localIdentity() const;

    SmtpSessionOwner& owner_;
    QString mailerName_;
    QString successText_;
    QSslSocket* socket_;
    QTimer* timer_;

    MailRequest request_;
    bool test_ = false;
    State state_ = State::Idle;
    ReplyBuffer reply_;
    bool awaiting_ = false; // Timer1 counts toward the time-out
    qint32 tickCount_ = 0;
};

} // namespace headwise
