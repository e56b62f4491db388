#pragma once

#include "core/page/pagecodec.h"
#include "core/page/pagereport.h"

#include <QByteArray>

namespace headwise {

// A page kept as the bytes it came in. For UTF-8 and the single-byte tables
// the scanners run on the bytes and only what they find is decoded; any other
// charset is decoded whole. Either way everything it tells equals what the
// decoded page (decodePage) gives.
class BytePage {
public:
    explicit BytePage(QByteArray bytes, const QByteArray& declaredCharset = {});

    bool isEmpty() const;  // the decoded text is empty
    bool holdsNul() const; // the decoded text holds a NUL
    PageReport report() const;

private:
    QByteArrayView textBytes() const;

    QByteArray m_bytes;
    PageCharset m_charset;
    QString m_text; // only for the charsets decoded whole
};

} // namespace headwise
