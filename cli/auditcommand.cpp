#include "cli/auditfix.h"
#include "cli/commands.h"
#include "cli/output.h"

#include "cli/pageinput.h"
#include "core/audit/engine/auditconfig.h"
#include "core/audit/report/baseline.h"
#include "core/audit/report/report.h"
#include "core/web/languagetags.h"
#include "net/curlpagefetcher.h"
#include "net/siteaudit/siteaudit.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QUrl>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace headwise::cli {
namespace {

void writeProgress(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

constexpr int kMaxJobs = 256;

struct Options {
    audit::ReportFormat format = audit::ReportFormat::Text;
    std::optional<audit::Severity> failOn = audit::Severity::Error; // nullopt: never
    int jobs = 1;
    int maxPages = 200;
    bool crawl = false;
    bool summary = false;
    bool summaryOnly = false; // the summary without the findings
    bool checkExternal = false;
    QUrl baseUrl; // where a folder input is published
    QString root; // the published tree the folder inputs are part of
    QString output;
    audit::AuditConfig config;
};

std::optional<int> positiveNumber(const QString& text, int max) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > max)
        return std::nullopt;
    return value;
}

// --config FILE, else headwise.json in the current folder or the nearest parent.
bool loadConfig(const QString& given, audit::AuditConfig& config) {
    const QString path = given.isEmpty() ? audit::findAuditConfig(QDir::currentPath()) : given;
    if (path.isEmpty())
        return true;
    QString error;
    std::optional<audit::AuditConfig> read = audit::readAuditConfig(path, &error);
    if (!read) {
        writeError(error);
        return false;
    }
    config = std::move(*read);
    return true;
}

bool failsOn(const QList<audit::PageReport>& pages, std::optional<audit::Severity> threshold) {
    if (!threshold)
        return false;
    for (const audit::PageReport& page : pages)
        for (const audit::Finding& finding : page.findings)
            if (finding.severity >= *threshold)
                return true;
    return false;
}

// To the file at path, or standard output when it is empty, what write()
// gives its sink: a site's report goes out as it is made.
bool writeReportTo(const QString& path, const std::function<void(const audit::ReportSink&)>& write) {
    if (path.isEmpty()) {
        write([](QByteArrayView bytes) { writeOut(bytes); });
        return true;
    }
    PageBytesWriter file(path);
    write([&file](QByteArrayView bytes) { file.write(bytes); });
    QString error;
    if (!file.commit(&error)) {
        writeError(path + QStringLiteral(": cannot be written (%1)").arg(error));
        return false;
    }
    return true;
}

// Every page allocates and frees the same few large buffers on each pool
// thread. glibc would hand that memory back to the kernel after each page and
// fault it in again for the next, a third of the run's time; keeping it costs
// no more than the largest pages in flight.
void keepFreedMemory() {
#ifdef __GLIBC__
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
#endif
}

} // namespace

const CommandDeclaration& auditDeclaration() {
    static const CommandDeclaration declaration{
        .name = QStringLiteral("audit"),
        .summary = QStringLiteral("check the heads of pages, folders or sites for search engines"),
        .description = QStringLiteral(
            "Audits the heads of pages for what search engines read: title, description, charset,\n"
            "viewport, language, canonical, robots, hreflang, social tags and more.\n"
            "Exit code 0: nothing at or above --fail-on; 1: something was found; 2: an input could not\n"
            "be read, an option is wrong or the output could not be written (the other inputs are still\n"
            "audited and reported).\n"
            "Settings come from --config FILE, else headwise.json in the current folder or a parent:\n"
            "{\"rules\":{\"ID\":\"off|info|warning|error\"},\"limits\":{...},\"skip\":[\"GLOB\",...],"
            "\"lang\":\"en\"}.\n"
            "Skip patterns match a page's path below the folder given (or a file's path as given);\n"
            "\"*\" stays in one folder, \"**\" spans folders, a pattern without \"/\" matches file names.\n"
            "A page turns rules off for itself with <!-- headwise-disable RULE[,RULE...] -->.\n"
            "--fix repairs what it can in the page files (--list-rules shows which rules), checks each\n"
            "repair by auditing the page again and reports what remains; the exit code is for that."),
        .arguments = {{.name = QStringLiteral("inputs"),
                       .description =
                           QStringLiteral("Page files, folders (every *.htm, *.html, *.xhtml below) "
                                          "and http(s) addresses."),
                       .syntax = QStringLiteral("FILE|FOLDER|URL...")}},
        .options = {
            {.names = {QStringLiteral("format")},
             .description = QStringLiteral("Report format: text (default), json, sarif, junit, csv, github "
                                           "(workflow annotations) or html (one file to open or share)."),
             .valueName = QStringLiteral("FORMAT"),
             .defaultValue = QStringLiteral("text"),
             .choices = {QStringLiteral("text"), QStringLiteral("json"), QStringLiteral("sarif"),
                         QStringLiteral("junit"), QStringLiteral("csv"), QStringLiteral("github"),
                         QStringLiteral("html")}},
            {.names = {QStringLiteral("o"), QStringLiteral("output")},
             .description = QStringLiteral("Write the report to FILE instead of standard output."),
             .valueName = QStringLiteral("FILE"),
             .kind = ValueKind::File},
            {.names = {QStringLiteral("config")},
             .description = QStringLiteral("Read the settings from FILE."),
             .valueName = QStringLiteral("FILE"),
             .kind = ValueKind::File},
            {.names = {QStringLiteral("baseline")},
             .description = QStringLiteral("Leave the findings FILE accepts out of the report and the exit "
                                           "code; the summary counts them and the accepted ones now gone."),
             .valueName = QStringLiteral("FILE"),
             .kind = ValueKind::File},
            {.names = {QStringLiteral("write-baseline")},
             .description = QStringLiteral("Write every finding of the run to FILE as accepted (sorted JSON, "
                                           "for --baseline); the report and exit code stay as they are."),
             .valueName = QStringLiteral("FILE"),
             .kind = ValueKind::File},
            {.names = {QStringLiteral("rule")},
             .description = QStringLiteral("Set a rule's severity, or off; wins over the settings "
                                           "file. May be given more than once."),
             .valueName = QStringLiteral("ID=off|info|warning|error"),
             .repeatable = true},
            {.names = {QStringLiteral("fail-on")},
             .description = QStringLiteral("Lowest severity that makes the exit code 1: error "
                                           "(default), warning, or never."),
             .valueName = QStringLiteral("LEVEL"),
             .defaultValue = QStringLiteral("error"),
             .choices = {QStringLiteral("error"), QStringLiteral("warning"), QStringLiteral("never")}},
            {.names = {QStringLiteral("jobs")},
             .description = QStringLiteral("Pages audited at once (default: the number of cores)."),
             .valueName = QStringLiteral("N")},
            {.names = {QStringLiteral("sitemap")},
             .description = QStringLiteral("Audit the pages a sitemap lists (sitemap indexes are "
                                           "followed). May be given more than once."),
             .valueName = QStringLiteral("FILE|URL"),
             .kind = ValueKind::File,
             .repeatable = true},
            {.names = {QStringLiteral("crawl")},
             .description = QStringLiteral("Follow same-origin links from each address, after "
                                           "robots.txt.")},
            {.names = {QStringLiteral("max-pages")},
             .description = QStringLiteral("Pages a crawl audits at most per address (default "
                                           "200)."),
             .valueName = QStringLiteral("N"),
             .defaultValue = QStringLiteral("200")},
            {.names = {QStringLiteral("base-url")},
             .description = QStringLiteral("Where a folder input is published: the site's own "
                                           "absolute addresses (canonicals, hreflang) map onto "
                                           "the folder."),
             .valueName = QStringLiteral("URL")},
            {.names = {QStringLiteral("root")},
             .description = QStringLiteral("The folder inputs are part of a larger published tree whose "
                                           "root is DIR: links rooted at \"/\" and \"../\" links resolve "
                                           "inside DIR and its other files are checked for existence, but "
                                           "only the inputs' pages are audited."),
             .valueName = QStringLiteral("DIR"),
             .kind = ValueKind::Folder},
            {.names = {QStringLiteral("summary")},
             .description =
                 QStringLiteral("After the findings (before them when standard output is a "
                                "terminal), one line per rule found: severity, pages, findings, "
                                "whether --fix repairs it and what to do, errors first, then by "
                                "pages; then the broken targets with what names them (text only).")},
            {.names = {QStringLiteral("summary-only")},
             .description = QStringLiteral("Print the --summary alone, without the findings (text only).")},
            {.names = {QStringLiteral("check-external")},
             .description =
                 QStringLiteral("Also ask every address outside the site that its pages link to whether it "
                                "answers (HEAD, at most 2 at once per host, each once); folders fetch "
                                "nothing without it.")},
            {.names = {QStringLiteral("list-rules")},
             .description = QStringLiteral("Print every rule id with its default severity and what it "
                                           "checks (text, or json with --format json), then stop.")},
            {.names = {QStringLiteral("fix")},
             .description = QStringLiteral("Repair the page files in place, every byte outside the repairs "
                                           "kept; --fix=RULE[,RULE] repairs only those rules. Fetched pages "
                                           "are audited only.")},
            {.names = {QStringLiteral("dry-run")},
             .description = QStringLiteral("With --fix: write no page; print the repairs as a "
                                           "unified diff for patch -p1 in place of the report "
                                           "(--output still takes the report).")},
            {.names = {QStringLiteral("lang")},
             .description = QStringLiteral("The pages' language, for the lang-missing repair (else "
                                           "\"lang\" in the settings file)."),
             .valueName = QStringLiteral("CODE")}}};
    return declaration;
}

int runAudit(const QStringList& arguments) {
    QCommandLineParser parser;
    declare(parser, auditDeclaration());
    const QString format = QStringLiteral("format"), output = QStringLiteral("output"),
                  config = QStringLiteral("config"), rule = QStringLiteral("rule"),
                  failOn = QStringLiteral("fail-on"), jobs = QStringLiteral("jobs"),
                  sitemap = QStringLiteral("sitemap"), crawl = QStringLiteral("crawl"),
                  maxPages = QStringLiteral("max-pages"), baseUrl = QStringLiteral("base-url"),
                  summary = QStringLiteral("summary"), summaryOnly = QStringLiteral("summary-only"),
                  checkExternal = QStringLiteral("check-external"), listRules = QStringLiteral("list-rules"),
                  fix = QStringLiteral("fix"), dryRun = QStringLiteral("dry-run"),
                  lang = QStringLiteral("lang"), root = QStringLiteral("root"),
                  baseline = QStringLiteral("baseline"), writeBaseline = QStringLiteral("write-baseline");
    QStringList given = arguments;
    const std::optional<QStringList> fixRules = takeFixRules(given);
    if (!fixRules)
        return kExitBadInput;
    int exitCode = kExitOk;
    if (!parseCommand(parser, given, exitCode))
        return exitCode;

    Options options;
    if (const auto parsed = audit::parseReportFormat(parser.value(format))) {
        options.format = *parsed;
    } else {
        writeError(QStringLiteral("--format %1: give text, json, sarif, junit, csv, github or html")
                       .arg(parser.value(format)));
        return kExitBadInput;
    }
    if (parser.isSet(listRules)) {
        const std::optional<QByteArray> list = audit::writeRuleList(options.format);
        if (!list) {
            writeError(QStringLiteral("--list-rules: give --format text or json"));
            return kExitBadInput;
        }
        return writeReportTo(parser.value(output), [&list](const audit::ReportSink& sink) { sink(*list); })
                   ? kExitOk
                   : kExitBadInput;
    }
    if (parser.value(failOn) == QLatin1String("never")) {
        options.failOn = std::nullopt;
    } else if (const auto level = audit::parseSeverity(parser.value(failOn));
               level && *level != audit::Severity::Info) {
        options.failOn = level;
    } else {
        writeError(QStringLiteral("--fail-on %1: give error, warning or never").arg(parser.value(failOn)));
        return kExitBadInput;
    }
    options.jobs = QThread::idealThreadCount();
    if (parser.isSet(jobs)) {
        const auto n = positiveNumber(parser.value(jobs), kMaxJobs);
        if (!n) {
            writeError(QStringLiteral("--jobs %1: give a number from 1 to %2")
                           .arg(parser.value(jobs))
                           .arg(kMaxJobs));
            return kExitBadInput;
        }
        options.jobs = *n;
    }
    if (const auto n = positiveNumber(parser.value(maxPages), 1000000)) {
        options.maxPages = *n;
    } else {
        writeError(QStringLiteral("--max-pages %1: give a number of at least 1").arg(parser.value(maxPages)));
        return kExitBadInput;
    }
    options.crawl = parser.isSet(crawl);
    options.summary = parser.isSet(summary) || parser.isSet(summaryOnly);
    options.summaryOnly = parser.isSet(summaryOnly);
    options.checkExternal = parser.isSet(checkExternal);
    if (options.summary && options.format != audit::ReportFormat::Text) {
        writeError(parser.isSet(summaryOnly) ? QStringLiteral("--summary-only: only with --format text")
                                             : QStringLiteral("--summary: only with --format text"));
        return kExitBadInput;
    }
    if (parser.isSet(baseUrl)) {
        options.baseUrl = QUrl(parser.value(baseUrl), QUrl::StrictMode);
        const QString scheme = options.baseUrl.scheme();
        if (!options.baseUrl.isValid() || options.baseUrl.host().isEmpty() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
            writeError(
                QStringLiteral("--base-url %1: give an http or https address").arg(parser.value(baseUrl)));
            return kExitBadInput;
        }
    }
    if (parser.isSet(root)) {
        options.root = parser.value(root);
        if (!QFileInfo(options.root).isDir()) {
            writeError(QStringLiteral("--root %1: give a folder").arg(options.root));
            return kExitBadInput;
        }
    }
    options.output = parser.value(output);
    if (!loadConfig(parser.value(config), options.config))
        return kExitBadInput;
    for (const QString& value : parser.values(rule)) {
        QString error;
        if (!audit::applyRuleOption(options.config, value, &error)) {
            writeError(QStringLiteral("--rule ") + value + QStringLiteral(": ") + error);
            return kExitBadInput;
        }
    }

    if (parser.isSet(dryRun) && !parser.isSet(fix)) {
        writeError(QStringLiteral("--dry-run: only with --fix"));
        return kExitBadInput;
    }
    if (parser.isSet(lang) && !web::hasLanguageSubtag(parser.value(lang))) {
        writeError(
            QStringLiteral("--lang %1: give a language code such as en or en-GB").arg(parser.value(lang)));
        return kExitBadInput;
    }

    // Read before the run: a baseline that is not one stops it at once.
    std::optional<QList<audit::AcceptedFinding>> accepted;
    if (parser.isSet(baseline)) {
        QString error;
        accepted = audit::loadBaseline(parser.value(baseline), &error);
        if (!accepted) {
            writeError(QStringLiteral("--baseline ") + error);
            return kExitBadInput;
        }
    }

    const QStringList inputs = parser.positionalArguments();
    const QStringList sitemaps = parser.values(sitemap);
    if (inputs.isEmpty() && sitemaps.isEmpty()) {
        writeError(QStringLiteral("audit needs at least one file, folder or address, or --sitemap"));
        return kExitBadInput;
    }

    const audit::PathGlobs skip(options.config.skipGlobs);
    const ExpandedInputs expanded = expandInputs(inputs, skip);
    for (const AuditTarget& target : expanded.targets) {
        if (!options.root.isEmpty() && !target.address &&
            siteRootOf(target, options.root) != QDir(options.root).absolutePath()) {
            writeError(QStringLiteral("--root %1: %2 is not inside it").arg(options.root, target.name));
            return kExitBadInput;
        }
    }
    CurlPageFetcher fetcher(std::chrono::seconds(30), std::chrono::seconds(30), std::chrono::minutes(2),
                            kMaxAuditedPageBytes);
    keepFreedMemory();
    std::optional<FixRun> fixRun;
    SiteAuditWatch watch;
    if (parser.isSet(fix)) {
        fixRun.emplace(FixRequest{.dryRun = parser.isSet(dryRun),
                                  .rules = *fixRules,
                                  .lang = parser.isSet(lang) ? parser.value(lang) : options.config.lang},
                       options.config, options.baseUrl, expanded.targets);
        watch.step = [&fixRun](const QString& name, audit::PageInput& page) {
            return fixRun->step(name, page);
        };
    }
    if (isatty(fileno(stderr)) == 1)
        watch.progress = [](qsizetype done, qsizetype known, const QString& page) {
            writeProgress(QStringLiteral("\r%1 of %2 pages audited").arg(done).arg(known));
            if (page.isEmpty()) // the end: the report never shares a line with progress
                writeProgress(QStringLiteral("\r\033[K"));
        };
    const SiteAuditRequest request{.targets = expanded.targets,
                                   .sitemaps = sitemaps,
                                   .crawl = options.crawl,
                                   .maxPages = options.maxPages,
                                   .checkExternal = options.checkExternal,
                                   .baseUrl = options.baseUrl,
                                   .root = options.root,
                                   .jobs = options.jobs};
    AuditRunner::Outcome outcome = runSiteAudit(request, options.config, fetcher, watch);

    const QStringList problems = expanded.problems + outcome.problems;
    for (const QString& problem : problems)
        writeError(problem);
    QStringList pages;
    for (const audit::PageReport& page : outcome.pages)
        pages << page.page;
    const bool fixesWritten = !fixRun || fixRun->report(pages);
    // Every finding of the run, the accepted ones too, so that the new file drops only what is gone.
    bool baselineWritten = true;
    if (parser.isSet(writeBaseline)) {
        QString error;
        baselineWritten = audit::saveBaseline(parser.value(writeBaseline), outcome.pages, &error);
        if (!baselineWritten)
            writeError(QStringLiteral("--write-baseline ") + error);
    }
    audit::BaselineOutcome baselineOutcome;
    if (accepted)
        baselineOutcome = audit::applyBaseline(outcome.pages, &outcome.site, *accepted);
    audit::ReportContext context{&options.config, audit::sourceRootOf(QDir::currentPath()),
                                 outcome.site.present ? &outcome.site : nullptr, &baselineOutcome};
    if (const audit::SiteAddress& address = outcome.site.address;
        address.from == audit::SiteAddress::From::Canonicals)
        writeError(QStringLiteral("address taken as %1 from %2 canonicals; --base-url sets another")
                       .arg(address.url)
                       .arg(address.canonicals));
    // A dry run's diff has standard output to itself.
    const bool toStdout = options.output.isEmpty();
    const QByteArray summaryText = options.summary ? audit::ruleSummary(outcome.pages, context.site) +
                                                         audit::structuredDataSummary(outcome.pages)
                                                   : QByteArray();
    // On a terminal the end of a long report is what stays in view, and the summary is where to start.
    const bool summaryFirst = toStdout && isatty(fileno(stdout)) == 1;
    const bool written = (toStdout && parser.isSet(dryRun)) ||
                         writeReportTo(options.output, [&](const audit::ReportSink& sink) {
                             if (summaryFirst)
                                 sink(summaryText);
                             if (!options.summaryOnly)
                                 audit::writeReport(options.format, outcome.pages, context, sink);
                             if (!summaryFirst)
                                 sink(summaryText);
                         });
    if (!written || !problems.isEmpty() || !fixesWritten || !baselineWritten)
        return kExitBadInput;
    return failsOn(outcome.pages, options.failOn) ? kExitTagsMissing : kExitOk;
}

} // namespace headwise::cli
