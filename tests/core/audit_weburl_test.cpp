// Addresses as a browser parses them: what is valid, what it becomes, and what
// a site owner is told when it is not.

#include "weburl.h"

#include <gtest/gtest.h>

using namespace headwise::audit;

namespace {

TEST(WebUrl, ParsesAsBrowsersDo) {
    const WebUrl base = parseWebUrl(u"https://rugs.example/dir/page");
    ASSERT_TRUE(base.valid);
    const struct {
        const char* input;
        bool relative;     // against base
        const char* href;  // empty: not valid
        const char* error; // a piece of the message when not valid
    } cases[] = {
        {"https://example.com/a b|{%/100%", false, "https://example.com/a%20b|%7B%/100%", ""},
        {"HTTPS://EXAMPLE.com:443/./x/../y?q#f", false, "https://example.com/y?q#f", ""},
        {"  http://a\t.example/\n ", false, "http://a.example/", ""},
        {"http://0x7f.1/", false, "http://127.0.0.1/", ""},
        {"http://%41.com/", false, "http://a.com/", ""},
        {"https://b\xC3\xBC"
         "cher.example/",
         false, "https://xn--bcher-kva.example/", ""},
        {"http:example.com", false, "http://example.com/", ""},
        {"mailto:a@b", false, "mailto:a@b", ""},
        {"file:///tmp/x.html", false, "file:///tmp/x.html", ""},
        {"https://[::1]:8080/", false, "https://[::1]:8080/", ""},
        {"https://exa mple.com/", false, "", "the host \"exa mple.com\" is not valid"},
        {"https://example.com:99999/", false, "", "the port \"99999\" is out of range"},
        {"https://example.com:80a/", false, "", "the port \"80a\" is not a number"},
        {"https://[::1/", false, "", "IPv6"},
        {"https://", false, "", "no host"},
        {"http//example.com", false, "", "no scheme"},
        {"/tools", false, "", "no scheme"},
        {"/tools?a#b", true, "https://rugs.example/tools?a#b", ""},
        {"../x", true, "https://rugs.example/x", ""},
        {"%2e%2E/x", true, "https://rugs.example/x", ""},
        {"//host.example\\x", true, "https://host.example/x", ""},
        {"#top", true, "https://rugs.example/dir/page#top", ""},
    };
    for (const auto& c : cases) {
        const QString input = QString::fromUtf8(c.input);
        const WebUrl url = parseWebUrl(input, c.relative ? &base : nullptr);
        EXPECT_EQ(url.valid, *c.href != '\0') << c.input;
        EXPECT_EQ(url.href, QString::fromUtf8(c.href)) << c.input;
        if (!url.valid) {
            EXPECT_TRUE(url.error.contains(QString::fromUtf8(c.error)))
                << c.input << ": " << url.error.toStdString();
        }
    }
}

TEST(WebUrl, PartsOfAParsedAddress) {
    const WebUrl url = parseWebUrl(u"HTTP://Example.COM:8080/a/b?x=1#frag");
    EXPECT_EQ(url.scheme, QStringLiteral("http"));
    EXPECT_EQ(url.host, QStringLiteral("example.com"));
    EXPECT_EQ(url.port, 8080);
    EXPECT_EQ(url.path, QStringLiteral("/a/b"));
    EXPECT_EQ(url.query, QStringLiteral("x=1"));
    EXPECT_EQ(url.fragment, QStringLiteral("frag"));
    EXPECT_TRUE(url.isSpecial());
    EXPECT_EQ(parseWebUrl(u"https://example.com:443/").port, -1); // the scheme's own port
    EXPECT_TRUE(parseWebUrl(u"mailto:a@b").host.isNull());
}

} // namespace
