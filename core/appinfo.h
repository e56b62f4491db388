#pragma once

#include <QString>

namespace headwise {

// The program's name doubles as window caption, settings application name and
// default title of every message box, so it lives in one place.
inline QString applicationTitle() {
    return QStringLiteral("Headwise");
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
