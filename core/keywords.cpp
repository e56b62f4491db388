#include "keywords.h"

#include <QSet>
#include <QStringMatcher>
#include <cstring>

namespace headwise {

const QStringList& strippedItems()
{
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

// Compacts the text in place: the untouched rest of the text always lies at
// or behind the read position, so searching it sees the pass's input, never
// its output.
template <typename Find>
void deleteEvery(QString& text, qsizetype itemSize, Find find)
{
    qsizetype hit = find(QStringView(text), 0);
    if (hit < 0)
        return;
    QChar* data = text.data();
    const qsizetype size = text.size();
    qsizetype write = hit;
    qsizetype read = hit + itemSize;
    for (;;) {
        hit = read < size ? find(QStringView(text), read) : -1;
        const qsizetype keepUntil = hit < 0 ? size : hit;
        std::memmove(static_cast<void*>(data + write), data + read, (keepUntil - read) * sizeof(QChar));
        write += keepUntil - read;
        if (hit < 0)
            break;
        read = hit + itemSize;
    }
    text.truncate(write);
}

} // namespace

QString StripHtml(const QString& text)
{
    QString result = text.toLower();
    for (const QString& item : strippedItems()) {
        if (item.size() == 1) {
            const QChar c = item.front();
            deleteEvery(result, 1, [c](QStringView s, qsizetype from) { return s.indexOf(c, from); });
        } else {
            const QStringMatcher matcher(item);
            deleteEvery(result, item.size(),
                        [&matcher](QStringView s, qsizetype from) { return matcher.indexIn(s, from); });
        }
    }
    return result;
}

QStringList WordList(const QString& text)
{
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

void RemoveRedundantWords(QStringList& words)
{
    words.removeIf([](const QString& word) {
        return word.size() < kShortestKeyword || word.size() > kLongestKeyword;
    });
}

void ClearDoubles(QStringList& words)
{
    QSet<QString> seen;
    seen.reserve(words.size());
    words.removeIf([&seen](const QString& word) {
        const qsizetype before = seen.size();
        seen.insert(word);
        return seen.size() == before;
    });
}

qsizetype CountCommas(const QString& text) { return text.isEmpty() ? -1 : text.count(QLatin1Char(',')); }

QString KeywordText(const QStringList& words) { return words.join(QStringLiteral(", ")); }

} // namespace headwise
