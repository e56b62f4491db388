#pragma once

#include <QString>

class QPlainTextEdit;

namespace headwise {

// An editor's text as the program's operations see it: CR LF line breaks,
// and every character as typed or loaded (toPlainText() would turn a
// no-break space into a blank, which a save would then write back).
QString crLfText(const QPlainTextEdit* edit);

} // namespace headwise
