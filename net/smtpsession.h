#pragma once

#include "messageicon.h"
#include "replybuffer.h"
#include "smtpauth.h"
#include "smtpmessage.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <functional>

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
    virtual void sessionSucceeded() = 0; // after the success box and EndSession
};

// One SMTP exchange at a time over Winsock1. The dialogue waits for each
// reply in a nested event loop, so the window stays usable meanwhile; every
// way out (success, refusal, time-out, socket error, the window closing) runs
// EndSession. A request with a Login goes to the user's own server: EHLO,
// STARTTLS or TLS from the first byte with the certificate checked against
// Qt's default authorities and the host name, and AUTH only when encrypted.
class SmtpSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutTicks = 30;
    // A longer reply is a failure, not a memory sink.
    static constexpr qsizetype kMaxReplyBytes = ReplyBuffer::kMaxBytes;

    SmtpSession(SmtpSessionOwner& owner, const QString& mailerName, const QString& successText,
                QObject* parent = nullptr);
    ~SmtpSession() override;

    // Takes its own copy of the request. False, with nothing started, when the
    // request would put a line break into a command or header.
    bool StartSession(const MailRequest& request);
    // Connects, greets, secures and logs in as StartSession would, then quits
    // without sending; success shows the success text.
    bool StartTest(const MailRequest& request);
    void EndSession();

    bool isRunning() const { return phase_ != Phase::Idle; }
    // What is held of the reply being awaited; never more than kMaxReplyBytes.
    qsizetype bufferedReplyBytes() const { return reply_.size(); }
    void setTickInterval(int milliseconds);

signals:
    // Wakes every AwaitReply that is waiting.
    void wakeUp();

private:
    enum class Phase { Idle, Connecting, Dialogue, Failing, Sent };
    enum class Wait { Reply, Left, TooLong };

    void Winsock1_Connect();
    void Winsock1_Encrypted();
    void Winsock1_DataArrival();
    void Winsock1_Error(QAbstractSocket::SocketError error);
    void Timer1_Timer();

    bool start(const MailRequest& request, bool test);
    void beginDialogue();
    void runDialogue(quint64 id);
    bool greetServer(quint64 id);
    bool ehlo(quint64 id, EhloReply& offered);
    bool secure(quint64 id);
    bool logIn(quint64 id, const EhloReply& offered);
    void finish(quint64 id, const QString& title);
    bool step(quint64 id, const QByteArray& command, int expected, const QString& refusal,
              QString* replyOut = nullptr);
    bool step(quint64 id, const QByteArray& command, int expected);
    // Waits in nested event loops until done() holds; false when the session left meanwhile.
    bool waitUntil(quint64 id, const std::function<bool()>& done);
    Wait AwaitReply(quint64 id, QString& reply);
    void send(const QByteArray& bytes);
    void fail(const QString& text, bool endFirst);
    QByteArray localIdentity() const;

    SmtpSessionOwner& owner_;
    QString mailerName_;
    QString successText_;
    QSslSocket* Winsock1;
    QTimer* Timer1;

    MailRequest request_;
    bool test_ = false;
    Phase phase_ = Phase::Idle;
    quint64 generation_ = 0; // changes at every start and end; a stale dialogue sees it and leaves
    ReplyBuffer reply_;
    bool awaiting_ = false;
    qint32 tickCount_ = 0;
};

} // namespace headwise
