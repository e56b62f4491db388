#include "ui/cardpreview.h"

#include "ui/checktexts.h"
#include "ui/previewfont.h"

#include <QFontMetrics>
#include <QPainter>

namespace headwise {

namespace {

constexpr int kWidth = 420;
constexpr int kImageHeight = 220; // the 1.91 : 1 of a share picture
constexpr int kPadding = 10;
constexpr int kHostLine = 18;
constexpr int kTitleLine = 22;
constexpr int kDescriptionLine = 20;

const QColor kPlaceholder(0xdd, 0xdf, 0xe2);
const QColor kBand(0xf0, 0xf2, 0xf5);
const QColor kGrey(0x60, 0x67, 0x70);
const QColor kBorder(0xc8, 0xcc, 0xd0);

} // namespace

CardPreview::CardPreview(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CardPreview::setCard(const audit::CardPreview& card) {
    card_ = card;
    shown_ = true;
    update();
}

void CardPreview::setImage(const QImage& image) {
    image_ = image;
    update();
    emit imageChanged();
}

void CardPreview::clear() {
    card_ = {};
    image_ = {};
    shown_ = false;
    update();
}

QSize CardPreview::sizeHint() const {
    return {kWidth, kImageHeight + 2 * kPadding + kHostLine + kTitleLine + kDescriptionLine};
}

void CardPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHints(QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    painter.fillRect(rect(), Qt::white);
    if (!shown_)
        return;
    const QRect picture(0, 0, width(), kImageHeight);
    if (image_.isNull()) {
        painter.fillRect(picture, kPlaceholder);
        // A page that names no picture is told so, not shown a blank box.
        if (!namesImage()) {
            painter.setFont(previewFont(14));
            painter.setPen(kGrey);
            painter.drawText(picture.adjusted(kPadding, 0, -kPadding, 0), Qt::AlignCenter | Qt::TextWordWrap,
                             checktext::kNoImage);
        }
    } else {
        // Cover the picture area, cropping the longer side; drawn from the full
        // image, so a 2x screen gets its extra pixels.
        const QSizeF scaled = QSizeF(image_.size()).scaled(picture.size(), Qt::KeepAspectRatioByExpanding);
        const QSizeF source(picture.width() * image_.width() / scaled.width(),
                            picture.height() * image_.height() / scaled.height());
        const QRectF from((image_.width() - source.width()) / 2, (image_.height() - source.height()) / 2,
                          source.width(), source.height());
        painter.drawImage(picture, image_, from);
    }
    const QRect band(0, kImageHeight, width(), height() - kImageHeight);
    painter.fillRect(band, kBand);
    const int textWidth = width() - 2 * kPadding;
    int y = kImageHeight + kPadding;
    auto line = [&](const QString& text, const QFont& font, const QColor& colour, int height) {
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QRect(kPadding, y, textWidth, height), Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(font).elidedText(text, Qt::ElideRight, textWidth));
        y += height;
    };
    line(card_.host.toUpper(), previewFont(12), kGrey, kHostLine);
    QFont bold = previewFont(16);
    bold.setBold(true);
    line(card_.title, bold, Qt::black, kTitleLine);
    line(card_.description, previewFont(14), kGrey, kDescriptionLine);
    // Filled, not stroked: a stroked integer rect straddles the last device
    // pixel at 200% and leaves the picture showing past the border.
    const int w = width(), h = height();
    for (const QRect edge :
         {QRect(0, 0, w, 1), QRect(0, h - 1, w, 1), QRect(0, 0, 1, h), QRect(w - 1, 0, 1, h)})
        painter.fillRect(edge, kBorder);
}

} // namespace headwise
