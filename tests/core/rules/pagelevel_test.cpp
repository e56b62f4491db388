// The rules of the status, obsolete tags, refresh and a head closed early: each against a page that triggers
// it and a page that just does not.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

const QList<RuleCase> kCases = {
    {"status 404", "http-status", status(404), status(399)},
    {"status 599", "http-status", status(599), status(600)},
    {"keywords", "meta-obsolete", inHead(QStringLiteral("<meta name=keywords content=\"a, b\">")),
     inHead(QStringLiteral("<meta name=author content=\"a, b\">"))},
    {"revisit-after",
     "meta-obsolete",
     inBody(QStringLiteral("<meta name=revisit-after content=\"7 days\">")),
     {}},
    {"refresh", "meta-refresh", inHead(QStringLiteral("<meta http-equiv=refresh content=\"5; url=/\">")),
     inHead(QStringLiteral("<meta http-equiv=expires content=0>"))},
    {"refresh at once is a redirect note", "meta-refresh",
     inHead(QStringLiteral("<meta http-equiv=refresh content=\"0; URL='/new'\">")),
     inHead(QStringLiteral("<meta http-equiv=refresh content=\"72001\">")), true},
    {"head closed by an image",
     "head-closed-early",
     {{{QStringLiteral("<head>\n"), QStringLiteral("<head>\n<img src=\"pixel.gif\">\n")}}},
     {{{QStringLiteral("<head>\n"),
        QStringLiteral("<head>\n<noscript><img src=\"pixel.gif\"></noscript>\n")}}}},
};

INSTANTIATE_TEST_SUITE_P(PageLevel, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
