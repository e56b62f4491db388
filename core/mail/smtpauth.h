#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace headwise {

// What a server announces in its EHLO reply.
struct EhloReply {
    QStringList extensions;     // keywords in capitals, in the order given
    QStringList authMechanisms; // of the AUTH line, in capitals
    bool startTls = false;
};

// Reads a whole (possibly multi-line) 250 reply; the first line names the
// server and is not an extension. Lines are separated by CR LF.
EhloReply parseEhloReply(const QString& reply);

enum class AuthMechanism { None, Plain, Login };

// PLAIN when offered, else LOGIN when offered, else none.
AuthMechanism chooseAuthMechanism(const QStringList& offered);

// The initial response of AUTH PLAIN: base64 of NUL, user, NUL, password (UTF-8).
QByteArray authPlainResponse(const QString& user, const QString& password);
// One answer of AUTH LOGIN: base64 of the text in UTF-8.
QByteArray authLoginResponse(const QString& text);

} // namespace headwise
