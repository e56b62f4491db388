#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace headwise {

enum class LineBreak { CrLf, Lf, Cr };

// How a page's text was stored, so that saving it writes the same bytes back.
struct PageEncoding {
    // "UTF-8", "UTF-16LE", "UTF-16BE", "windows-1252", "windows-874", "x-user-defined",
    // "replacement", or the text library's name of another encoding; always a label
    // of the WHATWG table naming the encoding the bytes were read in.
    QString name = QStringLiteral("UTF-8");
    bool bom = false;
    LineBreak lineBreak = LineBreak::CrLf;

    bool operator==(const PageEncoding&) const = default;
    // False for the replacement encoding: its text is one U+FFFD, not what
    // the bytes hold, so an edited copy would lose the page.
    bool keepsItsText() const { return name != QLatin1String("replacement"); }
};

struct DecodedPage {
    QString text; // always with CR LF line breaks
    PageEncoding encoding;
    QByteArray bytes; // what text was decoded from, BOM included
};

// The whole page at once: BOM, then the declared charset (HTTP Content-Type),
// then the page's own meta charset, then UTF-8 if the bytes are valid UTF-8,
// else Windows-1252. The last two never fail, so every byte sequence decodes.
// Labels mean what the WHATWG Encoding Standard's table says ("iso-8859-1" and
// "ascii" are windows-1252, "tis-620" is windows-874); one naming no encoding,
// or an encoding the bytes do not fit, is passed over.
// utf8Text, if given, receives the text in UTF-8, which for a UTF-8 page
// needs no second conversion.
DecodedPage decodePage(const QByteArray& bytes, const QByteArray& declaredCharset = {},
                       QByteArray* utf8Text = nullptr);

// The charset decodePage reads a page with, chosen by the same rules. In UTF-8
// and the single-byte tables (windows-1252, windows-874, x-user-defined) every
// ASCII byte is its own character and no other byte holds one, so a search for
// ASCII text can run on the bytes.
struct PageCharset {
    enum class Kind { Utf8, SingleByte, Other };
    Kind kind = Kind::Utf8;
    QString name; // as PageEncoding::name
    bool bom = false;
    qsizetype textStart = 0; // the text's first byte, after a BOM
    QString text;            // Other only: the whole text, line breaks as stored
};
PageCharset choosePageCharset(const QByteArray& bytes, const QByteArray& declaredCharset = {});

// A stretch of a page in UTF-8 or a single-byte table's charset, as the whole
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

// length characters of a page's CR LF text from offset, replaced.
struct TextEdit {
    qsizetype offset = 0;
    qsizetype length = 0;
    QString replacement; // CR LF line breaks
    bool operator==(const TextEdit&) const = default;
};

// The text with the edits made: sorted by offset, none overlapping another.
QString applyTextEdits(const QString& text, const QList<TextEdit>& edits);

// Where an edit landed in the bytes: oldLength bytes from offset (of the old
// bytes) became newLength bytes.
struct ByteEdit {
    qsizetype offset = 0;
    qsizetype oldLength = 0;
    qsizetype newLength = 0;
    bool operator==(const ByteEdit&) const = default;
};
struct SplicedPage {
    QByteArray bytes;
    QList<ByteEdit> edits;
};

// The page's own bytes with the edits of its text made in them (replacements
// in the page's encoding and main line-break style), every other byte as it
// was: mixed line breaks and every byte sequence stay. The page must have been
// decoded with declaredCharset; nothing when an edit's end falls inside a line
// break or the result would not read back as the edited text.
std::optional<SplicedPage> splicePageBytes(const DecodedPage& page, const QList<TextEdit>& edits,
                                           const QByteArray& declaredCharset = {});

// splicePageBytes with one insertion, for a page read without a declared charset.
std::optional<QByteArray> spliceIntoPageBytes(const DecodedPage& page, qsizetype at,
                                              const QString& crlfInsertion);

// "text/html; charset=ISO-8859-1" -> "ISO-8859-1"; empty when none is given.
QByteArray charsetFromContentType(const QByteArray& contentType);

} // namespace headwise
