#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace headwise {

// Collects one SMTP reply as it arrives in pieces. The reply is complete when
// what has arrived ends with CR LF and its last line is not a continuation
// ("250-..."), so a multi-line reply split over reads is judged whole; a reply
// longer than the cap is a failure, and nothing past the cap is ever kept.
class ReplyBuffer {
public:
    // Far above any real reply.
    static constexpr qsizetype kMaxBytes = 64 * 1024;

    // Keeps what fits; the first byte that does not marks the reply too long.
    void append(QByteArrayView bytes);
    // How much the next read should ask for: one byte more than fits, so an
    // over-long reply is noticed without reading the rest of it.
    qsizetype wanted() const;

    bool complete() const { return !tooLong_ && bytes_.endsWith("\r\n") && lastLineFinal_; }
    bool tooLong() const { return tooLong_; }
    bool ready() const { return tooLong_ || complete(); }
    qsizetype size() const { return bytes_.size(); }
    const QByteArray& bytes() const { return bytes_; }

    // Hands over what was collected and starts the next reply.
    QByteArray take();
    void clear();

private:
    QByteArray bytes_;
    bool tooLong_ = false;
    qsizetype lineStart_ = 0; // where the line not yet ended begins
    bool lastLineFinal_ = false;
};

} // namespace headwise
