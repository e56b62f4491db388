#include "core/mail/mailserver.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace headwise;

namespace {

TEST(MailServer, ReadsStoredValuesAndFallsBackOnDamagedOnes) {
    struct Case {
        const char* name;
        QMap<QString, QString> stored;
        QString host;
        quint16 port;
        MailSecurity security;
    };
    const Case cases[] = {
        {"nothing stored", {}, "", 587, MailSecurity::StartTls},
        {"all set",
         {{"Host", "smtp.a.example"}, {"Port", "2525"}, {"Security", "TLS"}},
         "smtp.a.example",
         2525,
         MailSecurity::Tls},
        {"blanks around the host",
         {{"Host", "  smtp.a.example "}},
         "smtp.a.example",
         587,
         MailSecurity::StartTls},
        {"unknown security", {{"Security", "tls"}}, "", 587, MailSecurity::StartTls},
        {"port zero takes the security's", {{"Port", "0"}, {"Security", "None"}}, "", 25, MailSecurity::None},
        {"port too large", {{"Port", "65536"}, {"Security", "TLS"}}, "", 465, MailSecurity::Tls},
        {"port not a number", {{"Port", "5x"}}, "", 587, MailSecurity::StartTls},
    };
    for (const Case& c : cases) {
        const MailServer server = readMailServer([&](const QString& key) { return c.stored.value(key); });
        EXPECT_EQ(server.host, c.host) << c.name;
        EXPECT_EQ(server.port, c.port) << c.name;
        EXPECT_EQ(server.security, c.security) << c.name;
        EXPECT_EQ(server.configured(), !c.host.isEmpty()) << c.name;
    }
}

TEST(MailServer, WrittenValuesReadBackTheSame) {
    for (MailSecurity security : {MailSecurity::None, MailSecurity::StartTls, MailSecurity::Tls}) {
        const MailServer written{.host = "h.example", .port = 10025, .security = security, .user = "ann"};
        QMap<QString, QString> stored;
        writeMailServer(written,
                        [&](const QString& key, const QString& value) { stored.insert(key, value); });
        EXPECT_EQ(stored.keys(), (QStringList{"Host", "Port", "Security", "User"}));
        const MailServer read = readMailServer([&](const QString& key) { return stored.value(key); });
        EXPECT_EQ(read.host, written.host);
        EXPECT_EQ(read.port, written.port);
        EXPECT_EQ(read.security, written.security);
        EXPECT_EQ(read.user, written.user);
    }
    EXPECT_EQ(defaultMailPort(MailSecurity::None), 25);
    EXPECT_EQ(defaultMailPort(MailSecurity::StartTls), 587);
    EXPECT_EQ(defaultMailPort(MailSecurity::Tls), 465);
}

} // namespace
