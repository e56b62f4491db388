#include "cli/auditfix.h"
#include "cli/auditinputs.h"
#include "cli/auditrunner.h"
#include "cli/commands.h"
#include "cli/output.h"

#include "cli/pageinput.h"
#include "core/audit/auditconfig.h"
#include "core/audit/languagetags.h"
#include "core/audit/report.h"
#include "core/audit/sitegraph.h"
#include "core/site/pagelinks.h"
#include "core/site/sitemap.h"
#include "net/curlpagefetcher.h"
#include "net/sitewalker.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QThread>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace headwise::cli {
namespace {

constexpr int kMaxJobs = 256;
const QString kConfigName = QStringLiteral("headwise.json");

struct Options {
    audit::ReportFormat format = audit::ReportFormat::Text;
    std::optional<audit::Severity> failOn = audit::Severity::Error; // nullopt: never
    int jobs = 1;
    int maxPages = 200;
    bool crawl = false;
    bool summary = false;
    bool checkExternal = false;
    QUrl baseUrl; // where a folder input is published
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
QString configPath(const QString& given) {
    if (!given.isEmpty())
        return given;
    QDir dir = QDir::current();
    do {
        if (QFileInfo(dir.filePath(kConfigName)).isFile())
            return dir.filePath(kConfigName);
    } while (dir.cdUp());
    return {};
}

bool loadConfig(const QString& given, audit::AuditConfig& config) {
    const QString path = configPath(given);
    if (path.isEmpty())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        writeError(path + QStringLiteral(": cannot be read (%1)").arg(file.errorString()));
        return false;
    }
    QString error;
    std::optional<audit::AuditConfig> parsed = audit::parseAuditConfig(file.read(1024 * 1024), &error);
    if (!parsed) {
        writeError(path + QStringLiteral(": ") + error);
        return false;
    }
    config = std::move(*parsed);
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

bool writeReportTo(const QString& path, const QByteArray& report) {
    if (path.isEmpty()) {
        writeOut(report);
        return true;
    }
    QString error;
    if (!writePageBytes(path, report, &error)) {
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

QString sourceRoot() {
    QString root = QUrl::fromLocalFile(QDir::currentPath()).toString(QUrl::FullyEncoded);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
}

// The folder's own sitemap.xml, when it has one, read as the site's sitemap.
void addFolderSitemap(AuditRunner& runner, const std::shared_ptr<const audit::SiteFolder>& folder,
                      QStringList& problems) {
    const QString path = QDir(folder->root()).filePath(QStringLiteral("sitemap.xml"));
    QFile file(path);
    if (!file.exists())
        return;
    const QString name = QDir::cleanPath(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problems.append(name + QStringLiteral(": cannot be read (%1)").arg(file.errorString()));
        return;
    }
    const qint64 maxBytes = SiteWalker::Limits{}.maxSitemapBytes;
    const QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        problems.append(name + QStringLiteral(": larger than %1 MiB").arg(maxBytes >> 20));
        return;
    }
    QString error;
    const std::optional<Sitemap> sitemap = parseSitemap(bytes, &error);
    if (!sitemap)
        problems.append(name + QStringLiteral(": ") + error);
    else if (sitemap->kind == Sitemap::Kind::Pages)
        runner.addSitemap(name, *sitemap, folder);
}

} // namespace

int runAudit(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Audits the heads of pages for what search engines read: title, description, charset,\n"
        "viewport, language, canonical, robots, hreflang, social tags and more.\n"
        "Exit code 0: nothing at or above --fail-on; 1: something was found; 2: an input could not\n"
        "be read, an option is wrong or the output could not be written (the other inputs are still\n"
        "audited and reported).\n"
        "Settings come from --config FILE, else headwise.json in the current folder or a parent:\n"
        "{\"rules\":{\"ID\":\"off|info|warning|error\"},\"limits\":{...},\"skip\":[\"GLOB\",...],\"lang\":"
        "\"en\"}.\n"
        "Skip patterns match a page's path below the folder given (or a file's path as given);\n"
        "\"*\" stays in one folder, \"**\" spans folders, a pattern without \"/\" matches file names.\n"
        "A page turns rules off for itself with <!-- headwise-disable RULE[,RULE...] -->.\n"
        "--fix repairs what it can in the page files (--list-rules shows which rules), checks each\n"
        "repair by auditing the page again and reports what remains; the exit code is for that."));
    parser.addPositionalArgument(QStringLiteral("inputs"),
                                 QStringLiteral("Page files, folders (every *.htm, *.html, *.xhtml below) "
                                                "and http(s) addresses."),
                                 QStringLiteral("FILE|FOLDER|URL..."));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("Report format: text (default), json, sarif or junit."),
                                    QStringLiteral("FORMAT"), QStringLiteral("text"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the report to FILE instead of standard output."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption config(QStringLiteral("config"), QStringLiteral("Read the settings from FILE."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption rule(QStringLiteral("rule"),
                                  QStringLiteral("Set a rule's severity, or off; wins over the settings "
                                                 "file. May be given more than once."),
                                  QStringLiteral("ID=off|info|warning|error"));
    const QCommandLineOption failOn(QStringLiteral("fail-on"),
                                    QStringLiteral("Lowest severity that makes the exit code 1: error "
                                                   "(default), warning, or never."),
                                    QStringLiteral("LEVEL"), QStringLiteral("error"));
    const QCommandLineOption jobs(QStringLiteral("jobs"),
                                  QStringLiteral("Pages audited at once (default: the number of cores)."),
                                  QStringLiteral("N"));
    const QCommandLineOption sitemap(QStringLiteral("sitemap"),
                                     QStringLiteral("Audit the pages a sitemap lists (sitemap indexes are "
                                                    "followed). May be given more than once."),
                                     QStringLiteral("FILE|URL"));
    const QCommandLineOption crawl(QStringLiteral("crawl"),
                                   QStringLiteral("Follow same-origin links from each address, after "
                                                  "robots.txt."));
    const QCommandLineOption maxPages(QStringLiteral("max-pages"),
                                      QStringLiteral("Pages a crawl audits at most per address (default "
                                                     "200)."),
                                      QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption listRules(
        QStringLiteral("list-rules"),
        QStringLiteral("Print every rule id with its default severity and what it "
                       "checks (text, or json with --format json), then stop."));
    const QCommandLineOption baseUrl(QStringLiteral("base-url"),
                                     QStringLiteral("Where a folder input is published: the site's own "
                                                    "absolute addresses (canonicals, hreflang) map onto "
                                                    "the folder."),
                                     QStringLiteral("URL"));
    const QCommandLineOption summary(
        QStringLiteral("summary"),
        QStringLiteral("After the findings, one line per rule with its findings and "
                       "pages, most first (text only)."));
    const QCommandLineOption fix(
        QStringLiteral("fix"),
        QStringLiteral("Repair the page files in place, every byte outside the repairs kept; "
                       "--fix=RULE[,RULE] repairs only those rules. Fetched pages are audited only."));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("With --fix: write no page; print the repairs as a "
                                                   "unified diff for patch -p1 in place of the report "
                                                   "(--output still takes the report)."));
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QStringLiteral("The pages' language, for the lang-missing repair (else "
                                                 "\"lang\" in the settings file)."),
                                  QStringLiteral("CODE"));
    const QCommandLineOption checkExternal(
        QStringLiteral("check-external"),
        QStringLiteral("Also ask every address outside the site that its pages link to whether it answers "
                       "(HEAD, at most 2 at once per host, each once); folders fetch nothing without it."));
    parser.addOptions({format, output, config, rule, failOn, jobs, sitemap, crawl, maxPages, baseUrl, summary,
                       checkExternal, listRules, fix, dryRun, lang});
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
        writeError(QStringLiteral("--format %1: give text, json, sarif or junit").arg(parser.value(format)));
        return kExitBadInput;
    }
    if (parser.isSet(listRules)) {
        const std::optional<QByteArray> list = audit::writeRuleList(options.format);
        if (!list) {
            writeError(QStringLiteral("--list-rules: give --format text or json"));
            return kExitBadInput;
        }
        return writeReportTo(parser.value(output), *list) ? kExitOk : kExitBadInput;
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
    options.summary = parser.isSet(summary);
    options.checkExternal = parser.isSet(checkExternal);
    if (options.summary && options.format != audit::ReportFormat::Text) {
        writeError(QStringLiteral("--summary: only with --format text"));
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
    if (parser.isSet(lang) && !audit::hasLanguageSubtag(parser.value(lang))) {
        writeError(
            QStringLiteral("--lang %1: give a language code such as en or en-GB").arg(parser.value(lang)));
        return kExitBadInput;
    }

    const QStringList inputs = parser.positionalArguments();
    const QStringList sitemaps = parser.values(sitemap);
    if (inputs.isEmpty() && sitemaps.isEmpty()) {
        writeError(QStringLiteral("audit needs at least one file, folder or address, or --sitemap"));
        return kExitBadInput;
    }

    const audit::PathGlobs skip(options.config.skipGlobs);
    const ExpandedInputs expanded = expandInputs(inputs, skip);
    CurlPageFetcher fetcher(std::chrono::seconds(30), std::chrono::seconds(30), std::chrono::minutes(2),
                            kMaxCliPageBytes);
    SiteWalker::Limits limits;
    limits.maxPages = options.maxPages;
    SiteWalker walker(fetcher, limits);
    // Each folder input is a site of its own, its pages' links checked against
    // each other; so is each origin a crawl or a sitemap brings pages from.
    QHash<QString, std::shared_ptr<const audit::SiteFolder>> folders;
    // With every rule across pages off, no page needs its references kept.
    const bool siteRulesOn =
        std::any_of(std::begin(audit::kSiteRules), std::end(audit::kSiteRules),
                    [&](const char* id) { return options.config.severityOf(*audit::findRule(id)); });
    const auto folderSite = [&](const QString& root) -> std::shared_ptr<const audit::SiteFolder> {
        if (root.isEmpty() || !siteRulesOn)
            return nullptr;
        auto& folder = folders[root];
        if (!folder)
            folder = std::make_shared<const audit::SiteFolder>(root, options.baseUrl);
        return folder;
    };
    QHash<QString, std::shared_ptr<const audit::SiteOrigin>> origins;
    const auto originSite = [&](const QUrl& url) -> std::shared_ptr<const audit::SiteOrigin> {
        if (!siteRulesOn)
            return nullptr;
        const QUrl origin = crawlAddress(url).adjusted(QUrl::RemovePath | QUrl::RemoveQuery);
        auto& site = origins[origin.toString()];
        if (!site)
            site = std::make_shared<const audit::SiteOrigin>(origin, walker.googlebotRules(url));
        return site;
    };
    const bool progress = isatty(fileno(stderr)) == 1;
    keepFreedMemory();
    AuditRunner runner(options.config, options.jobs, progress);
    std::optional<FixRun> fixRun;
    if (parser.isSet(fix)) {
        fixRun.emplace(FixRequest{.dryRun = parser.isSet(dryRun),
                                  .rules = *fixRules,
                                  .lang = parser.isSet(lang) ? parser.value(lang) : options.config.lang},
                       options.config, options.baseUrl, expanded.targets);
        runner.setPageStep(
            [&fixRun](const QString& name, audit::PageInput& page) { return fixRun->step(name, page); });
    }
    walker.watchFetches([&](const QUrl& asked, const FetchResult& result) {
        runner.record(originSite(asked), asked, result);
    });
    walker.watchSitemaps([&](const QString& name, const Sitemap& map) {
        if (!map.locations.isEmpty())
            runner.addSitemap(name, map, originSite(QUrl(map.locations.first())));
    });
    // The walker hands pages over in the order it found them; the pool audits
    // them while it fetches the next.
    const PageSink toRunner = [&](WalkedPage&& page) {
        auto walked = std::make_shared<WalkedPage>(std::move(page));
        const QUrl at(walked->result.finalUrl.isEmpty() ? walked->name : walked->result.finalUrl);
        runner.add(
            walked->name,
            [walked] {
                return fetchedInput(walked->name, std::move(walked->result),
                                    std::move(walked->googlebotRobots));
            },
            originSite(at));
    };
    for (const AuditTarget& target : expanded.targets) {
        if (target.address && options.crawl) {
            if (walker.crawl(target.name, toRunner))
                runner.markWhole(originSite(QUrl(target.name)).get());
        } else if (target.address) { // robots.txt is read here, once per site, for robots-txt-blocked
            runner.add(target.name,
                       [&fetcher, name = target.name, robots = walker.googlebotRules(QUrl(target.name))] {
                           return loadFetchedPage(fetcher, name, robots);
                       });
        } else {
            runner.add(
                target.name, [name = target.name] { return loadAuditedFile(name); },
                folderSite(target.siteRoot));
        }
    }
    QStringList siteProblems;
    for (const auto& folder : std::as_const(folders)) {
        runner.markWhole(folder.get());
        if (sitemaps.isEmpty())
            addFolderSitemap(runner, folder, siteProblems);
    }
    for (const QString& map : sitemaps)
        walker.walkSitemap(map, toRunner);
    // Pictures of a crawled site, and with --check-external every address
    // outside the sites, are asked once each whether they answer.
    walker.check(runner.unchecked(options.checkExternal), options.checkExternal ? 2 : 4,
                 [&runner](const QUrl& url, FetchResult&& result) { runner.recordChecked(url, result); });
    AuditRunner::Outcome outcome = runner.finish();

    const QStringList problems = expanded.problems + outcome.problems + walker.problems() + siteProblems;
    for (const QString& problem : problems)
        writeError(problem);
    QStringList pages;
    for (const audit::PageReport& page : outcome.pages)
        pages << page.page;
    const bool fixesWritten = !fixRun || fixRun->report(pages);
    audit::ReportContext context{&options.config, sourceRoot(),
                                 outcome.site.present ? &outcome.site : nullptr};
    QByteArray report = audit::writeReport(options.format, outcome.pages, context);
    if (options.summary)
        report += audit::ruleSummary(outcome.pages);
    // A dry run's diff has standard output to itself.
    const bool toStdout = options.output.isEmpty();
    const bool written = (toStdout && parser.isSet(dryRun)) || writeReportTo(options.output, report);
    if (!written || !problems.isEmpty() || !fixesWritten)
        return kExitBadInput;
    return failsOn(outcome.pages, options.failOn) ? kExitTagsMissing : kExitOk;
}

} // namespace headwise::cli
