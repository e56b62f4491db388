#pragma once

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

inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 0;

inline QString versionText() {
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

// Line break inside every text the program produces itself.
inline const QString kCrLf = QStringLiteral("\r\n");

} // namespace headwise
