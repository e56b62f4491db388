#pragma once

#include "core/mail/mailserver.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace headwise {

// How to reach the user's own server: EHLO, encryption and login.
struct ServerLogin {
    MailSecurity security = MailSecurity::StartTls;
    QString user; // empty: no login
    QString password;
};

// One outgoing mail. Each session works on its own copy, so two windows can
// send at the same time without mixing their addresses.
struct MailRequest {
    QString SmtpHost;
    quint16 SmtpPort = 25;
    QString ContentSubtype;
    QString Sender;
    QString Recipient;
    QString Subject;
    std::optional<ServerLogin> Login; // none: the built-in host's plain HELO dialogue
};

// The number formed by the digits at the start of the reply's first
// blank-separated word; 0 when that word does not begin with a digit.
int replyCode(const QString& reply);

// False when Sender, Recipient or Subject holds a CR or LF: those would end
// the command or header line early and let the text inject its own.
bool isSendable(const MailRequest& request);

// The Subject header value: the subject itself when it is plain US-ASCII,
// otherwise RFC 2047 encoded words (UTF-8, base64), folded with CR LF blank.
QByteArray encodedSubject(const QString& subject);

// The body as it goes on the wire: every line break CR LF, every line that
// begins with a dot gets a second one, characters as UTF-8.
QByteArray wireBody(const QString& body);

// Headers, empty line and body, ready for the DATA step; the terminating
// dot line is not part of it. Empty when the request is not sendable.
QByteArray messageText(const MailRequest& request, const QString& mailerName, const QString& body);

} // namespace headwise
