#include "curlpagefetcher.h"
#include "pageserverprocess.h"
#include "sitewalker.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::testing;
using namespace std::chrono_literals;

namespace {

class SiteWalkerTest : public ::testing::Test {
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

    // The paths the server was asked for since the last call.
    QStringList requestedSinceLast() {
        const QStringList all = QString::fromUtf8(fetcher.fetch(url("/requested")).body).split(u'\n', Qt::SkipEmptyParts);
        const QStringList fresh = all.mid(seenRequests);
        seenRequests = all.size();
        return fresh;
    }

    struct Walk {
        QStringList names;
        QList<FetchResult> results;
    };
    static PageSink into(Walk& walk) {
        return [&walk](WalkedPage&& page) {
            walk.names << page.name.mid(page.name.indexOf(u'/', 7)); // the path, for short expectations
            walk.results << std::move(page.result);
        };
    }

    static inline PageServerProcess* server = nullptr;
    static inline int port = 0;
    qsizetype seenRequests = 0;
    CurlPageFetcher fetcher{2s, 10s, 60s};
};

TEST_F(SiteWalkerTest, CrawlReadsRobotsFirstAndFollowsSameOriginLinksBreadthFirst) {
    requestedSinceLast();
    SiteWalker walker(fetcher);
    Walk walk;
    walker.crawl(url("/site/"), into(walk));

    EXPECT_EQ(walk.names, QStringList({"/site/", "/site/a.html", "/site/b.html", "/loop/0",
                                       "/site/missing.html", "/tagged", "/site/c.html"}));
    const QStringList requested = requestedSinceLast();
    ASSERT_FALSE(requested.isEmpty());
    EXPECT_EQ(requested.first(), "/robots.txt");
    EXPECT_EQ(requested.count("/robots.txt"), 1);
    for (const QString& path : requested)
        EXPECT_FALSE(path.contains("private")) << "robots.txt disallows " << path.toStdString();
    EXPECT_EQ(requested.count("/site/a.html"), 1) << "linked three times, fetched once";
    EXPECT_TRUE(walker.problems().isEmpty()) << walker.problems().join('\n').toStdString();

    struct Expected {
        const char* name;
        bool ok;
        int status;
        const char* errorWord;
    };
    const Expected expected[] = {
        {"/site/", true, 200, ""},
        {"/site/a.html", true, 200, ""},
        {"/site/b.html", true, 200, ""},
        {"/loop/0", false, 0, "redirect"},
        {"/site/missing.html", true, 404, ""},
        {"/tagged", true, 200, ""},
    };
    for (qsizetype i = 0; i < qsizetype(std::size(expected)) && i < walk.results.size(); ++i) {
        const FetchResult& result = walk.results[i];
        EXPECT_EQ(result.ok, expected[i].ok) << expected[i].name;
        EXPECT_EQ(result.status, expected[i].status) << expected[i].name;
        EXPECT_TRUE(result.error.contains(QLatin1String(expected[i].errorWord))) << expected[i].name;
    }
    ASSERT_EQ(walk.results.size(), 7);
    bool noindex = false;
    for (const auto& [name, value] : walk.results[5].headers)
        noindex = noindex || (name.toLower() == "x-robots-tag" && value == "noindex");
    EXPECT_TRUE(noindex) << "the X-Robots-Tag header reaches the audit";
}

TEST_F(SiteWalkerTest, CrawlStopsAtMaxPagesAndVisitsEachAddressOncePerRun) {
    SiteWalker::Limits limits;
    limits.maxPages = 5;
    SiteWalker walker(fetcher, limits);
    Walk walk;
    walker.crawl(url("/slow/0"), into(walk));
    EXPECT_EQ(walk.names, QStringList({"/slow/0", "/slow/1", "/slow/2", "/slow/3", "/slow/4"}));

    // A second start on the same site takes only what the first left.
    Walk again;
    walker.crawl(url("/slow/1"), into(again));
    EXPECT_TRUE(again.names.isEmpty()) << again.names.join(' ').toStdString();
}

TEST_F(SiteWalkerTest, OrderIsTheOrderFoundWhateverTheTimingAndAtMostFourRequestsRunPerHost) {
    QStringList bfs;
    for (int i = 0; i < 20; ++i)
        bfs << QStringLiteral("/slow/%1").arg(i);
    for (int round = 0; round < 2; ++round) {
        SiteWalker walker(fetcher);
        Walk walk;
        walker.crawl(url("/slow/0"), into(walk));
        EXPECT_EQ(walk.names, bfs) << "round " << round;
    }
    const int most = fetcher.fetch(url("/slow/most")).body.toInt();
    EXPECT_LE(most, 4);
    EXPECT_GE(most, 2) << "the pages were fetched one at a time";
}

TEST_F(SiteWalkerTest, CrawlThatMayNotBeginSaysWhy) {
    struct Case {
        QString start;
        const char* problem;
    };
    const Case cases[] = {
        {url("/site/", "localhost"), "answered 503"},
        {url("/forbidden"), "does not allow"},
        {QStringLiteral("ftp://127.0.0.1/"), "only http and https"},
    };
    for (const Case& c : cases) {
        SiteWalker walker(fetcher);
        Walk walk;
        walker.crawl(c.start, into(walk));
        EXPECT_TRUE(walk.names.isEmpty()) << c.start.toStdString();
        ASSERT_EQ(walker.problems().size(), 1) << c.start.toStdString();
        EXPECT_TRUE(walker.problems().first().startsWith(c.start)) << walker.problems().first().toStdString();
        EXPECT_TRUE(walker.problems().first().contains(QLatin1String(c.problem)))
            << walker.problems().first().toStdString();
    }
}

TEST_F(SiteWalkerTest, SitemapIndexesAreFollowedAndEachPageFetchedOnce) {
    SiteWalker walker(fetcher);
    Walk walk;
    walker.walkSitemap(url("/sitemap-index.xml"), into(walk));
    EXPECT_EQ(walk.names, QStringList({"/site/a.html", "/site/c.html", "/site/missing.html", "/loop/0"}));
    ASSERT_EQ(walker.problems().size(), 1) << walker.problems().join('\n').toStdString();
    EXPECT_TRUE(walker.problems().first().contains(QLatin1String("sitemap-bad.xml")));
    EXPECT_TRUE(walker.problems().first().contains(QLatin1String("not a sitemap")));
    ASSERT_EQ(walk.results.size(), 4);
    EXPECT_EQ(walk.results[2].status, 404);
    EXPECT_FALSE(walk.results[3].ok);
}

TEST_F(SiteWalkerTest, SitemapFilesAndTheirFaults) {
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString good = write("good.xml", "<urlset><url><loc>" + url("/site/b.html").toUtf8() +
                                               "</loc></url><url><loc>relative.html</loc></url></urlset>");
    const QString text = write("text.xml", "just some text\n");
    const QString deep =
        write("deep.xml", "<sitemapindex><sitemap><loc>" + url("/sitemap-index.xml").toUtf8() +
                              "</loc></sitemap></sitemapindex>");

    SiteWalker walker(fetcher);
    Walk walk;
    walker.walkSitemap(good, into(walk));
    EXPECT_EQ(walk.names, QStringList({"/site/b.html"}));
    EXPECT_TRUE(walker.problems().isEmpty()) << walker.problems().join('\n').toStdString();

    struct Case {
        QString input;
        const char* problem;
        int maxDepth;
    };
    const Case cases[] = {
        {text, "not XML", 3},
        {dir.filePath("none.xml"), "cannot be read", 3},
        {deep, "nested more than 1 deep", 1},
        {url("/missing"), "answered 404", 3},
    };
    for (const Case& c : cases) {
        SiteWalker::Limits limits;
        limits.maxSitemapDepth = c.maxDepth;
        SiteWalker faulty(fetcher, limits);
        Walk nothing;
        faulty.walkSitemap(c.input, into(nothing));
        EXPECT_TRUE(nothing.names.isEmpty()) << c.input.toStdString();
        ASSERT_FALSE(faulty.problems().isEmpty()) << c.input.toStdString();
        EXPECT_TRUE(faulty.problems().first().startsWith(c.input)) << faulty.problems().first().toStdString();
        EXPECT_TRUE(faulty.problems().first().contains(QLatin1String(c.problem)))
            << faulty.problems().first().toStdString();
    }
}

} // namespace
