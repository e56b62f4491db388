#pragma once

#include "core/audit/report/report.h"

// One writer per format; writeReport picks among them.
namespace headwise::audit {

QByteArray textReport(const QList<PageReport>& pages);
// Into sink piece by piece: a site's report runs to many megabytes.
void jsonReport(const QList<PageReport>& pages, const SiteSummary* site, const BaselineOutcome* baseline,
                const ReportSink& sink);
QByteArray sarifReport(const QList<PageReport>& pages, const ReportContext& context);
QByteArray junitReport(const QList<PageReport>& pages, const ReportContext& context);
QByteArray csvReport(const QList<PageReport>& pages);
QByteArray githubReport(const QList<PageReport>& pages, const ReportContext& context);
QByteArray htmlReport(const QList<PageReport>& pages, const ReportContext& context);

// GitHub workflow commands: a message escapes %, CR and LF; a property value also : and ,.
QString githubEscapeData(const QString& text);
QString githubEscapeProperty(const QString& text);

// XML 1.0 cannot carry most control characters, lone surrogates, U+FFFE or
// U+FFFF, even escaped; a page's source may hold them.
bool xmlForbiddenAt(QStringView text, qsizetype i);

// "12:5: " before a finding's message, or nothing for one about the page as a whole.
inline QString positionPrefix(const Finding& finding) {
    return finding.hasPosition() ? QStringLiteral("%1:%2: ").arg(finding.line).arg(finding.column)
                                 : QString();
}

} // namespace headwise::audit
