#include "core/mail/smtpauth.h"

namespace headwise {

EhloReply parseEhloReply(const QString& reply) {
    EhloReply result;
    const QStringList lines = reply.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // "250-KEYWORD params" or "250 KEYWORD params"
        const QStringList words = lines[i].mid(4).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        QString keyword = words.first().toUpper();
        QStringList params = words.mid(1);
        // Some servers still write the old form "AUTH=LOGIN PLAIN".
        if (keyword.startsWith(QLatin1String("AUTH="))) {
            if (keyword.size() > 5)
                params.prepend(keyword.mid(5));
            keyword = QStringLiteral("AUTH");
        }
        result.extensions.append(keyword);
        if (keyword == QLatin1String("STARTTLS"))
            result.startTls = true;
        else if (keyword == QLatin1String("AUTH"))
            for (const QString& mechanism : params)
                if (!result.authMechanisms.contains(mechanism.toUpper()))
                    result.authMechanisms.append(mechanism.toUpper());
    }
    return result;
}

AuthMechanism chooseAuthMechanism(const QStringList& offered) {
    if (offered.contains(QLatin1String("PLAIN")))
        return AuthMechanism::Plain;
    if (offered.contains(QLatin1String("LOGIN")))
        return AuthMechanism::Login;
    return AuthMechanism::None;
}

QByteArray authPlainResponse(const QString& user, const QString& password) {
    return QByteArray(QByteArray(1, '\0') + user.toUtf8() + QByteArray(1, '\0') + password.toUtf8())
        .toBase64();
}

QByteArray authLoginResponse(const QString& text) {
    return text.toUtf8().toBase64();
}

} // namespace headwise
