#include "core/audit/model/foldedsearch.h"

#include <QtGlobal>

#include <array>

namespace headwise::audit {

// A skipping search, so a page without the needle costs a fraction of a pass.
// The skip table is a plain array: the library's searcher, given a folding
// predicate, keeps its table in a hash map and looks every byte up in it.
bool containsFolded(QByteArrayView bytes, std::string_view needle) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
    const qsizetype m = qsizetype(needle.size());
    if (m == 0 || bytes.size() < m)
        return false;
    std::array<qsizetype, 256> skip;
    skip.fill(m);
    for (qsizetype i = 0; i + 1 < m; ++i) {
        const char c = needle[size_t(i)];
        skip[uchar(c)] = m - 1 - i;
        if (c >= 'a' && c <= 'z')
            skip[uchar(c - 'a' + 'A')] = m - 1 - i;
    }
    const char* data = bytes.data();
    for (qsizetype at = 0; at + m <= bytes.size(); at += skip[uchar(data[at + m - 1])]) {
        qsizetype k = m - 1;
        while (k >= 0 && lower(data[at + k]) == needle[size_t(k)])
            --k;
        if (k < 0)
            return true;
    }
    return false;
}

} // namespace headwise::audit
