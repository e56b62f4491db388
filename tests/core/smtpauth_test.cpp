#include "core/mail/smtpauth.h"

#include <gtest/gtest.h>

using namespace headwise;

namespace {

TEST(EhloReply, ReadsExtensionsStartTlsAndAuthMechanisms) {
    struct Case {
        const char* name;
        QString reply;
        QStringList extensions;
        QStringList mechanisms;
        bool startTls;
    };
    const Case cases[] = {
        {"greeting line only", "250 mail.example Hello\r\n", {}, {}, false},
        {"typical submission server",
         "250-mail.example\r\n250-PIPELINING\r\n250-SIZE 1000\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n",
         {"PIPELINING", "SIZE", "STARTTLS", "AUTH"},
         {"PLAIN", "LOGIN"},
         true},
        {"lower case is read as capitals",
         "250-x\r\n250-starttls\r\n250 auth login cram-md5\r\n",
         {"STARTTLS", "AUTH"},
         {"LOGIN", "CRAM-MD5"},
         true},
        {"bare AUTH= names nothing", "250-x\r\n250 AUTH=\r\n", {"AUTH"}, {}, false},
        {"old AUTH= form and a repeated AUTH line",
         "250-x\r\n250-AUTH=LOGIN\r\n250 AUTH LOGIN PLAIN\r\n",
         {"AUTH", "AUTH"},
         {"LOGIN", "PLAIN"},
         false},
        {"STARTTLS only named in the greeting line", "250 STARTTLS\r\n", {}, {}, false},
        {"keyword that merely begins with STARTTLS", "250-x\r\n250 STARTTLSX\r\n", {"STARTTLSX"}, {}, false},
        {"empty and short lines", "250-x\r\n250-\r\n25\r\n250 SIZE\r\n", {"SIZE"}, {}, false},
        {"no line break at all", "250 x", {}, {}, false},
    };
    for (const Case& c : cases) {
        const EhloReply reply = parseEhloReply(c.reply);
        EXPECT_EQ(reply.extensions, c.extensions) << c.name;
        EXPECT_EQ(reply.authMechanisms, c.mechanisms) << c.name;
        EXPECT_EQ(reply.startTls, c.startTls) << c.name;
    }
}

TEST(AuthMechanism, PlainFirstThenLoginOtherwiseNone) {
    EXPECT_EQ(chooseAuthMechanism({"LOGIN", "PLAIN"}), AuthMechanism::Plain);
    EXPECT_EQ(chooseAuthMechanism({"CRAM-MD5", "LOGIN"}), AuthMechanism::Login);
    EXPECT_EQ(chooseAuthMechanism({"CRAM-MD5", "XOAUTH2"}), AuthMechanism::None);
    EXPECT_EQ(chooseAuthMechanism({}), AuthMechanism::None);
}

TEST(AuthResponses, EncodeUtf8WithNulSeparators) {
    EXPECT_EQ(authPlainResponse("ann", "secret"), "AGFubgBzZWNyZXQ=");
    EXPECT_EQ(QByteArray::fromBase64(authPlainResponse(QStringLiteral("zoë"), QStringLiteral("pä ss"))),
              QByteArray("\0zo\xc3\xab\0p\xc3\xa4 ss", 12));
    EXPECT_EQ(authLoginResponse("ann"), "YW5u");
    EXPECT_EQ(authLoginResponse(""), "");
}

} // namespace
