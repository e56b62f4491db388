#pragma once

#include "report.h"

// One writer per format; writeReport picks among them.
namespace headwise::audit {

QByteArray textReport(const QList<PageReport>& pages);
QByteArray jsonReport(const QList<PageReport>& pages);
QByteArray sarifReport(const QList<PageReport>& pages, const ReportContext& context);
QByteArray junitReport(const QList<PageReport>& pages, const ReportContext& context);

// Page-level findings carry no position; reports point them at the page's start.
inline int reportLine(const Finding& finding) {
    return finding.line > 0 ? finding.line : 1;
}
inline int reportColumn(const Finding& finding) {
    return finding.column > 0 ? finding.column : 1;
}

} // namespace headwise::audit
