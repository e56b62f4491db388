#include "commands.h"
#include "output.h"
#include "pageinput.h"

#include "linebreaks.h"
#include "tagscanner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace headwise::cli {
namespace {

QString tagName(ScannedTag tag) {
    switch (tag) {
    case ScannedTag::Title:
        return QStringLiteral("Title");
    case ScannedTag::Keywords:
        return QStringLiteral("Keywords");
    case ScannedTag::Description:
        return QStringLiteral("Description");
    case ScannedTag::Robots:
        return QStringLiteral("Robots");
    case ScannedTag::Rating:
        return QStringLiteral("Rating");
    case ScannedTag::Revisit:
        return QStringLiteral("Revisit");
    }
    return {};
}

QStringList pieces(const QString& crlfTerminated) {
    QStringList list = crlfTerminated.split(kCrLf);
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

struct TagReport {
    ScannedTag tag;
    QStringList found;
    bool missing;
};

struct PageReport {
    QStringList meta;
    QList<TagReport> tags;
    bool complete = true;
};

PageReport analyzePage(const QString& page) {
    PageReport report;
    report.meta = pieces(listMetaTags(page).script);
    for (ScannedTag tag : kReportOrder) {
        const ScanResult scan = scanTag(tag, page);
        const bool missing = reportsMissing(QString::number(scan.count));
        const QStringList found = tag == ScannedTag::Title
                                      ? (missing ? QStringList{} : QStringList{scan.boxText})
                                      : pieces(scan.boxText);
        report.tags.append({tag, found, missing});
        report.complete = report.complete && !missing;
    }
    return report;
}

QString asText(const QString& input, const PageReport& report) {
    QString out = input + QLatin1Char('\n');
    for (const QString& piece : report.meta)
        out += QStringLiteral("  meta: ") + toLf(piece) + QLatin1Char('\n');
    for (const TagReport& tag : report.tags) {
        const QStringList lines = tag.missing ? QStringList{missingMessage(tag.tag)} : tag.found;
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

int runAnalyze(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists each page's meta tags and reports the title and "
                                                    "the Keywords, Description, Robots, Rating and\n"
                                                    "Revisit tags. Exit code 0: every page carries all six; "
                                                    "1: a tag is missing; 2: a page could not be read."));
    parser.addPositionalArgument(QStringLiteral("pages"), QStringLiteral("Files or http(s) addresses."),
                                 QStringLiteral("FILE|URL..."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("One JSON object per page."));
    parser.addOption(json);
    int exitCode = kExitOk;
    if (!parseCommand(parser, arguments, exitCode))
        return exitCode;
    const QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty()) {
        writeError(QStringLiteral("analyze needs at least one file or address"));
        return kExitBadInput;
    }
    for (const QString& input : inputs) {
        const LoadedPage loaded = loadPage(input);
        if (!loaded.page) {
            writeError(input + QStringLiteral(": ") + loaded.error);
            exitCode = kExitBadInput;
            continue;
        }
        const PageReport report = analyzePage(loaded.page->text);
        writeOut(parser.isSet(json) ? asJson(input, report) : asText(input, report));
        if (!report.complete && exitCode == kExitOk)
            exitCode = kExitTagsMissing;
    }
    return exitCode;
}

} // namespace headwise::cli
