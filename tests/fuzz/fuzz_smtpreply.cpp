// A server's reply arrives in pieces of any size: the buffer keeps at most its
// cap, is complete exactly when what it kept ends with CR LF on a line that is
// not a "250-" continuation, and replyCode reads the leading digits of the
// first blank-separated word. An EHLO reply of any shape reads as capitalised
// keywords without blanks, and login answers decode back to what went in.

#include "core/mail/replybuffer.h"
#include "core/mail/smtpauth.h"
#include "core/mail/smtpmessage.h"
#include "require.h"

#include <algorithm>

using namespace headwise;

namespace {

void checkCode(const QString& reply) {
    const int code = replyCode(reply);
    require(code >= 0 && code <= 1000000);
    const qsizetype blank = reply.indexOf(QLatin1Char(' '));
    const QString word = blank < 0 ? reply : reply.left(blank);
    qsizetype digits = 0;
    while (digits < word.size() && word[digits] >= u'0' && word[digits] <= u'9')
        ++digits;
    qsizetype zeros = 0;
    while (zeros < digits && word[zeros] == u'0')
        ++zeros;
    // Up to six significant digits the code is their value; beyond, it is capped.
    if (digits - zeros <= 6)
        require(code == (digits == zeros ? 0 : word.mid(zeros, digits - zeros).toInt()));
    else
        require(code == 1000000);
}

bool endsOnFinalLine(const QByteArray& bytes) {
    if (!bytes.endsWith("\r\n"))
        return false;
    const qsizetype previous = bytes.size() >= 3 ? bytes.lastIndexOf("\r\n", bytes.size() - 3) : -1;
    const qsizetype start = previous < 0 ? 0 : previous + 2;
    const QByteArray line = bytes.mid(start, bytes.size() - 2 - start);
    const auto digit = [&](int i) { return line[i] >= '0' && line[i] <= '9'; };
    return !(line.size() >= 4 && digit(0) && digit(1) && digit(2) && line[3] == '-');
}

void checkEhlo(const QString& reply) {
    const EhloReply parsed = parseEhloReply(reply);
    for (const QString& keyword : parsed.extensions) {
        require(!keyword.isEmpty() && !keyword.contains(QLatin1Char(' ')));
        require(keyword == keyword.toUpper());
    }
    require(parsed.startTls == parsed.extensions.contains(QStringLiteral("STARTTLS")));
    require(parsed.authMechanisms.isEmpty() || parsed.extensions.contains(QStringLiteral("AUTH")));
    for (const QString& mechanism : parsed.authMechanisms) {
        require(mechanism == mechanism.toUpper() && !mechanism.isEmpty());
        require(parsed.authMechanisms.count(mechanism) == 1);
    }
    const AuthMechanism chosen = chooseAuthMechanism(parsed.authMechanisms);
    require((chosen == AuthMechanism::Plain) == parsed.authMechanisms.contains(QStringLiteral("PLAIN")));
    if (chosen == AuthMechanism::None)
        require(!parsed.authMechanisms.contains(QStringLiteral("LOGIN")));
}

void checkLogin(const QString& text) {
    const qsizetype half = text.size() / 2;
    const QString user = text.left(half);
    const QString password = text.mid(half);
    require(QByteArray::fromBase64(authPlainResponse(user, password)) ==
            QByteArray(1, '\0') + user.toUtf8() + QByteArray(1, '\0') + password.toUtf8());
    require(QByteArray::fromBase64(authLoginResponse(text)) == text.toUtf8());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Each piece is one length byte and that many bytes; with the high bit set the
    // piece arrives 1024 times over, so short inputs still reach the cap.
    ReplyBuffer buffer;
    qint64 arrived = 0; // what a buffer without a cap would hold
    size_t at = 0;
    while (at < size) {
        const uint8_t head = data[at++];
        const size_t length = std::min<size_t>(head & 0x7F, size - at);
        const QByteArray chunk(reinterpret_cast<const char*>(data + at), qsizetype(length));
        at += length;
        const QByteArray piece = head & 0x80 ? chunk.repeated(1024) : chunk;

        const bool wasTooLong = buffer.tooLong();
        const qsizetype before = buffer.size();
        const qsizetype wanted = buffer.wanted();
        buffer.append(piece.left(wanted));
        arrived += piece.size();

        require(buffer.size() <= ReplyBuffer::kMaxBytes);
        require(wanted == (wasTooLong ? 0 : ReplyBuffer::kMaxBytes - before + 1));
        require(buffer.tooLong() == (arrived > ReplyBuffer::kMaxBytes));
        require(buffer.size() == std::min<qint64>(arrived, ReplyBuffer::kMaxBytes));
        // What was kept before stays; what was added is the start of the new piece.
        if (!wasTooLong)
            require(buffer.bytes().mid(before) == piece.left(buffer.size() - before));
        require(buffer.complete() == (!buffer.tooLong() && endsOnFinalLine(buffer.bytes())));
        require(buffer.ready() == (buffer.complete() || buffer.tooLong()));
        if (buffer.complete())
            checkCode(QString::fromUtf8(buffer.bytes()));
    }
    const QString whole = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    checkCode(whole);
    checkEhlo(whole);
    checkLogin(whole);
    const QByteArray kept = buffer.bytes();
    require(buffer.take() == kept);
    require(buffer.size() == 0 && !buffer.ready());
    return 0;
}
