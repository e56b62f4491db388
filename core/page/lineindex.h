#pragma once

#include <QList>
#include <QStringView>

namespace headwise {

// Where each line of a text starts, so the line and column of any offset are
// found without walking the text again. CR LF, lone LF and lone CR each end a
// line, as editors and browsers count them.
class LineIndex {
public:
    LineIndex() = default;
    explicit LineIndex(QStringView text);

    struct Place {
        int line = 1;   // from 1
        int column = 1; // from 1, in UTF-16 units
    };
    Place place(qsizetype offset) const;
    // place() for offsets asked in rising order, line the one the last was
    // on (-1 at first): a step or two from there, not a search of every line.
    Place placeAfter(qsizetype offset, qsizetype& line) const;
    // The line an offset lies on, from 0.
    qsizetype lineOf(qsizetype offset) const;
    qsizetype lineStart(qsizetype line) const { return starts_[line]; }
    qsizetype lineCount() const { return starts_.size(); }

private:
    QList<qsizetype> starts_{0};
};

} // namespace headwise
