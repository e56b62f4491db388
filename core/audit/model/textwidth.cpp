#include "core/audit/model/textwidth.h"

#include "core/audit/model/fontwidths/fontwidths.h"

#include <QChar>

#include <algorithm>
#include <array>

namespace headwise::audit {

namespace {

using fontwidths::kAdvanceCount;
using fontwidths::kAdvances;
using fontwidths::kUnitsPerEm;

// Font units of one character. Characters the font lacks come from a fallback
// font in a browser; an em is a fair guess for those (mostly CJK), and marks
// that combine with the character before take no room.
int unitsOf(char32_t c) {
    const fontwidths::Advance* end = kAdvances + kAdvanceCount;
    const auto* found = std::lower_bound(
        kAdvances, end, c, [](const fontwidths::Advance& a, char32_t code) { return a.codePoint < code; });
    if (found != end && found->codePoint == c)
        return found->units;
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
        category == QChar::Other_Format)
        return 0;
    return kUnitsPerEm;
}

// Latin-1 covers nearly every character of a title; it gets a direct table.
const std::array<int, 256>& latin1Units() {
    static const std::array<int, 256> table = [] {
        std::array<int, 256> t{};
        for (char32_t c = 0; c < 256; ++c)
            t[c] = unitsOf(c);
        return t;
    }();
    return table;
}

// Font units of text[i], and how many code units it took.
int unitsAt(QStringView text, qsizetype i, qsizetype& taken) {
    const char16_t c = text[i].unicode();
    taken = 1;
    if (c < 256)
        return latin1Units()[c];
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        taken = 2;
        return unitsOf(QChar::surrogateToUcs4(c, text[i + 1].unicode()));
    }
    return unitsOf(c);
}

double toPx(long long units, double fontPx) {
    return double(units) * fontPx / kUnitsPerEm;
}

} // namespace

double textWidthPx(QStringView text, double fontPx) {
    long long units = 0;
    for (qsizetype i = 0, taken = 0; i < text.size(); i += taken)
        units += unitsAt(text, i, taken);
    return toPx(units, fontPx);
}

// One pass: remember the last word end at which the text with " ..." after it still fits.
CutText cutToWidth(const QString& text, double maxWidthPx, double fontPx) {
    if (textWidthPx(text, fontPx) <= maxWidthPx)
        return {text, false};
    static const QString ellipsis = QStringLiteral(" ...");
    const double room = maxWidthPx - textWidthPx(ellipsis, fontPx);
    long long units = 0;
    qsizetype lastWordEnd = -1; // end of the last whole word that fits
    qsizetype lastCharEnd = 0;  // for a first word too long to fit whole
    for (qsizetype i = 0, taken = 0; i < text.size(); i += taken) {
        const bool space = text[i].isSpace();
        if (space && i > 0 && !text[i - 1].isSpace())
            lastWordEnd = i;
        units += unitsAt(text, i, taken);
        if (toPx(units, fontPx) > room)
            break;
        lastCharEnd = i + taken;
    }
    QString shown = text.left(lastWordEnd > 0 ? lastWordEnd : lastCharEnd);
    while (!shown.isEmpty() && shown.back().isSpace())
        shown.chop(1);
    return {shown + ellipsis, true};
}

} // namespace headwise::audit
