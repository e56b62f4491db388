#pragma once

#include <QString>
#include <QStringList>
#include <functional>

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
void clearDoubles(QStringList& words);

// The number of commas in a non-empty text; -1 for the empty text.
qsizetype countCommas(const QString& text);

// Words separated by ", " with nothing after the last.
QString keywordText(const QStringList& words);

// The Extract chain's stages, in the order they run.
enum class KeywordStage { Strip, WordList, LengthFilter, Doubles };

// What the chain works on: the scratch text (the page, then the stripped
// text) and the word list so far, which the word-list stage appends to.
struct KeywordChain {
    QString text;
    QStringList words;
};

// Told before each stage (done false) and after it (done true, with the chain
// as the stage left it); false stops the chain there.
using KeywordStageObserver = std::function<bool(KeywordStage stage, bool done, const KeywordChain& chain)>;

// Runs the chain from the stage given to its end; false when the observer stopped it.
bool runKeywordChain(KeywordChain& chain, KeywordStage from, const KeywordStageObserver& observe);

// The Extract chain in one call: strip, word list, length filter, de-duplication.
QStringList keywordCandidates(const QString& page);

// "Add These": the chosen keywords go after what the field already holds.
QString appendKeywords(const QString& current, const QString& added);

} // namespace headwise
