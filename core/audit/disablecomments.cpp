#include "disablecomments.h"

#include <QSet>

namespace headwise::audit {

namespace {

bool isIdChar(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
           c == u'_';
}

} // namespace

QStringList disabledRules(const QString& text) {
    static const QLatin1String open("<!--");
    static const QLatin1String keyword("headwise-disable");
    QStringList out;
    QSet<QString> seen;
    for (qsizetype at = text.indexOf(open); at >= 0; at = text.indexOf(open, at + open.size())) {
        qsizetype i = at + open.size();
        while (i < text.size() && text[i].isSpace())
            ++i;
        if (!QStringView(text).mid(i).startsWith(keyword))
            continue;
        i += keyword.size();
        if (i >= text.size() || !text[i].isSpace())
            continue;
        // Ids separated by commas and blanks, up to the first other character (the "-->").
        while (i < text.size()) {
            while (i < text.size() && (text[i].isSpace() || text[i] == u','))
                ++i;
            const qsizetype start = i;
            while (i < text.size() && isIdChar(text[i]))
                ++i;
            if (i == start)
                break;
            // "-->" ends the list even when no blank stands before it.
            qsizetype end = i;
            while (end > start && text[end - 1] == u'-')
                --end;
            if (end > start) {
                const QString id = text.mid(start, end - start).toLower();
                if (!seen.contains(id)) {
                    seen.insert(id);
                    out << id;
                }
            }
            if (end < i)
                break;
        }
        at = i - open.size();
    }
    return out;
}

} // namespace headwise::audit
