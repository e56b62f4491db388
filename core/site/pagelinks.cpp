#include "core/site/pagelinks.h"

#include <QSet>

#include <algorithm>
#include <bit>
#include <optional>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace headwise {

namespace {

constexpr quint64 kSpaces = 1ull << ' ' | 1ull << '\t' | 1ull << '\n' | 1ull << '\r' | 1ull << '\f';

// Whether c is one of the characters whose bits are set; all of them are
// below 64, where a tag's letters never are, so a letter costs one compare.
bool isOneOf(QChar c, quint64 bits) {
    return c.unicode() < 64 && (bits >> c.unicode() & 1);
}

bool isSpace(QChar c) {
    return isOneOf(c, kSpaces);
}

// The next c from `from` on, or -1, eight units at a time where the
// processor can: inline, as most stretches searched (between two tags, to a
// value's closing quote) are shorter than a library call costs.
qsizetype findChar(QStringView text, qsizetype from, char16_t c) {
    const char16_t* const begin = text.utf16();
    const char16_t* const end = begin + text.size();
    const char16_t* at = begin + std::min(from, text.size());
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi16(short(c));
    for (; end - at >= 8; at += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        if (const int found = _mm_movemask_epi8(_mm_cmpeq_epi16(units, wanted)))
            return at - begin + std::countr_zero(unsigned(found)) / 2;
    }
#endif
    for (; at < end; ++at)
        if (*at == c)
            return at - begin;
    return -1;
}

// Whether a "<" before c may open a tag the scan reads: "!", a letter, or
// any character outside ASCII (which may fold to one). Every tag is read for
// its id; a "<" before a space, a digit or a "/" opens none.
bool mayOpenTag(char16_t c) {
    const char16_t lower = c | 0x20;
    return c >= 0x80 || c == u'!' || (lower >= u'a' && lower <= u'z');
}

// The next "<" from `from` on that may open a tag the scan reads, or -1; the
// others are passed over eight units at a time where the processor can.
qsizetype findTagOpen(QStringView text, qsizetype from) {
    const char16_t* const begin = text.utf16();
    const char16_t* const end = begin + text.size();
    const char16_t* at = begin + std::min(from, text.size());
#if defined(__SSE2__)
    const auto same = [](__m128i units, char16_t c) {
        return _mm_cmpeq_epi16(units, _mm_set1_epi16(short(c)));
    };
    for (; end - at >= 9; at += 8) { // the unit after each of the eight read too
        int opens = _mm_movemask_epi8(same(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), u'<'));
        if (!opens)
            continue;
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
        // Letters in lower case; "!" stays what it is. Units past ASCII
        // compare as negative numbers: they are wanted on their own.
        const __m128i lower = _mm_or_si128(next, _mm_set1_epi16(0x20));
        const __m128i ascii =
            _mm_cmpeq_epi16(_mm_and_si128(next, _mm_set1_epi16(short(0xFF80))), _mm_setzero_si128());
        const __m128i letter = _mm_and_si128(_mm_cmpgt_epi16(lower, _mm_set1_epi16(u'a' - 1)),
                                             _mm_cmplt_epi16(lower, _mm_set1_epi16(u'z' + 1)));
        const __m128i wanted =
            _mm_or_si128(_mm_or_si128(letter, same(next, u'!')), _mm_xor_si128(ascii, _mm_set1_epi16(-1)));
        opens &= _mm_movemask_epi8(wanted);
        if (opens)
            return at - begin + std::countr_zero(unsigned(opens)) / 2;
    }
#endif
    for (; at + 1 < end; ++at)
        if (*at == u'<' && mayOpenTag(at[1]))
            return at - begin;
    return -1;
}

bool hasAmpersand(QStringView text) {
    return findChar(text, 0, u'&') >= 0;
}

// A word of ASCII letters and signs, lower case, in any case. Only a
// character outside ASCII (one that folds to an ASCII letter, as the Kelvin
// sign does) needs the full case folding.
bool startsWithWord(QStringView text, qsizetype at, QLatin1StringView word) {
    if (text.size() - at < word.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t c = text[at + i].unicode();
        if (c >= 0x80)
            return text.sliced(at).startsWith(word, Qt::CaseInsensitive);
        if ((c >= u'A' && c <= u'Z' ? c | 0x20 : c) != char16_t(word[i].unicode()))
            return false;
    }
    return true;
}

bool isWord(QStringView text, QLatin1StringView word) {
    return text.size() == word.size() && startsWithWord(text, 0, word);
}

// The few character references that turn up in addresses ("&amp;" above all).
void appendDecoded(QStringView value, QString& out) {
    static const std::pair<QLatin1StringView, QChar> named[] = {
        {QLatin1StringView("amp;"), u'&'},   {QLatin1StringView("quot;"), u'"'},
        {QLatin1StringView("apos;"), u'\''}, {QLatin1StringView("lt;"), u'<'},
        {QLatin1StringView("gt;"), u'>'},
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'&') {
            out.append(value[i]);
            continue;
        }
        const QStringView rest = value.sliced(i + 1);
        bool done = false;
        for (const auto& [name, character] : named) {
            if (rest.startsWith(name)) {
                out.append(character);
                i += name.size();
                done = true;
                break;
            }
        }
        if (!done && rest.startsWith(u'#')) {
            const bool hex = rest.size() > 1 && (rest[1] == u'x' || rest[1] == u'X');
            qsizetype end = hex ? 2 : 1;
            while (end < rest.size() && end < 10 &&
                   (hex ? rest[end].isLetterOrNumber() : rest[end].isDigit()))
                ++end;
            bool ok = false;
            const uint code = rest.sliced(hex ? 2 : 1, end - (hex ? 2 : 1)).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF) {
                out.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1));
                i += end + (end < rest.size() && rest[end] == u';' ? 1 : 0);
                done = true;
            }
        }
        if (!done)
            out.append(u'&');
    }
}

QString decodeReferences(QStringView value) {
    if (!value.contains(u'&'))
        return value.toString();
    QString out;
    out.reserve(value.size());
    appendDecoded(value, out);
    return out;
}

// The attributes a reference is read from, as written; the first of two
// same-named attributes is the one that counts.
struct TagAttributes {
    std::optional<QStringView> href, src, rel, srcset, poster, data, type, id, name, property, content,
        httpEquiv;

    std::optional<QStringView>* slotFor(QStringView attribute) {
        // By length first: most attributes of most tags are none of these.
        switch (attribute.size()) {
        case 2:
            return isWord(attribute, QLatin1StringView("id")) ? &id : nullptr;
        case 3:
            return isWord(attribute, QLatin1StringView("src"))   ? &src
                   : isWord(attribute, QLatin1StringView("rel")) ? &rel
                                                                 : nullptr;
        case 4:
            return isWord(attribute, QLatin1StringView("href"))   ? &href
                   : isWord(attribute, QLatin1StringView("data")) ? &data
                   : isWord(attribute, QLatin1StringView("type")) ? &type
                   : isWord(attribute, QLatin1StringView("name")) ? &name
                                                                  : nullptr;
        case 6:
            return isWord(attribute, QLatin1StringView("srcset"))   ? &srcset
                   : isWord(attribute, QLatin1StringView("poster")) ? &poster
                                                                    : nullptr;
        case 7:
            return isWord(attribute, QLatin1StringView("content")) ? &content : nullptr;
        case 8:
            return isWord(attribute, QLatin1StringView("property")) ? &property : nullptr;
        case 10:
            return isWord(attribute, QLatin1StringView("http-equiv")) ? &httpEquiv : nullptr;
        default:
            return nullptr;
        }
    }
};

// Reads the attributes of the tag whose name ends at `pos`, up to its ">";
// returns where the scan goes on. A tag the text ends inside is no tag, as in
// a browser: nothing is read from it. Values are as written, not trimmed.
qsizetype readAttributes(QStringView text, qsizetype pos, TagAttributes& out) {
    const qsizetype n = text.size();
    while (pos < n && text[pos] != u'>') {
        if (isSpace(text[pos]) || text[pos] == u'/') {
            ++pos;
            continue;
        }
        const qsizetype nameStart = pos;
        constexpr quint64 kNameEnd = kSpaces | 1ull << '/' | 1ull << '>' | 1ull << '=';
        while (pos < n && !isOneOf(text[pos], kNameEnd))
            ++pos;
        const QStringView name = text.sliced(nameStart, pos - nameStart);
        while (pos < n && isSpace(text[pos]))
            ++pos;
        if (pos >= n || text[pos] != u'=')
            continue;
        ++pos;
        while (pos < n && isSpace(text[pos]))
            ++pos;
        qsizetype valueStart = pos;
        qsizetype valueEnd = pos;
        if (pos < n && (text[pos] == u'"' || text[pos] == u'\'')) {
            const QChar quote = text[pos];
            valueStart = pos + 1;
            const qsizetype close = findChar(text, valueStart, quote.unicode());
            valueEnd = close < 0 ? n : close;
            pos = close < 0 ? n : close + 1;
        } else {
            while (pos < n && !isOneOf(text[pos], kSpaces | 1ull << '>'))
                ++pos;
            valueEnd = pos;
        }
        std::optional<QStringView>* slot = out.slotFor(name);
        if (slot && !*slot)
            *slot = text.sliced(valueStart, valueEnd - valueStart);
    }
    if (pos >= n)
        out = {};
    return pos;
}

bool hasWord(QStringView list, QLatin1StringView word) {
    for (const QStringView token : list.tokenize(u' ', Qt::SkipEmptyParts))
        if (isWord(token.trimmed(), word))
            return true;
    return false;
}

// What a value names when a list of words: rel="Alternate Stylesheet".
QString decodedIfNeeded(QStringView value) {
    return hasAmpersand(value) ? decodeReferences(value) : value.toString();
}

bool hasWordIn(const std::optional<QStringView>& list, QLatin1StringView word) {
    return list && (hasAmpersand(*list) ? hasWord(decodeReferences(*list), word) : hasWord(*list, word));
}

// Each candidate's address in a srcset, as the HTML standard's srcset
// parsing splits them: an address runs to a space, trailing commas are not
// part of it, and its descriptors run to a comma outside parentheses.
template <typename Found> void splitSrcset(QStringView value, Found found) {
    const qsizetype n = value.size();
    qsizetype pos = 0;
    while (pos < n) {
        while (pos < n && (isSpace(value[pos]) || value[pos] == u','))
            ++pos;
        if (pos >= n)
            return;
        const qsizetype start = pos;
        while (pos < n && !isSpace(value[pos]))
            ++pos;
        qsizetype end = pos;
        if (value[end - 1] == u',') {
            while (end > start && value[end - 1] == u',')
                --end;
        } else {
            bool inParens = false;
            for (; pos < n; ++pos) {
                const QChar c = value[pos];
                if (c == u'(')
                    inParens = true;
                else if (c == u')')
                    inParens = false;
                else if (c == u',' && !inParens)
                    break;
            }
        }
        if (end > start)
            found(start, end - start);
    }
}

// The address of a meta refresh's content ("5; url=/next"), as the HTML
// standard's shared declarative refresh steps read it; empty for none.
QStringView refreshAddress(QStringView content) {
    qsizetype i = 0;
    const qsizetype n = content.size();
    while (i < n && isSpace(content[i]))
        ++i;
    const qsizetype digits = i;
    while (i < n && (content[i].isDigit() || content[i] == u'.'))
        ++i;
    if (i == digits)
        return {};
    while (i < n && isSpace(content[i]))
        ++i;
    if (i < n && content[i] != u';' && content[i] != u',')
        return {};
    while (i < n && (isSpace(content[i]) || content[i] == u';' || content[i] == u','))
        ++i;
    QStringView rest = content.sliced(i);
    if (startsWithWord(rest, 0, QLatin1StringView("url"))) {
        QStringView after = rest.sliced(3).trimmed();
        if (after.startsWith(u'='))
            rest = after.sliced(1).trimmed();
    }
    if (!rest.isEmpty() && (rest.front() == u'"' || rest.front() == u'\'')) {
        const qsizetype close = rest.indexOf(rest.front(), 1);
        rest = rest.sliced(1, (close < 0 ? rest.size() : close) - 1);
    }
    return rest.trimmed();
}

using Kind = PageReference::Kind;

// What a <link> loads, by its first relation that loads anything.
std::optional<Kind> linkKind(const TagAttributes& a) {
    if (!a.rel)
        return std::nullopt;
    const QString rel = decodedIfNeeded(*a.rel);
    const auto has = [&](const char* word) { return hasWord(rel, QLatin1StringView(word)); };
    if (has("stylesheet"))
        return Kind::Stylesheet;
    if (has("icon"))
        return Kind::Icon;
    if (has("apple-touch-icon") || has("apple-touch-icon-precomposed"))
        return Kind::AppleTouchIcon;
    if (has("mask-icon"))
        return Kind::MaskIcon;
    if (has("preload"))
        return Kind::Preload;
    if (has("modulepreload"))
        return Kind::ModulePreload;
    if (has("prefetch"))
        return Kind::Prefetch;
    if (has("manifest"))
        return Kind::Manifest;
    if (has("alternate") && a.type) {
        const QString type = decodedIfNeeded(*a.type).trimmed();
        if (isWord(type, QLatin1StringView("application/rss+xml")) ||
            isWord(type, QLatin1StringView("application/atom+xml")))
            return Kind::Feed;
    }
    return std::nullopt;
}

// What a <meta> names as the page's share picture or media, by its property
// (or name, as many pages write it).
std::optional<Kind> metaKind(const TagAttributes& a) {
    const std::optional<QStringView>& named = a.property ? a.property : a.name;
    if (!named)
        return std::nullopt;
    static const std::pair<QLatin1StringView, Kind> kNames[] = {
        {QLatin1StringView("og:image"), Kind::MetaImage},
        {QLatin1StringView("og:image:url"), Kind::MetaImage},
        {QLatin1StringView("og:image:secure_url"), Kind::MetaImage},
        {QLatin1StringView("twitter:image"), Kind::MetaTwitterImage},
        {QLatin1StringView("twitter:image:src"), Kind::MetaTwitterImage},
        {QLatin1StringView("og:video"), Kind::MetaVideo},
        {QLatin1StringView("og:video:url"), Kind::MetaVideo},
        {QLatin1StringView("og:video:secure_url"), Kind::MetaVideo},
        {QLatin1StringView("og:audio"), Kind::MetaAudio},
        {QLatin1StringView("og:audio:url"), Kind::MetaAudio},
        {QLatin1StringView("og:audio:secure_url"), Kind::MetaAudio},
    };
    const QString name = decodedIfNeeded(*named).trimmed();
    for (const auto& [word, kind] : kNames)
        if (isWord(name, word))
            return kind;
    return std::nullopt;
}

// The tags the scan reads more of than their id.
enum class Tag : quint8 {
    Other,
    A,
    Area,
    Img,
    Base,
    Script,
    Style,
    Link,
    Meta,
    Source,
    Video,
    Audio,
    Track,
    Iframe,
    Embed,
    Object,
    Input
};

constexpr std::pair<QLatin1StringView, Tag> kTags[] = {
    {QLatin1StringView("a"), Tag::A},           {QLatin1StringView("area"), Tag::Area},
    {QLatin1StringView("img"), Tag::Img},       {QLatin1StringView("base"), Tag::Base},
    {QLatin1StringView("script"), Tag::Script}, {QLatin1StringView("style"), Tag::Style},
    {QLatin1StringView("link"), Tag::Link},     {QLatin1StringView("meta"), Tag::Meta},
    {QLatin1StringView("source"), Tag::Source}, {QLatin1StringView("video"), Tag::Video},
    {QLatin1StringView("audio"), Tag::Audio},   {QLatin1StringView("track"), Tag::Track},
    {QLatin1StringView("iframe"), Tag::Iframe}, {QLatin1StringView("embed"), Tag::Embed},
    {QLatin1StringView("object"), Tag::Object}, {QLatin1StringView("input"), Tag::Input},
};

Tag tagNamed(QStringView name) {
    if (name.size() > 6)
        return Tag::Other;
    for (const auto& [word, tag] : kTags)
        if (word.size() == name.size() && isWord(name, word))
            return tag;
    return Tag::Other;
}

} // namespace

quint32 fragmentHash(QStringView decoded) {
    const auto h = size_t(qHash(decoded, 0));
    const auto folded = quint32(h ^ (quint64(h) >> 32));
    return folded ? folded : 1;
}

bool mayHoldReference(QByteArrayView lowerName) {
    // Asked of every start tag: the length rules out most (span, div, p...)
    // before any name is compared.
    const std::string_view name(lowerName.data(), size_t(lowerName.size()));
    switch (name.size()) {
    case 1:
        return name == "a";
    case 3:
        return name == "img";
    case 4:
        return name == "area" || name == "base" || name == "link" || name == "meta";
    case 5:
        return name == "audio" || name == "embed" || name == "input" || name == "track" || name == "video";
    case 6:
        return name == "script" || name == "source" || name == "iframe" || name == "object";
    default:
        return false;
    }
}

PageReferenceSpans pageReferenceSpans(QStringView text) {
    PageReferenceSpans found;
    pageReferenceSpans(text, found);
    return found;
}

namespace {

// Reads the start tag whose "<" is at tagStart for its references and id;
// returns where a walk over the text goes on: after the tag, or after a
// script's or a style's text, or the text's end when the tag is cut off.
// Where `close` ("</script", in any case) first stands from `from`, or -1.
// Found from one "<" to the next: a search in any case over a long block
// costs many times a search for one character.
qsizetype indexOfEndTag(QStringView text, qsizetype from, QLatin1StringView close) {
    for (qsizetype at = text.indexOf(u'<', from); at >= 0; at = text.indexOf(u'<', at + 1))
        if (text.sliced(at).startsWith(close, Qt::CaseInsensitive))
            return at;
    return -1;
}

qsizetype readTagReferences(QStringView text, qsizetype tagStart, PageReferenceSpans& found,
                            QString& scratchId) {
    const qsizetype n = text.size();
    const auto addId = [&](QStringView id) {
        if (id.isEmpty())
            return;
        if (!hasAmpersand(id)) {
            found.ids.append(fragmentHash(id));
            return;
        }
        scratchId.truncate(0);
        appendDecoded(id, scratchId);
        found.ids.append(fragmentHash(scratchId));
    };
    qsizetype pos = tagStart + 1;
    qsizetype nameEnd = pos;
    while (nameEnd < n && !isOneOf(text[nameEnd], kSpaces | 1ull << '/' | 1ull << '>'))
        ++nameEnd;
    const Tag tag = tagNamed(text.sliced(pos, nameEnd - pos));
    TagAttributes a;
    pos = readAttributes(text, nameEnd, a);
    if (pos >= n)
        return n;
    if (a.id)
        addId(*a.id);
    // Script and style text is not markup: an "<a" inside it is no link.
    const auto skipText = [&](QLatin1StringView close) {
        const qsizetype at = indexOfEndTag(text, pos, close);
        pos = at < 0 ? n : at + 2;
    };
    if (tag == Tag::Style || (tag == Tag::Script && !a.src)) {
        skipText(QLatin1StringView(tag == Tag::Script ? "</script" : "</style"));
        return pos;
    }
    // The address at `from` in the text, or in decoded.
    const auto push = [&](qsizetype from, qsizetype size, bool inDecoded, Kind kind, bool nofollow) {
        found.references.append({.from = from,
                                 .size = size,
                                 .inDecoded = inDecoded,
                                 .kind = kind,
                                 .nofollow = nofollow,
                                 .offset = tagStart,
                                 .length = std::min(pos + 1, n) - tagStart});
    };
    // A value as it stands in the text, else decoded into decoded; the
    // first unit of decoded it starts at.
    const auto place = [&](QStringView value) -> std::pair<qsizetype, bool> {
        if (!hasAmpersand(value))
            return {value.data() - text.data(), false};
        const qsizetype from = found.decoded.size();
        appendDecoded(value, found.decoded);
        return {from, true};
    };
    const auto add = [&](QStringView value, Kind kind, bool nofollow = false) {
        // An empty address loads nothing; an empty link still names the page.
        if (value.isEmpty() && kind > Kind::Image)
            return;
        const auto [from, inDecoded] = place(value);
        push(from, inDecoded ? found.decoded.size() - from : value.size(), inDecoded, kind, nofollow);
    };
    const auto addSrcset = [&](QStringView value, Kind kind) {
        // Named, not bound: a lambda cannot capture a structured binding in every compiler we build with.
        const auto placed = place(value);
        const qsizetype from = placed.first;
        const bool inDecoded = placed.second;
        const QStringView list = inDecoded ? QStringView(found.decoded).sliced(from) : value;
        splitSrcset(list,
                    [&](qsizetype at, qsizetype size) { push(from + at, size, inDecoded, kind, false); });
    };
    const auto trimmed = [](const std::optional<QStringView>& v) { return v->trimmed(); };
    switch (tag) {
    case Tag::A:
        if (a.name && !a.name->isEmpty())
            addId(*a.name);
        [[fallthrough]];
    case Tag::Area:
        if (a.href)
            add(trimmed(a.href), tag == Tag::A ? Kind::Link : Kind::Area,
                hasWordIn(a.rel, QLatin1StringView("nofollow")));
        break;
    case Tag::Base:
        if (a.href && !found.base)
            found.base = decodeReferences(trimmed(a.href));
        break;
    case Tag::Img:
    case Tag::Source:
        if (a.src)
            add(trimmed(a.src), tag == Tag::Img ? Kind::Image : Kind::SourceSrc);
        if (a.srcset)
            addSrcset(*a.srcset, tag == Tag::Img ? Kind::ImageSrcset : Kind::SourceSrcset);
        break;
    case Tag::Script:
        add(trimmed(a.src), Kind::Script);
        skipText(QLatin1StringView("</script"));
        break;
    case Tag::Link:
        if (a.href && !trimmed(a.href).isEmpty())
            if (const std::optional<Kind> kind = linkKind(a))
                add(trimmed(a.href), *kind);
        break;
    case Tag::Meta:
        if (a.content) {
            if (a.httpEquiv &&
                isWord(decodedIfNeeded(*a.httpEquiv).trimmed(), QLatin1StringView("refresh"))) {
                const QString content = decodedIfNeeded(*a.content);
                if (const QStringView to = refreshAddress(content); !to.isEmpty()) {
                    // The address stands in decoded, as one with a reference would.
                    push(found.decoded.size(), to.size(), true, Kind::Refresh, false);
                    found.decoded += to;
                }
            } else if (const std::optional<Kind> kind = metaKind(a)) {
                add(trimmed(a.content), *kind);
            }
        }
        break;
    case Tag::Video:
        if (a.src)
            add(trimmed(a.src), Kind::VideoSrc);
        if (a.poster)
            add(trimmed(a.poster), Kind::VideoPoster);
        break;
    case Tag::Audio:
    case Tag::Track:
    case Tag::Iframe:
    case Tag::Embed:
        if (a.src)
            add(trimmed(a.src), tag == Tag::Audio    ? Kind::AudioSrc
                                : tag == Tag::Track  ? Kind::TrackSrc
                                : tag == Tag::Iframe ? Kind::IframeSrc
                                                     : Kind::EmbedSrc);
        break;
    case Tag::Object:
        if (a.data)
            add(trimmed(a.data), Kind::ObjectData);
        break;
    case Tag::Input:
        if (a.src && a.type && isWord(decodedIfNeeded(*a.type).trimmed(), QLatin1StringView("image")))
            add(trimmed(a.src), Kind::InputImage);
        break;
    case Tag::Style:
    case Tag::Other:
        break;
    }
    return pos;
}

// Every tag from `from` on, comments, scripts and styles passed over.
void walkReferences(QStringView text, qsizetype from, PageReferenceSpans& found, QString& scratchId) {
    const qsizetype n = text.size();
    qsizetype pos = from;
    while (pos < n && (pos = findTagOpen(text, pos)) >= 0) {
        if (text[pos + 1] == u'!') {
            if (startsWithWord(text, pos + 1, QLatin1StringView("!--"))) {
                const qsizetype end = text.indexOf(QLatin1StringView("-->"), pos + 4);
                pos = end < 0 ? n : end + 3;
            } else {
                ++pos;
            }
            continue;
        }
        pos = readTagReferences(text, pos, found, scratchId);
    }
}

void clear(PageReferenceSpans& found) {
    found.base.reset();
    found.references.clear();
    found.decoded.truncate(0);
    found.ids.clear();
}

} // namespace

void pageReferenceSpans(QStringView text, PageReferenceSpans& found) {
    clear(found);
    QString scratchId;
    walkReferences(text, 0, found, scratchId);
}

void pageReferenceSpans(QStringView text, const QList<ReferencePlace>& places, PageReferenceSpans& found) {
    clear(found);
    QString scratchId;
    for (const ReferencePlace& place : places) {
        if (place.length > 0)
            walkReferences(text.first(std::min(place.offset + place.length, text.size())), place.offset,
                           found, scratchId);
        else if (place.offset < text.size() && text[place.offset] == u'<')
            readTagReferences(text, place.offset, found, scratchId);
    }
}

PageReferences pageReferences(const QString& pageText) {
    PageReferenceSpans spans = pageReferenceSpans(pageText);
    PageReferences found;
    found.base = std::move(spans.base);
    found.references.reserve(spans.references.size());
    for (const PageReferenceSpan& r : spans.references)
        found.references.append({.target = spans.target(pageText, r).toString(),
                                 .kind = r.kind,
                                 .nofollow = r.nofollow,
                                 .offset = r.offset,
                                 .length = r.length});
    found.ids = std::move(spans.ids);
    return found;
}

web::WebUrl pageBase(const std::optional<QString>& base, const web::WebUrl& pageUrl) {
    if (!base)
        return pageUrl;
    web::WebUrl given = web::parseWebUrl(*base, &pageUrl);
    if (!given.valid || given.scheme == QLatin1String("javascript") || given.scheme == QLatin1String("data"))
        return pageUrl;
    return given;
}

std::optional<QString> headCanonical(QStringView text, bool* headEnded) {
    const qsizetype n = text.size();
    if (headEnded)
        *headEnded = false;
    for (qsizetype pos = text.indexOf(u'<'); pos >= 0 && pos + 1 < n; pos = text.indexOf(u'<', pos)) {
        ++pos;
        if (startsWithWord(text, pos, QLatin1StringView("!--"))) {
            const qsizetype end = text.indexOf(QLatin1StringView("-->"), pos + 3);
            pos = end < 0 ? n : end + 3;
            continue;
        }
        const auto named = [&](QLatin1StringView name) {
            const qsizetype end = pos + name.size();
            return startsWithWord(text, pos, name) &&
                   (end >= n || isSpace(text[end]) || text[end] == u'>' || text[end] == u'/');
        };
        if (named(QLatin1StringView("body")) || named(QLatin1StringView("/head"))) {
            if (headEnded)
                *headEnded = true;
            return std::nullopt;
        }
        for (const QLatin1StringView raw : {QLatin1StringView("script"), QLatin1StringView("style")}) {
            if (named(raw)) { // text, not markup
                const qsizetype close =
                    text.indexOf(QString(QLatin1StringView("</") + raw), pos, Qt::CaseInsensitive);
                pos = close < 0 ? n : close + 2;
            }
        }
        if (!named(QLatin1StringView("link")))
            continue;
        TagAttributes attributes;
        pos = readAttributes(text, pos + 4, attributes);
        if (attributes.rel && attributes.href &&
            hasWord(decodeReferences(*attributes.rel), QLatin1StringView("canonical")))
            return decodeReferences(*attributes.href);
    }
    return std::nullopt;
}

QList<web::WebUrl> sameOriginLinks(const QString& pageText, const web::WebUrl& pageUrl,
                                   const web::WebUrl& origin) {
    const PageReferences found = pageReferences(pageText);
    const web::WebUrl base = pageBase(found.base, pageUrl);
    QList<web::WebUrl> links;
    QSet<QString> seen;
    for (const PageReference& reference : found.references) {
        if (reference.kind != PageReference::Kind::Link)
            continue;
        web::WebUrl link = web::parseWebUrl(reference.target, &base).withoutFragment();
        if (!web::sameOrigin(link, origin))
            continue;
        if (!seen.contains(link.href)) {
            seen.insert(link.href);
            links.append(std::move(link));
        }
    }
    return links;
}

} // namespace headwise
