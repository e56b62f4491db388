// The rules of the Open Graph and card tags: each against a page that triggers it and
// a page that just does not.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

const QList<RuleCase> kCases = {
    {"og:image:url is og:image",
     "og-missing",
     {{{QStringLiteral("<meta property=\"og:image\" content=\"https://example.com/tools.png\">"),
        QString()}}},
     {{{QStringLiteral("property=\"og:image\""), QStringLiteral("property=\"og:image:url\"")}}}},
    {"og:type missing",
     "og-missing",
     {{{QStringLiteral("<meta property=\"og:type\" content=\"article\">"), QString()}}},
     {{{QStringLiteral("<meta property=\"og:type\" content=\"article\">"),
        QStringLiteral("<meta name=\"og:type\" content=\"article\">")}}}},
    {"og:image relative",
     "og-relative",
     {{{QStringLiteral("https://example.com/tools.png"), QStringLiteral("/tools.png")}}},
     {}},
    {"og:url relative",
     "og-relative",
     {{{QStringLiteral("\"og:url\" content=\"https://example.com/tools/balcony"),
        QStringLiteral("\"og:url\" content=\"tools/balcony")}}},
     {}},
    {"twitter card", "twitter-card-invalid", inHead(QStringLiteral("<meta name=twitter:card content=large>")),
     inHead(QStringLiteral("<meta name=twitter:card content=summary_large_image>"))},
};

INSTANTIATE_TEST_SUITE_P(Social, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
