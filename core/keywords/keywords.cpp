#include "core/keywords/keywords.h"

#include <QSet>
#include <QStringMatcher>
#include <cstring>

namespace headwise {

const QStringList& strippedItems() {
    static const QStringList items = {
        // markup characters
        "<", ">", "/", "\\", "\"", "=", ",", ".", "}", "{", "!", "-", "+", "#", "%",
        // page structure
        "webbot", "meta", "html", "head", "body", "style", "name", "margin", "align", "left", "right",
        "center", "tr", "table", "td", "tbody", "&nbsp;",
        // attributes, styles and scripts
        "font", "face", "font", "height", "width", "color", "content", "http", "text", "decoration",
        "underline", "scrollbar", "background", "cellpadding", "return", "microsoft", "href", "mailto",
        "comment", "class", "image", "script", "param", "name", "value", "applet", "javascript", "java",
        "language", "frontpage", "editor", "document", "src", "markup", "border", "pre", "div", "link",
        "alink", "vlink", "startspan", "endspan", "rowspan", "frame", "rgb",
        // closing punctuation
        ";", ":", "'", "(", ")"};
    return items;
}

namespace {

// One left-to-right pass, compacting in place. The unread rest of the text
// always lies at or behind the read position, so the search sees the pass's
// input, never the joints it has made.
void deleteItem(QString& text, const QString& item) {
    const QStringMatcher matcher(item);
    qsizetype hit = matcher.indexIn(QStringView(text), 0);
    if (hit < 0)
        return;
    QChar* data = text.data();
    const qsizetype size = text.size();
    qsizetype write = hit;
    qsizetype read = hit + item.size();
    for (;;) {
        hit = read < size ? matcher.indexIn(QStringView(text), read) : -1;
        const qsizetype keepUntil = hit < 0 ? size : hit;
        std::memmove(static_cast<void*>(data + write), data + read, (keepUntil - read) * sizeof(QChar));
        write += keepUntil - read;
        if (hit < 0)
            break;
        read = hit + item.size();
    }
    text.truncate(write);
}

// Deleting single characters never forms a new occurrence of another single
// character, so a run of one-character items can go in one pass with the
// same result as one pass per item.
void deleteCharacters(QString& text, const QList<QChar>& characters) {
    bool doomed[128] = {};
    for (QChar c : characters)
        if (c.unicode() < 128)
            doomed[c.unicode()] = true;
    QChar* data = text.data();
    const qsizetype size = text.size();
    qsizetype write = 0;
    for (qsizetype read = 0; read < size; ++read) {
        const char16_t c = data[read].unicode();
        if (c >= 128 || !doomed[c])
            data[write++] = data[read];
    }
    text.truncate(write);
}

} // namespace

QString stripHtml(const QString& text) {
    QString result = text.toLower();
    QList<QChar> characters;
    for (const QString& item : strippedItems()) {
        if (item.size() == 1) {
            characters.append(item.front());
            continue;
        }
        if (!characters.isEmpty()) {
            deleteCharacters(result, characters);
            characters.clear();
        }
        deleteItem(result, item);
    }
    if (!characters.isEmpty())
        deleteCharacters(result, characters);
    return result;
}

QStringList wordList(const QString& text) {
    QStringList words;
    if (text.isEmpty())
        return words;
    const QChar* data = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = data[i].unicode();
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
            continue;
        words.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < size && data[i + 1] == u'\n')
            ++i; // CR LF is one line break
        start = i + 1;
    }
    words.append(text.mid(start));
    return words;
}

void removeRedundantWords(QStringList& words) {
    words.removeIf(
        [](const QString& word) { return word.size() < kShortestKeyword || word.size() > kLongestKeyword; });
}

void clearDoubles(QStringList& words) {
    QSet<QString> seen;
    seen.reserve(words.size());
    words.removeIf([&seen](const QString& word) {
        const qsizetype before = seen.size();
        seen.insert(word);
        return seen.size() == before;
    });
}

qsizetype countCommas(const QString& text) {
    return text.isEmpty() ? -1 : text.count(QLatin1Char(','));
}

QString keywordText(const QStringList& words) {
    return words.join(QStringLiteral(", "));
}

bool runKeywordChain(KeywordChain& chain, KeywordStage from, const KeywordStageObserver& observe) {
    constexpr KeywordStage kStages[] = {KeywordStage::Strip, KeywordStage::WordList,
                                        KeywordStage::LengthFilter, KeywordStage::Doubles};
    for (const KeywordStage stage : kStages) {
        if (stage < from)
            continue;
        if (observe && !observe(stage, false, chain))
            return false;
        switch (stage) {
        case KeywordStage::Strip:
            chain.text = stripHtml(chain.text);
            break;
        case KeywordStage::WordList:
            chain.words += wordList(chain.text);
            break;
        case KeywordStage::LengthFilter:
            removeRedundantWords(chain.words);
            break;
        case KeywordStage::Doubles:
            clearDoubles(chain.words);
            break;
        }
        if (observe && !observe(stage, true, chain))
            return false;
    }
    return true;
}

QStringList keywordCandidates(const QString& page) {
    KeywordChain chain{page, {}};
    runKeywordChain(chain, KeywordStage::Strip, {});
    return chain.words;
}

QString appendKeywords(const QString& current, const QString& added) {
    return current.isEmpty() ? added : current + QStringLiteral(", ") + added;
}

} // namespace headwise
