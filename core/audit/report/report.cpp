#include "core/audit/report/report.h"

#include "core/audit/fix/fixes.h"
#include "core/audit/report/baseline.h"
#include "core/audit/report/jsonwriter.h"
#include "core/audit/report/reportformats.h"

#include <QUrl>
#include <algorithm>

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

QString sourceRootOf(const QString& folder) {
    QString root = QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
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
    if (name == u"csv")
        return ReportFormat::Csv;
    if (name == u"github")
        return ReportFormat::Github;
    if (name == u"html")
        return ReportFormat::Html;
    return std::nullopt;
}

std::optional<QByteArray> writeRuleList(ReportFormat format) {
    if (format == ReportFormat::Text) {
        qsizetype width = 0;
        for (const Rule& rule : ruleTable())
            width = std::max(width, rule.id.size());
        QString out;
        for (const Rule& rule : ruleTable()) {
            out += rule.id.leftJustified(width + 2) + severityName(rule.severity).leftJustified(9) +
                   QLatin1String(rule.fixable() ? "fixable  " : "         ") + rule.description +
                   QLatin1Char('\n');
            // Indented under their rule, so that the rule lines still start with an id.
            for (const RuleSource& source : rule.sources)
                out += QLatin1String("    ") + source.title + QLatin1String(": ") + source.url +
                       QLatin1Char('\n');
        }
        return out.toUtf8();
    }
    if (format != ReportFormat::Json)
        return std::nullopt;
    QByteArray out;
    JsonWriter json(out);
    json.beginObject();
    json.key(u"rules");
    json.beginArray();
    for (const Rule& rule : ruleTable()) {
        json.beginObject();
        json.key(u"id");
        json.value(rule.id);
        json.key(u"severity");
        json.value(severityName(rule.severity));
        json.key(u"description");
        json.value(rule.description);
        json.key(u"help");
        json.value(rule.help);
        json.key(u"scope");
        json.value(scopeName(rule.scope));
        json.key(u"sources");
        json.beginArray();
        for (const RuleSource& source : rule.sources) {
            json.beginObject();
            json.key(u"title");
            json.value(source.title);
            json.key(u"url");
            json.value(source.url);
            json.endObject();
        }
        json.endArray();
        json.key(u"fixable");
        json.boolean(rule.fixable());
        if (rule.fixable()) {
            json.key(u"fix");
            json.value(rule.fixHelp);
        }
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return out;
}

void writeReport(ReportFormat format, const QList<PageReport>& pages, const ReportContext& context,
                 const ReportSink& sink) {
    switch (format) {
    case ReportFormat::Text:
        sink(textReport(pages));
        if (context.baseline)
            sink(baselineSummaryLine(*context.baseline));
        return;
    case ReportFormat::Json:
        return jsonReport(pages, context.site, context.baseline, sink);
    case ReportFormat::Sarif:
        return sink(sarifReport(pages, context));
    case ReportFormat::Junit:
        return sink(junitReport(pages, context));
    case ReportFormat::Csv:
        return sink(csvReport(pages));
    case ReportFormat::Github:
        return sink(githubReport(pages, context));
    case ReportFormat::Html:
        return sink(htmlReport(pages, context));
    }
}

bool xmlForbiddenAt(QStringView text, qsizetype i) {
    const char16_t u = text[i].unicode();
    if (u < 0x20)
        return u != u'\t' && u != u'\n' && u != u'\r';
    if (QChar::isHighSurrogate(u))
        return i + 1 >= text.size() || !text[i + 1].isLowSurrogate();
    if (QChar::isLowSurrogate(u))
        return i == 0 || !text[i - 1].isHighSurrogate();
    return u == 0xFFFE || u == 0xFFFF;
}

} // namespace headwise::audit
