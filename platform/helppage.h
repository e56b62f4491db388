#pragma once

#include <QString>

namespace headwise {

// Full path of meta_tag_help.htm: beside the executable (build tree), else in
// the installed data folder. The first candidate when neither exists, so the
// shell reports nothing of its own.
QString helpPagePath();

} // namespace headwise
