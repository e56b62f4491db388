#pragma once

#include "version.h"

#include <QString>

namespace headwise {

// The program's name doubles as window caption, settings application name and
// default title of every message box, so it lives in one place.
inline QString applicationTitle() {
    return QStringLiteral("Headwise");
}

// The build sets the version once, in the project's CMakeLists.txt.
inline QString versionText() {
    return QStringLiteral(HEADWISE_VERSION_TEXT);
}

} // namespace headwise
