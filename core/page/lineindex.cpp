#include "core/page/lineindex.h"

#include <algorithm>

namespace headwise {

LineIndex::LineIndex(QStringView text) {
    // Lines end in LF or CR LF nearly always: a fast search for each LF, and
    // one for a CR in the line before it, finds them; a CR found earlier in
    // that line ends a line of its own.
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype lf = text.indexOf(u'\n', from);
        const qsizetype end = lf < 0 ? text.size() : lf;
        const qsizetype cr = text.sliced(from, end - from).indexOf(u'\r');
        if (cr >= 0 && from + cr + 1 < end) { // a lone CR
            starts_.append(from + cr + 1);
            from += cr + 1;
            continue;
        }
        if (lf < 0) {
            if (cr >= 0) // a CR that ends the text
                starts_.append(text.size());
            break;
        }
        starts_.append(lf + 1);
        from = lf + 1;
    }
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
