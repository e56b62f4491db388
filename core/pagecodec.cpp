#include "pagecodec.h"

#include "linebreaks.h"

namespace headwise {

DecodedPage decodePage(const QByteArray& bytes, const QByteArray&)
{
    return {toCrLf(QString::fromUtf8(bytes)), {}};
}

QByteArray encodePage(const QString& crlfText, const PageEncoding&) { return crlfText.toUtf8(); }

QByteArray charsetFromContentType(const QByteArray&) { return {}; }

} // namespace headwise
