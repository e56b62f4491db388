#include "core/page/pagecodec.h"

#include "core/page/linebreaks.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <optional>

namespace headwise {

namespace {

const QString kUtf8 = QStringLiteral("UTF-8");
const QString kUtf16Le = QStringLiteral("UTF-16LE");
const QString kUtf16Be = QStringLiteral("UTF-16BE");
const QString kWindows1252 = QStringLiteral("windows-1252");

// 0x80-0x9F of Windows-1252. The five bytes the code page leaves undefined map
// to the C1 control of the same value, so every byte decodes and encodes back.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString decodeWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

namespace {

// Labels that browsers read as Windows-1252; its superset keeps every byte.
bool isWindows1252Label(const QByteArray& lowerName) {
    static const char* const labels[] = {
        "windows-1252", "cp1252",      "x-cp1252",       "iso-8859-1",      "iso8859-1", "iso_8859-1",
        "latin1",       "l1",          "us-ascii",       "ascii",           "cp819",     "ibm819",
        "iso-ir-100",   "csisolatin1", "ansi_x3.4-1968", "iso_8859-1:1987",
    };
    for (const char* label : labels)
        if (lowerName == label)
            return true;
    return false;
}

void appendReference(QByteArray& out, char32_t codePoint) {
    out += "&#";
    out += QByteArray::number(static_cast<uint>(codePoint));
    out += ';';
}

QByteArray encodeWindows1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        const auto* found = std::find(kCp1252High.begin(), kCp1252High.end(), c);
        if (found != kCp1252High.end()) {
            out += static_cast<char>(0x80 + (found - kCp1252High.begin()));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            appendReference(out, QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else {
            appendReference(out, c);
        }
    }
    return out;
}

// Encodes with a general converter; any stretch it cannot hold is redone one
// character at a time, so only those characters become references.
QByteArray encodeWithConverter(const QString& text, const QString& name) {
    const QByteArray converterName = name.toLatin1();
    QStringEncoder whole(converterName.constData(), QStringConverter::Flag::Stateless);
    if (!whole.isValid())
        return text.toUtf8();
    QByteArray out = whole.encode(text);
    if (!whole.hasError())
        return out;

    // A converter's error flag cannot be cleared, so each attempt gets its own.
    const auto encodes = [&](QStringView piece, QByteArray& bytes) {
        QStringEncoder encoder(converterName.constData(), QStringConverter::Flag::Stateless);
        bytes = encoder.encode(piece);
        return !encoder.hasError();
    };
    out.clear();
    // Most pages use few distinct characters; each is tried on its own once.
    QHash<char32_t, QByteArray> single;
    constexpr qsizetype kChunk = 256;
    QByteArray bytes;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = std::min(start + kChunk, text.size());
        if (end < text.size() && text[end].isLowSurrogate())
            ++end;
        const QStringView chunk = QStringView(text).mid(start, end - start);
        if (encodes(chunk, bytes)) {
            out += bytes;
        } else {
            for (qsizetype i = 0; i < chunk.size(); ++i) {
                const bool pair =
                    chunk[i].isHighSurrogate() && i + 1 < chunk.size() && chunk[i + 1].isLowSurrogate();
                const QStringView one = chunk.mid(i, pair ? 2 : 1);
                const char32_t codePoint = pair ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode();
                auto known = single.constFind(codePoint);
                if (known == single.cend()) {
                    // An empty entry marks a character the encoding lacks.
                    known = single.insert(codePoint, encodes(one, bytes) ? bytes : QByteArray());
                }
                if (known->isEmpty())
                    appendReference(out, codePoint);
                else
                    out += *known;
                if (pair)
                    ++i;
            }
        }
        start = end;
    }
    return out;
}

using Kind = PageCharset::Kind;

PageCharset charsetNamed(Kind kind, const QString& name) {
    PageCharset charset;
    charset.kind = kind;
    charset.name = name;
    return charset;
}

// Strict: a charset that does not fit the bytes is rejected, so that the next
// rule can try; a page must never lose bytes just by being opened and saved.
// UTF-8 and the Windows-1252 family are only checked here; their text is
// made later, and only as far as it is needed.
std::optional<PageCharset> fitCharset(QByteArrayView bytes, const QByteArray& charset) {
    const QByteArray lower = charset.trimmed().toLower();
    if (lower.isEmpty())
        return {};
    if (isWindows1252Label(lower))
        return charsetNamed(Kind::Windows1252, kWindows1252);
    if (QStringConverter::encodingForName(lower.constData()) == QStringConverter::Utf8) {
        if (!bytes.isValidUtf8())
            return {};
        return charsetNamed(Kind::Utf8, kUtf8);
    }
    // Stateless, so a sequence cut off at the end counts as an error instead
    // of being held back for input that never comes.
    QStringDecoder decoder(lower.constData(),
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return {};
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    const QString name = QString::fromLatin1(decoder.name());
    PageCharset found = charsetNamed(
        Kind::Other, name.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0 ? kUtf8 : name);
    found.text = std::move(text);
    return found;
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The value after "charset" (blanks, '=', blanks, an optional quote), or empty.
QByteArray charsetAfter(const QByteArray& text, qsizetype from, qsizetype end) {
    static const QByteArray key("charset");
    // Search only inside this tag: a page of many tags and no charset must stay linear.
    const QByteArrayView tag = QByteArrayView(text).sliced(from, end - from);
    for (qsizetype hit = tag.indexOf(key); hit >= 0; hit = tag.indexOf(key, hit + 1)) {
        const qsizetype at = from + hit;
        qsizetype i = at + key.size();
        while (i < end && isBlank(text[i]))
            ++i;
        if (i >= end || text[i] != '=')
            continue;
        ++i;
        while (i < end && isBlank(text[i]))
            ++i;
        if (i < end && (text[i] == '"' || text[i] == '\''))
            ++i;
        const qsizetype start = i;
        while (i < end && isNameChar(text[i]))
            ++i;
        if (i > start)
            return text.mid(start, i - start);
    }
    return {};
}

// A meta charset stands in the head, so only the start of the page is read.
QByteArray metaCharset(const QByteArray& bytes) {
    constexpr qsizetype kHeadBytes = 64 * 1024;
    const QByteArray head = bytes.left(kHeadBytes).toLower();
    for (qsizetype at = head.indexOf("<meta"); at >= 0; at = head.indexOf("<meta", at + 5)) {
        qsizetype end = head.indexOf('>', at);
        if (end < 0)
            end = head.size();
        const QByteArray charset = charsetAfter(head, at + 5, end);
        if (!charset.isEmpty())
            return charset;
    }
    return {};
}

// Turns every line break into CR LF and tells which style the page used.
QString normalizeLineBreaks(const QString& text, LineBreak& style) {
    LineBreakCounts counts;
    QString out = replaceLineBreaks(text, QLatin1String("\r\n"), &counts);
    // Most frequent wins; a page without line breaks gets the platform's own.
    if (counts.crlf == 0 && counts.lf == 0 && counts.cr == 0)
        style = LineBreak::Lf;
    else if (counts.crlf >= counts.lf && counts.crlf >= counts.cr)
        style = LineBreak::CrLf;
    else if (counts.lf >= counts.cr)
        style = LineBreak::Lf;
    else
        style = LineBreak::Cr;
    return out;
}

// Any break in the text (an editor may hand back lone LFs) becomes the style's.
QString withLineBreaks(const QString& crlfText, LineBreak style) {
    return replaceLineBreaks(crlfText, QLatin1String(style == LineBreak::CrLf ? "\r\n"
                                                     : style == LineBreak::Lf ? "\n"
                                                                              : "\r"));
}

} // namespace

PageCharset choosePageCharset(const QByteArray& bytes, const QByteArray& declaredCharset) {
    const auto withBom = [](std::optional<PageCharset> found, qsizetype bomSize) {
        if (found) {
            found->bom = true;
            found->textStart = bomSize;
        }
        return found;
    };
    std::optional<PageCharset> found;
    const QByteArrayView view(bytes);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        found = withBom(fitCharset(view.sliced(3), "utf-8"), 3);
    else if (bytes.startsWith("\xFF\xFE") && bytes.size() % 2 == 0)
        found = withBom(fitCharset(view.sliced(2), "utf-16le"), 2);
    else if (bytes.startsWith("\xFE\xFF") && bytes.size() % 2 == 0)
        found = withBom(fitCharset(view.sliced(2), "utf-16be"), 2);
    // A BOM that the rest does not fit (an odd UTF-16 length, broken UTF-8)
    // is read as ordinary bytes by the rules below.
    if (!found)
        found = fitCharset(view, declaredCharset);
    if (!found) {
        found = fitCharset(view, metaCharset(bytes));
        // A page whose meta tag can be read byte by byte is not UTF-16 or UTF-32,
        // whatever label ("utf-32", "unicode", "utf3-2") named it: the rules below decide.
        const bool wide = found && (found->name.startsWith(QLatin1String("UTF-16"), Qt::CaseInsensitive) ||
                                    found->name.startsWith(QLatin1String("UTF-32"), Qt::CaseInsensitive));
        if (wide)
            found.reset();
    }
    if (!found)
        found = fitCharset(view, "utf-8");
    if (!found)
        found = charsetNamed(Kind::Windows1252, kWindows1252);
    return *std::move(found);
}

QString decodeStretch(const PageCharset& charset, QByteArrayView bytes) {
    switch (charset.kind) {
    case Kind::Utf8: {
        // As strict as the check: a stretch of a valid page is whole characters.
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
        return decoder.decode(bytes);
    }
    case Kind::Windows1252:
        return decodeWindows1252(bytes);
    case Kind::Other:
        break;
    }
    Q_ASSERT(false);
    return {};
}

DecodedPage decodePage(const QByteArray& bytes, const QByteArray& declaredCharset) {
    PageCharset charset = choosePageCharset(bytes, declaredCharset);
    const QString text = charset.kind == Kind::Other
                             ? std::move(charset.text)
                             : decodeStretch(charset, QByteArrayView(bytes).sliced(charset.textStart));
    DecodedPage page;
    page.bytes = bytes;
    page.encoding.name = charset.name;
    page.encoding.bom = charset.bom;
    page.text = normalizeLineBreaks(text, page.encoding.lineBreak);
    return page;
}

namespace {

// Text, line breaks as they are, in the named encoding.
QByteArray encodeText(const QString& text, const QString& name, bool bom) {
    QByteArray out;
    if (name.compare(kUtf8, Qt::CaseInsensitive) == 0 || name.isEmpty()) {
        if (bom)
            out = "\xEF\xBB\xBF";
        out += text.toUtf8();
    } else if (name.compare(kUtf16Le, Qt::CaseInsensitive) == 0 ||
               name.compare(kUtf16Be, Qt::CaseInsensitive) == 0) {
        const bool little = name.compare(kUtf16Le, Qt::CaseInsensitive) == 0;
        if (bom)
            out = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        out += encoder.encode(text);
    } else if (isWindows1252Label(name.toLatin1().toLower())) {
        out = encodeWindows1252(text);
    } else {
        out = encodeWithConverter(text, name);
    }
    return out;
}

// How many bytes a stretch of a page's stored text takes in its charset.
qsizetype storedSize(const PageCharset& charset, QStringView stored) {
    switch (charset.kind) {
    case Kind::Windows1252:
        return stored.size();
    case Kind::Utf8: {
        qsizetype n = 0;
        for (const QChar c : stored)
            n += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
        return n;
    }
    case Kind::Other:
        break;
    }
    return encodeText(stored.toString(), charset.name, false).size();
}

} // namespace

QByteArray encodePage(const QString& crlfText, const PageEncoding& encoding) {
    return encodeText(withLineBreaks(crlfText, encoding.lineBreak), encoding.name, encoding.bom);
}

QByteArray pageBytesToSave(const QString& crlfText, const DecodedPage& loaded) {
    return crlfText == loaded.text ? loaded.bytes : encodePage(crlfText, loaded.encoding);
}

QString applyTextEdits(const QString& text, const QList<TextEdit>& edits) {
    QString out;
    qsizetype copied = 0;
    for (const TextEdit& edit : edits) {
        out += QStringView(text).sliced(copied, edit.offset - copied);
        out += edit.replacement;
        copied = edit.offset + edit.length;
    }
    out += QStringView(text).sliced(copied);
    return out;
}

std::optional<SplicedPage> splicePageBytes(const DecodedPage& page, const QList<TextEdit>& edits,
                                           const QByteArray& declaredCharset) {
    const PageCharset charset = choosePageCharset(page.bytes, declaredCharset);
    if (charset.name != page.encoding.name || charset.bom != page.encoding.bom)
        return std::nullopt;
    const QByteArrayView bytes(page.bytes);
    // The text as stored, its line breaks as they are: a place in the CR LF
    // text is found in it, and then in the bytes.
    const QString stored =
        charset.kind == Kind::Other ? charset.text : decodeStretch(charset, bytes.sliced(charset.textStart));
    qsizetype crlf = 0, at = 0, byte = charset.textStart;
    const auto walkTo = [&](qsizetype target) {
        const qsizetype from = at;
        while (crlf < target && at < stored.size()) {
            const QChar c = stored[at];
            const bool pair = c == u'\r' && at + 1 < stored.size() && stored[at + 1] == u'\n';
            crlf += (c == u'\r' || c == u'\n') ? 2 : 1;
            at += pair ? 2 : 1;
        }
        byte += storedSize(charset, QStringView(stored).sliced(from, at - from));
        return crlf == target;
    };
    PageEncoding inserted = page.encoding;
    inserted.bom = false;
    SplicedPage out;
    qsizetype copied = 0, previousEnd = 0;
    for (const TextEdit& edit : edits) {
        if (edit.offset < previousEnd || edit.length < 0 || !walkTo(edit.offset))
            return std::nullopt;
        const qsizetype start = byte;
        // Bytes the decoder replaced (a broken UTF-8 sequence read as one
        // U+FFFD) count otherwise in the walk: a place past the end is no place.
        if (!walkTo(edit.offset + edit.length) || byte > bytes.size())
            return std::nullopt;
        const QByteArray replacement = encodePage(edit.replacement, inserted);
        out.bytes += bytes.sliced(copied, start - copied);
        out.bytes += replacement;
        out.edits.append({start, byte - start, replacement.size()});
        copied = byte;
        previousEnd = edit.offset + edit.length;
    }
    out.bytes += bytes.sliced(copied);
    // The result must read back as the edited text; otherwise (a break put
    // after a lone CR that joins it, a byte the walk counted otherwise than
    // the decoder, a declaration the edit changed) it is no exact splice.
    const DecodedPage again = decodePage(out.bytes, declaredCharset);
    if (again.encoding.name != page.encoding.name || again.encoding.bom != page.encoding.bom ||
        again.text != applyTextEdits(page.text, edits))
        return std::nullopt;
    return out;
}

std::optional<QByteArray> spliceIntoPageBytes(const DecodedPage& page, qsizetype at,
                                              const QString& crlfInsertion) {
    std::optional<SplicedPage> spliced = splicePageBytes(page, {{at, 0, crlfInsertion}});
    if (!spliced)
        return std::nullopt;
    return std::move(spliced->bytes);
}

QByteArray charsetFromContentType(const QByteArray& contentType) {
    const QByteArray lower = contentType.toLower();
    // Parameters come after the first ';'; "charset" inside the type itself is no parameter.
    const qsizetype semicolon = lower.indexOf(';');
    if (semicolon < 0)
        return {};
    return charsetAfter(lower, semicolon + 1, lower.size());
}

} // namespace headwise
