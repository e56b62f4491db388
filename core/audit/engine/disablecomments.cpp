#include "core/audit/engine/disablecomments.h"

#include <QSet>

#include <cstring>
#include <string_view>

namespace headwise::audit {

namespace {

bool isIdChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The keyword is rare and long, so the page is searched for it and the "<!--"
// is checked only where it turns up. The C library's search reads several
// times faster than the skipping one of Qt.
qsizetype findKeyword(QByteArrayView text, qsizetype from, std::string_view keyword) {
    if (from >= text.size())
        return -1;
    const void* hit = memmem(text.data() + from, size_t(text.size() - from), keyword.data(), keyword.size());
    return hit ? static_cast<const char*>(hit) - text.data() : -1;
}

} // namespace

QStringList disabledRules(QByteArrayView utf8) {
    constexpr std::string_view keyword = "headwise-disable";
    const qsizetype keyLength = qsizetype(keyword.size());
    const char* data = utf8.data();
    const qsizetype n = utf8.size();
    QStringList out;
    QSet<QString> seen;
    for (qsizetype at = findKeyword(utf8, 0, keyword); at >= 0;
         at = findKeyword(utf8, at + keyLength, keyword)) {
        qsizetype open = at;
        while (open > 0 && isBlank(data[open - 1]))
            --open;
        if (open < 4 || QByteArrayView(data + open - 4, 4) != "<!--")
            continue;
        qsizetype i = at + keyLength;
        if (i >= n || !isBlank(data[i]))
            continue;
        // Ids separated by commas and blanks, up to the first other character (the "-->").
        while (i < n) {
            while (i < n && (isBlank(data[i]) || data[i] == ','))
                ++i;
            const qsizetype start = i;
            while (i < n && isIdChar(data[i]))
                ++i;
            if (i == start)
                break;
            // "-->" ends the list even when no blank stands before it.
            qsizetype end = i;
            while (end > start && data[end - 1] == '-')
                --end;
            if (end > start) {
                const QString id = QString::fromLatin1(data + start, end - start).toLower();
                if (!seen.contains(id)) {
                    seen.insert(id);
                    out << id;
                }
            }
            if (end < i)
                break;
        }
    }
    return out;
}

} // namespace headwise::audit
