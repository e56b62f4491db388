#include "net/gunzip.h"

#include <zlib.h>

namespace headwise {

bool looksGzipped(const QByteArray& bytes) {
    return bytes.startsWith("\x1f\x8b");
}

std::optional<QByteArray> gunzip(const QByteArray& packed, qint64 maxBytes, QString* error) {
    const auto fail = [error](const QString& why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) // 16: the gzip wrapper, not zlib's
        return fail(QStringLiteral("the gzip reader could not be started"));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = uInt(packed.size());

    QByteArray out;
    char chunk[64 * 1024];
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        // Data that ends before the stream does gives Z_BUF_ERROR: no progress is possible.
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&stream);
            return fail(QStringLiteral("damaged gzip data"));
        }
        const qsizetype produced = qsizetype(sizeof chunk - stream.avail_out);
        if (out.size() + produced > maxBytes) {
            inflateEnd(&stream);
            return fail(QStringLiteral("unpacks to more than %1 MiB").arg(maxBytes >> 20));
        }
        out.append(chunk, produced);
    }
    inflateEnd(&stream);
    return out;
}

} // namespace headwise
