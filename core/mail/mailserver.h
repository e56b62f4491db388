#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace headwise {

enum class MailSecurity { None, StartTls, Tls };

// The user's own outgoing mail server; an empty host means none is set up
// and the mail windows use the built-in host as they always did.
struct MailServer {
    QString host;
    quint16 port = 587;
    MailSecurity security = MailSecurity::StartTls;
    QString user;

    bool configured() const { return !host.isEmpty(); }
};

// "None", "STARTTLS", "TLS": the names shown and stored, in that order.
QStringList mailSecurityNames();
QString mailSecurityName(MailSecurity security);
quint16 defaultMailPort(MailSecurity security); // 25, 587, 465

// The keys of the settings group "Mail" and how a server is kept in them.
inline const QString kMailGroup = QStringLiteral("Mail");
using MailValueReader = std::function<QString(const QString& key)>;
using MailValueWriter = std::function<void(const QString& key, const QString& value)>;
// Unknown security names fall back to STARTTLS, ports outside 1..65535 to the security's port.
MailServer readMailServer(const MailValueReader& read);
void writeMailServer(const MailServer& server, const MailValueWriter& write);

// Where the keyring keeps the password of a server's user.
QString mailPasswordKey(const MailServer& server);

} // namespace headwise
