#include "core/mail/smtpmessage.h"

#include "core/page/linebreaks.h"

namespace headwise {
namespace {

bool isAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0x7F)
            return false;
    return true;
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// An encoded word may be at most 75 characters: 12 for "=?UTF-8?B?" and "?="
// leave 63 for base64, that is 45 bytes of UTF-8.
constexpr qsizetype kEncodedWordBytes = 45;

} // namespace

int replyCode(const QString& reply) {
    const QString first = reply.section(QLatin1Char(' '), 0, 0);
    // Capped so an absurd digit run cannot overflow; no step expects such a code.
    constexpr int kCap = 1000000;
    int code = 0;
    for (const QChar c : first) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        code = qMin(code * 10 + (c.unicode() - '0'), kCap);
    }
    return code;
}

bool isSendable(const MailRequest& request) {
    return !hasLineBreak(request.Sender) && !hasLineBreak(request.Recipient) &&
           !hasLineBreak(request.Subject);
}

QByteArray encodedSubject(const QString& subject) {
    if (isAscii(subject))
        return subject.toLatin1();
    QByteArray out;
    QByteArray chunk;
    auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    // Whole code points per word: a character split across two words cannot be decoded.
    for (qsizetype i = 0; i < subject.size();) {
        const qsizetype len = subject[i].isHighSurrogate() && i + 1 < subject.size() ? 2 : 1;
        const QByteArray bytes = subject.mid(i, len).toUtf8();
        if (chunk.size() + bytes.size() > kEncodedWordBytes)
            flush();
        chunk += bytes;
        i += len;
    }
    flush();
    return out;
}

QByteArray wireBody(const QString& body) {
    const QString crlf = toCrLf(body);
    QString out;
    out.reserve(crlf.size() + 16);
    bool lineStart = true;
    for (const QChar c : crlf) {
        if (lineStart && c == QLatin1Char('.'))
            out += QLatin1Char('.');
        out += c;
        lineStart = c == QLatin1Char('\n');
    }
    return out.toUtf8();
}

QByteArray messageText(const MailRequest& request, const QString& mailerName, const QString& body) {
    if (!isSendable(request))
        return {};
    const QByteArray crlf = kCrLf.toLatin1();
    QByteArray text;
    text += "From: <" + request.Sender.toUtf8() + ">" + crlf;
    text += "To: " + request.Recipient.toUtf8() + crlf;
    text += "Subject: " + encodedSubject(request.Subject) + crlf;
    text += "X-Mailer: " + mailerName.toUtf8() + crlf;
    text += "Mime-Version: 1.0" + crlf;
    text += "Content-Type: text/" + request.ContentSubtype.toUtf8() + "\t";
    if (isAscii(body))
        text += "charset=us-ascii" + crlf;
    else
        text += "charset=utf-8" + crlf + "Content-Transfer-Encoding: 8bit" + crlf;
    text += crlf;
    text += wireBody(body);
    return text;
}

} // namespace headwise
