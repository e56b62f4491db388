#include "core/mail/mailserver.h"

namespace headwise {

QStringList mailSecurityNames() {
    return {QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("TLS")};
}

QString mailSecurityName(MailSecurity security) {
    return mailSecurityNames().at(int(security));
}

quint16 defaultMailPort(MailSecurity security) {
    switch (security) {
    case MailSecurity::None:
        return 25;
    case MailSecurity::StartTls:
        return 587;
    case MailSecurity::Tls:
        return 465;
    }
    return 587;
}

MailServer readMailServer(const MailValueReader& read) {
    MailServer server;
    server.host = read(QStringLiteral("Host")).trimmed();
    const qsizetype security = mailSecurityNames().indexOf(read(QStringLiteral("Security")));
    server.security = security < 0 ? MailSecurity::StartTls : MailSecurity(security);
    bool ok = false;
    const uint port = read(QStringLiteral("Port")).toUInt(&ok);
    server.port = ok && port >= 1 && port <= 65535 ? quint16(port) : defaultMailPort(server.security);
    server.user = read(QStringLiteral("User"));
    return server;
}

void writeMailServer(const MailServer& server, const MailValueWriter& write) {
    write(QStringLiteral("Host"), server.host);
    write(QStringLiteral("Port"), QString::number(server.port));
    write(QStringLiteral("Security"), mailSecurityName(server.security));
    write(QStringLiteral("User"), server.user);
}

QString mailPasswordKey(const MailServer& server) {
    return server.user + QLatin1Char('@') + server.host;
}

} // namespace headwise
