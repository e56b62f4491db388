#pragma once

#include "core/audit/model/resultpreview.h"

#include <QWidget>

namespace headwise {

// The page as a search result: address line, blue title link, two grey lines.
class SerpPreview : public QWidget {
    Q_OBJECT
public:
    explicit SerpPreview(QWidget* parent = nullptr);

    void setPreview(const audit::SearchPreview& preview);
    void clear();
    const audit::SearchPreview& preview() const { return preview_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    audit::SearchPreview preview_;
};

} // namespace headwise
