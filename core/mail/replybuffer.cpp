#include "core/mail/replybuffer.h"

namespace headwise {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "250-..." announces more lines; anything else ends the reply.
bool isFinalLine(QByteArrayView line) {
    return !(line.size() >= 4 && isDigit(line[0]) && isDigit(line[1]) && isDigit(line[2]) && line[3] == '-');
}

} // namespace

void ReplyBuffer::append(QByteArrayView bytes) {
    if (tooLong_)
        return;
    const qsizetype room = kMaxBytes - bytes_.size();
    if (bytes.size() > room) {
        tooLong_ = true;
        bytes = bytes.first(room);
    }
    // Only the new bytes are searched for line ends (one back, for a CR that came alone).
    qsizetype from = qMax(lineStart_, bytes_.size() - 1);
    bytes_.append(bytes);
    for (;;) {
        const qsizetype end = bytes_.indexOf("\r\n", from);
        if (end < 0)
            break;
        lastLineFinal_ = isFinalLine(QByteArrayView(bytes_).sliced(lineStart_, end - lineStart_));
        lineStart_ = end + 2;
        from = lineStart_;
    }
}

qsizetype ReplyBuffer::wanted() const {
    return tooLong_ ? 0 : kMaxBytes - bytes_.size() + 1;
}

QByteArray ReplyBuffer::take() {
    QByteArray out = std::move(bytes_);
    clear();
    return out;
}

void ReplyBuffer::clear() {
    bytes_.clear();
    tooLong_ = false;
    lineStart_ = 0;
    lastLineFinal_ = false;
}

} // namespace headwise
