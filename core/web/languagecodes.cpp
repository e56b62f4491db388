// Language and region codes for lang attributes and hreflang values. The tables are generated
// from Debian's iso-codes by scripts/gen-language-codes.py and searched in place, so nothing is
// built at run time and the audit's threads share them without locks.

#include "core/web/languagecodes.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace headwise::web {
namespace {

#include "core/web/languagecodes.inc"

// Binary search needs each table strictly ascending; checked here so that a hand-edited or badly
// merged table fails to build instead of missing codes.
template <std::size_t Width, std::size_t Size> constexpr bool strictlyAscending(const char (&table)[Size]) {
    for (std::size_t at = Width; at + Width < Size; at += Width) {
        std::size_t i = 0;
        while (i < Width && table[at - Width + i] == table[at + i])
            ++i;
        if (i == Width || table[at - Width + i] > table[at + i])
            return false;
    }
    return true;
}
static_assert(strictlyAscending<2>(kIso639Alpha2));
static_assert(strictlyAscending<3>(kIso639Alpha3));
static_assert(strictlyAscending<2>(kIso3166Alpha2));

// Whether code, case-folded to the table's case, is one of the sorted fixed-width codes of table.
// Characters outside ASCII letters never match, so no Unicode case mapping can turn one into a code.
template <std::size_t Width, std::size_t Size>
bool inTable(const char (&table)[Size], QStringView code, bool upper) {
    static_assert((Size - 1) % Width == 0, "the table holds whole codes");
    if (code.size() != qsizetype(Width))
        return false;
    std::array<char, Width> key;
    for (std::size_t i = 0; i < Width; ++i) {
        char16_t c = code[qsizetype(i)].unicode();
        if (c >= u'A' && c <= u'Z')
            c += u'a' - u'A';
        if (c < u'a' || c > u'z')
            return false;
        key[i] = char(upper ? c - (u'a' - u'A') : c);
    }
    std::size_t low = 0;
    std::size_t high = (Size - 1) / Width;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        const int order = std::memcmp(table + mid * Width, key.data(), Width);
        if (order == 0)
            return true;
        if (order < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return false;
}

} // namespace

bool isIso639Alpha2(QStringView code) {
    return inTable<2>(kIso639Alpha2, code, false);
}

bool isIso639Alpha3(QStringView code) {
    return inTable<3>(kIso639Alpha3, code, false);
}

bool isIso3166Alpha2(QStringView code) {
    return inTable<2>(kIso3166Alpha2, code, true);
}

QString regionMeant(QStringView code) {
    // Only mistakes whose meaning is certain: "UK" is ISO 3166-1's exceptionally reserved code for
    // the United Kingdom, whose assigned code is GB.
    if (code.size() == 2 && (code[0] == u'U' || code[0] == u'u') && (code[1] == u'K' || code[1] == u'k'))
        return QStringLiteral("GB");
    return {};
}

} // namespace headwise::web
