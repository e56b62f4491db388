// A server's reply arrives in pieces of any size: the buffer keeps at most its
// cap, is complete exactly when what it kept ends with CR LF, and ReplyCode
// reads the leading digits of the first blank-separated word.

#include "replybuffer.h"
#include "require.h"
#include "smtpmessage.h"

#include <algorithm>

using namespace headwise;

namespace {

void checkCode(const QString& reply) {
    const int code = ReplyCode(reply);
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
        require(buffer.complete() == (!buffer.tooLong() && buffer.bytes().endsWith("\r\n")));
        require(buffer.ready() == (buffer.complete() || buffer.tooLong()));
        if (buffer.complete())
            checkCode(QString::fromUtf8(buffer.bytes()));
    }
    checkCode(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QByteArray kept = buffer.bytes();
    require(buffer.take() == kept);
    require(buffer.size() == 0 && !buffer.ready());
    return 0;
}
