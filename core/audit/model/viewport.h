#pragma once

#include "core/audit/model/pagemodel.h"

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace headwise::audit {

// One key=value of a viewport's content, where it stands in the content.
struct ViewportItem {
    QString key, value; // lower-cased
    Span span;          // the key through the value
};

// "width=device-width, initial-scale=1; user-scalable=no" -> its items in
// order, every one as written, a key given twice twice. Blanks, commas and
// semicolons separate; blanks may also stand around '=' (the viewport meta's
// parsing as browsers do it).
QList<ViewportItem> viewportItems(QStringView content);

// The same as browsers apply it: a key given twice keeps its last value, in
// its first place.
QList<QPair<QString, QString>> viewportProperties(const QString& content);

// A viewport number: "yes" is 1, device-width and device-height 10, others as written.
std::optional<double> viewportNumber(const QString& value);

// Whether a property keeps people from zooming: user-scalable=no (or a number
// between -1 and 1), or a maximum-scale below 2.
bool blocksZoom(const QString& key, const QString& value);

} // namespace headwise::audit
