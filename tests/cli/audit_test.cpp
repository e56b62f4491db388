// headwise-cli audit, run as a CI job runs it.

#include "clirun.h"
#include "serverprocess.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>

using namespace headwise::testing;

namespace {

QString page(const char* name) {
    return fixture("audit/") + QLatin1String(name);
}

QJsonObject json(const CliRun& run) {
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    return root;
}

QStringList rulesOf(const QJsonObject& page) {
    QStringList rules;
    for (const QJsonValue& finding : page["findings"].toArray())
        rules.append(finding.toObject()["rule"].toString());
    return rules;
}

QStringList pageNames(const QJsonObject& report) {
    QStringList names;
    for (const QJsonValue& p : report["pages"].toArray())
        names.append(p.toObject()["page"].toString());
    return names;
}

// A page with a complete head; `extra` goes into the head.
QByteArray headPage(const QByteArray& extra,
                    const QByteArray& title = "Handmade Persian rugs and kilims from Isfahan",
                    const QByteArray& description = "Hand-knotted Persian rugs, kilims and runners from "
                                                    "Isfahan workshops, with sizes and prices.") {
    return "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width\">\n<title>" +
           title + "</title>\n<meta name=\"description\" content=\"" + description + "\">\n" + extra +
           "\n</head><body><p>Text.</p></body></html>\n";
}

TEST(AuditFormats, EachFormatOnStdoutOrInAFile) {
    const QStringList inputs{page("no-title.htm"), page("no-lang.htm"), page("clean.htm")};

    const CliRun text = cli(QStringList{"audit", "--rule", "og-missing=off"} + inputs);
    EXPECT_EQ(text.exitCode, 1) << text.err.toStdString();
    const QList<QByteArray> lines = text.out.split('\n');
    ASSERT_EQ(lines.size(), 4) << text.out.toStdString(); // two findings, the summary, the final break
    EXPECT_TRUE(lines[0].startsWith(QByteArray(page("no-title.htm").toUtf8() + ":")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(": error: ") && lines[0].endsWith(" [title-missing]"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QByteArray(page("no-lang.htm").toUtf8() + ":2:")))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" [lang-missing]")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "3 pages audited: 1 error, 1 warning, 0 notes");
    EXPECT_TRUE(text.err.isEmpty()) << text.err.toStdString(); // no progress line in a pipe

    const CliRun report = cli(QStringList{"audit", "--format", "json", "--rule", "og-missing=off"} + inputs);
    const QJsonObject root = json(report);
    EXPECT_EQ(root["version"].toInt(), 1);
    EXPECT_EQ(pageNames(root), inputs);
    const QJsonArray pages = root["pages"].toArray();
    EXPECT_EQ(rulesOf(pages[0].toObject()), QStringList{"title-missing"});
    EXPECT_EQ(rulesOf(pages[1].toObject()), QStringList{"lang-missing"});
    EXPECT_EQ(rulesOf(pages[2].toObject()), QStringList{});
    EXPECT_TRUE(pages[2].toObject()["url"].toString().startsWith("file:///"));
    EXPECT_TRUE(pages[2].toObject()["url"].toString().endsWith("/audit/clean.htm"));
    const QJsonObject langFinding = pages[1].toObject()["findings"].toArray()[0].toObject();
    EXPECT_EQ(langFinding["line"].toInt(), 2);
    EXPECT_TRUE(langFinding["source"].toString().startsWith("<html"))
        << langFinding["source"].toString().toStdString();
    EXPECT_EQ(root["summary"].toObject(),
              (QJsonObject{{"pages", 3}, {"errors", 1}, {"warnings", 1}, {"infos", 0}}));

    QTemporaryDir dir;
    for (const char* format : {"text", "json", "sarif", "junit"}) {
        const CliRun toStdout = cli(QStringList{"audit", "--format", format} + inputs);
        const QString file = dir.filePath(QStringLiteral("report.") + format);
        const CliRun toFile = cli(QStringList{"audit", "--format", format, "--output", file} + inputs);
        EXPECT_EQ(toFile.exitCode, toStdout.exitCode) << format;
        EXPECT_TRUE(toFile.out.isEmpty()) << format;
        EXPECT_EQ(readTestFile(file), toStdout.out) << format;
    }
    const QJsonObject sarif = QJsonDocument::fromJson(readTestFile(dir.filePath("report.sarif"))).object();
    EXPECT_EQ(sarif["version"].toString(), "2.1.0");
    EXPECT_FALSE(sarif["runs"].toArray()[0].toObject()["results"].toArray().isEmpty());
    QXmlStreamReader junit(readTestFile(dir.filePath("report.junit")));
    int suites = 0;
    while (!junit.atEnd())
        suites += junit.readNext() == QXmlStreamReader::StartElement && junit.name() == u"testsuite";
    EXPECT_FALSE(junit.hasError());
    EXPECT_EQ(suites, 3);

    // A report that cannot be written is an error, and leaves no partial file.
    const CliRun unwritable =
        cli({"audit", "--output", dir.filePath("no/such/folder/r.txt"), page("clean.htm")});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_TRUE(unwritable.err.contains("no/such/folder/r.txt")) << unwritable.err.toStdString();
}

// Every rule is listed once, in both formats, so --rule and the config can be written from it.
TEST(AuditFormats, ListRules) {
    const CliRun text = cli({"audit", "--list-rules"});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    const CliRun listed = cli({"audit", "--list-rules", "--format", "json"});
    const QJsonArray rules = json(listed)["rules"].toArray();
    ASSERT_GE(rules.size(), 40);
    // One line per rule, each source indented under it.
    qsizetype ruleLines = 0, sourceLines = 0;
    for (const QByteArray& line : text.out.split('\n'))
        (line.startsWith("    https") || line.startsWith("    ") ? sourceLines : ruleLines) +=
            !line.isEmpty();
    EXPECT_EQ(ruleLines, rules.size());
    EXPECT_GE(sourceLines, rules.size());
    for (const char* id : {"head-closed-early", "charset-wrong", "robots-txt-blocked", "hreflang-no-self"}) {
        bool found = false;
        for (const QJsonValue& rule : rules)
            found = found || rule["id"].toString() == QLatin1String(id);
        EXPECT_TRUE(found) << id;
        EXPECT_TRUE(text.out.contains(id)) << id;
    }
    EXPECT_EQ(rules[0].toObject().keys(),
              (QStringList{"description", "fixable", "help", "id", "scope", "severity", "sources"}));
    for (const QJsonValue& rule : rules) {
        EXPECT_TRUE(rule["sources"][0]["url"].toString().startsWith(QLatin1String("https://")))
            << rule["id"].toString().toStdString();
        EXPECT_EQ(rule["fix"].isString(), rule["fixable"].toBool()) << rule["id"].toString().toStdString();
    }
    // A fixable rule is marked in both.
    for (const QByteArray& line : text.out.split('\n'))
        for (const QJsonValue& rule : rules)
            if (line.startsWith(QByteArray(rule["id"].toString().toUtf8() + ' '))) {
                EXPECT_EQ(line.contains(" fixable "), rule["fixable"].toBool()) << line.toStdString();
            }
    EXPECT_EQ(cli({"audit", "--list-rules", "--format", "sarif"}).exitCode, 2);
}

TEST(AuditConfig, FileNearestParentAndCommandLine) {
    QTemporaryDir dir;
    const QString sub = dir.filePath("site/deeper");
    ASSERT_TRUE(QDir().mkpath(sub));
    writeTestFile(dir.filePath("site/deeper/p.htm"), headPage("", "Short"));
    writeTestFile(dir.filePath("headwise.json"), R"({"rules":{"title-length":"error","og-missing":"off"}})");
    writeTestFile(dir.filePath("other.json"), R"({"rules":{"title-length":"off","og-missing":"off"}})");
    writeTestFile(dir.filePath("bad.json"), "{\"rules\":");

    struct Case {
        QStringList options;
        QString workDir;
        int exitCode;
        QStringList rules;
        QString severity; // of the first finding
    } cases[] = {
        {{}, sub, 1, {"title-length"}, "error"},                             // found two folders up
        {{"--rule", "title-length=info"}, sub, 0, {"title-length"}, "info"}, // the command line wins
        {{"--rule", "title-length=off"}, sub, 0, {}, {}},
        {{"--config", dir.filePath("other.json")}, sub, 0, {}, {}},                       // --config instead
        {{"--rule", "og-missing=off"}, QDir::rootPath(), 0, {"title-length"}, "warning"}, // none: defaults
    };
    for (const Case& c : cases) {
        const CliRun r = cli(QStringList{"audit", "--format", "json"} + c.options +
                                 QStringList{dir.filePath("site/deeper/p.htm")},
                             c.workDir);
        const std::string what = c.options.join(' ').toStdString() + " in " + c.workDir.toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << what << r.err.toStdString();
        const QJsonObject first = json(r)["pages"].toArray()[0].toObject();
        EXPECT_EQ(rulesOf(first), c.rules) << what;
        if (!c.severity.isEmpty()) {
            EXPECT_EQ(first["findings"].toArray()[0].toObject()["severity"].toString(), c.severity) << what;
        }
    }

    // Skip patterns from the settings file, matched below the folder given.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("site/drafts")));
    writeTestFile(dir.filePath("site/drafts/d.htm"), headPage(""));
    writeTestFile(dir.filePath("site/index.htm"), headPage(""));
    writeTestFile(dir.filePath("site/old.html"), headPage(""));
    writeTestFile(dir.filePath("skip.json"), R"({"skip":["drafts/**","*.html"]})");
    const CliRun skipped =
        cli({"audit", "--format", "json", "--config", dir.filePath("skip.json"), "site"}, dir.path());
    EXPECT_EQ(pageNames(json(skipped)), (QStringList{"site/deeper/p.htm", "site/index.htm"}));

    for (const QStringList& bad :
         {QStringList{"--config", dir.filePath("bad.json")},
          QStringList{"--config", dir.filePath("none.json")}, QStringList{"--rule", "no-such-rule=off"},
          QStringList{"--rule", "title-length=loud"}, QStringList{"--rule", "title-length"}}) {
        const CliRun r = cli(QStringList{"audit"} + bad + QStringList{dir.filePath("site/index.htm")}, sub);
        EXPECT_EQ(r.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << bad.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
}

TEST(AuditDisable, CommentsSwitchRulesOffForTheirPage) {
    QTemporaryDir dir;
    const QByteArray bare =
        "<html><head><title>Handmade Persian rugs and kilims from Isfahan</title></head></html>";
    struct Case {
        QByteArray comment;
        bool lang, viewport;
    } cases[] = {
        {"", true, true},
        {"<!-- headwise-disable lang-missing -->", false, true},
        {"<!-- headwise-disable lang-missing,viewport-missing -->", false, false},
        {"<!-- headwise-disable viewport-missing, lang-missing -->", false, false},
        {"<!-- headwise-enable lang-missing -->", true, true},
    };
    QStringList files;
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i) {
        files.append(dir.filePath(QStringLiteral("p%1.htm").arg(i)));
        writeTestFile(files.last(), bare + "\n" + cases[i].comment + "\n");
    }
    const QJsonArray pages = json(cli(QStringList{"audit", "--format", "json"} + files))["pages"].toArray();
    ASSERT_EQ(pages.size(), qsizetype(std::size(cases)));
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QStringList rules = rulesOf(pages[i].toObject());
        EXPECT_EQ(rules.contains("lang-missing"), cases[i].lang) << cases[i].comment.toStdString();
        EXPECT_EQ(rules.contains("viewport-missing"), cases[i].viewport) << cases[i].comment.toStdString();
        EXPECT_TRUE(rules.contains("charset-missing")) << cases[i].comment.toStdString(); // others still run
    }
}

TEST(AuditExit, FailOnThresholds) {
    struct Case {
        QStringList args;
        int exitCode;
    } cases[] = {
        {{page("clean.htm")}, 0},
        {{page("no-lang.htm")}, 0}, // a warning only
        {{"--fail-on", "warning", page("no-lang.htm")}, 1},
        {{"--fail-on", "warning", page("clean.htm")}, 0},
        {{page("no-title.htm")}, 1},
        {{"--fail-on", "never", page("no-title.htm")}, 0},
        {{"--fail-on", "never", page("no-title.htm"), page("missing.htm")}, 2},
        {{page("no-title.htm"), page("missing.htm")}, 2},
        {{"--rule", "title-missing=warning", page("no-title.htm")}, 0},
        {{"--fail-on", "info", page("clean.htm")}, 2},
        {{"--format", "xml", page("clean.htm")}, 2},
        {{"--jobs", "0", page("clean.htm")}, 2},
        {{"--jobs", "x", page("clean.htm")}, 2},
        {{"--max-pages", "-3", page("clean.htm")}, 2},
        {{"--bogus", page("clean.htm")}, 2},
        {{}, 2},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(QStringList{"audit", "--rule", "og-missing=off"} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    const CliRun help = cli({"audit", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--format", "--output", "--config", "--rule", "--fail-on", "--jobs",
                               "--sitemap", "--crawl", "--max-pages", "headwise-disable"})
        EXPECT_TRUE(help.out.contains(option)) << option;
    EXPECT_TRUE(cli({"--help"}).out.contains("audit"));
}

TEST(AuditParallel, SameReportWhateverTheJobs) {
    QTemporaryDir dir;
    // Names whose sorted order differs from creation order and from length order.
    QStringList expected;
    for (int i = 0; i < 60; ++i) {
        const QString name = QStringLiteral("%1/page-%2.htm").arg(i % 3 ? "b" : "a").arg(59 - i);
        ASSERT_TRUE(QDir(dir.path()).mkpath(name.section('/', 0, 0)));
        // Every fifth page shares a title; sizes vary so that pages finish out of order.
        const QByteArray title =
            i % 5 ? QByteArray("Distinct page title number ") + QByteArray::number(i) + " of sixty"
                  : QByteArray("The same title for several pages of the site");
        const QByteArray description = "A description of this page of the site, long enough for the rule, "
                                       "page number " +
                                       QByteArray::number(i);
        writeTestFile(dir.filePath(name),
                      headPage(QByteArray(size_t(i % 7) * 20000, ' '), title, description));
        expected.append(name);
    }
    std::sort(expected.begin(), expected.end());

    const CliRun one = cli({"audit", "--format", "json", "--jobs", "1", "."}, dir.path());
    const CliRun four = cli({"audit", "--format", "json", "--jobs", "4", "."}, dir.path());
    EXPECT_EQ(one.exitCode, four.exitCode);
    EXPECT_EQ(one.out, four.out);
    const QJsonObject report = json(four);
    QStringList names = pageNames(report);
    for (QString& name : names)
        name.remove(0, 2); // "./"
    EXPECT_EQ(names, expected);
    int duplicates = 0;
    for (const QJsonValue& p : report["pages"].toArray())
        duplicates += rulesOf(p.toObject()).count("title-duplicate");
    EXPECT_EQ(duplicates, 12);
    EXPECT_EQ(cli({"audit", "--jobs", "3", "."}, dir.path()).out,
              cli({"audit", "--jobs", "1", "."}, dir.path()).out);
}

TEST(AuditParallel, APageGivenTwiceIsAuditedOnce) {
    QTemporaryDir dir;
    writeTestFile(dir.filePath("a.htm"), headPage(""));
    writeTestFile(dir.filePath("b.htm"), headPage("", "Another title for another page of the shop"));
    const QJsonObject report = json(cli({"audit", "--format", "json", "a.htm", ".", "./a.htm"}, dir.path()));
    EXPECT_EQ(pageNames(report), (QStringList{"a.htm", "./b.htm"}));
    for (const QJsonValue& p : report["pages"].toArray())
        EXPECT_FALSE(rulesOf(p.toObject()).contains("title-duplicate"));
}

TEST(AuditBadInput, AFolderThatCannotBeReadIsNamed) {
    QTemporaryDir dir;
    writeTestFile(dir.filePath("a.htm"), headPage(""));
    ASSERT_TRUE(QDir(dir.path()).mkpath("private"));
    writeTestFile(dir.filePath("private/b.htm"), headPage(""));
    QFile::setPermissions(dir.filePath("private"), QFileDevice::WriteOwner);
    const bool locked = !QDir(dir.filePath("private")).isReadable();
    QFile::setPermissions(dir.filePath("private"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!locked)
        GTEST_SKIP() << "this user reads every folder";
    QFile::setPermissions(dir.filePath("private"), QFileDevice::WriteOwner);
    const CliRun run = cli({"audit", "."}, dir.path());
    QFile::setPermissions(dir.filePath("private"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("./private: this folder cannot be read")) << run.err.toStdString();
}

TEST(AuditBadInput, NamedMessageAndTheRestGoesOn) {
    QTemporaryDir dir;
    const QString good = dir.filePath("good.htm");
    writeTestFile(good, headPage(""));
    const QString after = dir.filePath("after.htm");
    writeTestFile(after, headPage("", "Another title for the page after the bad input"));
    const QString binary = dir.filePath("image.htm");
    writeTestFile(binary, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const QString empty = dir.filePath("empty.htm");
    writeTestFile(empty, "");
    const QString huge = writeSparseTestFile(dir.filePath("huge.htm"), qint64(100) * 1024 * 1024);
    const QString noPages = dir.filePath("nopages");
    ASSERT_TRUE(QDir().mkpath(noPages));
    writeTestFile(noPages + "/notes.txt", "not a page");
    const QString locked = dir.filePath("locked.htm");
    writeTestFile(locked, headPage(""));
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    const bool lockedIsUnreadable = !QFile(locked).open(QIODevice::ReadOnly); // root reads anything

    struct Case {
        QString input;
        const char* reason;
    } cases[] = {
        {binary, "binary"},
        {empty, "empty"},
        {huge, "larger than"},
        {noPages, "no *.htm"},
        {dir.filePath("missing.htm"), "no such file"},
        {"ftp://127.0.0.1/page.htm", "only http and https"},
        {"http://127.0.0.1:1/page.htm", "could not fetch"},
        {locked, "cannot be read"},
    };
    for (const Case& c : cases) {
        if (c.input == locked && !lockedIsUnreadable)
            continue;
        const CliRun r = cli({"audit", "--format", "json", good, c.input, after});
        const std::string what = c.input.toStdString();
        EXPECT_EQ(r.exitCode, 2) << what;
        EXPECT_EQ(r.err.count('\n'), 1) << what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QByteArray(c.input.toUtf8() + ": ")))
            << what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.reason)) << what << ": " << r.err.toStdString();
        EXPECT_EQ(pageNames(json(r)), (QStringList{good, after})) << what; // the others are reported
    }
}

} // namespace

namespace {

// A tiny folder site per case, published at https://rugs.example/: each file
// with the head tags and body it holds (no head for a file that is no page),
// and the site rules each page must show, in order.
struct SiteFile {
    const char* path;
    const char* head;
    const char* body;
};
struct SiteCase {
    const char* name;
    QList<SiteFile> files;
    QMap<QString, QStringList> expected; // page path below the folder -> its site rules
};

QByteArray sitePage(const SiteFile& file) {
    if (!file.head)
        return "\x89PNG";
    return QStringLiteral("<html lang=\"en\"><head><meta charset=\"utf-8\"><title>A page of the rug makers' "
                          "site</title>%1</head><body>%2</body></html>")
        .arg(QLatin1String(file.head), QLatin1String(file.body))
        .toUtf8();
}

// The rules across a site's pages, as the program lists them.
QStringList siteRules(const QJsonObject& page) {
    static const QStringList scoped = [] {
        QStringList ids;
        for (const QJsonValue& rule :
             json(cli({"audit", "--list-rules", "--format", "json"}))["rules"].toArray())
            if (rule["scope"] == QLatin1String("site"))
                ids << rule["id"].toString();
        return ids;
    }();
    QStringList site;
    for (const QString& rule : rulesOf(page))
        if (scoped.contains(rule))
            site.append(rule);
    return site;
}

TEST(AuditSite, RulesAcrossTheFolderFireWhereTheSiteIsWrongAndOnlyThere) {
    const char* const toB = "<a href=\"/b.html\">b</a>";
    const char* const pairEn = "<link rel=alternate hreflang=en href=\"https://rugs.example/\">"
                               "<link rel=alternate hreflang=de href=\"https://rugs.example/de/\">";
    const SiteCase cases[] = {
        {"a sound site, read as the published site would be",
         {{"index.html", pairEn,
           "<a href=\"/b.html?x=1#top\">b</a> <a href=\"de\">s</a> <img src=\"/p.png\">"},
          {"b.html", "<link rel=canonical href=\"https://rugs.example/b.html\">",
           "<a href=\"/\">home</a> <a href=\"mailto:a@b.example\">m</a> <a "
           "href=\"https://elsewhere.example/x\">x</a>"},
          {"de/index.htm", pairEn, "<a href=\"../index.html\">up</a>"},
          {"p.png", nullptr, nullptr}},
         {}},
        {"a missing page and image",
         {{"index.html", "", "<a href=\"/gone.html\">g</a> <img src=\"pic.png\">"}},
         {{"index.html", {"link-broken", "link-broken"}}}},
        {"an orphan and a nofollow link",
         {{"index.html", "", "<a rel=\"external nofollow\" href=\"b.html\">b</a>"},
          {"b.html", "", ""},
          {"c.html", "", ""}},
         {{"index.html", {"nofollow-internal"}}, {"c.html", {"orphan"}}}},
        {"canonicals to a missing, a noindex and a chained page",
         {{"index.html", "<link rel=canonical href=\"https://rugs.example/gone.html\">",
           "<a href=b.html>b</a><a href=c.html>c</a>"},
          {"b.html", "<link rel=canonical href=\"https://rugs.example/c.html\">", ""},
          {"c.html", "<link rel=canonical href=\"https://rugs.example/d.html\">", "<a href=d.html>d</a>"},
          {"d.html",
           "<meta name=robots content=noindex><link rel=canonical href=\"https://rugs.example/b.html\">",
           toB}},
         {{"index.html", {"canonical-target"}},
          {"b.html", {"canonical-target"}},
          {"c.html", {"canonical-target"}},
          {"d.html", {"canonical-target"}}}},
        {"an alternate that does not link back, and one that is missing",
         {{"index.html",
           "<link rel=alternate hreflang=de href=\"/de.html\"><link rel=alternate hreflang=fr "
           "href=\"/fr.html\">",
           "<a href=de.html>de</a>"},
          {"de.html", "", "<a href=index.html>en</a>"}},
         {{"index.html", {"hreflang-no-return", "hreflang-target"}}}},
    };
    for (const SiteCase& c : cases) {
        QTemporaryDir dir;
        for (const SiteFile& file : c.files) {
            const QString path = dir.filePath(QLatin1String(file.path));
            QDir().mkpath(QFileInfo(path).path());
            writeTestFile(path, sitePage(file));
        }
        const CliRun run = cli({"audit", "--format", "json", "--fail-on", "never", "--base-url",
                                "https://rugs.example/", dir.path()});
        EXPECT_EQ(run.exitCode, 0) << c.name << run.err.toStdString();
        for (const QJsonValue& value : json(run)["pages"].toArray()) {
            const QJsonObject p = value.toObject();
            const QString relative = QDir(dir.path()).relativeFilePath(p["page"].toString());
            EXPECT_EQ(siteRules(p), c.expected.value(relative)) << c.name << ": " << relative.toStdString();
        }
    }
}

// The site rules of each page of a JSON report, by the page's path in the site.
QMap<QString, QStringList> siteRulesByPath(const CliRun& run, const QString& root, const QString& base) {
    QMap<QString, QStringList> found;
    for (const QJsonValue& value : json(run)["pages"].toArray()) {
        const QJsonObject p = value.toObject();
        const QString name = p["page"].toString();
        QStringList rules = siteRules(p);
        std::sort(rules.begin(), rules.end());
        QString path = name.startsWith(base) ? name.mid(base.size()) : QDir(root).relativeFilePath(name);
        if (!rules.isEmpty())
            found[path.isEmpty() ? QStringLiteral("index.html") : path] = rules; // where a crawl starts
    }
    return found;
}

// Each site twice: from its folder, and served over HTTP and crawled. Meta
// refreshes stand for redirects, which a folder can hold; "@" is the site's address.
TEST(AuditSite, FolderAndCrawlOfTheSameSiteGiveTheSameFindings) {
    const SiteCase cases[] = {
        {"a sound site",
         {{"index.html", "", "<a href=b.html>b</a> <img src=/p.png>"},
          {"b.html", "<link rel=canonical href=\"@b.html\">", "<a href=/>home</a>"},
          {"p.png", nullptr, nullptr},
          {"sitemap.xml", "<url><loc>@</loc></url>\n<url><loc>@b.html</loc></url>", nullptr}},
         {}},
        {"a missing page and picture",
         {{"index.html", "", "<a href=gone.html>g</a> <img src=pic.png>"}},
         {{"index.html", {"link-broken", "link-broken"}}}},
        {"a link up from a subfolder written with a backslash, as browsers read it",
         {{"index.html", "", "<a href=sub/page.html>s</a>"},
          {"about.html", "", ""},
          {"sub/page.html", "", "<a href=\"..\\about.html\">about</a>"}},
         {}},
        {"a redirect, a chain and a loop",
         {{"index.html", "",
           "<a href=old.html>o</a><a href=far.html>f</a><a href=mid.html>m</a>"
           "<a href=loop.html>l</a><a href=loop2.html>l2</a>"},
          {"old.html", "<meta http-equiv=refresh content=\"0; url=b.html\">", ""},
          {"far.html", "<meta http-equiv=refresh content=\"0; url=mid.html\">", ""},
          {"mid.html", "<meta http-equiv=refresh content=\"0; url=b.html\">", ""},
          {"loop.html", "<meta http-equiv=refresh content=\"0; url=loop2.html\">", ""},
          {"loop2.html", "<meta http-equiv=refresh content=\"0; url=loop.html\">", ""},
          {"b.html", "", ""}},
         {{"index.html",
           {"link-redirect", "link-redirect", "redirect-chain", "redirect-loop", "redirect-loop"}}}},
        {"an orphan the sitemap lists, and a nofollow link",
         {{"index.html", "", "<a rel=nofollow href=b.html>b</a>"},
          {"b.html", "", ""},
          {"c.html", "", ""},
          {"sitemap.xml", "<url><loc>@c.html</loc></url>", nullptr}},
         {{"index.html", {"nofollow-internal"}}, {"c.html", {"orphan"}}}},
        {"canonicals and alternates to a missing, a noindex and a chained page",
         {{"index.html",
           "<link rel=canonical href=\"@gone.html\"><link rel=alternate hreflang=de href=\"@de.html\">"
           "<link rel=alternate hreflang=fr href=\"@fr.html\">",
           "<a href=b.html>b</a><a href=c.html>c</a><a href=de.html>de</a>"},
          {"b.html", "<link rel=canonical href=\"@c.html\">", ""},
          {"c.html", "<meta name=robots content=noindex>", ""},
          {"de.html", "", "<a href=/>en</a>"}},
         {{"index.html", {"canonical-target", "hreflang-no-return", "hreflang-target"}},
          {"b.html", {"canonical-target"}}}},
        {"everything a page loads, each missing",
         {{"index.html",
           "<link rel=stylesheet href=gone.css><link rel=icon href=gone.ico>"
           "<meta property=og:image content=gone.jpg>",
           "<script src=gone.js></script><img src=p.png srcset=\"p.png 1x, gone.png 2x\">"
           "<video src=gone.mp4 poster=p.png></video><iframe src=gone.html></iframe>"
           "<object data=gone.svg></object>"},
          {"p.png", nullptr, nullptr}},
         {{"index.html", QStringList(8, "link-broken")}}},
        {"everything a page loads, each there",
         {{"index.html",
           "<link rel=stylesheet href=p.png><link rel=icon href=p.png><meta property=og:image content=p.png>",
           "<script src=p.png></script><img src=p.png srcset=\"p.png 1x, p.png 2x\">"
           "<video src=p.png poster=p.png></video><iframe src=b.html></iframe><object data=p.png></object>"
           "<a href=b.html>b</a>"},
          {"b.html", "", "<a href=/>home</a>"},
          {"p.png", nullptr, nullptr}},
         {}},
        {"fragments that name an element and ones that name none",
         {{"index.html", "",
           "<p id=self><a href=\"g.html#intro\">i</a><a href=\"g.html#Intro\">case</a>"
           "<a href=\"g.html#old\">name</a><a href=\"g.html#caf%C3%A9\">decoded</a>"
           "<a href=\"g.html#hidden\">comment</a><a href=\"g.html#scripted\">script</a>"
           "<a href=\"g.html#\">empty</a><a href=\"g.html#TOP\">top</a><a href=\"#self\">self</a>"
           "<a href=\"#nowhere\">none</a><a href=\"gone.html#x\">gone</a>"},
          {"g.html", "",
           "<h2 id=intro>i</h2><a name=old></a><p id=\"caf&#233;\"><!-- <p id=hidden> -->"
           "<script>document.write('<p id=scripted>')</script><a href=/>home</a>"}},
         {{"index.html",
           {"link-broken", "link-fragment", "link-fragment", "link-fragment", "link-fragment"}}}},
        {"a sitemap of pages it should not list",
         {{"index.html", "",
           "<a href=n.html>n</a><a href=c.html>c</a><a href=p.html>p</a><a href=b.html>b</a>"},
          {"n.html", "<meta name=robots content=noindex>", ""},
          {"c.html", "<link rel=canonical href=\"@b.html\">", ""},
          {"p.html", "", ""},
          {"b.html", "", ""},
          {"robots.txt", "User-agent: Googlebot\nDisallow: /p.html\n", nullptr},
          {"sitemap.xml",
           "<url><loc>@gone.html</loc></url>\n<url><loc>@n.html</loc></url>\n<url><loc>@c.html</loc></url>\n"
           "<url><loc>@p.html</loc></url>",
           nullptr}},
         {{"sitemap.xml", {"sitemap-blocked", "sitemap-error", "sitemap-noindex", "sitemap-non-canonical"}}}},
    };
    for (const SiteCase& c : cases) {
        QTemporaryDir dir;
        FolderServerProcess server;
        const int port = server.start({dir.path()});
        ASSERT_GT(port, 0) << "the folder server did not start";
        const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(port);
        bool hasSitemap = false;
        for (const SiteFile& file : c.files) {
            const QString path = dir.filePath(QLatin1String(file.path));
            QDir().mkpath(QFileInfo(path).path());
            QByteArray bytes = sitePage(file);
            if (QByteArrayView(file.path) == "sitemap.xml") {
                hasSitemap = true;
                bytes = "<?xml version=\"1.0\"?>\n<urlset "
                        "xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n" +
                        QByteArray(file.head) + "\n</urlset>\n";
            } else if (QByteArrayView(file.path) == "robots.txt") {
                bytes = file.head;
            }
            writeTestFile(path, bytes.replace("@", base.toUtf8()));
        }
        const CliRun folder =
            cli({"audit", "--format", "json", "--fail-on", "never", "--base-url", base, dir.path()});
        QStringList crawl{"audit", "--format", "json", "--fail-on", "never", "--crawl", base};
        if (hasSitemap)
            crawl << "--sitemap" << base + "sitemap.xml";
        const CliRun web = cli(crawl);
        EXPECT_EQ(folder.exitCode, 0) << c.name << folder.err.toStdString();
        EXPECT_EQ(siteRulesByPath(folder, dir.path(), base), c.expected) << c.name << " (folder)";
        EXPECT_EQ(siteRulesByPath(web, dir.path(), base), c.expected)
            << c.name << " (web)" << web.err.toStdString();
    }
}

// A folder fetches nothing unless told to; then each outside address once.
TEST(AuditSite, CheckExternalAsksOutsideAddressesOnlyWhenTold) {
    QTemporaryDir dir;
    FolderServerProcess server;
    const int port = server.start({dir.path()});
    ASSERT_GT(port, 0) << "the folder server did not start";
    const QString away = QStringLiteral("http://localhost:%1/").arg(port); // another origin than the folder's
    writeTestFile(dir.filePath("b.html"), sitePage({"b.html", "", ""}));
    writeTestFile(
        dir.filePath("index.html"),
        sitePage({"index.html", "", ""})
            .replace("</body>",
                     QStringLiteral("<a href=b.html>b</a><a href=%1b.html>ok</a>"
                                    "<a href=%1gone.html>gone</a><a href=%1gone.html>again</a></body>")
                         .arg(away)
                         .toUtf8()));
    for (const bool check : {false, true}) {
        QStringList arguments{"audit", "--format", "json", "--fail-on", "never", dir.path()};
        if (check)
            arguments << "--check-external";
        const QMap<QString, QStringList> found = siteRulesByPath(cli(arguments), dir.path(), away);
        const QStringList expected = check ? QStringList{"link-broken", "link-broken"} : QStringList{};
        EXPECT_EQ(found.value("index.html"), expected) << check;
    }
}

// Where to start on a long report: the rules by their findings, after the findings.
// The rules across pages share the pages among the threads: a site of many
// pieces gives the same report, and the same chains and orphans, with any number.
TEST(AuditParallel, SiteRulesSameWhateverTheJobs) {
    QTemporaryDir dir;
    constexpr int kPages = 300;
    // Pages spread over the report that no link reaches.
    const auto unlinked = [](int page) { return page % 37 == 36; };
    const auto address = [&](int page) -> QByteArray {
        page %= kPages;
        return "/p" + QByteArray::number(unlinked(page) ? page + 1 : page) + ".html";
    };
    for (int i = 0; i < kPages; ++i) {
        QByteArray head =
            "<link rel=alternate hreflang=de href=\"/p" + QByteArray::number(i * 7 % kPages) + ".html\">";
        if (i % 10 == 3) // a redirect; every third of them to another, a chain
            head +=
                "<meta http-equiv=refresh content=\"0; url=" + address(i % 30 == 3 ? i + 10 : i + 2) + "\">";
        const QByteArray body =
            "<a href=\"" + address(i + 1) + "\">n</a><a href=\"" + address(i + 3) + "\">r</a>" +
            (i % 4 ? QByteArray() : "<img src=\"gone-" + QByteArray::number(i) + ".png\">");
        writeTestFile(dir.filePath(QStringLiteral("p%1.html").arg(i)),
                      headPage(head).replace("<p>Text.</p>", body));
    }
    writeTestFile(dir.filePath("index.html"), headPage("").replace("<p>Text.</p>", "<a href=p0.html>0</a>"));
    const QStringList args{
        "audit", "--format", "json", "--fail-on", "never", "--base-url", "https://rugs.example/", "."};
    const CliRun one = cli(QStringList(args) << "--jobs" << QStringLiteral("1"), dir.path());
    for (const char* jobs : {"2", "5"})
        EXPECT_EQ(cli(QStringList(args) << "--jobs" << jobs, dir.path()).out, one.out) << jobs;
    QMap<QString, int> counts;
    QJsonArray orphans; // in report order
    for (const QJsonValue& p : json(one)["pages"].toArray()) {
        for (const QString& rule : siteRules(p.toObject()))
            ++counts[rule];
        if (siteRules(p.toObject()).contains("orphan"))
            orphans.append(p["page"]);
    }
    for (const char* rule : {"link-broken", "link-redirect", "redirect-chain", "hreflang-no-return"})
        EXPECT_GT(counts.value(rule), 0) << rule;
    EXPECT_EQ(orphans.size(), 7); // 73 redirects
    const QJsonObject site = json(one)["site"].toObject();
    EXPECT_EQ(site["orphans"].toArray(), orphans);
    EXPECT_FALSE(site["redirectChains"].toArray().isEmpty());
}

TEST(AuditSite, SummaryCountsFindingsAndPagesPerRuleMostFirst) {
    QTemporaryDir dir;
    writeTestFile(dir.filePath("index.html"),
                  sitePage({"index.html", "", "<a href=a.html>a</a><a href=b.html>b</a><img src=c.png>"}));
    writeTestFile(dir.filePath("d.html"), sitePage({"d.html", "", "<a href=e.html>e</a>"}));
    const CliRun run = cli({"audit", "--summary", "--fail-on", "never", dir.path()});
    // Errors first (the four broken links), then the warnings by pages.
    const qsizetype counts = run.out.indexOf(" pages audited: ");
    const qsizetype broken = run.out.indexOf("\nerror    link-broken ");
    const qsizetype missing = run.out.indexOf("\nwarning  description-missing ");
    const qsizetype orphan = run.out.indexOf("\nwarning  orphan ");
    EXPECT_TRUE(counts > 0 && counts < broken && broken < missing && missing < orphan)
        << run.out.toStdString();
    EXPECT_EQ(cli({"audit", "--summary", "--format", "json", dir.path()}).exitCode, 2);
}

} // namespace

namespace {

// One page per kind of reference, each with one missing address on its
// third line, beside a twin whose address is there: each kind is found broken
// where it stands, named by its element and attribute, and no twin is.
TEST(AuditSite, EveryKindOfReferenceIsFoundBrokenOnItsLine) {
    const struct {
        const char* markup; // "gone" is missing, "ok" there
        const char* named;  // in the message
    } cases[] = {
        {"<a href=gone.html>a</a>", "The linked page /gone.html does"},
        {"<img src=gone.png>", "The image /gone.png does"},
        {"<script src=gone.js></script>", "The script /gone.js (`<script src>`)"},
        {"<link rel=stylesheet href=gone.css>", "The style sheet /gone.css (`<link rel=stylesheet href>`)"},
        {"<link rel=icon href=gone.ico>", "(`<link rel=icon href>`)"},
        {"<link rel=apple-touch-icon href=gone.png>", "(`<link rel=apple-touch-icon href>`)"},
        {"<link rel=mask-icon href=gone.svg>", "(`<link rel=mask-icon href>`)"},
        {"<link rel=preload as=font href=gone.woff2>", "(`<link rel=preload href>`)"},
        {"<link rel=modulepreload href=gone.mjs>", "(`<link rel=modulepreload href>`)"},
        {"<link rel=prefetch href=gone.css>", "(`<link rel=prefetch href>`)"},
        {"<link rel=manifest href=gone.json>", "(`<link rel=manifest href>`)"},
        {"<link rel=alternate type=application/atom+xml href=gone.atom>", "(`<link rel=alternate href>`)"},
        {"<img src=ok.png srcset=\"ok.png 1x, gone.png 2x\">", "The image /gone.png (`<img srcset>`)"},
        {"<picture><source srcset=gone.webp><img src=ok.png></picture>", "(`<source srcset>`)"},
        {"<video><source src=gone.mp4></video>", "(`<source src>`)"},
        {"<video src=gone.webm></video>", "(`<video src>`)"},
        {"<video src=ok.png poster=gone.jpg></video>", "(`<video poster>`)"},
        {"<audio src=gone.ogg></audio>", "(`<audio src>`)"},
        {"<video src=ok.png><track src=gone.vtt></video>", "(`<track src>`)"},
        {"<iframe src=gone.htm></iframe>", "(`<iframe src>`)"},
        {"<embed src=gone.swf>", "(`<embed src>`)"},
        {"<object data=gone.svg></object>", "(`<object data>`)"},
        {"<input type=image src=gone.gif>", "(`<input type=image src>`)"},
        {"<meta property=og:image content=gone.jpg>", "The share picture /gone.jpg"},
        {"<meta name=twitter:image content=gone.jpg>", "(`<meta name=twitter:image content>`)"},
        {"<meta property=og:video content=gone.mp4>", "(`<meta property=og:video content>`)"},
        {"<meta property=og:audio content=gone.mp3>", "(`<meta property=og:audio content>`)"},
        {"<meta http-equiv=refresh content=\"5; url=gone.htm\">", "(`<meta http-equiv=refresh content>`)"},
    };
    QTemporaryDir dir;
    for (const char* file : {"ok.html", "ok.png",  "ok.js",   "ok.css",  "ok.ico", "ok.svg",  "ok.woff2",
                             "ok.mjs",  "ok.json", "ok.atom", "ok.webp", "ok.mp4", "ok.webm", "ok.jpg",
                             "ok.ogg",  "ok.vtt",  "ok.htm",  "ok.swf",  "ok.gif", "ok.mp3"})
        writeTestFile(dir.filePath(file), "x");
    const auto write = [&](const QString& name, QString markup) {
        writeTestFile(
            dir.filePath(name),
            ("<html><head><title>t</title></head><body>\n<p>x</p>\n" + markup + "\n</body></html>").toUtf8());
    };
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i) {
        write(QStringLiteral("k%1.html").arg(i), QString::fromUtf8(cases[i].markup));
        write(QStringLiteral("k%1-ok.html").arg(i), QString::fromUtf8(cases[i].markup).replace("gone", "ok"));
    }
    const CliRun run =
        cli({"audit", "--format", "json", "--fail-on", "never", "--rule", "orphan=off", dir.path()});
    QMap<QString, QStringList> found; // page -> "LINE MESSAGE" of its link-broken findings
    for (const QJsonValue& p : json(run)["pages"].toArray())
        for (const QJsonValue& f : p["findings"].toArray())
            if (f["rule"] == QLatin1String("link-broken"))
                found[QFileInfo(p["page"].toString()).fileName()]
                    << QStringLiteral("%1 %2").arg(f["line"].toInt()).arg(f["message"].toString());
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i) {
        const QStringList broken = found.value(QStringLiteral("k%1.html").arg(i));
        ASSERT_EQ(broken.size(), 1) << cases[i].markup << broken.join('\n').toStdString();
        EXPECT_TRUE(broken[0].startsWith("3 ")) << broken[0].toStdString();
        EXPECT_TRUE(broken[0].contains(QLatin1StringView(cases[i].named))) << broken[0].toStdString();
        EXPECT_FALSE(found.contains(QStringLiteral("k%1-ok.html").arg(i))) << cases[i].markup;
    }
}

// A folder inside a larger published tree: "/" and "../" resolve in the
// tree and its files are there to be found, but only the folder is audited.
TEST(AuditSite, RootMakesTheFolderPartOfALargerTree) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("docs/api");
    writeTestFile(dir.filePath("index.html"), sitePage({"index.html", "", "<a href=/gone.html>x</a>"}));
    writeTestFile(dir.filePath("style.css"), "x");
    writeTestFile(dir.filePath("docs/api/page.html"),
                  sitePage({"page.html", "<link rel=stylesheet href=/style.css>",
                            "<a href=../../index.html>up</a><a href=/docs/>d</a>"
                            "<a href=../gone.html>g</a><a href=/style.css#x>s</a>"}));
    writeTestFile(dir.filePath("docs/index.html"),
                  sitePage({"index.html", "", "<a href=../missing.css>m</a>"}));
    const struct {
        QStringList arguments;
        int exitCode;
        QMap<QString, QStringList> expected; // by path below the tree
    } cases[] = {
        {{"--root", dir.path(), dir.filePath("docs")},
         0,
         {{"docs/api/page.html", {"link-broken"}}, {"docs/index.html", {"link-broken"}}}},
        {{"--root", dir.filePath("docs"), dir.filePath("docs")},
         0,
         {{"docs/api/page.html", {"link-broken", "link-broken", "link-broken", "link-broken", "orphan"}},
          {"docs/index.html", {"link-broken"}}}},
        {{"--root", dir.filePath("docs"), dir.path()}, 2, {}},
        {{"--root", dir.filePath("style.css"), dir.filePath("docs")}, 2, {}},
    };
    for (const auto& c : cases) {
        const CliRun run = cli(QStringList{"audit", "--format", "json", "--fail-on", "never"} + c.arguments);
        ASSERT_EQ(run.exitCode, c.exitCode) << c.arguments.join(' ').toStdString() << run.err.toStdString();
        if (c.exitCode != 0)
            continue;
        QMap<QString, QStringList> found;
        for (const QJsonValue& value : json(run)["pages"].toArray()) {
            const QString path = QDir(dir.path()).relativeFilePath(value["page"].toString());
            EXPECT_TRUE(path.startsWith("docs/")) << path.toStdString();
            QStringList rules = siteRules(value.toObject());
            std::sort(rules.begin(), rules.end());
            if (!rules.isEmpty())
                found[path] = rules;
        }
        EXPECT_EQ(found, c.expected) << c.arguments.join(' ').toStdString();
    }
}

} // namespace
