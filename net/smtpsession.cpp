#include "smtpsession.h"

#include "appinfo.h"
#include "linebreaks.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace headwise {
namespace {

const QString kTimeoutText = QStringLiteral("Could not connect to host!     ") + kCrLf +
                             QStringLiteral("Please try again later.     ");
const QString kRefusedText = QStringLiteral("Server returned the following error:") + kCrLf;

// An over-long reply is shown only as far as anyone would read it.
constexpr qsizetype kShownReplyChars = 1024;

} // namespace

SmtpSession::SmtpSession(SmtpSessionOwner& owner, const QString& mailerName, const QString& successText,
                         QObject* parent)
    : QObject(parent), owner_(owner), mailerName_(mailerName), successText_(successText),
      Winsock1(new QTcpSocket(this)), Timer1(new QTimer(this)) {
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    Winsock1->setReadBufferSize(kMaxReplyBytes);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connect(Winsock1, &QTcpSocket::connected, this, &SmtpSession::Winsock1_Connect);
    connect(Winsock1, &QTcpSocket::readyRead, this, &SmtpSession::Winsock1_DataArrival);
    connect(Winsock1, &QTcpSocket::errorOccurred, this, &SmtpSession::Winsock1_Error);
    connect(Winsock1, &QTcpSocket::disconnected, this, &SmtpSession::wakeUp);
    connect(Timer1, &QTimer::timeout, this, &SmtpSession::Timer1_Timer);
}

SmtpSession::~SmtpSession() {
    // A dialogue still waiting on the stack must return; it sees this object gone.
    emit wakeUp();
}

void SmtpSession::setTickInterval(int milliseconds) {
    Timer1->setInterval(milliseconds);
}

bool SmtpSession::StartSession(const MailRequest& request) {
    if (phase_ != Phase::Idle || !isSendable(request))
        return false;
    request_ = request;
    ++generation_;
    phase_ = Phase::Connecting;
    reply_.clear();
    owner_.setSendEnabled(false);
    owner_.setStatus(QStringLiteral("Connecting..."));
    Winsock1->connectToHost(request_.SmtpHost, request_.SmtpPort);
    return true;
}

void SmtpSession::EndSession() {
    const bool succeeded = phase_ == Phase::Sent;
    const bool wasRunning = phase_ != Phase::Idle;
    ++generation_;
    phase_ = Phase::Idle;
    awaiting_ = false;
    Timer1->stop();
    if (succeeded)
        Winsock1->disconnectFromHost(); // QUIT is still on its way
    else
        Winsock1->abort();
    emit wakeUp();
    owner_.setSendEnabled(true);
    if (wasRunning && !succeeded)
        owner_.setStatus(QStringLiteral("Status - Ready"));
}

void SmtpSession::Winsock1_Connect() {
    if (phase_ != Phase::Connecting)
        return;
    phase_ = Phase::Dialogue;
    // The dialogue waits in nested event loops; running it from the socket's
    // own signal would let the socket be torn down beneath its emitter.
    const quint64 id = generation_;
    QMetaObject::invokeMethod(
        this, [this, id] { runDialogue(id); }, Qt::QueuedConnection);
}

void SmtpSession::Winsock1_DataArrival() {
    if (phase_ != Phase::Dialogue)
        return;
    reply_.append(Winsock1->read(reply_.wanted()));
    emit wakeUp();
}

void SmtpSession::Winsock1_Error(QAbstractSocket::SocketError error) {
    if (phase_ != Phase::Connecting && phase_ != Phase::Dialogue)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError && phase_ == Phase::Dialogue) {
        // A complete reply that came just before the close is still judged by the
        // dialogue; it notices the closed socket at its next wait.
        if (awaiting_ && !reply_.ready())
            fail(kTimeoutText, true);
        return;
    }
    fail(Winsock1->errorString(), false);
}

void SmtpSession::Timer1_Timer() {
    ++tickCount_;
    if (tickCount_ == kTimeoutTicks && awaiting_)
        fail(kTimeoutText, true);
}

void SmtpSession::fail(const QString& text, bool endFirst) {
    phase_ = Phase::Failing; // nothing else speaks while this box is up
    awaiting_ = false;
    Timer1->stop();
    QPointer<SmtpSession> self(this);
    if (endFirst)
        EndSession();
    owner_.showMessage(text, applicationTitle(), MessageIcon::None);
    if (self && !endFirst)
        EndSession();
}

void SmtpSession::send(const QByteArray& bytes) {
    // A server that hung up is noticed by the wait that follows.
    if (Winsock1->state() != QAbstractSocket::ConnectedState)
        return;
    Winsock1->write(bytes);
    Winsock1->flush();
}

QByteArray SmtpSession::localIdentity() const {
    const QString host = QHostInfo::localHostName();
    if (!host.isEmpty() && !host.contains(QLatin1Char('\r')) && !host.contains(QLatin1Char('\n')))
        return host.toUtf8();
    return "[" + Winsock1->localAddress().toString().toLatin1() + "]";
}

SmtpSession::Wait SmtpSession::AwaitReply(quint64 id, QString& reply) {
    QPointer<SmtpSession> self(this);
    tickCount_ = 0;
    Timer1->start();
    awaiting_ = true;
    while (!reply_.ready()) {
        if (generation_ != id || phase_ != Phase::Dialogue)
            return Wait::Left;
        if (Winsock1->state() == QAbstractSocket::UnconnectedState) {
            // The server hung up without a reply: say so now rather than after 30 ticks.
            fail(kTimeoutText, true);
            return Wait::Left;
        }
        QEventLoop loop;
        connect(this, &SmtpSession::wakeUp, &loop, &QEventLoop::quit);
        loop.exec();
        if (!self)
            return Wait::Left;
    }
    if (generation_ != id)
        return Wait::Left;
    awaiting_ = false;
    Timer1->stop();
    const bool tooLong = reply_.tooLong();
    reply = QString::fromUtf8(reply_.take());
    return tooLong ? Wait::TooLong : Wait::Reply;
}

bool SmtpSession::step(quint64 id, const QByteArray& command, int expected) {
    if (!command.isEmpty())
        send(command);
    QString reply;
    const Wait wait = AwaitReply(id, reply);
    if (wait == Wait::Left)
        return false;
    if (wait == Wait::TooLong) {
        fail(kRefusedText + reply.left(kShownReplyChars), false);
        return false;
    }
    if (ReplyCode(reply) != expected) {
        fail(kRefusedText + reply, false);
        return false;
    }
    QPointer<SmtpSession> self(this);
    QCoreApplication::processEvents();
    return self && generation_ == id && phase_ == Phase::Dialogue;
}

void SmtpSession::runDialogue(quint64 id) {
    if (generation_ != id || phase_ != Phase::Dialogue)
        return;
    QPointer<SmtpSession> self(this);
    const QByteArray crlf = "\r\n";
    owner_.sessionConnected();
    if (!self || generation_ != id)
        return;
    owner_.setStatus(QStringLiteral("Connected"));
    if (!step(id, {}, 220))
        return;
    owner_.setStatus(QStringLiteral("Receiving Welcome Message"));
    if (!step(id, "HELO " + localIdentity() + crlf, 250))
        return;
    if (!step(id, "MAIL FROM:<" + request_.Sender.toUtf8() + ">" + crlf, 250))
        return;
    if (!step(id, "RCPT TO:<" + request_.Recipient.toUtf8() + ">" + crlf, 250))
        return;
    if (!step(id, "DATA" + crlf, 354))
        return;
    owner_.setStatus(QStringLiteral("Sending Mail . . ."));
    send(messageText(request_, mailerName_, owner_.messageBody()));
    if (!step(id, crlf + "." + crlf, 250))
        return;
    owner_.setStatus(QStringLiteral("Message Sent"));
    send("QUIT" + crlf);
    phase_ = Phase::Sent;
    owner_.showMessage(successText_, QStringLiteral("Message Sent"), MessageIcon::Information);
    if (!self || generation_ != id)
        return; // the window was closed while the box was up
    EndSession();
    owner_.sessionSucceeded();
}

} // namespace headwise
