#pragma once

#include <QString>

namespace headwise {

// Qt's text editors hand back LF; the program's texts and pages use CR LF.
// Every lone LF or CR becomes CR LF; existing CR LF pairs stay as they are.
QString toCrLf(const QString& text);

// For display in an editor: every CR LF and lone CR becomes LF.
QString toLf(const QString& text);

} // namespace headwise
