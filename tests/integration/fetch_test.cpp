#include "curlpagefetcher.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace headwise;
using namespace std::chrono_literals;

namespace {

// The page server runs as its own process for the whole suite, so the
// blocking fetch in this thread has someone to talk to.
class FetchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new QProcess;
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(HEADWISE_PAGE_SERVER)});
        QByteArray line;
        QElapsedTimer clock;
        clock.start();
        while (!line.endsWith('\n') && clock.elapsed() < 10000 && server->waitForReadyRead(10000))
            line += server->readLine();
        if (line.startsWith("PORT "))
            port = line.mid(5).trimmed().toInt();
    }

    static void TearDownTestSuite()
    {
        server->closeWriteChannel();
        if (!server->waitForFinished(5000)) {
            server->kill();
            server->waitForFinished(5000);
        }
        delete server;
        server = nullptr;
    }

    void SetUp() override { ASSERT_GT(port, 0) << "the page server did not start"; }

    static QString url(const char* path) { return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path); }

    static inline QProcess* server = nullptr;
    static inline int port = 0;
    CurlPageFetcher fetcher{2s, 10s, 60s};
};

// A port on which nobody listens: taken from the system, then given back.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct PageCase {
    const char* path;
    QString expected;
};

TEST_F(FetchTest, PagesArriveWholeAndDecoded)
{
    const PageCase cases[] = {
        {"/small", "<html><head><title>Small</title></head><body>tiny</body></html>\r\n"},
        {"/missing", "<html><body>Not here</body></html>"},
        {"/redirect", "<p>arrived after redirects</p>"},
        {"/cp1252", u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
                    u"“café” € 5\r\n"_qs},
        {"/declared", u"<meta charset=utf-8><p>café</p>"_qs},
        {"/gzip", "<html><head><title>Small</title></head><body>tiny</body></html>\r\n"},
    };
    for (const PageCase& c : cases)
        EXPECT_EQ(fetcher.GetPageSource(url(c.path)).toStdString(), c.expected.toStdString()) << c.path;
}

TEST_F(FetchTest, LargePagesArriveWhole)
{
    const QString big = fetcher.GetPageSource(url("/big"));
    const QString line = QStringLiteral("<p>line of a page that is several megabytes long</p>\r\n");
    const qsizetype lines = 5 * 1024 * 1024 / (line.size() - 1);
    ASSERT_EQ(big.size(), lines * line.size());
    EXPECT_TRUE(big.startsWith(line));
    EXPECT_EQ(big.count(line), lines);

    const QString utf8 = fetcher.GetPageSource(url("/utf8-split"));
    const QString piece = u"aé€😀中"_qs;
    EXPECT_EQ(utf8, QStringLiteral("<p>") + piece.repeated(3000) + QStringLiteral("</p>\r\n"));
}

TEST_F(FetchTest, AddressWithoutSchemeIsTriedAsHttp)
{
    EXPECT_TRUE(fetcher.GetPageSource(QStringLiteral("127.0.0.1:%1/small").arg(port)).contains("tiny"));
}

TEST_F(FetchTest, RequestNamesTheAgentAndRefusesCaches)
{
    const QString headers = fetcher.GetPageSource(url("/headers")).toLower();
    EXPECT_TRUE(headers.contains("user-agent: vb wininet\r\n")) << headers.toStdString();
    EXPECT_TRUE(headers.contains("cache-control: no-cache\r\n")) << headers.toStdString();
    EXPECT_TRUE(headers.contains("pragma: no-cache\r\n")) << headers.toStdString();
}

TEST_F(FetchTest, FailuresGiveEmptyText)
{
    QTemporaryDir dir;
    const QString localFile = dir.filePath("page.htm");
    {
        QFile file(localFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<p>a local page that must not be read</p>");
    }
    const QString cases[] = {
        QStringLiteral("http://127.0.0.1:%1/small").arg(closedPort()),
        QStringLiteral("file://") + localFile,
        QStringLiteral("FILE://") + localFile,
        url("/to-file"),                  // a redirect may not leave the web either
        url("/loop/0"),                   // more than ten redirects
        url("/empty"),
        url("/too-large-declared"),
        url("/too-large-streamed"),
        QStringLiteral("gopher://127.0.0.1:%1/").arg(port),
        QStringLiteral("not a url at all"),
        QStringLiteral("http://127.0.0.1:%1/sm").arg(port) + QChar(0) + QStringLiteral("all"),
    };
    for (const QString& address : cases)
        EXPECT_EQ(fetcher.GetPageSource(address).toStdString(), "") << address.toStdString();
}

TEST_F(FetchTest, OtherSchemesNeverReachTheServer)
{
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost, 0));
    for (const char* scheme : {"ftp", "telnet", "dict", "scp"}) {
        const QString address = QStringLiteral("%1://127.0.0.1:%2/").arg(scheme).arg(listener.serverPort());
        EXPECT_EQ(fetcher.GetPageSource(address), QString()) << scheme;
    }
    EXPECT_FALSE(listener.waitForNewConnection(200));
}

TEST_F(FetchTest, SilentServerIsGivenUpAfterTheStallLimit)
{
    CurlPageFetcher impatient{2s, 400ms, 60s};
    for (const char* path : {"/stall", "/silent"}) {
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(impatient.GetPageSource(url(path)), QString()) << path;
        EXPECT_LT(clock.elapsed(), 5000) << path;
        EXPECT_GE(clock.elapsed(), 400) << path;
    }
}

TEST_F(FetchTest, TotalLimitEndsATransfer)
{
    CurlPageFetcher hurried{2s, 30s, 500ms};
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(hurried.GetPageSource(url("/stall")), QString());
    EXPECT_LT(clock.elapsed(), 5000);
}

} // namespace
