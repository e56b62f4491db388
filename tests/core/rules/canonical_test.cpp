// The rules of the canonical links: each against a page that triggers it and
// a page that just does not.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

const QList<RuleCase> kCases = {
    {"two canonicals",
     "canonical-multiple",
     inHead(QStringLiteral("<link rel=canonical href=https://example.com/x>")),
     {}},
    {"one canonical twice", "canonical-multiple", inHead(kCanonical), {}, true},
    {"canonical invalid", "canonical-invalid", canonical(QStringLiteral("https://")),
     canonical(QStringLiteral("https://example.com/"))},
    {"canonical a browser parses", "canonical-invalid", canonical(QStringLiteral("https://exa mple.com/")),
     canonical(QStringLiteral("https://example.com/a b|{%/100%"))},
    {"canonical bad port", "canonical-invalid", canonical(QStringLiteral("https://example.com:99999/")),
     canonical(QStringLiteral("https://example.com:8443/"))},
    {"canonical in a Link header", "canonical-invalid",
     header("Link", "<https://exa mple.com/>; rel=\"canonical\""),
     header("Link", "<https://example.com/tools/balcony>; rel=canonical")},
    {"header and head canonicals differ", "canonical-conflict",
     header("Link", "<https://example.com/other>; rel=\"canonical\""),
     header("Link", "<https://example.com/tools/balcony>; rel=\"preload canonical\"")},
    {"canonical relative", "canonical-relative", canonical(QStringLiteral("/tools/balcony")),
     canonical(QStringLiteral("https://example.com/tools/balcony"))},
    {"canonical root", "canonical-root", canonical(QStringLiteral("https://example.com/")),
     both(canonical(QStringLiteral("https://example.com/")),
          {{}, [](PageInput& p) { p.address = QStringLiteral("https://example.com/"); }})},
    {"canonical other site's root", "canonical-root", canonical(QStringLiteral("https://example.com/")),
     canonical(QStringLiteral("https://example.org/"))},
    {"canonical to another language", "canonical-hreflang",
     both(both(hreflang("en", kAddress), hreflang("de", "https://example.com/de/tools")),
          canonical(QStringLiteral("https://example.com/de/tools"))),
     both(hreflang("en", kAddress), hreflang("de", "https://example.com/de/tools"))},
    {"canonical in body", "canonical-outside-head", inBody(kCanonical), {}},
};

INSTANTIATE_TEST_SUITE_P(Canonical, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
