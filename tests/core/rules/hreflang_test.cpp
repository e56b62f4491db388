// The rules of the hreflang alternates: each against a page that triggers it and
// a page that just does not.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

const QList<RuleCase> kCases = {
    {"hreflang not a language", "hreflang-invalid", hreflang("english", "https://example.com/"),
     hreflang("en-GB", "https://example.com/")},
    {"hreflang unknown region", "hreflang-invalid", hreflang("en-UK", "https://example.com/"),
     hreflang("es-ES", "https://example.com/")},
    {"hreflang numeric region is a note", "hreflang-invalid", hreflang("es-419", "https://example.com/"),
     hreflang("es", "https://example.com/"), true},
    {"hreflang variant is a note", "hreflang-invalid", hreflang("de-CH-1996", "https://example.com/"),
     hreflang("tw", "https://example.com/"), true},
    {"hreflang underscore", "hreflang-invalid", hreflang("en_GB", "https://example.com/"),
     hreflang("yue-HK", "https://example.com/")},
    {"hreflang in a Link header", "hreflang-invalid",
     header("Link", "<https://example.com/>; rel=\"alternate\"; hreflang=\"xx\""),
     header("Link", "<https://example.com/>; rel=\"alternate\"; hreflang=\"fr\"")},
    {"hreflang without the page itself", "hreflang-no-self", hreflang("de", "https://example.com/de/"),
     both(hreflang("de", "https://example.com/de/"), hreflang("en", kAddress))},
    {"hreflang one code twice", "hreflang-duplicate",
     both(hreflang("de", "https://example.com/de/"), hreflang("DE", "https://example.com/de2/")),
     both(hreflang("de", "https://example.com/de/"), hreflang("de", "https://example.com/de/"))},
    {"hreflang x-default", "hreflang-invalid", hreflang("x-other", "https://example.com/"),
     hreflang("X-Default", "https://example.com/")},
    {"hreflang script", "hreflang-invalid", hreflang("zh-Hanx", "https://example.com/"),
     hreflang("zh-TW", "https://example.com/")},
    {"hreflang known script is a note", "hreflang-invalid", hreflang("zh-Hant-TW", "https://example.com/"),
     hreflang("zh", "https://example.com/"), true},
    {"hreflang relative", "hreflang-relative", hreflang("de", "/de/"),
     hreflang("de", "https://example.com/de/")},
};

INSTANTIATE_TEST_SUITE_P(Hreflang, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
