#include "core/audit/engine/chunkedwork.h"
#include "core/audit/engine/pageaudit.h"
#include "core/audit/model/sitegraph.h"
#include "core/audit/report/jsonwriter.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace headwise::audit;
using headwise::testing::writeTestFile;
using headwise::web::parseWebUrl;
using headwise::web::WebUrl;

namespace {

// A link the folder reads as text names what the address parser names; the
// site's own absolute addresses in every form that reads differently included.
TEST(SiteFolder, LinksReadAsTextNameWhatTheParserNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("shop/deep"));
    writeTestFile(dir.filePath("shop/index.htm"), "<title>t</title>");
    writeTestFile(dir.filePath("b.html"), "<title>t</title>");
    const char* const hrefs[] = {"b.html",
                                 "/b.html",
                                 "../b.html",
                                 "../../b.html",
                                 "./b.html",
                                 ".././shop/index.htm",
                                 "./../b.html#f",
                                 "../b.html?x",
                                 "../",
                                 "../..",
                                 "../shop/../b.html",
                                 "..//b.html",
                                 "#top",
                                 "./\xEF\xBB\xBF", // a name may start with U+FEFF
                                 "?q",
                                 "/shop",
                                 "/shop/",
                                 "shop",
                                 "/b.html?x#y",
                                 "",
                                 "https://rugs.example/b.html",
                                 "https://rugs.example/",
                                 "https://rugs.example",
                                 "https://rugs.example/shop",
                                 "https://rugs.example/shop/",
                                 "https://rugs.example/a/../b.html",
                                 "https://rugs.example/./b.html",
                                 "https://rugs.example//b.html",
                                 "https://rugs.example/b.html.",
                                 "https://rugs.example/.b",
                                 "https://rugs.example/x..y/",
                                 "https://rugs.example/b.html#f",
                                 "https://rugs.example/b%20c.html",
                                 "https://RUGS.example/b.html",
                                 "https://rugs.example:443/b.html",
                                 "http://rugs.example/b.html",
                                 "https://rugs.example/sub/b.html",
                                 "//rugs.example/b.html",
                                 "https://other.example/a/b?x=1#f",
                                 "http://rugs.example/b.html?x#y",
                                 "https://other.example/a/../b",
                                 "mailto:a@b.example"};
    for (const char* base :
         {"https://rugs.example/", "https://rugs.example/sub/", "https://rugs.example/?q"}) {
        const SiteFolder folder(dir.path(), QUrl(QLatin1String(base)));
        for (const char* from : {"shop/page.html", "shop/deep/page.html"}) {
            const WebUrl page = folder.addressOf(dir.filePath(from));
            const QString baseKey = folder.target(page)->key;
            for (const char* href : hrefs) {
                const std::optional<SiteTarget> read =
                    folder.reference(page, baseKey, QString::fromUtf8(href));
                const std::optional<SiteTarget> parsed =
                    folder.target(parseWebUrl(QString::fromUtf8(href), &page));
                ASSERT_EQ(read.has_value(), parsed.has_value()) << base << " " << href;
                if (read) {
                    EXPECT_EQ(read->key, parsed->key) << base << " " << href;
                    EXPECT_EQ(read->internal, parsed->internal) << base << " " << href;
                }
            }
        }
    }
}

// Backslashes, tabs, newlines and dot parts land where a browser goes, read
// as text or parsed.
TEST(SiteFolder, AddressesLandWhereABrowserGoes) {
    QTemporaryDir dir;
    const SiteFolder folder(dir.path(), QUrl("https://example.com/"));
    const WebUrl page = parseWebUrl(u"https://example.com/a/b.html");
    const struct {
        const char* href;
        const char* key;
        bool internal;
    } cases[] = {
        {"..\\c.html", "c.html", true},
        {"\\\\other.com\\x.html", "https://other.com/x.html", false},
        {"/\\other.com/x.html", "https://other.com/x.html", false},
        {"a\tb.html", "a/ab.html", true},
        {"c\n.ht\rml", "a/c.html", true},
        {" \t/c.html\n ", "c.html", true},
        {"/a/./b/../c", "a/c", true},
        {"%2e%2e/x.html", "x.html", true},
        {"https://example.com/a\\..\\d.html#f", "d.html", true},
        {"d%20e.html", "a/d e.html", true},
        {"%EF%BB%BFd.html",
         "a/\xEF\xBB\xBF"
         "d.html",
         true},
    };
    for (const auto& c : cases)
        for (const QString& baseKey : {QStringLiteral("a/b.html"), QString()}) { // read as text, parsed
            const std::optional<SiteTarget> found =
                folder.reference(page, baseKey, QString::fromUtf8(c.href));
            ASSERT_TRUE(found) << c.href;
            EXPECT_EQ(found->key, QString::fromUtf8(c.key)) << c.href;
            EXPECT_EQ(found->internal, c.internal) << c.href;
        }
}

// A path a web server refuses is a broken link, however it is written, and the
// file it would reach beside the folder is not found.
TEST(SiteFolder, PathsThatWouldLeaveTheFolderAreBroken) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("site/sub"));
    writeTestFile(dir.filePath("outside.html"), "<title>t</title>");
    writeTestFile(dir.filePath("site/sub/page.html"), "<title>t</title>");
    writeTestFile(dir.filePath("site/x.html"), "<title>t</title>");
    const SiteFolder folder(dir.filePath("site"), QUrl("https://rugs.example/"));
    const WebUrl page = folder.addressOf(dir.filePath("site/sub/page.html"));
    const struct {
        const char* href;
        const char* shown; // in messages; null when the link is sound
        int status;
    } cases[] = {
        {"/.%2e%2foutside.html", "/.%2e%2foutside.html", 404},
        {"/sub/..%2f..%2foutside.html", "/sub/..%2f..%2foutside.html", 404},
        {"..%2F..%2Foutside.html", "/sub/..%2F..%2Foutside.html", 404},
        {"..%5c..%5coutside.html", "/sub/..%5c..%5coutside.html", 404},
        {"https://rugs.example/%2e%2e%2Foutside.html", "/%2e%2e%2Foutside.html", 404},
        {"/sub%2fpage.html", "/sub%2fpage.html", 404},
        {"page%00.html", "/sub/page%00.html", 404},
        // Dot parts, encoded or not, resolve as a browser resolves them: inside the folder.
        {"%2e%2e/%2e%2e/outside.html", nullptr, 404},
        {"%2e%2e/x.html", nullptr, 200},
        {"..\\x.html", nullptr, 200},
    };
    for (const auto& c : cases) {
        const std::optional<SiteTarget> found =
            folder.reference(page, "sub/page.html", QLatin1String(c.href));
        ASSERT_TRUE(found && found->internal) << c.href;
        if (c.shown)
            EXPECT_EQ(folder.shown(found->key, true), QLatin1String(c.shown)) << c.href;
        EXPECT_EQ(folder.statusOf(found->key), c.status) << c.href;
    }
}

// Ids stay the ones given while the table grows, keys of any length included.
// What a folder says of the files its links name, symbolic links that stay
// in it or leave it, and folders named like files included.
TEST(SiteFolder, StatusOfFilesLinksAndFolders) {
    QTemporaryDir outside;
    writeTestFile(outside.filePath("away.png"), "p");
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("img/x.png"));
    writeTestFile(dir.filePath("img/a.png"), "p");
    writeTestFile(dir.filePath(".hidden.png"), "p");
    ASSERT_TRUE(QFile::link(dir.filePath("img/a.png"), dir.filePath("img/in.png")));
    ASSERT_TRUE(QFile::link(outside.filePath("away.png"), dir.filePath("img/out.png")));
    ASSERT_TRUE(QFile::link(dir.filePath("img/none.png"), dir.filePath("img/dangling.png")));
    ASSERT_TRUE(QFile::link(outside.path(), dir.filePath("elsewhere")));
    const SiteFolder folder(dir.path(), QUrl("https://rugs.example/"));
    const struct {
        const char* key;
        int status; // 0: neither there nor missing, it leaves the folder
    } cases[] = {
        {"img/a.png", 200},    {".hidden.png", 200},      {"img/in.png", 200},
        {"img/out.png", 0},    {"elsewhere/away.png", 0}, {"img/dangling.png", 404},
        {"img/none.png", 404}, {"img/x.png", 404},        {"gone/a.png", 404},
        {"img", 404},          {"img//a.png", 200},       {"img/../img/a.png", 404},
    };
    for (const auto& c : cases)
        for (int pass = 0; pass < 2; ++pass) // the second from what the first listed
            EXPECT_EQ(folder.statusOf(QLatin1String(c.key)), c.status) << c.key << " pass " << pass;
}

// The rules' threads ask one folder at once, each first to list a folder
// for some keys: every answer is the one a single thread gets.
TEST(SiteFolder, ThreadsAskingAtOnceAreToldAlike) {
    QTemporaryDir dir;
    QStringList keys;
    for (int f = 0; f < 8; ++f) {
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("d%1").arg(f)));
        writeTestFile(dir.filePath(QStringLiteral("d%1/index.html").arg(f)), "<title>t</title>");
        for (int i = 0; i < 30; ++i) {
            writeTestFile(dir.filePath(QStringLiteral("d%1/p%2.png").arg(f).arg(i)), "p");
            keys << QStringLiteral("d%1/p%2.png").arg(f).arg(i)
                 << QStringLiteral("d%1/no%2.png").arg(f).arg(i);
        }
    }
    const SiteFolder folder(dir.path(), QUrl("https://rugs.example/"));
    const WebUrl page = parseWebUrl(u"https://rugs.example/index.html");
    std::atomic<int> wrong = 0;
    runChunks(8, 4, [&](qsizetype chunk) {
        for (qsizetype n = 0; n < keys.size(); ++n) {
            const QString& key = keys[(n + chunk * 37) % keys.size()];
            wrong += folder.statusOf(key) != (key.contains("/p") ? 200 : 404);
            const QString named = key.first(key.indexOf(u'/'));
            wrong += folder.reference(page, "index.html", "/" + named)->key != named + "/index.html";
        }
    });
    EXPECT_EQ(wrong.load(), 0);
}

// Work shared among threads: every chunk done once, whatever the threads.
TEST(RunChunks, EveryChunkOnceWhateverTheJobs) {
    for (const auto& [chunks, jobs] :
         {std::pair<qsizetype, int>{0, 4}, {1, 1}, {1, 8}, {5, 2}, {1000, 3}, {3, 0}}) {
        std::vector<std::atomic<int>> done(static_cast<size_t>(chunks));
        runChunks(chunks, jobs, [&](qsizetype chunk) { done[size_t(chunk)].fetch_add(1); });
        for (qsizetype i = 0; i < chunks; ++i)
            EXPECT_EQ(done[size_t(i)].load(), 1) << chunks << " chunks, " << jobs << " jobs: " << i;
    }
}

TEST(SiteGraph, EachKeyKeepsItsIdAsTheGraphGrows) {
    SiteGraph graph;
    QStringList keys;
    for (int i = 0; i < 5000; ++i)
        keys << QStringLiteral("page-%1.html").arg(i);
    keys << QString() << QString(70000, u'x') << QString(70000, u'y');
    for (qsizetype i = 0; i < keys.size(); ++i)
        ASSERT_EQ(graph.intern(keys[i], i % 2 == 0), i);
    for (qsizetype i = keys.size() - 1; i >= 0; --i) {
        EXPECT_EQ(graph.intern(keys[i], false), i);
        EXPECT_EQ(graph.key(qint32(i)), keys[i]);
        EXPECT_EQ(graph.internal(qint32(i)), i % 2 == 0);
    }
    EXPECT_EQ(graph.size(), keys.size());
}

// A page's references stay as the graph put them while more pages come in,
// however many a page has: fewer than are left in a block, a block's worth,
// more than a block, none.
TEST(SiteGraph, EveryPageKeepsItsReferencesAsPagesAreAdded) {
    QTemporaryDir dir;
    const SiteFolder folder(dir.path(), QUrl("https://rugs.example/"));
    SiteGraph graph;
    const qsizetype sizes[] = {3, 65536, 70000, 0, 65535, 2};
    QList<SitePage> pages;
    for (const qsizetype size : sizes) {
        QStringList locations;
        QList<int> lines;
        for (qsizetype i = 0; i < size; ++i) {
            locations << QStringLiteral("https://rugs.example/p%1.html").arg(i);
            lines << int(i + 1);
        }
        pages << graph.add(resolveSitemap(folder, "sitemap.xml", locations, lines));
    }
    for (qsizetype p = 0; p < pages.size(); ++p) {
        ASSERT_EQ(qsizetype(pages[p].references.size()), sizes[p]);
        for (qsizetype i = 0; i < sizes[p]; ++i) {
            const SiteReference& r = pages[p].references[size_t(i)];
            ASSERT_EQ(graph.keyView(r.target), QStringLiteral("p%1.html").arg(i)) << "page " << p;
            ASSERT_EQ(r.line, i + 1) << "page " << p;
        }
    }
}

// The graph reads references only where the audit's scan saw a tag that may
// hold one or an id, or text a link reader reads for tags: it finds what a
// walk over every tag finds, in the same order.
TEST(SiteGraph, ReferencesReadAtTheScansPlacesAreTheWalksReferences) {
    const char* const pages[] = {
        "<a href=a.html>a</a><span id=s class=c>x</span><img src=b.png srcset='c.png 1x, d.png 2x'>",
        "<head><noscript><img src=pixel.gif></noscript><link rel=stylesheet href=s.css></head><a href=x>",
        "<title>Rugs <a href=in-title.html></title><textarea><a href=t.html id=t></textarea><a href=after>",
        "<script src=app.js></script><script>var s = '<a href=no.html>';</script><a href=yes.html>",
        "<!-- <a href=comment.html> --><STYLE>a{}</STYLE><A HREF=Upper.html NAME=n>x</A>",
        "<a title='a > b' href=quoted.html>q</a><meta http-equiv=refresh content='0; url=next.html'>",
        "<svg><a href=svg.html id=g></a></svg><iframe src=f.html><a href=in-frame.html></iframe>",
        "<template><a href=tpl.html></template><base href=/b/><a href=c.html><plaintext><a href=p.html>",
        "<div id=\"d&amp;e\"><a href=\"?a=1&amp;b=2#f\">x</a><video src=v.mp4 poster=p.jpg></video>",
    };
    static const AuditConfig config;
    for (const char* page : pages) {
        PageInput input;
        input.bytes = page;
        const PageAudit audit = auditPage(input, config);
        ASSERT_TRUE(audit.model.body.placesRead) << page;
        headwise::PageReferenceSpans placed;
        headwise::pageReferenceSpans(audit.text, audit.model.body.referencePlaces, placed);
        const headwise::PageReferenceSpans walked = headwise::pageReferenceSpans(audit.text);
        EXPECT_EQ(placed.base, walked.base) << page;
        EXPECT_EQ(placed.ids, walked.ids) << page;
        ASSERT_EQ(placed.references.size(), walked.references.size()) << page;
        for (qsizetype i = 0; i < walked.references.size(); ++i) {
            const auto& p = placed.references[i];
            const auto& w = walked.references[i];
            EXPECT_EQ(placed.target(audit.text, p), walked.target(audit.text, w)) << page;
            EXPECT_EQ(p.kind, w.kind) << page;
            EXPECT_EQ(p.offset, w.offset) << page;
            EXPECT_EQ(p.length, w.length) << page;
        }
    }
}

// Whatever a string holds, the JSON written reads back as that string.
TEST(JsonWriter, StringsReadBackAsWritten) {
    const QString texts[] = {"",
                             "plain",
                             "\"quoted\" \\ back",
                             "tab\tline\nreturn\r",
                             QString(QChar(1)) + "\x1f end",
                             QString::fromUtf8("ü € \xf0\x9f\x98\x80 “curly”"),
                             "a\"ü\"\x02"};
    QByteArray out;
    JsonWriter json(out);
    json.beginArray();
    for (const QString& text : texts)
        json.value(text);
    json.endArray();
    const QJsonArray read = QJsonDocument::fromJson(out).array();
    ASSERT_EQ(read.size(), std::size(texts)) << out.toStdString();
    for (qsizetype i = 0; i < read.size(); ++i)
        EXPECT_EQ(read[i].toString(), texts[i]);
}

// Strings go out eight units at a time up to the first that needs care: such
// a unit at every place in and across those blocks still reads back.
TEST(JsonWriter, UnitsThatNeedCareReadBackWhereverTheyFall) {
    const QString cares[] = {"\"",
                             "\\",
                             "\n",
                             QString(QChar(1)),
                             QString(QChar(0x7f)),
                             QString::fromUtf8("é"),
                             QString::fromUtf8("\xf0\x9f\x98\x80")};
    QList<QString> texts;
    for (const QString& care : cares)
        for (int at = 0; at <= 20; ++at)
            texts.append(QString(at, u'a') + care + QString(20 - at, u'b'));
    QByteArray out;
    JsonWriter json(out);
    json.beginObject();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        json.key(QString(texts[i] + QString::number(i)));
        json.value(texts[i]);
    }
    json.endObject();
    const QJsonObject read = QJsonDocument::fromJson(out).object();
    ASSERT_EQ(read.size(), texts.size()) << out.left(200).toStdString();
    for (qsizetype i = 0; i < texts.size(); ++i)
        EXPECT_EQ(read.value(texts[i] + QString::number(i)).toString(), texts[i]) << i;
}

} // namespace
