// The rules of the viewport and the page language: each against a page that triggers it and
// a page that just does not.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

const QList<RuleCase> kCases = {
    {"viewport missing", "viewport-missing", {{{kViewport, QString()}}}, {}},
    {"viewport in body only", "viewport-missing", {{{kViewport, QString()}, {kBody, kBody + kViewport}}}, {}},
    {"user-scalable",
     "viewport-blocks-zoom",
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1, user-scalable=no")}}},
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1, user-scalable=yes")}}}},
    {"maximum-scale below 2",
     "viewport-blocks-zoom",
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1; maximum-scale=1.9")}}},
     {{{QStringLiteral("initial-scale=1"), QStringLiteral("initial-scale=1; maximum-scale=5")}}}},
    {"maximum-scale below 5 is a note", "viewport-blocks-zoom",
     viewport("width=device-width maximum-scale=4.9"), viewport("width=device-width, maximum-scale=-1"),
     true},
    {"maximum-scale yes is 1", "viewport-blocks-zoom", viewport("width=device-width, maximum-scale=yes"),
     viewport("width=device-width, maximum-scale=device-width")},
    {"user-scalable between -1 and 1", "viewport-blocks-zoom",
     viewport("width=device-width, user-scalable=0.5"), viewport("width=device-width, user-scalable=-1")},
    {"a viewport key given twice keeps its last value", "viewport-blocks-zoom",
     viewport("width=device-width, user-scalable=yes, user-scalable=no"),
     viewport("width=device-width, user-scalable=no, user-scalable=yes")},
    {"every viewport is checked", "viewport-blocks-zoom",
     inHead(QStringLiteral("<meta name=viewport content=\"user-scalable = no\">")),
     inHead(QStringLiteral("<meta name=viewport content=\"initial-scale=2\">"))},
    {"viewport without width or scale", "viewport-invalid", viewport("user-scalable=yes"),
     viewport("width=600")},
    {"viewport zoomed out", "viewport-invalid", viewport("width=device-width, initial-scale=0.5"),
     viewport("initial-scale=1.0")},
    {"lang not a language", "lang-invalid", lang("english"), lang("en-US")},
    {"lang with underscore", "lang-invalid", lang("en_US"), lang("haw")},
    {"lang",
     "lang-missing",
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html lang=\"\">")}}},
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html LANG=de>")}}}},
    {"lang on a later html tag",
     "lang-missing",
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html>")}}},
     {{{QStringLiteral("<html lang=\"en\">"), QStringLiteral("<html>")}, {kBody, kBody + "<html lang=en>"}}}},
};

INSTANTIATE_TEST_SUITE_P(ViewportLang, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
