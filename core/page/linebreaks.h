#pragma once

#include <QByteArray>
#include <QString>

namespace headwise {

// Line break inside every text the program produces itself.
inline const QString kCrLf = QStringLiteral("\r\n");

// How many of each kind of line break a text held.
struct LineBreakCounts {
    qsizetype crlf = 0;
    qsizetype lf = 0;
    qsizetype cr = 0;
};

// Every CR LF, lone CR and lone LF becomes lineBreak, in one pass; counts, if
// given, receives what was found.
QString replaceLineBreaks(const QString& text, QLatin1String lineBreak, LineBreakCounts* counts = nullptr);
// The same on bytes in a charset where CR and LF are the bytes 0x0D and 0x0A
// and no other character holds them (UTF-8 and the single-byte tables).
QByteArray replaceLineBreaks(const QByteArray& bytes, QLatin1String lineBreak,
                             LineBreakCounts* counts = nullptr);

// Qt's text editors hand back LF; the program's texts and pages use CR LF.
// Every lone LF or CR becomes CR LF; existing CR LF pairs stay as they are.
QString toCrLf(const QString& text);

// For display in an editor: every CR LF and lone CR becomes LF.
QString toLf(const QString& text);

// A text document's raw text (a paragraph separator between blocks, a line
// separator for a soft break) with CR LF line breaks; every other character
// stays as it is. Pure, so that it runs on any thread.
QString documentTextToCrLf(QString rawText);

// A text document's text as its toPlainText() gives it (a LF for every line
// break, a blank for a no-break space), made from either the document's raw
// text or the CR LF text of it, so that it can be made off the GUI thread.
QString documentPlainText(const QString& text);

// Where a place in a text lies once every CR LF before it counts as one
// character, as positions in an editor do.
qsizetype lfOffset(const QString& crlfText, qsizetype offset);

} // namespace headwise
