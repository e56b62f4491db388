#include "editortext.h"

#include "linebreaks.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace headwise {

QString crLfText(const QPlainTextEdit* edit) {
    QString raw = edit->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    raw.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return toCrLf(raw);
}

} // namespace headwise
