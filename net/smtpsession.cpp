#include "smtpsession.h"

#include "appinfo.h"
#include "linebreaks.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace headwise {
namespace {

const QString kTimeoutText = QStringLiteral("Could not connect to host!     ") + kCrLf +
                             QStringLiteral("Please try again later.     ");
const QString kRefusedText = QStringLiteral("Server returned the following error:") + kCrLf;
const QString kNoStartTlsText =
    QStringLiteral("The mail server does not offer STARTTLS, so the connection cannot be encrypted.") +
    kCrLf + QStringLiteral("Nothing was sent.");
const QString kCertificateText =
    QStringLiteral("The mail server's certificate could not be verified, so nothing was sent:") + kCrLf;
const QString kPlainLoginText =
    QStringLiteral("The connection to the mail server is not encrypted, so the password was not sent.") +
    kCrLf + QStringLiteral("Choose STARTTLS or TLS in Tools, Mail Server.");
const QString kNoMechanismText =
    QStringLiteral("The mail server offers no login method Headwise knows (PLAIN or LOGIN).");
const QString kLoginRefusedText =
    QStringLiteral("The mail server refused the user name or password:") + kCrLf;
const QByteArray kCrLfBytes = "\r\n";

// An over-long reply is shown only as far as anyone would read it.
constexpr qsizetype kShownReplyChars = 1024;

} // namespace

SmtpSession::SmtpSession(SmtpSessionOwner& owner, const QString& mailerName, const QString& successText,
                         QObject* parent)
    : QObject(parent), owner_(owner), mailerName_(mailerName), successText_(successText),
      Winsock1(new QSslSocket(this)), Timer1(new QTimer(this)) {
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    Winsock1->setReadBufferSize(kMaxReplyBytes);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connect(Winsock1, &QSslSocket::connected, this, &SmtpSession::Winsock1_Connect);
    connect(Winsock1, &QSslSocket::encrypted, this, &SmtpSession::Winsock1_Encrypted);
    connect(Winsock1, &QSslSocket::readyRead, this, &SmtpSession::Winsock1_DataArrival);
    connect(Winsock1, &QSslSocket::errorOccurred, this, &SmtpSession::Winsock1_Error);
    connect(Winsock1, &QSslSocket::disconnected, this, &SmtpSession::wakeUp);
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
    return start(request, false);
}

bool SmtpSession::StartTest(const MailRequest& request) {
    return start(request, true);
}

bool SmtpSession::start(const MailRequest& request, bool test) {
    if (phase_ != Phase::Idle || !isSendable(request))
        return false;
    request_ = request;
    test_ = test;
    ++generation_;
    phase_ = Phase::Connecting;
    reply_.clear();
    owner_.setSendEnabled(false);
    owner_.setStatus(QStringLiteral("Connecting..."));
    if (!request_.Login) {
        Winsock1->connectToHost(request_.SmtpHost, request_.SmtpPort);
        return true;
    }
    // Read at every start, so authorities added while the program runs count.
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    Winsock1->setSslConfiguration(configuration);
    // The user's own server gets the reply's time limit for the connection
    // too: a host that never answers would otherwise hold Send disabled for
    // the system's limit, minutes.
    tickCount_ = 0;
    awaiting_ = true;
    Timer1->start();
    if (request_.Login->security == MailSecurity::Tls)
        Winsock1->connectToHostEncrypted(request_.SmtpHost, request_.SmtpPort);
    else
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
    if (request_.Login && request_.Login->security == MailSecurity::Tls) {
        // The greeting comes once the handshake is done; the handshake has the reply's time limit.
        owner_.setStatus(QStringLiteral("Securing connection..."));
        tickCount_ = 0;
        awaiting_ = true;
        Timer1->start();
        return;
    }
    beginDialogue();
}

void SmtpSession::Winsock1_Encrypted() {
    if (phase_ == Phase::Connecting)
        beginDialogue();
    else
        emit wakeUp(); // STARTTLS is waiting for this
}

void SmtpSession::beginDialogue() {
    awaiting_ = false;
    Timer1->stop();
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
    if (error == QAbstractSocket::SslHandshakeFailedError) {
        QStringList reasons;
        for (const QSslError& sslError : Winsock1->sslHandshakeErrors())
            reasons.append(sslError.errorString());
        if (reasons.isEmpty())
            reasons.append(Winsock1->errorString());
        fail(kCertificateText + reasons.join(kCrLf), false);
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

bool SmtpSession::waitUntil(quint64 id, const std::function<bool()>& done) {
    QPointer<SmtpSession> self(this);
    tickCount_ = 0;
    Timer1->start();
    awaiting_ = true;
    while (!done()) {
        if (generation_ != id || phase_ != Phase::Dialogue)
            return false;
        if (Winsock1->state() == QAbstractSocket::UnconnectedState) {
            // The server hung up without a reply: say so now rather than after 30 ticks.
            fail(kTimeoutText, true);
            return false;
        }
        QEventLoop loop;
        connect(this, &SmtpSession::wakeUp, &loop, &QEventLoop::quit);
        loop.exec();
        if (!self)
            return false;
    }
    if (generation_ != id)
        return false;
    awaiting_ = false;
    Timer1->stop();
    return true;
}

SmtpSession::Wait SmtpSession::AwaitReply(quint64 id, QString& reply) {
    if (!waitUntil(id, [this] { return reply_.ready(); }))
        return Wait::Left;
    const bool tooLong = reply_.tooLong();
    reply = QString::fromUtf8(reply_.take());
    return tooLong ? Wait::TooLong : Wait::Reply;
}

bool SmtpSession::step(quint64 id, const QByteArray& command, int expected) {
    return step(id, command, expected, kRefusedText);
}

bool SmtpSession::step(quint64 id, const QByteArray& command, int expected, const QString& refusal,
                       QString* replyOut) {
    if (!command.isEmpty())
        send(command);
    QString reply;
    const Wait wait = AwaitReply(id, reply);
    if (wait == Wait::Left)
        return false;
    if (wait == Wait::TooLong) {
        fail(refusal + reply.left(kShownReplyChars), false);
        return false;
    }
    if (ReplyCode(reply) != expected) {
        fail(refusal + reply, false);
        return false;
    }
    if (replyOut)
        *replyOut = reply;
    QPointer<SmtpSession> self(this);
    QCoreApplication::processEvents();
    return self && generation_ == id && phase_ == Phase::Dialogue;
}

void SmtpSession::runDialogue(quint64 id) {
    if (generation_ != id || phase_ != Phase::Dialogue)
        return;
    QPointer<SmtpSession> self(this);
    const QByteArray& crlf = kCrLfBytes;
    owner_.sessionConnected();
    if (!self || generation_ != id)
        return;
    owner_.setStatus(QStringLiteral("Connected"));
    if (!step(id, {}, 220))
        return;
    owner_.setStatus(QStringLiteral("Receiving Welcome Message"));
    if (request_.Login) {
        if (!greetServer(id))
            return;
    } else if (!step(id, "HELO " + localIdentity() + crlf, 250)) {
        return;
    }
    if (test_) {
        send("QUIT" + crlf);
        finish(id, applicationTitle());
        return;
    }
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
    finish(id, QStringLiteral("Message Sent"));
}

void SmtpSession::finish(quint64 id, const QString& title) {
    QPointer<SmtpSession> self(this);
    phase_ = Phase::Sent;
    owner_.showMessage(successText_, title, MessageIcon::Information);
    if (!self || generation_ != id)
        return; // the window was closed while the box was up
    EndSession();
    owner_.sessionSucceeded();
}

bool SmtpSession::greetServer(quint64 id) {
    EhloReply offered;
    if (!ehlo(id, offered))
        return false;
    if (request_.Login->security == MailSecurity::StartTls) {
        if (!offered.startTls) {
            fail(kNoStartTlsText, false);
            return false;
        }
        if (!step(id, "STARTTLS" + kCrLfBytes, 220) || !secure(id))
            return false;
        // What the server offered before the handshake may have been tampered with.
        if (!ehlo(id, offered))
            return false;
    }
    return logIn(id, offered);
}

bool SmtpSession::ehlo(quint64 id, EhloReply& offered) {
    QString reply;
    if (!step(id, "EHLO " + localIdentity() + kCrLfBytes, 250, kRefusedText, &reply))
        return false;
    offered = parseEhloReply(reply);
    return true;
}

bool SmtpSession::secure(quint64 id) {
    owner_.setStatus(QStringLiteral("Securing connection..."));
    // Anything sent in plain text after the 220 is not to be read as the encrypted server's.
    reply_.clear();
    Winsock1->readAll();
    Winsock1->startClientEncryption();
    return waitUntil(id, [this] { return Winsock1->isEncrypted(); });
}

bool SmtpSession::logIn(quint64 id, const EhloReply& offered) {
    const ServerLogin& login = *request_.Login;
    if (login.user.isEmpty())
        return true;
    if (!Winsock1->isEncrypted()) {
        fail(kPlainLoginText, false);
        return false;
    }
    const AuthMechanism mechanism = chooseAuthMechanism(offered.authMechanisms);
    if (mechanism == AuthMechanism::None) {
        fail(kNoMechanismText, false);
        return false;
    }
    owner_.setStatus(QStringLiteral("Logging in..."));
    if (mechanism == AuthMechanism::Plain)
        return step(id, "AUTH PLAIN " + authPlainResponse(login.user, login.password) + kCrLfBytes, 235,
                    kLoginRefusedText);
    return step(id, "AUTH LOGIN" + kCrLfBytes, 334, kLoginRefusedText) &&
           step(id, authLoginResponse(login.user) + kCrLfBytes, 334, kLoginRefusedText) &&
           step(id, authLoginResponse(login.password) + kCrLfBytes, 235, kLoginRefusedText);
}

} // namespace headwise
