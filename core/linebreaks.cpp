#include "linebreaks.h"

namespace headwise {
namespace {

// Copies runs between line breaks whole; a page of megabytes is converted in
// a few milliseconds rather than one character at a time.
QString convertBreaks(const QString& text, QLatin1String lineBreak, qsizetype extra)
{
    QString out;
    out.reserve(text.size() + extra);
    const QChar* data = text.constData();
    const qsizetype n = text.size();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = data[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        out.append(data + runStart, i - runStart);
        out.append(lineBreak);
        if (c == u'\r' && i + 1 < n && data[i + 1] == QLatin1Char('\n'))
            ++i;
        runStart = i + 1;
    }
    out.append(data + runStart, n - runStart);
    return out;
}

} // namespace

QString toCrLf(const QString& text) { return convertBreaks(text, QLatin1String("\r\n"), text.size() / 16); }

QString toLf(const QString& text) { return convertBreaks(text, QLatin1String("\n"), 0); }

} // namespace headwise
