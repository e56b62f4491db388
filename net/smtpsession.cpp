#include "net/smtpsession.h"

#include "core/appinfo.h"
#include "core/page/linebreaks.h"

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
      socket_(new QSslSocket(this)), timer_(new QTimer(this)) {
    socket_->setObjectName(QStringLiteral("Winsock1"));
    socket_->setReadBufferSize(kMaxReplyBytes);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(1000);

    connect(socket_, &QSslSocket::connected, this, &SmtpSession::Winsock1_Connect);
    connect(socket_, &QSslSocket::encrypted, this, &SmtpSession::Winsock1_Encrypted);
    connect(socket_, &QSslSocket::readyRead, this, &SmtpSession::Winsock1_DataArrival);
    connect(socket_, &QSslSocket::disconnected, this, &SmtpSession::Winsock1_Close);
    connect(socket_, &QSslSocket::errorOccurred, this, &SmtpSession::Winsock1_Error);
    connect(timer_, &QTimer::timeout, this, &SmtpSession::Timer1_Timer);
}

void SmtpSession::setTickInterval(int milliseconds) {
    timer_->setInterval(milliseconds);
}

bool SmtpSession::startSession(const MailRequest& request) {
    return start(request, false);
}

bool SmtpSession::startTest(const MailRequest& request) {
    return start(request, true);
}

bool SmtpSession::start(const MailRequest& request, bool test) {
    if (state_ != State::Idle || !isSendable(request))
        return false;
    request_ = request;
    test_ = test;
    state_ = State::Connecting;
    reply_.clear();
    owner_.setSendEnabled(false);
    owner_.setStatus(QStringLiteral("Connecting..."));
    if (!request_.Login) {
        socket_->connectToHost(request_.SmtpHost, request_.SmtpPort);
        return true;
    }
    // Read at every start, so authorities added while the program runs count.
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket_->setSslConfiguration(configuration);
    // The user's own server gets the reply's time limit for the connection
    // too: a host that never answers would otherwise hold Send disabled for
    // the system's limit, minutes.
    startWait();
    if (request_.Login->security == MailSecurity::Tls)
        socket_->connectToHostEncrypted(request_.SmtpHost, request_.SmtpPort);
    else
        socket_->connectToHost(request_.SmtpHost, request_.SmtpPort);
    return true;
}

void SmtpSession::endSession() {
    const bool succeeded = state_ == State::Sent;
    const bool wasRunning = state_ != State::Idle;
    state_ = State::Idle;
    awaiting_ = false;
    timer_->stop();
    if (succeeded)
        socket_->disconnectFromHost(); // QUIT is still on its way
    else
        socket_->abort();
    owner_.setSendEnabled(true);
    if (wasRunning && !succeeded)
        owner_.setStatus(QStringLiteral("Status - Ready"));
}

void SmtpSession::Winsock1_Connect() {
    if (state_ != State::Connecting)
        return;
    if (request_.Login && request_.Login->security == MailSecurity::Tls) {
        // The greeting comes once the handshake is done; the handshake has the reply's time limit.
        owner_.setStatus(QStringLiteral("Securing connection..."));
        startWait();
        return;
    }
    beginDialogue();
}

void SmtpSession::Winsock1_Encrypted() {
    if (state_ == State::Connecting)
        beginDialogue();
    else if (state_ == State::StartTlsHandshake)
        resumeLater();
}

void SmtpSession::Winsock1_DataArrival() {
    if (!inDialogue())
        return;
    reply_.append(socket_->read(reply_.wanted()));
    if (awaiting_ && reply_.ready())
        resumeLater();
}

void SmtpSession::Winsock1_Close() {
    if (inDialogue())
        resumeLater();
}

void SmtpSession::Winsock1_Error(QAbstractSocket::SocketError error) {
    if (state_ != State::Connecting && !inDialogue())
        return;
    if (error == QAbstractSocket::RemoteHostClosedError && inDialogue()) {
        // A complete reply that came just before the close is still judged;
        // the closed socket is noticed at the next wait.
        if (awaiting_ && !reply_.ready())
            fail(kTimeoutText, true);
        return;
    }
    if (error == QAbstractSocket::SslHandshakeFailedError) {
        QStringList reasons;
        for (const QSslError& sslError : socket_->sslHandshakeErrors())
            reasons.append(sslError.errorString());
        if (reasons.isEmpty())
            reasons.append(socket_->errorString());
        fail(kCertificateText + reasons.join(kCrLf), false);
        return;
    }
    fail(socket_->errorString(), false);
}

void SmtpSession::Timer1_Timer() {
    ++tickCount_;
    if (tickCount_ == kTimeoutTicks && awaiting_)
        fail(kTimeoutText, true);
}

void SmtpSession::fail(const QString& text, bool endFirst) {
    state_ = State::Failing; // nothing else speaks while this box is up
    awaiting_ = false;
    timer_->stop();
    QPointer<SmtpSession> self(this);
    if (endFirst)
        endSession();
    owner_.showMessage(text, applicationTitle(), MessageIcon::None);
    if (self && !endFirst)
        endSession();
}

bool SmtpSession::send(const QByteArray& bytes) {
    const State before = state_;
    // A server that hung up is noticed by the wait that follows.
    if (socket_->state() == QAbstractSocket::ConnectedState) {
        socket_->write(bytes);
        socket_->flush();
    }
    // A write the socket refuses at once reports its error now, which may end the session.
    return state_ == before;
}

QByteArray SmtpSession::localIdentity() const {
    const QString host = QHostInfo::localHostName();
    if (!host.isEmpty() && !host.contains(QLatin1Char('\r')) && !host.contains(QLatin1Char('\n')))
        return host.toUtf8();
    return "[" + socket_->localAddress().toString().toLatin1() + "]";
}

// Every wait counts its ticks from its own start.
void SmtpSession::startWait() {
    tickCount_ = 0;
    awaiting_ = true;
    timer_->start();
}

void SmtpSession::beginDialogue() {
    state_ = State::Greeting;
    owner_.sessionConnected();
    owner_.setStatus(QStringLiteral("Connected"));
    await(State::Greeting);
}

void SmtpSession::await(State next) {
    state_ = next;
    startWait();
    // A reply already in, or a server already gone, is dealt with now.
    resume();
}

void SmtpSession::command(const QByteArray& bytes, State next) {
    state_ = next;
    if (send(bytes))
        await(next);
}

// Judging a reply may show a modal box; run from the socket's own signal, the
// box would let the socket be torn down beneath its emitter.
void SmtpSession::resumeLater() {
    QMetaObject::invokeMethod(this, &SmtpSession::resume, Qt::QueuedConnection);
}

// Ends the wait once its reply (or handshake) is in. Calls left over from an
// earlier wait find nothing to do.
void SmtpSession::resume() {
    if (!awaiting_ || !inDialogue())
        return;
    const bool done = state_ == State::StartTlsHandshake ? socket_->isEncrypted() : reply_.ready();
    if (done) {
        awaiting_ = false;
        timer_->stop();
        advance();
    } else if (socket_->state() == QAbstractSocket::UnconnectedState) {
        // The server hung up without a reply: say so now rather than after 30 ticks.
        fail(kTimeoutText, true);
    }
}

void SmtpSession::advance() {
    if (state_ == State::StartTlsHandshake) {
        // What the server offered before the handshake may have been tampered with.
        command("EHLO " + localIdentity() + kCrLfBytes, State::SecondEhlo);
        return;
    }
    int expected = 250;
    bool login = false;
    switch (state_) {
    case State::Greeting:
    case State::StartTls:
        expected = 220;
        break;
    case State::Data:
        expected = 354;
        break;
    case State::AuthPlain:
    case State::AuthLoginPassword:
        expected = 235;
        login = true;
        break;
    case State::AuthLogin:
    case State::AuthLoginUser:
        expected = 334;
        login = true;
        break;
    default:
        break;
    }
    const QString& refusal = login ? kLoginRefusedText : kRefusedText;
    const bool tooLong = reply_.tooLong();
    const QString reply = QString::fromUtf8(reply_.take());
    if (tooLong)
        fail(refusal + reply.left(kShownReplyChars), false);
    else if (replyCode(reply) != expected)
        fail(refusal + reply, false);
    else
        onReply(reply);
}

// The reply was the one expected: on to the next step.
void SmtpSession::onReply(const QString& reply) {
    const QByteArray& crlf = kCrLfBytes;
    switch (state_) {
    case State::Greeting:
        owner_.setStatus(QStringLiteral("Receiving Welcome Message"));
        if (request_.Login)
            command("EHLO " + localIdentity() + crlf, State::Ehlo);
        else
            command("HELO " + localIdentity() + crlf, State::Helo);
        return;
    case State::Helo:
    case State::AuthPlain:
    case State::AuthLoginPassword:
        greeted();
        return;
    case State::Ehlo: {
        const EhloReply offered = parseEhloReply(reply);
        if (request_.Login->security != MailSecurity::StartTls)
            logIn(offered);
        else if (!offered.startTls)
            fail(kNoStartTlsText, false);
        else
            command("STARTTLS" + crlf, State::StartTls);
        return;
    }
    case State::StartTls:
        secure();
        return;
    case State::SecondEhlo:
        logIn(parseEhloReply(reply));
        return;
    case State::AuthLogin:
        command(authLoginResponse(request_.Login->user) + crlf, State::AuthLoginUser);
        return;
    case State::AuthLoginUser:
        command(authLoginResponse(request_.Login->password) + crlf, State::AuthLoginPassword);
        return;
    case State::MailFrom:
        command("RCPT TO:<" + request_.Recipient.toUtf8() + ">" + crlf, State::RcptTo);
        return;
    case State::RcptTo:
        command("DATA" + crlf, State::Data);
        return;
    case State::Data:
        owner_.setStatus(QStringLiteral("Sending Mail . . ."));
        state_ = State::Message;
        if (send(messageText(request_, mailerName_, owner_.messageBody())))
            command(crlf + "." + crlf, State::Message);
        return;
    case State::Message:
        owner_.setStatus(QStringLiteral("Message Sent"));
        quit(QStringLiteral("Message Sent"));
        return;
    default:
        return;
    }
}

void SmtpSession::secure() {
    owner_.setStatus(QStringLiteral("Securing connection..."));
    // Anything sent in plain text after the 220 is not to be read as the encrypted server's.
    reply_.clear();
    socket_->readAll();
    await(State::StartTlsHandshake);
    if (state_ == State::StartTlsHandshake) // not when the server has already gone
        socket_->startClientEncryption();
}

void SmtpSession::logIn(const EhloReply& offered) {
    const ServerLogin& login = *request_.Login;
    if (login.user.isEmpty()) {
        greeted();
        return;
    }
    if (!socket_->isEncrypted()) {
        fail(kPlainLoginText, false);
        return;
    }
    const AuthMechanism mechanism = chooseAuthMechanism(offered.authMechanisms);
    if (mechanism == AuthMechanism::None) {
        fail(kNoMechanismText, false);
        return;
    }
    owner_.setStatus(QStringLiteral("Logging in..."));
    if (mechanism == AuthMechanism::Plain)
        command("AUTH PLAIN " + authPlainResponse(login.user, login.password) + kCrLfBytes, State::AuthPlain);
    else
        command("AUTH LOGIN" + kCrLfBytes, State::AuthLogin);
}

// Greeted, and logged in where asked: a test ends here, a mail goes on.
void SmtpSession::greeted() {
    if (test_)
        quit(applicationTitle());
    else
        command("MAIL FROM:<" + request_.Sender.toUtf8() + ">" + kCrLfBytes, State::MailFrom);
}

void SmtpSession::quit(const QString& title) {
    // Sent before QUIT goes out: the server's farewell and its hang-up fail nothing.
    state_ = State::Sent;
    send("QUIT" + kCrLfBytes);
    QPointer<SmtpSession> self(this);
    owner_.showMessage(successText_, title, MessageIcon::Information);
    if (!self || state_ != State::Sent)
        return; // the window was closed while the box was up
    endSession();
    owner_.sessionSucceeded();
}

} // namespace headwise
