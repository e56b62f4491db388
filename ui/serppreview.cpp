#include "ui/serppreview.h"

#include "ui/previewfont.h"

#include <QPainter>

namespace headwise {

namespace {

constexpr int kMargin = 10;
constexpr int kAddressPx = 14;
constexpr int kAddressLine = 22;
constexpr int kTitleLine = 28;
constexpr int kDescriptionLine = 22;

const QColor kAddressColour(0x20, 0x21, 0x24);
const QColor kLinkColour(0x1a, 0x0d, 0xab);
const QColor kDescriptionColour(0x4d, 0x51, 0x56);

} // namespace

SerpPreview::SerpPreview(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void SerpPreview::setPreview(const audit::SearchPreview& preview) {
    preview_ = preview;
    update();
}

void SerpPreview::clear() {
    setPreview({});
}

QSize SerpPreview::sizeHint() const {
    return {int(audit::kDescriptionLineWidthPx) + 2 * kMargin,
            2 * kMargin + kAddressLine + kTitleLine + audit::kDescriptionLines * kDescriptionLine};
}

void SerpPreview::paintEvent(QPaintEvent*) {
    // Vector text: the painter scales it with the device pixel ratio, so it stays sharp.
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), Qt::white);
    if (preview_.linkLine.isEmpty())
        return;
    const int width = this->width() - 2 * kMargin;
    int y = kMargin;
    auto line = [&](const QString& text, double px, const QColor& colour, int height) {
        painter.setFont(previewFont(px));
        painter.setPen(colour);
        painter.drawText(QRect(kMargin, y, width, height),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        y += height;
    };
    line(preview_.addressLine, kAddressPx, kAddressColour, kAddressLine);
    line(preview_.linkLine, audit::kTitleFontPx, kLinkColour, kTitleLine);
    for (const QString& text : preview_.descriptionLines)
        line(text, audit::kDescriptionFontPx, kDescriptionColour, kDescriptionLine);
}

} // namespace headwise
