#include "core/appinfo.h"
#include "core/audit/report/jsonwriter.h"
#include "core/audit/report/reportformats.h"

namespace headwise::audit {
namespace {

const QString kSourceRootId = QStringLiteral("%SRCROOT%");

QString sarifLevel(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return QStringLiteral("error");
    case Severity::Warning:
        return QStringLiteral("warning");
    case Severity::Info:
        return QStringLiteral("note");
    }
    return {};
}

void textObject(JsonWriter& json, QStringView key, const QString& text) {
    json.key(key);
    json.beginObject();
    json.key(u"text");
    json.value(text);
    json.endObject();
}

void writeRules(JsonWriter& json) {
    json.key(u"rules");
    json.beginArray();
    for (const Rule& rule : ruleTable()) {
        json.beginObject();
        json.key(u"id");
        json.value(rule.id);
        textObject(json, u"shortDescription", rule.description);
        textObject(json, u"fullDescription", rule.help);
        textObject(json, u"help", rule.help);
        if (!rule.sources.isEmpty()) {
            json.key(u"helpUri");
            json.value(rule.sources.first().url);
        }
        json.key(u"defaultConfiguration");
        json.beginObject();
        json.key(u"level");
        json.value(sarifLevel(rule.severity));
        json.endObject();
        json.endObject();
    }
    json.endArray();
}

// Files below the source root are named relative to it, the way code scanning
// matches them to the repository; anything else keeps its absolute address.
void writeArtifact(JsonWriter& json, const QString& url, const QString& sourceRoot) {
    json.key(u"artifactLocation");
    json.beginObject();
    json.key(u"uri");
    if (!sourceRoot.isEmpty() && url.startsWith(sourceRoot) && url.size() > sourceRoot.size()) {
        json.value(QStringView(url).mid(sourceRoot.size()));
        json.key(u"uriBaseId");
        json.value(kSourceRootId);
    } else {
        json.value(url);
    }
    json.endObject();
}

void writeResult(JsonWriter& json, const PageReport& page, const Finding& finding, int ruleIndex,
                 const QString& sourceRoot) {
    json.beginObject();
    json.key(u"ruleId");
    json.value(finding.rule);
    if (ruleIndex >= 0) {
        json.key(u"ruleIndex");
        json.value(ruleIndex);
    }
    json.key(u"level");
    json.value(sarifLevel(finding.severity));
    textObject(json, u"message", finding.message);
    json.key(u"locations");
    json.beginArray();
    json.beginObject();
    json.key(u"physicalLocation");
    json.beginObject();
    writeArtifact(json, page.url, sourceRoot);
    // A finding about the page as a whole points at the artifact only.
    if (finding.hasPosition()) {
        json.key(u"region");
        json.beginObject();
        json.key(u"startLine");
        json.value(finding.line);
        json.key(u"startColumn");
        json.value(finding.column);
        if (!finding.source.isEmpty())
            textObject(json, u"snippet", finding.source);
        json.endObject();
    }
    json.endObject();
    json.endObject();
    json.endArray();
    json.endObject();
}

} // namespace

QByteArray sarifReport(const QList<PageReport>& pages, const ReportContext& context) {
    QByteArray out;
    JsonWriter json(out);
    json.beginObject();
    json.key(u"$schema");
    json.value(u"https://json.schemastore.org/sarif-2.1.0.json");
    json.key(u"version");
    json.value(u"2.1.0");
    json.key(u"runs");
    json.beginArray();
    json.beginObject();
    json.key(u"tool");
    json.beginObject();
    json.key(u"driver");
    json.beginObject();
    json.key(u"name");
    json.value(applicationTitle());
    json.key(u"version");
    json.value(versionText());
    writeRules(json);
    json.endObject();
    json.endObject();
    if (!context.sourceRoot.isEmpty()) {
        json.key(u"originalUriBaseIds");
        json.beginObject();
        json.key(kSourceRootId);
        json.beginObject();
        json.key(u"uri");
        json.value(context.sourceRoot);
        json.endObject();
        json.endObject();
    }
    json.key(u"results");
    json.beginArray();
    for (const PageReport& page : pages)
        for (const Finding& finding : page.findings)
            writeResult(json, page, finding, ruleIndex(finding.rule), context.sourceRoot);
    json.endArray();
    json.endObject();
    json.endArray();
    json.endObject();
    return out;
}

} // namespace headwise::audit
