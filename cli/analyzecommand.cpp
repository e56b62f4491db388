#include "cli/commands.h"
#include "cli/output.h"
#include "cli/pageinput.h"

#include "core/page/linebreaks.h"
#include "core/page/pagereport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace headwise::cli {
namespace {

QString asText(const QString& input, const PageReport& report) {
    QString out = input + QLatin1Char('\n');
    out.reserve(report.listing.script.size() + report.meta.size() * 8 + 1024);
    for (const QString& piece : report.meta)
        out += QStringLiteral("  meta: ") + toLf(piece) + QLatin1Char('\n');
    for (const TagReport& tag : report.tags) {
        const QStringList lines = tag.missing ? QStringList{tag.boxText} : tag.found;
        for (const QString& line : lines)
            out += QStringLiteral("  ") + tagName(tag.tag) + QStringLiteral(": ") + toLf(line) +
                   QLatin1Char('\n');
    }
    return out;
}

QString asJson(const QString& input, const PageReport& report) {
    QJsonObject tags;
    for (const TagReport& tag : report.tags)
        tags.insert(tagName(tag.tag),
                    QJsonObject{{QStringLiteral("found"), QJsonArray::fromStringList(tag.found)},
                                {QStringLiteral("missing"), tag.missing}});
    const QJsonObject page{{QStringLiteral("page"), input},
                           {QStringLiteral("meta"), QJsonArray::fromStringList(report.meta)},
                           {QStringLiteral("tags"), tags},
                           {QStringLiteral("complete"), report.complete}};
    return QString::fromUtf8(QJsonDocument(page).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

} // namespace

const CommandDeclaration& analyzeDeclaration() {
    static const CommandDeclaration declaration{
        .name = QStringLiteral("analyze"),
        .summary = QStringLiteral("report the meta tags of pages (files or http(s) addresses)"),
        .description = QStringLiteral(
            "Lists each page's meta tags and reports the title and the Keywords, Description,\n"
            "Robots, Rating and Revisit tags. Exit code 0: every page carries all six; 1: a tag\n"
            "is missing; 2: a page could not be read or the output could not be written."),
        .arguments = {{.name = QStringLiteral("pages"),
                       .description = QStringLiteral("Files or http(s) addresses."),
                       .syntax = QStringLiteral("FILE|URL...")}},
        .options = {
            {.names = {QStringLiteral("json")}, .description = QStringLiteral("One JSON object per page.")}}};
    return declaration;
}

int runAnalyze(const QStringList& arguments, PageFetcher& fetcher) {
    QCommandLineParser parser;
    declare(parser, analyzeDeclaration());
    int exitCode = kExitOk;
    if (!parseCommand(parser, arguments, exitCode))
        return exitCode;
    const QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty()) {
        writeError(QStringLiteral("analyze needs at least one file or address"));
        return kExitBadInput;
    }
    for (const QString& input : inputs) {
        const LoadedBytes loaded = loadPageBytes(input, fetcher);
        if (!loaded.page) {
            writeError(input + QStringLiteral(": ") + loaded.error);
            exitCode = kExitBadInput;
            continue;
        }
        const PageReport report = loaded.page->report();
        writeOut(parser.isSet(QStringLiteral("json")) ? asJson(input, report) : asText(input, report));
        if (!report.complete && exitCode == kExitOk)
            exitCode = kExitTagsMissing;
    }
    return exitCode;
}

} // namespace headwise::cli
