#include "core/site/sitemap.h"

#include <gtest/gtest.h>

using namespace headwise;

namespace {

struct SitemapCase {
    const char* name;
    const char* xml;
    Sitemap::Kind kind;
    QStringList locations;
    int skipped;
};

TEST(Sitemap, ListsTheLocationsOfPagesAndOfSitemaps) {
    const SitemapCase cases[] = {
        {"pages",
         R"(<?xml version="1.0" encoding="UTF-8"?>
<urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">
  <url><loc>https://example.com/</loc><lastmod>2024-01-01</lastmod></url>
  <url><priority>0.5</priority><loc>
      https://example.com/a?x=1&amp;y=2
  </loc></url>
</urlset>)",
         Sitemap::Kind::Pages,
         {"https://example.com/", "https://example.com/a?x=1&y=2"},
         0},
        {"index",
         R"(<sitemapindex xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">
  <sitemap><loc>http://example.com/s1.xml</loc></sitemap>
  <sitemap><loc>http://example.com/s2.xml</loc><lastmod>2024</lastmod></sitemap>
</sitemapindex>)",
         Sitemap::Kind::Index,
         {"http://example.com/s1.xml", "http://example.com/s2.xml"},
         0},
        {"no namespace, CDATA",
         "<urlset><url><loc><![CDATA[http://example.com/c]]></loc></url></urlset>",
         Sitemap::Kind::Pages,
         {"http://example.com/c"},
         0},
        {"not web addresses are skipped",
         "<urlset><url><loc>/relative</loc></url><url><loc></loc></url><url><loc>ftp://example.com/f</loc></"
         "url>"
         "<url><loc>mailto:a@example.com</loc></url><url><loc>http://example.com/ok</loc></url></urlset>",
         Sitemap::Kind::Pages,
         {"http://example.com/ok"},
         4},
        {"loc outside an entry does not count",
         "<urlset><loc>http://example.com/stray</loc><url><loc>http://example.com/in</loc></url></urlset>",
         Sitemap::Kind::Pages,
         {"http://example.com/in"},
         0},
        {"extension elements inside an entry",
         "<urlset xmlns:image=\"http://www.google.com/schemas/sitemap-image/1.1\"><url>"
         "<loc>http://example.com/p</loc><image:image><image:loc>http://example.com/i.png</image:loc></"
         "image:image>"
         "</url></urlset>",
         Sitemap::Kind::Pages,
         {"http://example.com/p"},
         0},
        {"page entry in an index is not a sitemap",
         "<sitemapindex><url><loc>http://example.com/p</loc></url></sitemapindex>",
         Sitemap::Kind::Index,
         {},
         0},
        {"empty set", "<urlset/>", Sitemap::Kind::Pages, {}, 0},
        {"junk after the root is not read",
         "<urlset><url><loc>http://example.com/</loc></url></urlset><<<",
         Sitemap::Kind::Pages,
         {"http://example.com/"},
         0},
    };
    for (const SitemapCase& c : cases) {
        QString error;
        const std::optional<Sitemap> sitemap = parseSitemap(c.xml, &error);
        ASSERT_TRUE(sitemap) << c.name << ": " << error.toStdString();
        EXPECT_EQ(sitemap->kind, c.kind) << c.name;
        EXPECT_EQ(sitemap->locations, c.locations) << c.name;
        EXPECT_EQ(sitemap->skipped, c.skipped) << c.name;
        EXPECT_FALSE(sitemap->truncated) << c.name;
    }
}

struct BadCase {
    const char* name;
    QByteArray bytes;
    const char* message; // what the error must say
};

TEST(Sitemap, WhatIsNotASitemapSaysWhyAndWhere) {
    const BadCase cases[] = {
        {"empty", "", "not XML"},
        {"plain text", "http://example.com/a\nhttp://example.com/b\n", "not XML"},
        {"html page", "<html><body>Not found</body></html>", "<html>"},
        {"cut short", "<urlset><url><loc>http://example.com/</loc>", "line 1"},
        {"broken markup", "<urlset>\n<url><loc>http://example.com/</url></urlset>", "line 2"},
        {"binary", QByteArray("\x1f\x8b\x08\x00\xff\x00", 6), "not XML"},
        {"entity bomb",
         "<!DOCTYPE u [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
         "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">]><urlset><url><loc>&e;</loc></url></urlset>",
         "not XML"},
    };
    for (const BadCase& c : cases) {
        QString error;
        EXPECT_FALSE(parseSitemap(c.bytes, &error)) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << c.name << ": " << error.toStdString();
    }
}

TEST(Sitemap, ReadingStopsAtTheProtocolLimit) {
    QByteArray xml = "<urlset>";
    for (int i = 0; i < kMaxSitemapEntries + 5; ++i)
        xml += "<url><loc>http://example.com/" + QByteArray::number(i) + "</loc></url>";
    xml += "</urlset>";
    const std::optional<Sitemap> sitemap = parseSitemap(xml, nullptr);
    ASSERT_TRUE(sitemap);
    EXPECT_TRUE(sitemap->truncated);
    ASSERT_EQ(sitemap->locations.size(), kMaxSitemapEntries);
    EXPECT_EQ(sitemap->locations.last(), QStringLiteral("http://example.com/%1").arg(kMaxSitemapEntries - 1));
}

} // namespace
