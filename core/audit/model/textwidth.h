#pragma once

#include <QString>
#include <QStringView>

namespace headwise::audit {

// Width in pixels of text set in Liberation Sans Regular (metric-compatible
// with Arial) at fontPx, from the font's advance widths, without kerning.
double textWidthPx(QStringView text, double fontPx);

struct CutText {
    QString shown;
    bool cut = false;
};

// The text as a result line shows it: whole when it fits maxWidthPx, else cut
// at a word boundary with " ..." appended, the whole still within maxWidthPx.
CutText cutToWidth(const QString& text, double maxWidthPx, double fontPx);

} // namespace headwise::audit
