#pragma once

#include <QFont>

namespace headwise {

// Liberation Sans at px pixels, without kerning: the face and metrics the
// audit's width rules measure with. Arial when the font file is missing.
QFont previewFont(double px);

} // namespace headwise
