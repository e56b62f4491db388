#pragma once

#include "core/version.h"

#include <QString>

namespace headwise {

// The program's name doubles as window caption, settings application name and
// default title of every message box, so it lives in one place.
inline QString applicationTitle() {
    return QStringLiteral("Headwise");
}

// Names the desktop entry and the AppStream data are installed under; window
// managers match windows to menu entries by the desktop id.
inline QString desktopId() {
    return QStringLiteral("example.headwise.Headwise");
}

inline QString iconName() {
    return QStringLiteral("headwise");
}

// The build sets the version once, in the project's CMakeLists.txt.
inline QString versionText() {
    return QStringLiteral(HEADWISE_VERSION_TEXT);
}

} // namespace headwise
