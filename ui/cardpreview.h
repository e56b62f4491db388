#pragma once

#include "core/audit/model/resultpreview.h"

#include <QImage>
#include <QWidget>

namespace headwise {

// The page as a shared link's card: picture, host, title and description.
class CardPreview : public QWidget {
    Q_OBJECT
public:
    explicit CardPreview(QWidget* parent = nullptr);

    void setCard(const audit::CardPreview& card);
    // A null image shows the grey placeholder.
    void setImage(const QImage& image);
    void clear();
    const audit::CardPreview& card() const { return card_; }
    const QImage& image() const { return image_; }
    // The card names a picture (og:image); without one it says so.
    bool namesImage() const { return !card_.imageFile.isEmpty() || !card_.imageUrl.isEmpty(); }

    QSize sizeHint() const override;

signals:
    void imageChanged(); // a picture, or the placeholder, was set

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    audit::CardPreview card_;
    QImage image_;
    bool shown_ = false;
};

} // namespace headwise
