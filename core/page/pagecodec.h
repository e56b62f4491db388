#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

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
    QByteArray bytes; // what text was decoded from, BOM included
};

// The whole page at once: BOM, then the declared charset (HTTP Content-Type),
// then the page's own meta charset, then UTF-8 if the bytes are valid UTF-8,
// else Windows-1252. The last two never fail, so every byte sequence decodes.
DecodedPage decodePage(const QByteArray& bytes, const QByteArray& declaredCharset = {});

// The charset decodePage reads a page with, chosen by the same rules. In UTF-8
// and the Windows-1252 family every ASCII byte is its own character and no
// other byte holds one, so a search for ASCII text can run on the bytes.
struct PageCharset {
    enum class Kind { Utf8, Windows1252, Other };
    Kind kind = Kind::Utf8;
    QString name; // as PageEncoding::name
    bool bom = false;
    qsizetype textStart = 0; // the text's first byte, after a BOM
    QString text;            // Other only: the whole text, line breaks as stored
};
PageCharset choosePageCharset(const QByteArray& bytes, const QByteArray& declaredCharset = {});

// A stretch of a page in a UTF-8 or Windows-1252 family charset, as the whole
// page's decoding reads it; for UTF-8 it must start and end between characters.
QString decodeStretch(const PageCharset& charset, QByteArrayView bytes);

QString decodeWindows1252(QByteArrayView bytes);

// Back to bytes in the page's encoding, BOM and line-break style. A character
// the encoding cannot hold is written as an HTML numeric reference (&#NNNN;).
QByteArray encodePage(const QString& crlfText, const PageEncoding& encoding);

// What saving a page writes: the bytes it was loaded from, unchanged, while
// crlfText is still exactly the text they decoded to (decoding alone would
// unify mixed line breaks); otherwise crlfText in the page's encoding.
QByteArray pageBytesToSave(const QString& crlfText, const DecodedPage& loaded);

// The loaded page's own bytes with crlfInsertion (in the page's encoding and
// main line-break style) put in at offset at of its text, every other byte as
// it was: mixed line breaks and every byte sequence stay. Only for pages in a
// UTF-8 or Windows-1252 family charset read without a declared charset;
// nothing otherwise, and the caller encodes the edited text whole.
std::optional<QByteArray> spliceIntoPageBytes(const DecodedPage& page, qsizetype at,
                                              const QString& crlfInsertion);

// "text/html; charset=ISO-8859-1" -> "ISO-8859-1"; empty when none is given.
QByteArray charsetFromContentType(const QByteArray& contentType);

} // namespace headwise
