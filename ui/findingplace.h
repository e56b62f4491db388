#pragma once

#include "core/audit/engine/finding.h"

#include <QString>
#include <utility>

namespace headwise {

// Where a finding's piece stands in an editor's text, found by its line and
// column: the editor's line breaks may differ from the file's. {-1, 0} when
// the text has no such line.
std::pair<qsizetype, qsizetype> placeInText(const QString& text, const audit::Finding& finding);

} // namespace headwise
