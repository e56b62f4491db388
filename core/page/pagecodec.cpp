#include "core/page/pagecodec.h"

#include "core/page/linebreaks.h"
#include "core/web/encodinglabels.h"

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
const QString kWindows874 = QStringLiteral("windows-874");
const QString kUserDefined = QStringLiteral("x-user-defined");
const QString kReplacement = QStringLiteral("replacement");

// The characters of bytes 0x80-0xFF in a single-byte encoding whose lower half
// is ASCII, as the WHATWG index gives them; 0 marks a byte it leaves undefined.
using HighHalf = std::array<char16_t, 128>;

// 0x80-0x9F of Windows-1252. The five bytes the code page leaves undefined map
// to the C1 control of the same value, so every byte decodes and encodes back.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr HighHalf kWindows1252High = [] {
    HighHalf high{};
    for (int b = 0x80; b < 0x100; ++b)
        high[b - 0x80] = b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
    return high;
}();

// Thai: the Windows code page's punctuation and C1 controls in 0x80-0x9F, then
// TIS-620, whose gaps at 0xDB-0xDE and 0xFC-0xFF stay undefined. ICU's table
// fills those gaps with private-use characters, so the index is kept here.
constexpr HighHalf kWindows874High = [] {
    HighHalf high{};
    for (int b = 0x80; b < 0xA0; ++b)
        high[b - 0x80] = char16_t(b);
    high[0x00] = 0x20AC;
    high[0x05] = 0x2026;
    constexpr char16_t punctuation[] = {0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014};
    for (int i = 0; i < 7; ++i)
        high[0x11 + i] = punctuation[i];
    high[0x20] = 0x00A0;
    for (int b = 0xA1; b <= 0xDA; ++b)
        high[b - 0x80] = char16_t(0x0E01 + (b - 0xA1));
    for (int b = 0xDF; b <= 0xFB; ++b)
        high[b - 0x80] = char16_t(0x0E3F + (b - 0xDF));
    return high;
}();

// Bytes 0x80-0xFF to U+F780-U+F7FF, so that binary stays byte for byte.
constexpr HighHalf kUserDefinedHigh = [] {
    HighHalf high{};
    for (int b = 0x80; b < 0x100; ++b)
        high[b - 0x80] = char16_t(0xF780 + (b - 0x80));
    return high;
}();

// The table for an encoding decoded byte by byte, by the name PageEncoding holds.
const HighHalf* singleByteTable(QStringView name) {
    if (name.compare(kWindows1252, Qt::CaseInsensitive) == 0)
        return &kWindows1252High;
    if (name.compare(kWindows874, Qt::CaseInsensitive) == 0)
        return &kWindows874High;
    if (name.compare(kUserDefined, Qt::CaseInsensitive) == 0)
        return &kUserDefinedHigh;
    return nullptr;
}

QString decodeSingleByte(QByteArrayView bytes, const HighHalf& high) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = b < 0x80 ? QChar(b) : QChar(high[b - 0x80]);
    }
    return text;
}

bool fitsSingleByte(QByteArrayView bytes, const HighHalf& high) {
    return std::none_of(bytes.begin(), bytes.end(), [&high](char byte) {
        const auto b = static_cast<unsigned char>(byte);
        return b >= 0x80 && high[b - 0x80] == 0;
    });
}

} // namespace

QString decodeWindows1252(QByteArrayView bytes) {
    return decodeSingleByte(bytes, kWindows1252High);
}

namespace {

void appendReference(QByteArray& out, char32_t codePoint) {
    out += "&#";
    out += QByteArray::number(static_cast<uint>(codePoint));
    out += ';';
}

// Each character of a table with its byte, sorted by character for the search.
using ByteOf = std::array<std::pair<char16_t, char>, 128>;

ByteOf byteOfTable(const HighHalf& high) {
    ByteOf entries{};
    // An undefined byte keeps 0 and sorts first, where no character the search looks for is.
    for (int i = 0; i < 128; ++i)
        entries[i] = {high[i], static_cast<char>(0x80 + i)};
    std::sort(entries.begin(), entries.end());
    return entries;
}

const ByteOf& byteOf(const HighHalf& high) {
    static const ByteOf windows1252 = byteOfTable(kWindows1252High);
    static const ByteOf windows874 = byteOfTable(kWindows874High);
    static const ByteOf userDefined = byteOfTable(kUserDefinedHigh);
    return &high == &kWindows1252High ? windows1252 : &high == &kWindows874High ? windows874 : userDefined;
}

QByteArray encodeSingleByte(const QString& text, const HighHalf& high) {
    const ByteOf& table = byteOf(high);
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const auto found = std::lower_bound(
            table.begin(), table.end(), c, [](const auto& entry, char16_t key) { return entry.first < key; });
        if (found != table.end() && found->first == c) {
            out += found->second;
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

// The encoding a label names by the WHATWG table ("" for a label no browser
// knows), as a browser takes it from where it stands: a <meta> that can be
// read byte by byte names no UTF-16 page, so UTF-16 there means UTF-8, and
// x-user-defined there means windows-1252 (HTML's prescan).
enum class LabelFrom { Http, Meta };
QString encodingNamedBy(const QByteArray& label, LabelFrom from) {
    const QString encoding = web::encodingForLabel(QString::fromLatin1(label));
    if (from == LabelFrom::Meta) {
        if (encoding.startsWith(QLatin1String("utf-16")))
            return QStringLiteral("utf-8");
        if (encoding == kUserDefined)
            return kWindows1252;
    }
    return encoding;
}

// Strict: an encoding that does not fit the bytes is rejected, so that the
// next rule can try; a page must never lose bytes just by being opened and
// saved. UTF-8 and the single-byte tables are only checked here; their text
// is made later, and only as far as it is needed.
std::optional<PageCharset> fitCharset(QByteArrayView bytes, const QString& encoding) {
    if (encoding.isEmpty())
        return {};
    if (encoding == QLatin1String("utf-8")) {
        if (!bytes.isValidUtf8())
            return {};
        return charsetNamed(Kind::Utf8, kUtf8);
    }
    for (const QString* name : {&kWindows1252, &kWindows874, &kUserDefined}) {
        if (encoding != *name)
            continue;
        if (!fitsSingleByte(bytes, *singleByteTable(*name)))
            return {};
        return charsetNamed(Kind::SingleByte, *name);
    }
    if (encoding == kReplacement) {
        // Labels of encodings that smuggle markup past filters: the page is
        // nothing but one replacement character. Saved unedited it keeps its
        // bytes; edited, it is written in UTF-8, the encoding's output.
        PageCharset found = charsetNamed(Kind::Other, kReplacement);
        if (!bytes.isEmpty())
            found.text = QString(QChar::ReplacementCharacter);
        return found;
    }
    // The text library knows the rest under the table's names (iso-8859-16
    // excepted, which it lacks and which is then passed over). Stateless, so
    // a sequence cut off at the end counts as an error instead of being held
    // back for input that never comes.
    // The converter reads a last odd byte as U+FFFD without an error.
    if (encoding.startsWith(QLatin1String("utf-16")) && bytes.size() % 2 != 0)
        return {};
    const QByteArray converterName = encoding.toLatin1();
    QStringDecoder decoder(converterName.constData(),
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return {};
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    // The converter's own spelling ("Shift_JIS", "UTF-16LE") where it is a
    // label of the same encoding, so a name read back names the same.
    QString name = QString::fromLatin1(decoder.name());
    if (name.isEmpty() || web::encodingForLabel(name) != encoding)
        name = encoding;
    PageCharset found = charsetNamed(Kind::Other, name);
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
// Only each <meta> tag is lower-cased, not the whole head: most pages have a few.
QByteArray metaCharset(const QByteArray& bytes) {
    constexpr qsizetype kHeadBytes = 64 * 1024;
    const QByteArrayView head = QByteArrayView(bytes).first(std::min(bytes.size(), kHeadBytes));
    for (qsizetype at = head.indexOf('<'); at >= 0; at = head.indexOf('<', at + 1)) {
        if (head.size() - at < 5 || head.sliced(at + 1, 4).compare("meta", Qt::CaseInsensitive) != 0)
            continue;
        qsizetype end = head.indexOf('>', at);
        if (end < 0)
            end = head.size();
        const QByteArray tag = head.sliced(at, end - at).toByteArray().toLower();
        const QByteArray charset = charsetAfter(tag, 5, tag.size());
        if (!charset.isEmpty())
            return charset;
    }
    return {};
}

// Most frequent wins; a page without line breaks gets the platform's own.
LineBreak styleOf(const LineBreakCounts& counts) {
    if (counts.crlf == 0 && counts.lf == 0 && counts.cr == 0)
        return LineBreak::Lf;
    if (counts.crlf >= counts.lf && counts.crlf >= counts.cr)
        return LineBreak::CrLf;
    return counts.lf >= counts.cr ? LineBreak::Lf : LineBreak::Cr;
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
        found = withBom(fitCharset(view.sliced(3), QStringLiteral("utf-8")), 3);
    else if (bytes.startsWith("\xFF\xFE") && bytes.size() % 2 == 0)
        found = withBom(fitCharset(view.sliced(2), QStringLiteral("utf-16le")), 2);
    else if (bytes.startsWith("\xFE\xFF") && bytes.size() % 2 == 0)
        found = withBom(fitCharset(view.sliced(2), QStringLiteral("utf-16be")), 2);
    // A BOM that the rest does not fit (an odd UTF-16 length, broken UTF-8)
    // is read as ordinary bytes by the rules below.
    if (!found)
        found = fitCharset(view, encodingNamedBy(declaredCharset, LabelFrom::Http));
    if (!found)
        found = fitCharset(view, encodingNamedBy(metaCharset(bytes), LabelFrom::Meta));
    if (!found)
        found = fitCharset(view, QStringLiteral("utf-8"));
    if (!found)
        found = charsetNamed(Kind::SingleByte, kWindows1252);
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
    case Kind::SingleByte:
        return decodeSingleByte(bytes, *singleByteTable(charset.name));
    case Kind::Other:
        break;
    }
    Q_ASSERT(false);
    return {};
}

DecodedPage decodePage(const QByteArray& bytes, const QByteArray& declaredCharset, QByteArray* utf8Text) {
    PageCharset charset = choosePageCharset(bytes, declaredCharset);
    DecodedPage page;
    page.bytes = bytes;
    page.encoding.name = charset.name;
    page.encoding.bom = charset.bom;
    LineBreakCounts counts;
    if (charset.kind == Kind::Other) {
        page.text = replaceLineBreaks(charset.text, QLatin1String("\r\n"), &counts);
    } else {
        // CR and LF are single bytes here, so the breaks are changed before
        // decoding, on half the memory; for UTF-8 those bytes are the text's
        // UTF-8 too.
        const QByteArray crlf = replaceLineBreaks(charset.textStart ? bytes.sliced(charset.textStart) : bytes,
                                                  QLatin1String("\r\n"), &counts);
        page.text = decodeStretch(charset, crlf);
        if (utf8Text && charset.kind == Kind::Utf8)
            *utf8Text = crlf;
    }
    page.encoding.lineBreak = styleOf(counts);
    if (utf8Text && (charset.kind != Kind::Utf8))
        *utf8Text = page.text.toUtf8();
    return page;
}

namespace {

// Text, line breaks as they are, in the named encoding.
QByteArray encodeText(const QString& text, const QString& name, bool bom) {
    QByteArray out;
    // A name may be any label ("ISO-8859-1" is windows-1252 too).
    const QString encoding = web::encodingForLabel(name);
    if (name.isEmpty() || encoding == QLatin1String("utf-8") || encoding == kReplacement) {
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
    } else if (const HighHalf* high = singleByteTable(encoding)) {
        out = encodeSingleByte(text, *high);
    } else {
        out = encodeWithConverter(text, name);
    }
    return out;
}

// How many bytes a stretch of a page's stored text takes in its charset.
qsizetype storedSize(const PageCharset& charset, QStringView stored) {
    switch (charset.kind) {
    case Kind::SingleByte:
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
