#pragma once

#include "core/audit/report/report.h"

// One writer per format; writeReport picks among them.
namespace headwise::audit {

QByteArray textReport(const QList<PageReport>& pages);
QByteArray jsonReport(const QList<PageReport>& pages, const SiteSummary* site);
QByteArray sarifReport(const QList<PageReport>& pages, const ReportContext& context);
QByteArray junitReport(const QList<PageReport>& pages, const ReportContext& context);
QByteArray csvReport(const QList<PageReport>& pages);

// "12:5: " before a finding's message, or nothing for one about the page as a whole.
inline QString positionPrefix(const Finding& finding) {
    return finding.hasPosition() ? QStringLiteral("%1:%2: ").arg(finding.line).arg(finding.column)
                                 : QString();
}

} // namespace headwise::audit
