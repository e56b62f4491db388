#include "core/page/lineindex.h"

#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace headwise {

namespace {

// A break character at i ends the line: a LF always, a CR unless a LF follows.
void addBreak(QStringView text, qsizetype i, QList<qsizetype>& starts) {
    if (text[i] == u'\n' || i + 1 == text.size() || text[i + 1] != u'\n')
        starts.append(i + 1);
}

} // namespace

LineIndex::LineIndex(QStringView text) {
    // One pass, eight units at a time where the processor can, for both
    // break characters: a page's lines are short, and a library search per
    // line cost more than the search itself.
    const char16_t* const begin = text.utf16();
    const qsizetype n = text.size();
    starts_.reserve(n / 32 + 1);
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16(u'\n'), cr = _mm_set1_epi16(u'\r');
    for (; n - i >= 8; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i));
        unsigned found = unsigned(_mm_movemask_epi8(
                             _mm_or_si128(_mm_cmpeq_epi16(units, lf), _mm_cmpeq_epi16(units, cr)))) &
                         0x5555u; // one bit for each unit
        for (; found; found &= found - 1)
            addBreak(text, i + std::countr_zero(found) / 2, starts_);
    }
#endif
    for (; i < n; ++i)
        if (begin[i] == u'\n' || begin[i] == u'\r')
            addBreak(text, i, starts_);
}

qsizetype LineIndex::lineOf(qsizetype offset) const {
    return std::upper_bound(starts_.cbegin(), starts_.cend(), offset) - starts_.cbegin() - 1;
}

LineIndex::Place LineIndex::place(qsizetype offset) const {
    const qsizetype line = lineOf(offset);
    return {int(line) + 1, int(offset - starts_[line]) + 1};
}

LineIndex::Place LineIndex::placeAfter(qsizetype offset, qsizetype& line) const {
    constexpr int kSteps = 8; // then the rest is searched
    if (line < 0 || line >= starts_.size() || starts_[line] > offset) {
        line = lineOf(offset);
    } else {
        int steps = 0;
        while (line + 1 < starts_.size() && starts_[line + 1] <= offset) {
            if (++steps > kSteps) {
                line =
                    std::upper_bound(starts_.cbegin() + line, starts_.cend(), offset) - starts_.cbegin() - 1;
                break;
            }
            ++line;
        }
    }
    return {int(line) + 1, int(offset - starts_[line]) + 1};
}

} // namespace headwise
