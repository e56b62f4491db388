#include "core/site/pagelinks.h"

#include <QSet>

#include <algorithm>
#include <bit>
#include <optional>
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

// Whether a "<" before c may open a tag the scan reads: "!", a letter the
// tags below begin with, or any character outside ASCII (which may fold to
// one). Most tags are none of them.
bool mayOpenTag(char16_t c) {
    constexpr quint64 kLow = 1ull << '!';
    constexpr quint64 kHigh = 1ull << ('a' - 64) | 1ull << ('A' - 64) | 1ull << ('b' - 64) |
                              1ull << ('B' - 64) | 1ull << ('i' - 64) | 1ull << ('I' - 64) |
                              1ull << ('s' - 64) | 1ull << ('S' - 64);
    return c >= 0x80 || ((c < 64 ? kLow : kHigh) >> (c & 63) & 1);
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
        // Letters in lower case; "!" stays what it is. A few control
        // characters come out as one of them too: they are only looked at.
        const __m128i lower = _mm_or_si128(next, _mm_set1_epi16(0x20));
        const __m128i ascii =
            _mm_cmpeq_epi16(_mm_and_si128(next, _mm_set1_epi16(short(0xFF80))), _mm_setzero_si128());
        const __m128i wanted =
            _mm_or_si128(_mm_or_si128(_mm_or_si128(same(lower, u'a'), same(lower, u'b')),
                                      _mm_or_si128(same(lower, u'i'), same(lower, u's'))),
                         _mm_or_si128(same(lower, u'!'), _mm_xor_si128(ascii, _mm_set1_epi16(-1))));
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
    std::optional<QStringView> href, src, rel;
};

// Reads the attributes of the tag whose name ends at `pos`, up to its ">";
// returns where the scan goes on. A tag the text ends inside is no tag, as in
// a browser: nothing is read from it.
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
        std::optional<QStringView>* slot = isWord(name, QLatin1StringView("href"))  ? &out.href
                                           : isWord(name, QLatin1StringView("src")) ? &out.src
                                           : isWord(name, QLatin1StringView("rel")) ? &out.rel
                                                                                    : nullptr;
        if (slot && !*slot)
            *slot = text.sliced(valueStart, valueEnd - valueStart).trimmed();
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

} // namespace

PageReferenceSpans pageReferenceSpans(QStringView text) {
    PageReferenceSpans found;
    pageReferenceSpans(text, found);
    return found;
}

void pageReferenceSpans(QStringView text, PageReferenceSpans& found) {
    found.base.reset();
    found.references.clear();
    found.decoded.truncate(0);
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while ((pos = findTagOpen(text, pos)) >= 0) {
        const qsizetype tagStart = pos;
        ++pos;
        // Most tags are none of the few below: their first letter tells.
        const char16_t c = pos < n ? text[pos].unicode() : u'\0';
        const char16_t first = c < 0x80 ? (c >= u'A' && c <= u'Z' ? c | 0x20 : c) : QChar::toLower(c);
        if (first == u'!') {
            if (startsWithWord(text, pos, QLatin1StringView("!--"))) {
                const qsizetype end = text.indexOf(QLatin1StringView("-->"), pos + 3);
                pos = end < 0 ? n : end + 3;
            }
            continue;
        }
        // Script and style text is not markup: an "<a" inside it is no link.
        if (first == u's') {
            for (const QLatin1StringView raw : {QLatin1StringView("script"), QLatin1StringView("style")}) {
                const qsizetype after = pos + raw.size();
                if (startsWithWord(text, pos, raw) &&
                    (after >= n || isSpace(text[after]) || text[after] == u'>' || text[after] == u'/')) {
                    const qsizetype close =
                        text.indexOf(QString(QLatin1StringView("</") + raw), after, Qt::CaseInsensitive);
                    pos = close < 0 ? n : close + 2;
                    break;
                }
            }
            continue;
        }
        if (first != u'a' && first != u'i' && first != u'b')
            continue;
        static const struct {
            QLatin1StringView name;
            std::optional<PageReference::Kind> kind; // none for <base>
        } kTags[] = {{QLatin1StringView("area"), PageReference::Kind::Area},
                     {QLatin1StringView("a"), PageReference::Kind::Link},
                     {QLatin1StringView("img"), PageReference::Kind::Image},
                     {QLatin1StringView("base"), std::nullopt}};
        const auto* tag = std::find_if(std::begin(kTags), std::end(kTags), [&](const auto& t) {
            const qsizetype end = pos + t.name.size();
            return char16_t(t.name.front().unicode()) == first && startsWithWord(text, pos, t.name) &&
                   (end >= n || isSpace(text[end]) || text[end] == u'>' || text[end] == u'/');
        });
        if (tag == std::end(kTags))
            continue;
        TagAttributes attributes;
        pos = readAttributes(text, pos + tag->name.size(), attributes);
        const std::optional<QStringView>& target =
            tag->kind == PageReference::Kind::Image ? attributes.src : attributes.href;
        if (!target)
            continue;
        if (!tag->kind) {
            if (!found.base)
                found.base = decodeReferences(*target);
            continue;
        }
        PageReferenceSpan r;
        if (hasAmpersand(*target)) {
            r.from = found.decoded.size();
            appendDecoded(*target, found.decoded);
            r.size = found.decoded.size() - r.from;
            r.inDecoded = true;
        } else {
            r.from = target->data() - text.data();
            r.size = target->size();
        }
        r.kind = *tag->kind;
        const std::optional<QStringView>& rel = attributes.rel;
        r.nofollow =
            rel && (hasAmpersand(*rel) ? hasWord(decodeReferences(*rel), QLatin1StringView("nofollow"))
                                       : hasWord(*rel, QLatin1StringView("nofollow")));
        r.offset = tagStart;
        r.length = std::min(pos + 1, n) - tagStart;
        found.references.append(r);
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
    return found;
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
    web::WebUrl resolvedBase;
    if (found.base)
        resolvedBase = web::parseWebUrl(*found.base, &pageUrl);
    // A <base href> that is no address leaves the page's own as the base.
    const web::WebUrl& base = resolvedBase.valid ? resolvedBase : pageUrl;
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
