#include "report.h"

#include "reportformats.h"

namespace headwise::audit {

ReportSummary summarize(const QList<PageReport>& pages) {
    ReportSummary summary;
    summary.pages = int(pages.size());
    for (const PageReport& page : pages) {
        for (const Finding& finding : page.findings) {
            switch (finding.severity) {
            case Severity::Error:
                ++summary.errors;
                break;
            case Severity::Warning:
                ++summary.warnings;
                break;
            case Severity::Info:
                ++summary.infos;
                break;
            }
        }
    }
    return summary;
}

std::optional<ReportFormat> parseReportFormat(QStringView name) {
    if (name == u"text")
        return ReportFormat::Text;
    if (name == u"json")
        return ReportFormat::Json;
    if (name == u"sarif")
        return ReportFormat::Sarif;
    if (name == u"junit")
        return ReportFormat::Junit;
    return std::nullopt;
}

QByteArray writeReport(ReportFormat format, const QList<PageReport>& pages, const ReportContext& context) {
    switch (format) {
    case ReportFormat::Text:
        return textReport(pages);
    case ReportFormat::Json:
        return jsonReport(pages);
    case ReportFormat::Sarif:
        return sarifReport(pages, context);
    case ReportFormat::Junit:
        return junitReport(pages, context);
    }
    return {};
}

} // namespace headwise::audit
