// The keyword chain yields distinct words of 5 to 15 characters free of
// separators and deleted characters, and its keyword text splits back into them.

#include "core/keywords/keywords.h"
#include "require.h"

#include <QSet>

using namespace headwise;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString stripped = stripHtml(text);
    for (QChar gone : QStringLiteral("<>/\\\"=,.}{!-+#%;:'()"))
        require(!stripped.contains(gone));

    QStringList words = wordList(stripped);
    removeRedundantWords(words);
    clearDoubles(words);
    QSet<QString> seen;
    for (const QString& word : words) {
        require(word.size() >= kShortestKeyword && word.size() <= kLongestKeyword);
        for (QChar separator : {u' ', u'\t', u'\r', u'\n'})
            require(!word.contains(separator));
        require(!seen.contains(word));
        seen.insert(word);
    }
    const QString joined = keywordText(words);
    require(words.isEmpty() ? joined.isEmpty() : joined.split(QStringLiteral(", ")) == words);
    require(countCommas(joined) == (joined.isEmpty() ? -1 : words.size() - 1));
    return 0;
}
