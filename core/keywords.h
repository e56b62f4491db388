#pragma once

#include <QString>
#include <QStringList>

namespace headwise {

// Literal items the stripper deletes, in the order of deletion. "font" and
// "name" appear twice on purpose: a later pass removes what an earlier
// deletion joined together.
const QStringList& strippedItems();

// Lower-cases the text, then deletes every item of strippedItems() in turn.
// Each pass scans left to right once, matches do not overlap and the pass
// does not look again at joints it created. Items go as substrings, not
// words: "string" becomes "sing".
QString stripHtml(const QString& text);

// Every token of the text, split at each blank, tab and line break (CR LF,
// lone CR, lone LF). Neighbouring separators give empty tokens, which the
// length filter drops.
QStringList wordList(const QString& text);

inline constexpr qsizetype kShortestKeyword = 5;
inline constexpr qsizetype kLongestKeyword = 15;

// Keeps the words of 5 to 15 characters (UTF-16 code units), in order.
void removeRedundantWords(QStringList& words);

// Keeps the first occurrence of each word (exact comparison), in order.
void ClearDoubles(QStringList& words);

// The number of commas in a non-empty text; -1 for the empty text.
qsizetype CountCommas(const QString& text);

// Words separated by ", " with nothing after the last.
QString keywordText(const QStringList& words);

} // namespace headwise
