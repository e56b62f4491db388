// The rules of the robots directives and robots.txt: each against a page that triggers it and
// a page that just does not.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

const QList<RuleCase> kCases = {
    {"noindex", "robots-noindex", inHead(QStringLiteral("<meta name=robots content=\"NOINDEX, follow\">")),
     inHead(QStringLiteral("<meta name=robots content=\"index, follow\">"))},
    {"none for googlebot", "robots-noindex", inHead(QStringLiteral("<meta name=googlebot content=none>")),
     inHead(QStringLiteral("<meta name=otherbot content=none>"))},
    {"noindex header", "robots-noindex", header("X-Robots-Tag", "noindex"),
     header("X-Robots-Tag", "otherbot: noindex")},
    {"noindex header for googlebot", "robots-noindex", header("x-robots-tag", "googlebot: noindex, nofollow"),
     header("X-Robots-Tag", "googlebot: nosnippet")},
    {"nofollow", "robots-nofollow", inHead(QStringLiteral("<meta name=robots content=nofollow>")),
     inHead(QStringLiteral("<meta name=robots content=noindex>"))},
    {"unavailable_after past", "robots-unavailable",
     inHead(QStringLiteral("<meta name=robots content=\"unavailable_after: 2026-05-31\">")),
     inHead(QStringLiteral("<meta name=robots content=\"unavailable_after: 2026-06-02\">"))},
    {"unavailable_after numeric zone", "robots-unavailable",
     header("X-Robots-Tag", "unavailable_after: Sun, 31 May 2026 15:00:00 +0000"),
     header("X-Robots-Tag", "unavailable_after: 2026-06-01T10:00:00-0700")},
    {"robots.txt disallows Googlebot", "robots-txt-blocked",
     robotsTxt("User-agent: Googlebot\nDisallow: /tools/\n"),
     robotsTxt("User-agent: Googlebot\nDisallow: /private/\nUser-agent: *\nDisallow: /\n")},
    {"unavailable_after RFC 850", "robots-unavailable",
     header("X-Robots-Tag", "unavailable_after: Sunday, 31-May-26 15:00:00 GMT"),
     header("X-Robots-Tag", "unavailable_after: 25 Jun 2026 15:00:00 PST")},
};

INSTANTIATE_TEST_SUITE_P(Robots, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
