#include "core/page/lineindex.h"

#include <algorithm>

namespace headwise {

LineIndex::LineIndex(QStringView text) {
    // Most texts break lines with LF alone (or CR LF): a fast search for LF
    // finds every line then; a lone CR needs the look at each character.
    if (!text.contains(u'\r')) {
        for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1))
            starts_.append(at + 1);
        return;
    }
    const QChar* data = text.data();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = data[i].unicode();
        if (c != u'\n' && c != u'\r')
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
