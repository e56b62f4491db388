#include "core/audit/jsonwriter.h"
#include "core/audit/sitegraph.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace headwise::audit;
using headwise::testing::writeTestFile;

namespace {

// A link the folder reads as text names what the address parser names; the
// site's own absolute addresses in every form that reads differently included.
TEST(SiteFolder, LinksReadAsTextNameWhatTheParserNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("shop"));
    writeTestFile(dir.filePath("shop/index.htm"), "<title>t</title>");
    writeTestFile(dir.filePath("b.html"), "<title>t</title>");
    const char* const hrefs[] = {"b.html",
                                 "/b.html",
                                 "../b.html",
                                 "#top",
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
                                 "mailto:a@b.example"};
    for (const char* base :
         {"https://rugs.example/", "https://rugs.example/sub/", "https://rugs.example/?q"}) {
        const SiteFolder folder(dir.path(), QUrl(QLatin1String(base)));
        const QUrl page = folder.addressOf(dir.filePath("shop/page.html"));
        const QString baseKey = folder.target(page)->key;
        for (const char* href : hrefs) {
            const std::optional<SiteTarget> read = folder.reference(page, baseKey, QLatin1String(href));
            const std::optional<SiteTarget> parsed = folder.target(page.resolved(QUrl(QLatin1String(href))));
            ASSERT_EQ(read.has_value(), parsed.has_value()) << base << " " << href;
            if (read) {
                EXPECT_EQ(read->key, parsed->key) << base << " " << href;
                EXPECT_EQ(read->internal, parsed->internal) << base << " " << href;
            }
        }
    }
}

// Ids stay the ones given while the table grows, keys of any length included.
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

} // namespace
