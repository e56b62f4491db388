#include "core/site/robotstxt.h"

#include <gtest/gtest.h>

using namespace headwise;

namespace {

struct RobotsCase {
    const char* name;
    const char* robots;
    const char* path;
    bool allowed;
};

TEST(RobotsTxt, GroupsAreChosenByProductTokenElseStar) {
    const RobotsCase cases[] = {
        {"no file rules", "", "/any", true},
        {"star group", "User-agent: *\nDisallow: /private", "/private/x", false},
        {"star group, other path", "User-agent: *\nDisallow: /private", "/public", true},
        {"our group beats star", "User-agent: *\nDisallow: /\n\nUser-agent: Headwise\nDisallow: /x", "/y",
         true},
        {"our empty group allows all", "User-agent: *\nDisallow: /\n\nUser-agent: Headwise\n", "/y", true},
        {"blank lines do not split agent lines", "User-agent: Headwise\n\nUser-agent: *\nDisallow: /", "/y",
         false},
        {"token case-insensitive", "user-agent: HEADWISE\ndisallow: /a", "/a", false},
        {"version after token", "User-agent: Headwise/2.1\nDisallow: /a", "/a", false},
        {"another crawler only", "User-agent: Otherbot\nDisallow: /", "/a", true},
        {"token must match whole", "User-agent: Headwiser\nDisallow: /", "/a", true},
        {"shared group lines", "User-agent: Otherbot\nUser-agent: Headwise\nDisallow: /a", "/a/b", false},
        {"our groups combined", "User-agent: Headwise\nDisallow: /a\n\nUser-agent: Headwise\nDisallow: /b",
         "/b", false},
        {"rule after rules starts no group",
         "User-agent: Otherbot\nDisallow: /a\nUser-agent: Headwise\nDisallow: /b", "/a", true},
        {"rules before any agent", "Disallow: /\nUser-agent: *\nAllow: /", "/a", true},
        {"empty disallow", "User-agent: *\nDisallow:", "/a", true},
        {"robots.txt itself", "User-agent: *\nDisallow: /", "/robots.txt", true},
        {"sitemap line keeps the group", "User-agent: *\nSitemap: http://x/s.xml\nDisallow: /a", "/a", false},
    };
    for (const RobotsCase& c : cases)
        EXPECT_EQ(RobotsRules::parse(c.robots).allowsPath(c.path), c.allowed) << c.name;
}

TEST(RobotsTxt, LongestMatchWinsAndAllowWinsATie) {
    const RobotsCase cases[] = {
        {"allow longer", "User-agent: *\nDisallow: /p\nAllow: /page", "/page", true},
        {"disallow longer", "User-agent: *\nAllow: /p\nDisallow: /page", "/page", false},
        {"only shorter matches", "User-agent: *\nAllow: /p\nDisallow: /page", "/pa", true},
        {"tie goes to allow", "User-agent: *\nDisallow: /page\nAllow: /page", "/page", true},
        {"tie either order", "User-agent: *\nAllow: /page\nDisallow: /page", "/page", true},
        {"folder allowed inside a blocked root", "User-agent: *\nDisallow: /\nAllow: /open/", "/open/a",
         true},
        {"wildcard counts its own length", "User-agent: *\nAllow: /*.html\nDisallow: /dir/", "/dir/a.html",
         true},
        {"query is part of the path", "User-agent: *\nDisallow: /*?", "/page?id=1", false},
        {"no query, no match", "User-agent: *\nDisallow: /*?", "/page", true},
    };
    for (const RobotsCase& c : cases)
        EXPECT_EQ(RobotsRules::parse(c.robots).allowsPath(c.path), c.allowed) << c.name;
}

TEST(RobotsTxt, WildcardsAndEndAnchor) {
    const RobotsCase cases[] = {
        {"prefix", "User-agent: *\nDisallow: /fish", "/fish.html", false},
        {"prefix is case-sensitive", "User-agent: *\nDisallow: /fish", "/Fish.asp", true},
        {"trailing star same as none", "User-agent: *\nDisallow: /fish*", "/fishheads", false},
        {"middle star", "User-agent: *\nDisallow: /*.php", "/folder/file.php?x=1", false},
        {"middle star no match", "User-agent: *\nDisallow: /*.php", "/folder/file.PHP", true},
        {"anchored end", "User-agent: *\nDisallow: /*.php$", "/file.php", false},
        {"anchored, longer path", "User-agent: *\nDisallow: /*.php$", "/file.php?x", true},
        {"anchored, piece used twice", "User-agent: *\nDisallow: /a*a$", "/a", true},
        {"anchored, overlapping pieces", "User-agent: *\nDisallow: /ab*ab$", "/abab", false},
        {"exact path only", "User-agent: *\nDisallow: /$", "/", false},
        {"exact path, deeper", "User-agent: *\nDisallow: /$", "/a", true},
        {"several stars in order", "User-agent: *\nDisallow: /a*b*c", "/axxbyyc", false},
        {"several stars out of order", "User-agent: *\nDisallow: /a*b*c", "/axxcyyb", true},
        {"dollar inside is literal", "User-agent: *\nDisallow: /a$b", "/a$b", false},
        {"escaped star is literal", "User-agent: *\nDisallow: /file-%2A.html", "/file-*.html", false},
        {"escaped star matches no other text", "User-agent: *\nDisallow: /file-%2A.html", "/file-x.html",
         true},
        {"escape equals raw UTF-8", "User-agent: *\nDisallow: /caf\xC3\xA9", "/caf%C3%A9/menu", false},
        {"escape case", "User-agent: *\nDisallow: /caf%c3%a9", "/caf%C3%A9", false},
    };
    for (const RobotsCase& c : cases)
        EXPECT_EQ(RobotsRules::parse(c.robots).allowsPath(c.path), c.allowed) << c.name;
}

TEST(RobotsTxt, OddlyWrittenFilesAreReadAsMeant) {
    const RobotsCase cases[] = {
        {"CR line breaks", "User-agent: *\rDisallow: /a", "/a", false},
        {"CR LF line breaks", "User-agent: *\r\nDisallow: /a\r\n", "/a", false},
        {"comments", "# hello\nUser-agent: * # all\nDisallow: /a # not this", "/a", false},
        {"comment hides the rule", "User-agent: *\n# Disallow: /a", "/a", true},
        {"byte order mark", "\xEF\xBB\xBFUser-agent: *\nDisallow: /a", "/a", false},
        {"blanks around", "  User-agent :  *  \n\tDisallow\t:\t/a\t", "/a", false},
        {"misspelt key", "User-agent: *\nDissallow: /a", "/a", false},
        {"no colon is skipped", "User-agent: *\nDisallow /a\nDisallow: /b", "/a", true},
        {"unknown keys", "User-agent: *\nCrawl-delay: 10\nNoindex: /a\nDisallow: /b", "/a", true},
        {"garbage", "\x00\xff\xfe<html>::::\n\x01:\x02\n", "/a", true},
        {"html page instead", "<html><body>Not found</body></html>", "/", true},
    };
    for (const RobotsCase& c : cases) {
        const QByteArray robots(c.robots, qsizetype(qstrlen(c.robots)) + (c.name == std::string("garbage")));
        EXPECT_EQ(RobotsRules::parse(robots).allowsPath(c.path), c.allowed) << c.name;
    }
}

TEST(RobotsTxt, UrlsAreCheckedByPathAndQuery) {
    const RobotsRules rules = RobotsRules::parse("User-agent: *\nDisallow: /private\nDisallow: /*?print\n");
    struct UrlCase {
        const char* url;
        bool allowed;
    };
    const UrlCase cases[] = {
        {"http://example.com/private/a", false},
        {"http://example.com/", true},
        {"http://example.com", true},
        {"http://example.com/a#/private", true},
        {"http://example.com/a?print=1", false},
        {"http://example.com/%70rivate", false},
        {"http://example.com/a/..\\private\\x", false}, // a backslash is a slash to browsers
        {"http://example.com/pri\tvate", false},
        {"http://example.com/./private", false},
    };
    for (const UrlCase& c : cases)
        EXPECT_EQ(rules.allows(web::parseWebUrl(QString::fromUtf8(c.url))), c.allowed) << c.url;
    EXPECT_FALSE(RobotsRules::disallowAll().allows(web::parseWebUrl(u"http://example.com/")));
    EXPECT_TRUE(RobotsRules().allows(web::parseWebUrl(u"http://example.com/")));
}

TEST(RobotsTxt, OnlyTheFirstPartOfAHugeFileIsRead) {
    QByteArray robots = "User-agent: *\n";
    robots += QByteArray("# filler\n").repeated(RobotsRules::kMaxBytes / 9 + 1);
    robots += "Disallow: /late\n";
    EXPECT_TRUE(RobotsRules::parse(robots).allowsPath("/late"));
}

// Each kind of line crawlers cannot read is named at its line; lines that only look odd are not.
TEST(RobotsTxt, LinesCrawlersCannotReadAreNamed) {
    struct LineCase {
        const char* robots;
        int line; // 0: no problem
        const char* says;
    };
    const LineCase cases[] = {
        {"User-agent: *\nDisallow /a", 2, "no \"field: value\""},
        {"User-agent: *\nDisalow: /a", 2, "\"disalow\" is no field"},
        {"User-agent: *\r\nCrawl-delay: 5\r\nClean-param: a\rHost: x\nNoindex: /a\nRequest-rate: 1/5\n"
         "Visit-time: 0600-0845",
         0, ""},
        {"User-agent: *\nUser-agent:", 2, "names no crawler"},
        {"Disallow: /a\nUser-agent: *", 1, "before any user-agent"},
        {"Sitemap: /s.xml\nUser-agent: *", 1, "not an absolute address"},
        {"Sitemap: mailto:a@example.com", 1, "not http, https or ftp"},
        {"Sitemap: ftp://example.com/s.xml\nUser-agent: *\nDisallow:", 0, ""},
        {"User-agent: *\n\n# note\nAllow: page", 4, "neither \"/\" nor \"*\""},
        {"User-agent: *\nDisallow: /a$b", 2, "\"$\" ends a pattern"},
        {"\xEF\xBB\xBF  user-agent : bot # hi\nallow: *.gif$\n", 0, ""},
        {"User-agent: *\nDisallow: /\nUser-agent: bot\nAllow: /a", 0, ""},
        {"<html>", 1, "no \"field: value\""},
    };
    for (const LineCase& c : cases) {
        const RobotsTxtCheck check = checkRobotsTxt(c.robots);
        ASSERT_EQ(check.problems.size(), c.line ? 1 : 0) << c.robots;
        if (c.line) {
            EXPECT_EQ(check.problems[0].line, c.line) << c.robots;
            EXPECT_TRUE(check.problems[0].message.contains(QString::fromUtf8(c.says)))
                << c.robots << " " << check.problems[0].message.toStdString();
        }
        EXPECT_FALSE(check.cut);
    }
}

TEST(RobotsTxt, LinesPastTheReadPartAreNotChecked) {
    QByteArray robots = "User-agent: *\nbad line\n";
    robots += QByteArray("# filler\n").repeated(RobotsRules::kMaxBytes / 9 + 1);
    robots += "another bad line\n";
    const RobotsTxtCheck check = checkRobotsTxt(robots);
    ASSERT_EQ(check.problems.size(), 1);
    EXPECT_EQ(check.problems[0].line, 2);
    EXPECT_EQ(check.problems[0].text, QStringLiteral("bad line"));
    EXPECT_TRUE(check.cut);
    EXPECT_EQ(check.linesRead, 2 + (RobotsRules::kMaxBytes - 23) / 9); // the two lines and whole fillers
}

} // namespace
