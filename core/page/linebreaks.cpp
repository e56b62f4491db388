#include "core/page/linebreaks.h"

#include <algorithm>
#include <type_traits>

namespace headwise {
namespace {

// Copies runs between line breaks whole, and a break already in the wanted
// form stays inside its run; a text that needs no change is handed back
// without a copy. The breaks are found by the library's vectorised search,
// one for CR and one for LF, so a page of megabytes converts in a few
// milliseconds. Text is a QString or, for a charset in which CR and LF are
// single ASCII bytes, a QByteArray.
template <typename Text>
Text replaceBreaks(const Text& text, QLatin1String lineBreak, LineBreakCounts* counts) {
    using Char = std::remove_cvref_t<decltype(*text.constData())>;
    using View = std::conditional_t<std::is_same_v<Text, QString>, QStringView, QByteArrayView>;
    const auto is = [](Char c, char ascii) { return c == Char(ascii); };
    LineBreakCounts found;
    Text out;
    const View view(text);
    const Char* data = text.constData();
    const qsizetype n = text.size();
    const qsizetype breakSize = lineBreak.size();
    const Char wanted[2] = {Char(lineBreak[0].toLatin1()), Char(breakSize > 1 ? lineBreak[1].toLatin1() : 0)};
    qsizetype runStart = 0;
    // Written through a pointer into room made ahead: an append per line
    // cost more than the copying, on pages of thousands of short lines.
    Char* room = nullptr;
    qsizetype used = 0;
    const auto copy = [&](const Char* from, qsizetype size) {
        if (used + size > out.size()) {
            // The rest of the text, and for a longer break some lines' worth more.
            out.resize(used + size + (n - runStart) + (breakSize > 1 ? n / 8 : 0) + 16);
            room = out.data();
        }
        std::copy_n(from, size, room + used);
        used += size;
    };
    bool changed = false;
    qsizetype lf = view.indexOf(Char('\n')), cr = view.indexOf(Char('\r'));
    while (lf >= 0 || cr >= 0) {
        const qsizetype at = lf < 0 ? cr : cr < 0 ? lf : std::min(lf, cr);
        qsizetype end = at + 1;
        if (is(data[at], '\r') && end < n && is(data[end], '\n')) {
            ++found.crlf;
            ++end;
        } else if (is(data[at], '\r')) {
            ++found.cr;
        } else {
            ++found.lf;
        }
        if (lf >= 0 && lf < end)
            lf = view.indexOf(Char('\n'), end);
        if (cr >= 0 && cr < end)
            cr = view.indexOf(Char('\r'), end);
        const qsizetype length = end - at;
        if (length == breakSize && data[at] == wanted[0] && (length == 1 || data[at + 1] == wanted[1]))
            continue;
        changed = true;
        copy(data + runStart, at - runStart);
        copy(wanted, breakSize);
        runStart = end;
    }
    if (counts)
        *counts = found;
    if (!changed)
        return text;
    copy(data + runStart, n - runStart);
    out.truncate(used);
    return out;
}

} // namespace

QString replaceLineBreaks(const QString& text, QLatin1String lineBreak, LineBreakCounts* counts) {
    return replaceBreaks(text, lineBreak, counts);
}

QByteArray replaceLineBreaks(const QByteArray& bytes, QLatin1String lineBreak, LineBreakCounts* counts) {
    return replaceBreaks(bytes, lineBreak, counts);
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
