#include "ui/findingplace.h"

#include "core/page/lineindex.h"

#include <algorithm>

namespace headwise {

std::pair<qsizetype, qsizetype> placeInText(const QString& text, const audit::Finding& finding) {
    const LineIndex lines(text);
    if (finding.line < 1 || finding.line > lines.lineCount())
        return {-1, 0};
    const qsizetype at = std::min(text.size(), lines.lineStart(finding.line - 1) + finding.column - 1);
    QString source = finding.source;
    source.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const qsizetype length = source.isEmpty() ? finding.length : source.size();
    return {at, std::min(length, text.size() - at)};
}

} // namespace headwise
