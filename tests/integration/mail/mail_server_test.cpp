// The user's own mail server: an aiosmtpd server with STARTTLS on one port and
// TLS from the first byte on another, a certificate from a throwaway authority
// made here with openssl, and login required once encrypted.

#include "mailtestsupport.h"
#include "platform/keyring.h"
#include "platform/settingsstore.h"
#include "serverprocess.h"
#include "ui/mailaccount.h"
#include "ui/mailserverdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHostInfo>
#include <QSpinBox>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace headwise;
using namespace headwise::testing;

namespace {

const QString kUser = QStringLiteral("ann");
const QString kPassword = QStringLiteral("s3cret pass");
const QString kLoginRefused = QStringLiteral("The mail server refused the user name or password:\r\n");
const QString kCertificateFailed =
    QStringLiteral("The mail server's certificate could not be verified, so nothing was sent:\r\n");
const QString kNoStartTls =
    QStringLiteral("The mail server does not offer STARTTLS, so the connection cannot be encrypted.");
const QString kPlainLogin =
    QStringLiteral("The connection to the mail server is not encrypted, so the password was not sent.");
const QString kRefused = QStringLiteral("Server returned the following error:\r\n");

// An authority and a certificate it signed for "localhost" only, made once per
// run; the authority joins Qt's default configuration, as a system one would.
struct TestAuthority {
    QTemporaryDir dir;
    QString certificate;
    QString key;
    QString error;

    TestAuthority() {
        const QString ecKey = QStringLiteral("ec");
        const QStringList curve{QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1")};
        QFile extensions(dir.filePath(QStringLiteral("server.ext")));
        if (!extensions.open(QIODevice::WriteOnly) ||
            extensions.write("subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\n"
                             "extendedKeyUsage=serverAuth\n") < 0) {
            error = QStringLiteral("cannot write the extensions file");
            return;
        }
        extensions.close();
        const QList<QStringList> steps = {
            QStringList{"req", "-x509", "-newkey", ecKey} + curve +
                QStringList{"-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj",
                            "/CN=Headwise Test Authority", "-addext", "basicConstraints=critical,CA:TRUE",
                            "-addext", "keyUsage=critical,keyCertSign,cRLSign"},
            QStringList{"req", "-newkey", ecKey} + curve +
                QStringList{"-nodes", "-keyout", "server.key", "-out", "server.csr", "-subj",
                            "/CN=localhost"},
            QStringList{"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                        "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext"},
        };
        for (const QStringList& arguments : steps) {
            QProcess openssl;
            openssl.setWorkingDirectory(dir.path());
            openssl.setProcessChannelMode(QProcess::MergedChannels);
            openssl.start(QStringLiteral("openssl"), arguments);
            if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
                error = QString::fromLocal8Bit(openssl.readAll());
                return;
            }
        }
        certificate = dir.filePath(QStringLiteral("server.pem"));
        key = dir.filePath(QStringLiteral("server.key"));
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.addCaCertificates(QSslCertificate::fromPath(dir.filePath(QStringLiteral("ca.pem"))));
        QSslConfiguration::setDefaultConfiguration(configuration);
    }
};

const TestAuthority& authority() {
    static const TestAuthority made;
    return made;
}

// A mail window whose account names a server; the keyring and the password
// question are doubles.
class AccountTest : public MailWindowTest {
protected:
    void configure(const QString& host, quint16 port, MailSecurity security, const QString& user,
                   const QString& password) {
        account.save({.host = host, .port = port, .security = security, .user = user}, password, false,
                     nullptr, {});
    }

    void openConfigured(const MailForm& form) {
        delete window.data(); // the previous case's window, if it is still open
        open(form, 1);        // the account's server replaces this one
        window->setMailAccount(&account);
    }

    void expectReadyAgain() {
        EXPECT_TRUE(sendEnabled());
        EXPECT_EQ(status(), "Status - Ready");
        EXPECT_FALSE(window.isNull());
    }

    MemorySettings settings;
    MemoryKeyring keyring;
    ScriptedPasswordPrompt prompt;
    MailAccount account{settings, keyring, prompt};
};

class TlsServerTest : public AccountTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(authority().error.isEmpty()) << authority().error.toStdString();
        ASSERT_TRUE(dir_.isValid());
        outPath_ = dir_.filePath(QStringLiteral("received.jsonl"));
        const QStringList arguments{outPath_, authority().certificate, authority().key, kUser, kPassword};
        startTlsPort = quint16(startTlsSink_.start(arguments + QStringList{"starttls"}));
        tlsPort = quint16(tlsSink_.start(arguments + QStringList{"tls"}));
        ASSERT_NE(startTlsPort, 0) << "the STARTTLS sink did not start";
        ASSERT_NE(tlsPort, 0) << "the TLS sink did not start";
    }

    quint16 portFor(MailSecurity security) const {
        return security == MailSecurity::Tls ? tlsPort : startTlsPort;
    }
    QList<ReceivedMail> received() const { return readReceivedMails(outPath_); }
    bool waitForMails(int count) const {
        return QTest::qWaitFor([&] { return received().size() >= count; }, 15000);
    }

    quint16 startTlsPort = 0;
    quint16 tlsPort = 0;

private:
    QTemporaryDir dir_;
    QString outPath_;
    ServerProcess startTlsSink_{QStringLiteral(HEADWISE_SMTP_TLS_SINK)};
    ServerProcess tlsSink_{QStringLiteral(HEADWISE_SMTP_TLS_SINK)};
};

TEST_F(TlsServerTest, BothWindowsDeliverThroughTheEncryptedServerAfterLoggingIn) {
    struct Case {
        const char* name;
        const MailForm& form;
        MailSecurity security;
    };
    const Case cases[] = {
        {"Contact over STARTTLS", contactForm(), MailSecurity::StartTls},
        {"Contact over TLS", contactForm(), MailSecurity::Tls},
        {"Tell a Friend over STARTTLS", tellFriendForm(), MailSecurity::StartTls},
        {"Tell a Friend over TLS", tellFriendForm(), MailSecurity::Tls},
    };
    int delivered = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        configure(QStringLiteral("localhost"), portFor(c.security), c.security, kUser, kPassword);
        openConfigured(c.form);
        if (c.form.kind == MailFormKind::Contact) {
            find<QComboBox>("cboSubject")->setCurrentIndex(4);
            find<QLineEdit>("txtFrom")->setText(QStringLiteral("ann@a.example"));
            find<QPlainTextEdit>("txtMessage")
                ->setPlainText(QStringLiteral("First line\n.\n.leading dot\nlast"));
        } else {
            fillTellFriend();
        }
        send();
        ASSERT_TRUE(waitForWindowGone());
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, "Message Sent") << messages.shown[0].text.toStdString();
        ASSERT_TRUE(waitForMails(++delivered));

        const ReceivedMail mail = received().constLast();
        EXPECT_EQ(mail.helo, QHostInfo::localHostName());
        EXPECT_EQ(mail.mailFrom, "ann@a.example");
        if (c.form.kind == MailFormKind::Contact) {
            EXPECT_EQ(mail.rcptTos, QStringList{"feedback@headwise.example"});
            EXPECT_EQ(mail.data, "From: <ann@a.example>\r\n"
                                 "To: feedback@headwise.example\r\n"
                                 "Subject: Headwise -  Technical Support\r\n"
                                 "X-Mailer: VarnholtBugReport\r\n"
                                 "Mime-Version: 1.0\r\n"
                                 "Content-Type: text/plain;\tcharset=us-ascii\r\n"
                                 "\r\n"
                                 "First line\r\n.\r\n.leading dot\r\nlast\r\n");
        } else {
            EXPECT_EQ(mail.rcptTos, QStringList{"bob@b.example"});
            EXPECT_TRUE(mail.data.startsWith("From: <ann@a.example>\r\nTo: bob@b.example\r\n"
                                             "Subject: From: Ann -  I'm using a new program\r\n"));
        }
    }
}

TEST_F(TlsServerTest, RefusedLoginsAndCertificatesEndTheSessionWithNothingSent) {
    struct Case {
        const char* name;
        QString host;
        MailSecurity security;
        QString password;
        QString expectedStart;
        QString expectedReply; // part of the server's answer shown, if any
    };
    const Case cases[] = {
        {"wrong password after STARTTLS", "localhost", MailSecurity::StartTls, "wrong", kLoginRefused, "535"},
        {"wrong password over TLS", "localhost", MailSecurity::Tls, "wrong", kLoginRefused, "535"},
        // The certificate names localhost only.
        {"host name not in the certificate, STARTTLS", "127.0.0.1", MailSecurity::StartTls, kPassword,
         kCertificateFailed, ""},
        {"host name not in the certificate, TLS", "127.0.0.1", MailSecurity::Tls, kPassword,
         kCertificateFailed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        configure(c.host, portFor(c.security), c.security, kUser, c.password);
        openConfigured(contactForm());
        fillContact(QStringLiteral("never sent"));
        send();
        ASSERT_TRUE(waitForBoxes(1));
        EXPECT_TRUE(messages.shown[0].text.startsWith(c.expectedStart))
            << messages.shown[0].text.toStdString();
        EXPECT_TRUE(messages.shown[0].text.contains(c.expectedReply));
        EXPECT_EQ(messages.shown[0].title, "Headwise");
        expectReadyAgain();
        EXPECT_EQ(messages.shown.size(), 1);
    }
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(TlsServerTest, DialogTestShowsEveryStepAndTheOutcome) {
    struct Case {
        const char* name;
        MailSecurity security;
        QString password;
        QStringList expectedParts;
    };
    const Case cases[] = {
        {"STARTTLS and login",
         MailSecurity::StartTls,
         kPassword,
         {"Connected", "Securing connection...", "Logging in...", "The mail server answered every step."}},
        {"TLS and login",
         MailSecurity::Tls,
         kPassword,
         {"Securing connection...", "Logging in...", "The mail server answered every step."}},
        {"refused login", MailSecurity::StartTls, "wrong", {"Logging in...", kLoginRefused, "535"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        MailServerDialog dialog(account, messages);
        dialog.findChild<QLineEdit*>("txtSmtpHost")->setText(QStringLiteral("localhost"));
        dialog.findChild<QComboBox*>("cboSmtpSecurity")->setCurrentIndex(int(c.security));
        dialog.findChild<QSpinBox*>("spinSmtpPort")->setValue(portFor(c.security));
        dialog.findChild<QLineEdit*>("txtSmtpUser")->setText(kUser);
        dialog.findChild<QLineEdit*>("txtSmtpPassword")->setText(c.password);
        auto* test = dialog.findChild<QPushButton*>("cmdSmtpTest");
        test->click();
        ASSERT_TRUE(waitForBoxes(1));
        for (const QString& part : c.expectedParts)
            EXPECT_TRUE(messages.shown[0].text.contains(part)) << part.toStdString();
        EXPECT_TRUE(test->isEnabled());
    }
    EXPECT_TRUE(received().isEmpty());
}

// Refusals the client makes itself, against a peer whose EHLO answer is scripted.
class ScriptedAccountTest : public AccountTest {
protected:
    void answerEhlo(QList<QByteArray> pieces) {
        server.onCommand = [pieces](QTcpSocket* s, const QByteArray& verb) {
            if (verb != "EHLO")
                return false;
            // Each piece after the first follows 20 ms later, as a slow server sends them.
            for (qsizetype i = 0; i < pieces.size(); ++i)
                QTimer::singleShot(int(20 * i), s,
                                   [s, piece = pieces[i]] { ScriptedSmtpServer::say(s, piece); });
            return true;
        };
    }

    bool sawCommandStartingWith(const QByteArray& start) const {
        return std::any_of(server.commands.begin(), server.commands.end(),
                           [&](const QByteArray& command) { return command.startsWith(start); });
    }

    ScriptedSmtpServer server;
};

TEST_F(ScriptedAccountTest, ClientRefusesToGoOnWithoutTheEncryptionAsked) {
    const QByteArray password = kPassword.toUtf8();
    struct Case {
        const char* name;
        MailSecurity security;
        QList<QByteArray> ehlo;
        QString expectedStart;
    };
    const Case cases[] = {
        {"no STARTTLS offered",
         MailSecurity::StartTls,
         {"250-scripted\r\n250 AUTH PLAIN LOGIN\r\n"},
         kNoStartTls},
        {"login asked for on a plain connection",
         MailSecurity::None,
         {"250-scripted\r\n250 AUTH PLAIN LOGIN\r\n"},
         kPlainLogin},
        // The whole multi-line answer is read before deciding: here STARTTLS comes last.
        {"STARTTLS in a later piece, then refused",
         MailSecurity::StartTls,
         {"250-scripted\r\n", "250-AUTH PLAIN\r\n", "250 STARTTLS\r\n"},
         kRefused + "454"},
    };
    server.onCommand = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        server.commands.clear();
        answerEhlo(c.ehlo);
        auto ehloAnswer = server.onCommand;
        server.onCommand = [ehloAnswer](QTcpSocket* s, const QByteArray& verb) {
            if (verb == "STARTTLS") {
                ScriptedSmtpServer::say(s, "454 TLS not available now\r\n");
                return true;
            }
            return ehloAnswer(s, verb);
        };
        configure(QStringLiteral("127.0.0.1"), server.port(), c.security, kUser, kPassword);
        openConfigured(contactForm());
        fillContact(QStringLiteral("never sent"));
        send();
        ASSERT_TRUE(waitForBoxes(1));
        EXPECT_TRUE(messages.shown[0].text.startsWith(c.expectedStart))
            << messages.shown[0].text.toStdString();
        expectReadyAgain();
        ASSERT_FALSE(server.commands.isEmpty());
        EXPECT_TRUE(server.commands[0].startsWith("EHLO "));
        EXPECT_FALSE(sawCommandStartingWith("AUTH"));
        EXPECT_FALSE(sawCommandStartingWith("MAIL"));
        for (const QByteArray& command : server.commands) {
            EXPECT_FALSE(command.contains(password));
            EXPECT_FALSE(command.contains(password.toBase64()));
            EXPECT_FALSE(command.contains(QByteArray("\0ann\0" + password).toBase64()));
        }
        EXPECT_TRUE(server.messages.isEmpty());
    }
}

// A listener whose queue of unaccepted connections is full: the system drops
// further connection requests, so a connect to it never completes.
class SilentListener {
public:
    SilentListener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(listener_, 0) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
        filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(filler_, reinterpret_cast<sockaddr*>(&address), size) != 0)
            port_ = 0;
    }
    ~SilentListener() {
        ::close(filler_);
        ::close(listener_);
    }
    quint16 port() const { return port_; }

private:
    int listener_ = -1;
    int filler_ = -1;
    quint16 port_ = 0;
};

TEST_F(AccountTest, AServerThatNeverAnswersTheConnectionEndsWithinTheTimeLimit) {
    for (MailSecurity security : {MailSecurity::StartTls, MailSecurity::Tls}) {
        SilentListener silent;
        ASSERT_NE(silent.port(), 0);
        messages.shown.clear();
        configure(QStringLiteral("127.0.0.1"), silent.port(), security, kUser, kPassword);
        openConfigured(contactForm());
        window->setTickInterval(20);
        fillContact(QStringLiteral("never sent"));
        send();
        EXPECT_FALSE(sendEnabled());
        ASSERT_TRUE(waitForBoxes(1, 5000));
        EXPECT_TRUE(messages.shown[0].text.startsWith("Could not connect to host!"))
            << messages.shown[0].text.toStdString();
        expectReadyAgain();
    }
}

TEST_F(ScriptedAccountTest, WithoutAUserTheMailGoesAfterEhloUnencryptedWhenChosen) {
    configure(QStringLiteral("127.0.0.1"), server.port(), MailSecurity::None, {}, {});
    openConfigured(contactForm());
    fillContact(QStringLiteral("hi"));
    send();
    ASSERT_TRUE(waitForWindowGone());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Message Sent");
    ASSERT_FALSE(server.commands.isEmpty());
    EXPECT_TRUE(server.commands[0].startsWith("EHLO "));
    EXPECT_FALSE(sawCommandStartingWith("HELO"));
    EXPECT_EQ(server.messages.size(), 1);
    EXPECT_TRUE(prompt.labels.isEmpty());
}

TEST_F(ScriptedAccountTest, PasswordIsAskedAtSendOnlyWhenNoneIsKnown) {
    // Saved without a password: none is held and the keyring has none.
    configure(QStringLiteral("127.0.0.1"), server.port(), MailSecurity::None, kUser, {});
    openConfigured(contactForm());
    fillContact(QStringLiteral("hi"));

    prompt.answers = {std::nullopt};
    send();
    EXPECT_EQ(prompt.labels.size(), 1);
    EXPECT_TRUE(prompt.labels[0].contains(kUser));
    QCoreApplication::processEvents();
    EXPECT_EQ(server.connections, 0); // cancelled: nothing started
    EXPECT_TRUE(sendEnabled());
    EXPECT_TRUE(messages.shown.isEmpty());

    // Typed once, then held for the rest of the run.
    prompt.answers = {QStringLiteral("typed")};
    send();
    ASSERT_TRUE(waitForBoxes(1)); // the plain connection refuses the login
    send();
    ASSERT_TRUE(waitForBoxes(2));
    EXPECT_EQ(prompt.labels.size(), 2);
    EXPECT_EQ(server.connections, 2);

    // A password in the keyring is used without asking.
    MemoryKeyring filled;
    filled.passwords.insert(mailPasswordKey(account.server()), QStringLiteral("kept"));
    MailAccount later(settings, filled, prompt);
    std::optional<QString> password;
    later.passwordForSend(nullptr, nullptr, [&](const std::optional<QString>& answer) { password = answer; });
    EXPECT_EQ(password, QStringLiteral("kept"));
    EXPECT_EQ(prompt.labels.size(), 2);
}

TEST_F(ScriptedAccountTest, SendWaitsForAKeyringThatAnswersLater) {
    struct Case {
        const char* name;
        bool inKeyring;
        bool closeWhileAsking;
    };
    const Case cases[] = {
        {"the keyring has it", true, false},
        {"the keyring has none: the user is asked once it says so", false, false},
        {"the window closed while the keyring is asked", false, true},
    };
    keyring.queued = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        prompt.labels.clear();
        configure(QStringLiteral("127.0.0.1"), server.port(), MailSecurity::None, kUser, {});
        keyring.passwords.clear();
        if (c.inKeyring)
            keyring.passwords.insert(mailPasswordKey(account.server()), QStringLiteral("kept"));
        else if (!c.closeWhileAsking)
            prompt.answers = {QStringLiteral("typed")};
        openConfigured(contactForm());
        fillContact(QStringLiteral("never sent"));
        const int connections = server.connections, reads = keyring.reads, answered = keyring.answered;
        send();
        send(); // pressed again while the keyring is asked: nothing more is asked
        EXPECT_EQ(keyring.reads, reads + 1);
        EXPECT_TRUE(prompt.labels.isEmpty());
        if (c.closeWhileAsking) {
            window->close();
            // An answer to the closed window would come before this later one.
            bool probed = false;
            keyring.readPassword({}, nullptr, [&](Keyring::Result, const QString&) { probed = true; });
            ASSERT_TRUE(QTest::qWaitFor([&] { return probed; }, 5000));
            EXPECT_EQ(keyring.answered, answered + 1);
            EXPECT_TRUE(waitForWindowGone());
        } else {
            ASSERT_TRUE(waitForBoxes(1)); // the plain connection refuses the login
            EXPECT_TRUE(messages.shown[0].text.startsWith(kPlainLogin));
        }
        EXPECT_EQ(prompt.labels.size(), c.inKeyring || c.closeWhileAsking ? 0 : 1);
        EXPECT_EQ(server.connections, connections + (c.closeWhileAsking ? 0 : 1));
    }
}

// Against a real Secret Service only: scripts/keyring-check.sh starts one.
TEST(SystemKeyring, KeepsReadsAndForgetsAPasswordAnsweringLaterAndOnlyToLiveAskers) {
    if (qEnvironmentVariableIsEmpty("HEADWISE_REAL_KEYRING"))
        GTEST_SKIP() << "needs a Secret Service; run scripts/keyring-check.sh";
    using Result = Keyring::Result;
    SystemKeyring keyring;
    const QString key = QStringLiteral("check-%1@h.example").arg(QCoreApplication::applicationPid());
    const QString password = QStringLiteral("pä ss\u00a0w");
    QObject context;
    QList<Result> results;
    QString read;
    const auto record = [&](Result result, const QString& text = {}) {
        results.append(result);
        read += text;
    };
    keyring.writePassword(key, password, &context, record);
    keyring.readPassword(key, &context, record);
    {
        QObject gone;
        keyring.readPassword(key, &gone,
                             [](Result, const QString&) { ADD_FAILURE() << "answered a gone asker"; });
    }
    keyring.deletePassword(key, &context, record);
    keyring.readPassword(key, &context, record);
    EXPECT_TRUE(results.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return results.size() == 4; }, 30000)); // answered in turn
    EXPECT_EQ(results, (QList<Result>{Result::Done, Result::Done, Result::Done, Result::NotFound}));
    EXPECT_EQ(read, password);
}

} // namespace
