// headwise-cli audit over the web: crawls, sitemaps and fetched pages from the
// local page server.

#include "../integration/pageserverprocess.h"
#include "clirun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using headwise::testing::PageServerProcess;

class AuditWeb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new PageServerProcess;
        port = server->start();
    }

    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override { ASSERT_GT(port, 0) << "the page server did not start"; }

    static QString url(const char* path, const char* host = "127.0.0.1") {
        return QStringLiteral("http://%1:%2%3").arg(host).arg(port).arg(path);
    }

    struct Page {
        QString name;
        QString url;
        int status;
        QStringList rules;
    };
    static QList<Page> pagesOf(const CliRun& run) {
        QJsonParseError error;
        const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
        QList<Page> pages;
        for (const QJsonValue& value : root["pages"].toArray()) {
            const QJsonObject page = value.toObject();
            QStringList rules;
            for (const QJsonValue& finding : page["findings"].toArray())
                rules << finding.toObject()["rule"].toString();
            pages.append({page["page"].toString(), page["url"].toString(), page["status"].toInt(), rules});
        }
        return pages;
    }
    static QStringList namesOf(const QList<Page>& pages) {
        QStringList names;
        for (const Page& page : pages)
            names << page.name;
        return names;
    }

    static inline PageServerProcess* server = nullptr;
    static inline int port = 0;
};

TEST_F(AuditWeb, CrawlAuditsTheSiteInTheOrderFoundAndNamesWhatCouldNotBeFetched) {
    const CliRun run = cli({"audit", "--format", "json", "--crawl", url("/site/")});
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    const QList<Page> pages = pagesOf(run);
    EXPECT_EQ(namesOf(pages), QStringList({url("/site/"), url("/site/a.html"), url("/site/b.html"),
                                           url("/site/missing.html"), url("/tagged"), url("/site/c.html")}));
    ASSERT_EQ(pages.size(), 6);
    EXPECT_EQ(pages[3].status, 404);
    EXPECT_TRUE(pages[3].rules.contains("http-status")) << pages[3].rules.join(' ').toStdString();
    EXPECT_FALSE(pages[0].rules.contains("http-status"));
    // /tagged says noindex in its X-Robots-Tag header only.
    EXPECT_TRUE(pages[4].rules.contains("robots-noindex")) << pages[4].rules.join(' ').toStdString();
    EXPECT_FALSE(pages[2].rules.contains("robots-noindex"));
    EXPECT_TRUE(run.err.contains(url("/loop/0").toUtf8() + ": ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("redirect loop")) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("private")) << "robots.txt disallows it";
}

TEST_F(AuditWeb, MaxPagesBoundsEachCrawl) {
    const CliRun run = cli({"audit", "--format", "json", "--crawl", "--max-pages", "3", url("/site/")});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(namesOf(pagesOf(run)), QStringList({url("/site/"), url("/site/a.html"), url("/site/b.html")}));
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST_F(AuditWeb, FetchedPageIsReportedAtItsFinalAddressWithItsHeaders) {
    const CliRun run = cli({"audit", "--format", "json", url("/tagged-redirect")});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QList<Page> pages = pagesOf(run);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].name, url("/tagged-redirect"));
    EXPECT_EQ(pages[0].url, url("/tagged"));
    EXPECT_EQ(pages[0].status, 200);
    EXPECT_TRUE(pages[0].rules.contains("robots-noindex")) << pages[0].rules.join(' ').toStdString();
    EXPECT_FALSE(pages[0].rules.contains("robots-nofollow")) << "a header of the redirect, not of the page";
}

TEST_F(AuditWeb, SitemapPagesAreAuditedOnceAndABadSitemapIsNamed) {
    const CliRun run = cli({"audit", "--format", "json", "--sitemap", url("/sitemap-index.xml")});
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_EQ(namesOf(pagesOf(run)),
              QStringList({url("/site/a.html"), url("/site/c.html"), url("/site/missing.html")}));
    EXPECT_TRUE(run.err.contains(url("/sitemap-bad.xml").toUtf8() + "): not a sitemap"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(url("/loop/0").toUtf8())) << run.err.toStdString();
}

TEST_F(AuditWeb, InputsThatGiveNoPagesAreNamedAndTheRestIsAudited) {
    struct Case {
        QStringList arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"--crawl", url("/site/", "localhost")}, "robots.txt answered 503"},
        {{"--crawl", url("/forbidden")}, "robots.txt does not allow"},
        {{"--sitemap", url("/small")}, "not a sitemap"},
        {{"--sitemap", url("/sitemap-cut.xml.gz")}, "damaged gzip"},
        {{url("/loop/0")}, "redirect loop"},
    };
    for (const Case& c : cases) {
        const CliRun run = cli(QStringList{"audit", "--format", "json", url("/site/c.html")} + c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.message << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << c.message << ": " << run.err.toStdString();
        EXPECT_EQ(namesOf(pagesOf(run)).value(0), url("/site/c.html")) << c.message;
    }
}

} // namespace
