#include "net/curlpagefetcher.h"
#include "net/sitewalker.h"
#include "pageservertest.h"
#include "testfiles.h"

#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::testing;
using namespace std::chrono_literals;

namespace {

class SiteWalkerTest : public PageServerTest {
protected:
    // The paths the server was asked for since the last call.
    QStringList requestedSinceLast() {
        const QStringList all =
            QString::fromUtf8(fetcher.fetch(url("/requested")).body).split(u'\n', Qt::SkipEmptyParts);
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
        return writeTestFile(dir.filePath(name), bytes);
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
    // Packed, from the server and from a file.
    walker.walkSitemap(url("/sitemap.xml.gz"), into(walk));
    EXPECT_EQ(walk.names, QStringList({"/site/b.html", "/site/a.html", "/site/c.html"}));
    SiteWalker fromFile(fetcher);
    Walk unpacked;
    fromFile.walkSitemap(write("packed.xml.gz", fetcher.fetch(url("/sitemap.xml.gz")).body), into(unpacked));
    EXPECT_EQ(unpacked.names, QStringList({"/site/a.html", "/site/c.html"}));
    EXPECT_TRUE(walker.problems().isEmpty()) << walker.problems().join('\n').toStdString();
    EXPECT_TRUE(fromFile.problems().isEmpty()) << fromFile.problems().join('\n').toStdString();

    constexpr qint64 mib = 1024 * 1024;
    struct Case {
        QString input;
        const char* problem;
        int maxDepth = 3;
        qint64 maxBytes = 50 * mib;
    };
    const Case cases[] = {
        {text, "not XML"},
        {dir.filePath("none.xml"), "cannot be read"},
        {deep, "nested more than 1 deep", 1},
        {url("/missing"), "answered 404"},
        {url("/sitemap-cut.xml.gz"), "damaged gzip"},
        {url("/sitemap-bomb.xml.gz"), "more than 1 MiB", 3, mib},
        {write("big.xml", QByteArray(mib + 1, ' ')), "larger than 1 MiB", 3, mib},
    };
    for (const Case& c : cases) {
        SiteWalker::Limits limits;
        limits.maxSitemapDepth = c.maxDepth;
        limits.maxSitemapBytes = c.maxBytes;
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

// Answers from a table by address; what is not in it fails as an unreachable host does.
class TableFetcher : public PageFetcher {
public:
    QString getPageSource(const QString&, std::stop_token) override { return {}; }
    FetchResult fetch(const QString& url, std::stop_token) override {
        if (const auto found = answers.constFind(url); found != answers.constEnd())
            return *found;
        FetchResult nothing;
        nothing.error = QStringLiteral("no answer");
        return nothing;
    }
    QHash<QString, FetchResult> answers; // only read while a walk runs, so threads may share it
};

FetchResult answer(int status, const QByteArray& body, const char* finalUrl) {
    FetchResult result;
    result.ok = true;
    result.status = status;
    result.body = body;
    result.finalUrl = QString::fromLatin1(finalUrl);
    return result;
}

TEST(SiteWalkerRobots, TheRobotsAnswerDecidesWhetherTheCrawlBegins) {
    struct Case {
        const char* name;
        std::optional<FetchResult> robots; // nullopt: no answer at all
        bool crawled;
        const char* problem;
    };
    const Case cases[] = {
        {"file", answer(200, "User-agent: *\nDisallow: /x\n", "http://site.example/robots.txt"), true, ""},
        {"garbage file", answer(200, QByteArray("\x00\xff::\n<html>", 11), "http://site.example/robots.txt"),
         true, ""},
        {"no file", answer(404, "not found", "http://site.example/robots.txt"), true, ""},
        {"forbidden file", answer(403, "", "http://site.example/robots.txt"), true, ""},
        {"all disallowed", answer(200, "User-agent: Headwise\nDisallow: /", "http://site.example/robots.txt"),
         false, "does not allow"},
        {"too many requests", answer(429, "", "http://site.example/robots.txt"), false, "answered 429"},
        {"server error", answer(500, "", "http://site.example/robots.txt"), false, "answered 500"},
        {"no answer", std::nullopt, false, "could not be fetched (no answer)"},
    };
    for (const Case& c : cases) {
        TableFetcher fetcher;
        if (c.robots)
            fetcher.answers.insert("http://site.example/robots.txt", *c.robots);
        fetcher.answers.insert("http://site.example/", answer(200, "<p>home</p>", "http://site.example/"));
        SiteWalker walker(fetcher);
        QStringList pages;
        walker.crawl("http://site.example/", [&pages](WalkedPage&& page) { pages << page.name; });
        EXPECT_EQ(pages.size(), c.crawled ? 1 : 0) << c.name;
        EXPECT_EQ(walker.problems().size(), c.crawled ? 0 : 1) << c.name;
        if (!walker.problems().isEmpty()) {
            EXPECT_TRUE(walker.problems().first().contains(QLatin1String(c.problem)))
                << c.name << ": " << walker.problems().first().toStdString();
        }
    }
}

TEST(SiteWalkerRobots, AStartThatRedirectsToAnotherOriginIsCrawledThereUnderThatOriginsRobots) {
    TableFetcher fetcher;
    fetcher.answers.insert("http://site.example/robots.txt",
                           answer(404, "", "http://site.example/robots.txt"));
    fetcher.answers.insert("https://site.example/robots.txt", answer(200, "User-agent: *\nDisallow: /closed",
                                                                     "https://site.example/robots.txt"));
    fetcher.answers.insert(
        "http://site.example/",
        answer(200, "<a href=/open>o</a><a href=/closed>c</a><a href=http://site.example/old>x</a>",
               "https://site.example/"));
    fetcher.answers.insert("https://site.example/open", answer(200, "", "https://site.example/open"));
    SiteWalker walker(fetcher);
    QStringList pages;
    walker.crawl("http://site.example/", [&pages](WalkedPage&& page) { pages << page.name; });
    EXPECT_EQ(pages, QStringList({"http://site.example/", "https://site.example/open"}));
    EXPECT_TRUE(walker.problems().isEmpty()) << walker.problems().join('\n').toStdString();
}

} // namespace
