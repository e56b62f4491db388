// headwise-cli audit on addresses, crawls and sitemaps of the local page server,
// and its progress line on a terminal.

#include "clirun.h"
#include "pageservertest.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace headwise::testing;

namespace {

struct AuditedPage {
    QString page, url;
    int status;
    QStringList rules;
};

QList<AuditedPage> auditedPages(const CliRun& run) {
    QList<AuditedPage> pages;
    for (const QJsonValue& value : QJsonDocument::fromJson(run.out).object()["pages"].toArray()) {
        const QJsonObject p = value.toObject();
        QStringList rules;
        for (const QJsonValue& finding : p["findings"].toArray())
            rules.append(finding.toObject()["rule"].toString());
        pages.append({p["page"].toString(), p["url"].toString(), p["status"].toInt(), rules});
    }
    return pages;
}

// The pages, without the sitemaps reported for what is wrong in them.
QStringList names(const QList<AuditedPage>& pages) {
    QStringList list;
    for (const AuditedPage& p : pages)
        if (!p.page.contains(".xml"))
            list.append(p.page);
    return list;
}

class AuditWeb : public PageServerTest {};

TEST_F(AuditWeb, AddressesKeepStatusFinalAddressAndHeaders) {
    const CliRun r = cli({"audit", "--format", "json", url("/missing"), url("/tagged-redirect")});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QList<AuditedPage> pages = auditedPages(r);
    ASSERT_EQ(pages.size(), 2) << r.out.toStdString();
    EXPECT_EQ(pages[0].status, 404);
    EXPECT_TRUE(pages[0].rules.contains("http-status"));
    EXPECT_EQ(pages[1].page, url("/tagged-redirect")); // named as given
    EXPECT_EQ(pages[1].url, url("/tagged"));           // after the redirect
    EXPECT_EQ(pages[1].status, 200);
    EXPECT_TRUE(pages[1].rules.contains("robots-noindex"));   // X-Robots-Tag of the page
    EXPECT_FALSE(pages[1].rules.contains("robots-nofollow")); // not of the redirect
    EXPECT_FALSE(pages[1].rules.contains("http-status"));
    // The server's robots.txt lets Headwise in but keeps every other crawler out.
    EXPECT_TRUE(pages[1].rules.contains("robots-txt-blocked"));
}

TEST_F(AuditWeb, CrawlAndSitemapFeedTheReportInOrder) {
    const CliRun crawl = cli({"audit", "--format", "json", "--crawl", url("/site/")});
    const QStringList crawled = names(auditedPages(crawl));
    ASSERT_GE(crawled.size(), 4) << crawl.out.toStdString();
    EXPECT_EQ(crawled.mid(0, 3), (QStringList{url("/site/"), url("/site/a.html"), url("/site/b.html")}));
    EXPECT_TRUE(crawled.contains(url("/site/c.html")));
    EXPECT_FALSE(crawled.contains(url("/site/private/x.html"))); // robots.txt
    EXPECT_EQ(crawl.exitCode, 2);                                // the redirect loop it links to
    EXPECT_TRUE(crawl.err.contains(url("/loop/0").toUtf8())) << crawl.err.toStdString();
    // The start page's links through HTTP redirects, into a loop and to a 404.
    const QStringList startRules = auditedPages(crawl)[0].rules;
    for (const char* rule : {"link-redirect", "redirect-loop", "link-broken"})
        EXPECT_EQ(startRules.count(rule), 1) << rule;
    const QJsonObject site = QJsonDocument::fromJson(crawl.out).object()["site"].toObject();
    EXPECT_EQ(site["brokenLinks"].toInt(), 1);
    EXPECT_EQ(site["redirectChains"].toArray().size(), 2); // to-b, and the loop

    const CliRun two = cli({"audit", "--format", "json", "--crawl", "--max-pages", "2", url("/site/")});
    EXPECT_EQ(names(auditedPages(two)), crawled.mid(0, 2));

    // Files first, then the sitemap's pages, each input's pages in its order.
    const CliRun mapped = cli(
        {"audit", "--format", "json", fixture("audit/clean.htm"), "--sitemap", url("/sitemap-index.xml")});
    const QStringList listed = names(auditedPages(mapped));
    ASSERT_GE(listed.size(), 3) << mapped.out.toStdString();
    EXPECT_EQ(listed.mid(0, 3),
              (QStringList{fixture("audit/clean.htm"), url("/site/a.html"), url("/site/c.html")}));
    EXPECT_EQ(mapped.exitCode, 2); // one sitemap of the index is no sitemap
    EXPECT_TRUE(mapped.err.contains("sitemap-bad.xml")) << mapped.err.toStdString();

    // An address the sitemap lists too is audited once, where it first came.
    const CliRun twice =
        cli({"audit", "--format", "json", url("/site/c.html"), "--sitemap", url("/sitemap-index.xml")});
    const QStringList once = names(auditedPages(twice));
    EXPECT_EQ(once.count(url("/site/c.html")), 1);
    EXPECT_EQ(once.mid(0, 2), (QStringList{url("/site/c.html"), url("/site/a.html")}));

    QTemporaryDir dir;
    const QString notXml = dir.filePath("sitemap.xml");
    writeTestFile(notXml, "User-agent: *\nDisallow:\n");
    const CliRun bad = cli({"audit", "--sitemap", notXml, fixture("audit/clean.htm")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains(QByteArray(notXml.toUtf8() + ": "))) << bad.err.toStdString();
    EXPECT_TRUE(bad.out.endsWith("1 page audited: 0 errors, 0 warnings, 0 notes\n")) << bad.out.toStdString();
}

TEST_F(AuditWeb, InputsThatGiveNoPagesAreNamedAndTheRestIsAudited) {
    struct Case {
        QStringList arguments;
        const char* message;
        QStringList reported = {}; // besides the page: a robots.txt that answered an error is a finding
    };
    const Case cases[] = {
        {{"--crawl", url("/site/", "localhost")},
         "robots.txt answered 503",
         {url("/robots.txt", "localhost")}},
        {{"--crawl", url("/forbidden")}, "robots.txt does not allow"},
        {{"--sitemap", url("/small")}, "not a sitemap"},
        {{"--sitemap", url("/sitemap-cut.xml.gz")}, "damaged gzip"},
        {{url("/loop/0")}, "redirect loop"},
    };
    for (const Case& c : cases) {
        const CliRun run = cli(QStringList{"audit", "--format", "json", url("/site/c.html")} + c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.message << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << c.message << ": " << run.err.toStdString();
        EXPECT_EQ(names(auditedPages(run)), QStringList{url("/site/c.html")} + c.reported) << c.message;
    }
}

TEST(AuditProgress, OnATerminalOnlyAndNeverInTheReport) {
    QTemporaryDir dir;
    for (int i = 0; i < 5; ++i)
        writeTestFile(dir.filePath(QStringLiteral("p%1.htm").arg(i)),
                      "<html><head><title>T</title></head></html>");
    const QString report = dir.filePath("report.json");
    // script(1) gives the program a terminal for stderr; stdout goes to a file.
    const QString command = QStringLiteral("'%1' audit --format json . > '%2'").arg(HEADWISE_CLI, report);
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral("script"), {"-qec", command, "/dev/null"});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QByteArray terminal = process.readAllStandardOutput();
    EXPECT_TRUE(terminal.contains(" of 5 pages audited")) << terminal.toStdString();
    EXPECT_TRUE(terminal.contains("\r\x1b[K")) << terminal.toStdString(); // cleared at the end
    QJsonParseError error;
    QJsonDocument::fromJson(readTestFile(report), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << readTestFile(report).toStdString();
}

} // namespace

namespace {

class AuditWebFix : public PageServerTest {};

TEST_F(AuditWebFix, AFetchedPageIsAuditedOnlyAndSaysSo) {
    QTemporaryDir dir;
    const CliRun fixed = cli({"audit", "--fix", url("/tagged")}, dir.path());
    const CliRun plain = cli({"audit", url("/tagged")}, dir.path());
    EXPECT_EQ(fixed.exitCode, plain.exitCode);
    EXPECT_EQ(fixed.out, plain.out);
    const QByteArray said = url("/tagged").toUtf8() + ": fetched, so audited only";
    EXPECT_TRUE(fixed.err.contains(said)) << fixed.err.toStdString();
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

} // namespace
