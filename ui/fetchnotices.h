#pragma once

#include "core/page/linebreaks.h"

#include <QString>

namespace headwise::fetchnotice {

// Both panels that fetch a page refuse short addresses and report a fetch
// that brought nothing in the same words.
inline constexpr qsizetype kShortestUrl = 11;

inline const QString kNotValidTitle = QStringLiteral("Not Valid");
inline const QString kNotValid = QStringLiteral("Please enter a valid URL    ") + kCrLf + kCrLf +
                                 QStringLiteral("Syntax should be http://www.example.com     ");
inline const QString kCantConnectTitle = QStringLiteral("Can't Connect");

inline QString cantConnect(const QString& url) {
    return QStringLiteral("Could not conect to     ") + kCrLf + url;
}

} // namespace headwise::fetchnotice
