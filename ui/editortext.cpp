#include "ui/editortext.h"

#include "core/page/linebreaks.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace headwise {

QString crLfText(const QPlainTextEdit* edit) {
    return documentTextToCrLf(edit->document()->toRawText());
}

} // namespace headwise
