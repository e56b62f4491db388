#include "core/page/unifieddiff.h"

#include <algorithm>

namespace headwise {

namespace {

constexpr qsizetype kContext = 3;

// A file's lines as patch reads them: each ends after a LF, the last maybe without one.
class Lines {
public:
    explicit Lines(const QByteArray& bytes) : bytes_(bytes) {
        if (!bytes.isEmpty())
            starts_ << 0;
        for (qsizetype at = bytes.indexOf('\n'); at >= 0 && at + 1 < bytes.size();
             at = bytes.indexOf('\n', at + 1))
            starts_ << at + 1;
    }
    qsizetype count() const { return starts_.size(); }
    qsizetype startOf(qsizetype line) const { return line < count() ? starts_[line] : bytes_.size(); }
    // The line that holds offset; count() past a final LF.
    qsizetype of(qsizetype offset) const {
        if (offset >= bytes_.size() && (bytes_.isEmpty() || bytes_.endsWith('\n')))
            return count();
        return std::upper_bound(starts_.cbegin(), starts_.cend(), offset) - starts_.cbegin() - 1;
    }
    void append(QByteArray& out, char mark, qsizetype from, qsizetype to) const {
        for (qsizetype line = from; line < to; ++line) {
            out += mark;
            out += QByteArrayView(bytes_).sliced(startOf(line), startOf(line + 1) - startOf(line));
            if (!out.endsWith('\n'))
                out += "\n\\ No newline at end of file\n";
        }
    }

private:
    const QByteArray& bytes_;
    QList<qsizetype> starts_;
};

// Lines from and to (ends excluded) before, and the lines that took their place.
struct Change {
    qsizetype oldFrom, oldTo, newFrom, newTo;
};

QByteArray range(qsizetype from, qsizetype to) {
    // An empty range is named by the line before it, as diff -u does.
    return QByteArray::number(to == from ? from : from + 1) + ',' + QByteArray::number(to - from);
}

} // namespace

QByteArray unifiedDiff(const QString& path, const QByteArray& before, const QByteArray& after,
                       const QList<ByteEdit>& edits) {
    if (before == after)
        return {};
    const Lines old(before), now(after);
    const qsizetype oldLines = old.count(), newLines = now.count();
    QList<Change> changes;
    qsizetype shift = 0;
    for (const ByteEdit& edit : edits) {
        // The whole lines the edit touches; one that ends where a line starts
        // takes that line too unless what it put in ends a line (or is none
        // where something was).
        const qsizetype end = edit.offset + edit.oldLength;
        const qsizetype endLine = old.of(end);
        const bool endsLine = old.startOf(endLine) == end &&
                              (edit.newLength == 0 ? edit.oldLength > 0
                                                   : after[edit.offset + shift + edit.newLength - 1] == '\n');
        const qsizetype first = old.of(edit.offset);
        const qsizetype last = endsLine ? endLine : std::min(endLine + 1, oldLines);
        const qsizetype newFirst = now.of(old.startOf(first) + shift);
        shift += edit.newLength - edit.oldLength;
        const qsizetype newLast = last == oldLines ? newLines : now.of(old.startOf(last) + shift);
        if (!changes.isEmpty() && changes.back().oldTo > first) { // two edits on one line
            changes.back().oldTo = std::max(changes.back().oldTo, last);
            changes.back().newTo = std::max(changes.back().newTo, newLast);
        } else {
            changes.append({first, last, newFirst, newLast});
        }
    }
    QByteArray out = "--- a/" + path.toUtf8() + "\n+++ b/" + path.toUtf8() + "\n";
    for (qsizetype c = 0; c < changes.size();) {
        // Changes closer than twice the context share a hunk.
        qsizetype last = c;
        while (last + 1 < changes.size() && changes[last + 1].oldFrom - changes[last].oldTo <= 2 * kContext)
            ++last;
        const qsizetype oldFrom = std::max<qsizetype>(changes[c].oldFrom - kContext, 0);
        const qsizetype newFrom = changes[c].newFrom - (changes[c].oldFrom - oldFrom);
        const qsizetype oldTo = std::min(changes[last].oldTo + kContext, oldLines);
        const qsizetype newTo = changes[last].newTo + (oldTo - changes[last].oldTo);
        out += "@@ -" + range(oldFrom, oldTo) + " +" + range(newFrom, newTo) + " @@\n";
        qsizetype context = oldFrom;
        for (qsizetype k = c; k <= last; ++k) {
            old.append(out, ' ', context, changes[k].oldFrom);
            old.append(out, '-', changes[k].oldFrom, changes[k].oldTo);
            now.append(out, '+', changes[k].newFrom, changes[k].newTo);
            context = changes[k].oldTo;
        }
        old.append(out, ' ', context, oldTo);
        c = last + 1;
    }
    return out;
}

} // namespace headwise
