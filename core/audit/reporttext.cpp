#include "core/audit/reportformats.h"

namespace headwise::audit {
namespace {

QString counted(int count, const char* singular, const char* plural) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? singular : plural);
}

} // namespace

QByteArray textReport(const QList<PageReport>& pages) {
    QString out;
    for (const PageReport& page : pages) {
        for (const Finding& finding : page.findings) {
            // One pass over all five, so a "%2" in a path or message stays as it is;
            // "PAGE:LINE:COLUMN: warning: ..." or, for the page as a whole, "PAGE: warning: ...".
            out += QStringLiteral("%1:%2 %3: %4 [%5]\n")
                       .arg(page.page, positionPrefix(finding).trimmed(), severityName(finding.severity),
                            finding.message, finding.rule);
        }
    }
    const ReportSummary summary = summarize(pages);
    out += counted(summary.pages, "page", "pages") + QStringLiteral(" audited: ") +
           counted(summary.errors, "error", "errors") + QStringLiteral(", ") +
           counted(summary.warnings, "warning", "warnings") + QStringLiteral(", ") +
           counted(summary.infos, "note", "notes") + QLatin1Char('\n');
    return out.toUtf8();
}

} // namespace headwise::audit
