#include "core/page/lineindex.h"

#include <algorithm>

namespace headwise {

LineIndex::LineIndex(QStringView text) {
    const QChar* data = text.data();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = data[i].unicode();
        if (c > u'\r' || (c != u'\n' && c != u'\r'))
            continue;
        if (c == u'\r' && i + 1 < size && data[i + 1] == u'\n')
            ++i;
        starts_.append(i + 1);
    }
}

qsizetype LineIndex::lineOf(qsizetype offset) const {
    return std::upper_bound(starts_.cbegin(), starts_.cend(), offset) - starts_.cbegin() - 1;
}

LineIndex::Place LineIndex::place(qsizetype offset) const {
    const qsizetype line = lineOf(offset);
    return {int(line) + 1, int(offset - starts_[line]) + 1};
}

} // namespace headwise
