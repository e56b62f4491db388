#include "linebreaks.h"

namespace headwise {

QString toCrLf(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            out += QLatin1String("\r\n");
            if (i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

QString toLf(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            out += QLatin1Char('\n');
            if (i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace headwise
