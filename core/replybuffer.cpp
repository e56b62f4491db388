#include "replybuffer.h"

namespace headwise {

void ReplyBuffer::append(QByteArrayView bytes) {
    if (tooLong_)
        return;
    const qsizetype room = kMaxBytes - bytes_.size();
    if (bytes.size() > room) {
        tooLong_ = true;
        bytes = bytes.first(room);
    }
    bytes_.append(bytes);
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
}

} // namespace headwise
