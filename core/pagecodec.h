#pragma once

#include <QByteArray>
#include <QString>

namespace headwise {

enum class LineBreak { CrLf, Lf, Cr };

// How a page's text was stored, so that saving it writes the same bytes back.
struct PageEncoding {
    QString name =
        QStringLiteral("UTF-8"); // "UTF-8", "UTF-16LE", "UTF-16BE", "windows-1252", or another charset
    bool bom = false;
    LineBreak lineBreak = LineBreak::CrLf;

    bool operator==(const PageEncoding&) const = default;
};

struct DecodedPage {
    QString text; // always with CR LF line breaks
    PageEncoding encoding;
};

// A page that came from the web has no file of its own; it is saved this way.
inline PageEncoding fetchedPageEncoding() {
    return {QStringLiteral("UTF-8"), false, LineBreak::CrLf};
}

// The whole page at once: BOM, then the declared charset (HTTP Content-Type),
// then the page's own meta charset, then UTF-8 if the bytes are valid UTF-8,
// else Windows-1252. The last two never fail, so every byte sequence decodes.
DecodedPage decodePage(const QByteArray& bytes, const QByteArray& declaredCharset = {});

// Back to bytes in the page's encoding, BOM and line-break style. A character
// the encoding cannot hold is written as an HTML numeric reference (&#NNNN;).
QByteArray encodePage(const QString& crlfText, const PageEncoding& encoding);

// "text/html; charset=ISO-8859-1" -> "ISO-8859-1"; empty when none is given.
QByteArray charsetFromContentType(const QByteArray& contentType);

} // namespace headwise
