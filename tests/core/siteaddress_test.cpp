#include "core/audit/model/siteaddress.h"
#include "core/audit/model/sitegraph.h"
#include "core/site/pagelinks.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace headwise::audit;

namespace {

// A folder's address is what its canonicals agree on, or nothing.
TEST(SiteAddress, InferredWhenTheCanonicalsAgree) {
    const char* const py = "file:///usr/share/doc/python3.11/html/";
    const struct {
        const char* name;
        QList<FileCanonical> pages;
        const char* address; // nullptr: none
        qsizetype canonicals;
    } cases[] = {
        {"a generator's site, its folders served by their index pages",
         {{"index.html", "https://rugs.example/"},
          {"kilims/index.html", "https://rugs.example/kilims/"},
          {"about.html", "https://rugs.example/about.html"},
          {"rugs.html", "https://rugs.example/rugs.html"}},
         "https://rugs.example/",
         4},
        {"published below a path, escapes decoded",
         {{"a b.html", "https://rugs.example/shop/a%20b.html"},
          {"c/d.html", "https://rugs.example/shop/c/d.html"}},
         "https://rugs.example/shop/",
         2},
        {"a copy of installed documentation",
         {{"index.html", QString::fromLatin1(py) + "index.html"},
          {"library/os.html", QString::fromLatin1(py) + "library/os.html"},
          {"genindex.html", ""}},
         py,
         2},
        {"a duplicate among them",
         {{"a.html", "https://rugs.example/a.html"},
          {"b.html", "https://rugs.example/b.html"},
          {"b-print.html", "https://rugs.example/b.html"}},
         "https://rugs.example/",
         2},
        {"relative canonicals tell nothing", {{"a.html", "a.html"}, {"b.html", "/b.html"}}, nullptr, 0},
        {"relative ones beside an absolute one",
         {{"a.html", "/a.html"}, {"b.html", "https://rugs.example/b.html"}},
         "https://rugs.example/",
         1},
        {"two origins",
         {{"a.html", "https://rugs.example/a.html"},
          {"b.html", "https://www.rugs.example/b.html"},
          {"c.html", "https://rugs.example/c.html"}},
         nullptr,
         0},
        {"http and https are two origins",
         {{"a.html", "https://rugs.example/a.html"}, {"b.html", "http://rugs.example/b.html"}},
         nullptr,
         0},
        {"prefixes that disagree",
         {{"a.html", "https://rugs.example/x/a.html"}, {"b.html", "https://rugs.example/y/b.html"}},
         nullptr,
         0},
        {"most name other paths",
         {{"a.html", "https://rugs.example/home"},
          {"b.html", "https://rugs.example/home"},
          {"c.html", "https://rugs.example/c.html"}},
         nullptr,
         0},
        {"a scheme no site is served at", {{"a.html", "ftp://rugs.example/a.html"}}, nullptr, 0},
        {"no pages", {}, nullptr, 0},
    };
    for (const auto& c : cases) {
        const std::optional<SiteAddress> found = inferSiteAddress(c.pages);
        ASSERT_EQ(found.has_value(), c.address != nullptr)
            << c.name << " " << (found ? found->url.toStdString() : "");
        if (!found)
            continue;
        EXPECT_EQ(found->url, QLatin1String(c.address)) << c.name;
        EXPECT_EQ(found->from, SiteAddress::From::Canonicals) << c.name;
        EXPECT_EQ(found->canonicals, c.canonicals) << c.name;
    }
}

// The canonical of a head, read before the page is: comments, scripts and the body do not count.
TEST(SiteAddress, HeadCanonicalIsReadFromTheHeadAlone) {
    const struct {
        const char* page;
        const char* canonical; // nullptr: none
        bool ended;
    } cases[] = {
        {"<head><link rel=canonical href=\"https://a.example/x?a=1&amp;b=2\">", "https://a.example/x?a=1&b=2",
         false},
        {"<HEAD><LINK REL='Canonical alternate' HREF=/x></HEAD>", "/x", false},
        {"<!-- <link rel=canonical href=/no> --><link rel=canonical href=/yes>", "/yes", false},
        {"<script>'<link rel=canonical href=/no>'</script><link rel=canonical href=/yes>", "/yes", false},
        {"<link rel=stylesheet href=/s.css></head><link rel=canonical href=/late>", nullptr, true},
        {"<body><link rel=canonical href=/late>", nullptr, true},
        {"<link rel=canonical>", nullptr, false},
        {"<link rel=canonical href=/cut", nullptr, false},
    };
    for (const auto& c : cases) {
        bool ended = false;
        const std::optional<QString> found = headwise::headCanonical(QString::fromUtf8(c.page), &ended);
        EXPECT_EQ(found.value_or("(none)"),
                  c.canonical ? QString::fromUtf8(c.canonical) : QStringLiteral("(none)"))
            << c.page;
        EXPECT_EQ(ended, c.ended) << c.page;
    }
}

// A folder published at file: addresses holds the pages below its path, and nothing else there.
TEST(SiteAddress, FolderAtAFileAddress) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("library"));
    headwise::testing::writeTestFile(dir.filePath("library/os.html"), "<title>t</title>");
    const SiteFolder folder(dir.path(), QUrl("file:///usr/share/doc/python3.11/html/"));
    EXPECT_EQ(folder.addressOf(dir.filePath("library/os.html")).href,
              "file:///usr/share/doc/python3.11/html/library/os.html");
    const struct {
        const char* href;
        const char* key;
        bool internal;
    } cases[] = {
        {"file:///usr/share/doc/python3.11/html/library/os.html", "library/os.html", true},
        {"os.html#x", "library/os.html", true},
        {"../index.html", "index.html", true},
        {"file:///usr/share/doc/python3.12/html/index.html",
         "file:///usr/share/doc/python3.12/html/index.html", false},
        {"https://docs.python.org/3/library/os.html", "https://docs.python.org/3/library/os.html", false},
    };
    const headwise::web::WebUrl page = folder.addressOf(dir.filePath("library/os.html"));
    for (const auto& c : cases)
        for (const QString& baseKey :
             {QStringLiteral("library/os.html"), QString()}) { // read as text, parsed
            const std::optional<SiteTarget> found = folder.reference(page, baseKey, QLatin1String(c.href));
            ASSERT_TRUE(found) << c.href;
            EXPECT_EQ(found->key, QLatin1String(c.key)) << c.href;
            EXPECT_EQ(found->internal, c.internal) << c.href;
        }
}

} // namespace
