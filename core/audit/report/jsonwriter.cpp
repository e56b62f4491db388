#include "core/audit/report/jsonwriter.h"

#include <algorithm>
#include <charconv>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace headwise::audit {

void JsonWriter::key(QStringView name) {
    char* to = writeString(start(6 * name.size() + 4), name);
    *to++ = ':';
    *to++ = ' ';
    finish(to);
    afterKey_ = true;
}

void JsonWriter::value(QStringView text) {
    finish(writeString(start(6 * text.size() + 2), text));
}

void JsonWriter::value(qint64 number) {
    // Written in place: a report holds a line and a column for every finding.
    char* to = start(std::numeric_limits<qint64>::digits10 + 2);
    finish(std::to_chars(to, to + std::numeric_limits<qint64>::digits10 + 2, number).ptr);
}

void JsonWriter::boolean(bool truth) {
    beforeValue();
    out_ += truth ? "true" : "false";
}

void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}

void JsonWriter::open(char bracket) {
    beforeValue();
    out_ += bracket;
    hasItems_.append(false);
}

void JsonWriter::close(char bracket) {
    const bool hadItems = hasItems_.takeLast();
    if (hadItems)
        newline();
    out_ += bracket;
    if (hasItems_.isEmpty())
        out_ += '\n';
}

void JsonWriter::beforeValue() {
    finish(start(0));
}

char* JsonWriter::start(qsizetype most) {
    // Room for what goes before a value (a comma, a line break, the indent) and for the value itself.
    const qsizetype at = out_.size();
    const qsizetype indent = 2 * hasItems_.size();
    out_.resize(at + 2 + indent + most);
    char* to = out_.data() + at;
    if (afterKey_) {
        afterKey_ = false;
        return to;
    }
    if (hasItems_.isEmpty())
        return to;
    if (hasItems_.last())
        *to++ = ',';
    hasItems_.last() = true;
    *to++ = '\n';
    return std::fill_n(to, indent, ' ');
}

void JsonWriter::finish(const char* end) {
    out_.truncate(end - out_.constData());
}

void JsonWriter::newline() {
    out_ += '\n';
    out_.append(2 * hasItems_.size(), ' ');
}

char* JsonWriter::writeString(char* to, QStringView text) {
    static const char hex[] = "0123456789abcdef";
    // Written through a pointer into room made for the most the text can take
    // (six bytes a unit, for \u001f): a report is mostly messages, addresses
    // and sources, and an append for each escape cost more than the rest.
    const qsizetype n = text.size();
    *to++ = '"';
    const char16_t* units = text.utf16();
    for (qsizetype i = 0; i < n;) {
#if defined(__SSE2__)
        // Eight units at a time, up to the first that is not ASCII or needs an escape.
        if (n - i >= 8) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
            const __m128i below = _mm_cmplt_epi16(_mm_add_epi16(block, _mm_set1_epi16(-0x8000)),
                                                  _mm_set1_epi16(-0x8000 + 0x20));
            const __m128i above = _mm_cmpgt_epi16(_mm_add_epi16(block, _mm_set1_epi16(-0x8000)),
                                                  _mm_set1_epi16(-0x8000 + 0x7f));
            const __m128i quote = _mm_cmpeq_epi16(block, _mm_set1_epi16('"'));
            const __m128i backslash = _mm_cmpeq_epi16(block, _mm_set1_epi16('\\'));
            const __m128i stops = _mm_or_si128(_mm_or_si128(below, above), _mm_or_si128(quote, backslash));
            const unsigned mask = unsigned(_mm_movemask_epi8(stops));
            const int plain = mask == 0 ? 8 : __builtin_ctz(mask) / 2;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(block, block));
            to += plain;
            i += plain;
            if (plain == 8)
                continue;
        }
#endif
        const char16_t u = units[i];
        if (u >= 0x80) {
            // A run outside ASCII goes out as UTF-8 whole, its surrogate pairs together.
            qsizetype end = i + 1;
            while (end < n && units[end] >= 0x80)
                ++end;
            const QByteArray utf8 = text.sliced(i, end - i).toUtf8();
            to = std::copy(utf8.cbegin(), utf8.cend(), to);
            i = end;
            continue;
        }
        ++i;
        if (u >= 0x20 && u != u'"' && u != u'\\') {
            *to++ = char(u);
            continue;
        }
        *to++ = '\\';
        switch (u) {
        case u'"':
            *to++ = '"';
            break;
        case u'\\':
            *to++ = '\\';
            break;
        case u'\n':
            *to++ = 'n';
            break;
        case u'\r':
            *to++ = 'r';
            break;
        case u'\t':
            *to++ = 't';
            break;
        default:
            to = std::copy_n("u00", 3, to);
            *to++ = hex[u >> 4];
            *to++ = hex[u & 15];
        }
    }
    *to++ = '"';
    return to;
}

} // namespace headwise::audit
