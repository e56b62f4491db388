#pragma once

#include <QString>
#include <ostream>

// Readable failure output for texts and lists of them: Google Test finds this
// beside QString instead of printing its bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
