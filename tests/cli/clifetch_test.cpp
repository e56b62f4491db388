#include "cli/commands.h"
#include "cli/pageinput.h"
#include "doubles.h"
#include "net/pagefetcher.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace headwise;
using namespace headwise::cli;
using headwise::testing::ScriptedPageFetcher;

namespace {

const QString kCompletePage = QStringLiteral("<html><head><title>Rugs</title>"
                                             "<META NAME=\"Keywords\" Content=\"rugs\">"
                                             "<META NAME=\"Description\" Content=\"Hand made\">"
                                             "<META NAME=\"Robots\" Content=\"ALL\">"
                                             "<META NAME=\"Rating\" Content=\"General\">"
                                             "<META NAME=\"Revisit\" Content=\"7 Days\"></head></html>");

TEST(CliFetch, AddressesGoThroughTheFetcherOnlyForHttpAndHttps) {
    const struct {
        const char* input;
        const char* body;  // nullptr: nothing arrives
        const char* error; // empty: the page loads
        bool asked;
    } cases[] = {
        {"http://pages.example/rugs.htm", "<title>Rugs</title>", "", true},
        {"HTTPS://pages.example/", "<p>x</p>", "", true},
        {"http://pages.example/silent.htm", nullptr, "could not fetch", true},
        {"ftp://pages.example/rugs.htm", "<p>x</p>", "only http and https", false},
        {"file:///etc/passwd", "<p>x</p>", "only http and https", false},
    };
    for (const auto& c : cases) {
        ScriptedPageFetcher fetcher;
        if (c.body && c.asked)
            fetcher.prepareBody(QString::fromUtf8(c.body));
        const LoadedPage loaded = loadPage(QString::fromUtf8(c.input), fetcher);
        EXPECT_EQ(fetcher.urls, c.asked ? QStringList{c.input} : QStringList{}) << c.input;
        if (*c.error) {
            EXPECT_FALSE(loaded.page) << c.input;
            EXPECT_TRUE(loaded.error.contains(QString::fromUtf8(c.error))) << loaded.error.toStdString();
            continue;
        }
        ASSERT_TRUE(loaded.page) << c.input;
        EXPECT_EQ(loaded.page->text, QString::fromUtf8(c.body));
        EXPECT_EQ(loaded.page->encoding.name, "UTF-8");
    }
}

TEST(CliFetch, AnErrorPageIsNoPage) {
    for (int status : {404, 500}) {
        FetchResult answer;
        answer.ok = true;
        answer.status = status;
        answer.body = "<html><head><title>Not Found</title></head></html>";
        ScriptedPageFetcher fetcher;
        fetcher.prepareResult(answer);
        fetcher.prepareResult(answer);
        const LoadedPage page = loadPage(QStringLiteral("http://pages.example/gone.htm"), fetcher);
        const LoadedBytes bytes = loadPageBytes(QStringLiteral("http://pages.example/gone.htm"), fetcher);
        EXPECT_FALSE(page.page);
        EXPECT_FALSE(bytes.page);
        const QString expected = QStringLiteral("the server answered %1").arg(status);
        EXPECT_TRUE(page.error.startsWith(expected)) << page.error.toStdString();
        EXPECT_TRUE(bytes.error.startsWith(expected)) << bytes.error.toStdString();
    }
}

TEST(CliFetch, AnalyzeOfFetchedPagesSetsTheExitCode) {
    const struct {
        QStringList bodies; // one per address, in order; fewer: the rest fail
        int exitCode;
    } cases[] = {
        {{kCompletePage}, kExitOk},
        {{QStringLiteral("<title>Rugs</title>")}, kExitTagsMissing},
        {{}, kExitBadInput},
        {{kCompletePage, QStringLiteral("<p>no tags</p>")}, kExitTagsMissing},
    };
    for (const auto& c : cases) {
        ScriptedPageFetcher fetcher;
        QStringList arguments{QStringLiteral("headwise-cli"), QStringLiteral("http://pages.example/1.htm")};
        if (c.bodies.size() > 1)
            arguments << QStringLiteral("http://pages.example/2.htm");
        for (const QString& body : c.bodies)
            fetcher.prepareBody(body);
        EXPECT_EQ(runAnalyze(arguments, fetcher), c.exitCode) << c.bodies.join('|').toStdString();
        EXPECT_EQ(fetcher.urls, arguments.mid(1));
    }
}

TEST(CliFetch, ExtractOfAFetchedPageAsksOnce) {
    ScriptedPageFetcher fetcher;
    fetcher.prepareBody(QStringLiteral("<p>handmade carpets</p>"));
    EXPECT_EQ(runExtract({QStringLiteral("headwise-cli"), QStringLiteral("http://pages.example/")}, fetcher),
              kExitOk);
    EXPECT_EQ(fetcher.urls, QStringList{"http://pages.example/"});
}

} // namespace

namespace {

// A server's answer as the real fetcher gives it, bytes and declared charset.
class AnsweringFetcher : public PageFetcher {
public:
    QString getPageSource(const QString&, std::stop_token) override { return {}; }
    FetchResult fetch(const QString&, std::stop_token) override {
        if (throws)
            throw std::runtime_error("lost");
        return answer;
    }
    FetchResult answer;
    bool throws = false;
};

TEST(CliFetch, AnalyzeReadsAFetchedPageInItsDeclaredCharset) {
    const struct {
        const char* name;
        QByteArray body;
        QByteArray charset;
        bool ok;
        bool throws;
        QString title; // empty: the fetch fails
    } cases[] = {
        {"UTF-8 bytes declared Latin-1", "<title>\xC3\xA9</title>", "iso-8859-1", true, false,
         QString::fromUtf8("<title>Ã©</title>")},
        {"undeclared UTF-8",
         "<title>\xC3\xA9</title>",
         {},
         true,
         false,
         QString::fromUtf8("<title>é</title>")},
        {"UTF-16 declared",
         QByteArray("<\0t\0i\0t\0l\0e\0>\0", 14) + QByteArray("<\0/\0t\0i\0t\0l\0e\0>\0", 16), "utf-16le",
         true, false, QString::fromUtf8("<title></title>")},
        {"not ok", "<title>x</title>", {}, false, false, {}},
        {"empty body", {}, {}, true, false, {}},
        {"fetch throws", "<title>x</title>", {}, true, true, {}},
    };
    for (const auto& c : cases) {
        AnsweringFetcher fetcher;
        fetcher.answer.ok = c.ok;
        fetcher.answer.body = c.body;
        fetcher.answer.charset = c.charset;
        fetcher.throws = c.throws;
        const LoadedBytes loaded = loadPageBytes(QStringLiteral("http://pages.example/"), fetcher);
        if (c.title.isEmpty()) {
            EXPECT_FALSE(loaded.page) << c.name;
            EXPECT_TRUE(loaded.error.contains(QStringLiteral("could not fetch"))) << c.name;
            continue;
        }
        ASSERT_TRUE(loaded.page) << c.name;
        EXPECT_EQ(loaded.page->report().tags.front().found, QStringList{c.title}) << c.name;
    }
}

} // namespace
