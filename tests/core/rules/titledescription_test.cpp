// The rules of the title and the meta description: each against a page that triggers it and
// a page that just does not.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

const QList<RuleCase> kCases = {
    {"title missing", "title-missing", {{{kTitle, QString()}}}, {}},
    {"title in body is still the title",
     "title-missing",
     {{{kTitle, QString()}}},
     {{{kTitle, QString()}, {kBody, kBody + kTitle}}}},
    {"description in body is reported once",
     "description-missing",
     {{{kDescription, QString()}}},
     {{{kDescription, QString()}, {kBody, kBody + kDescription}}}},
    {"title empty", "title-empty", title(QStringLiteral(" \t ")), title(QStringLiteral("A"))},
    {"title twice",
     "title-multiple",
     inHead(QStringLiteral("<title>Another title of thirty odd chars</title>")),
     {}},
    {"title after body content", "title-outside-head", inBody(kTitle), {}},
    {"title after a div in the head",
     "title-outside-head",
     {{{kTitle, QString()}, {kHeadEnd, QStringLiteral("<div></div>") + kTitle + kHeadEnd}}},
     {{{kTitle, QString()}, {kHeadEnd, QStringLiteral("<script></script>") + kTitle + kHeadEnd}}}},
    {"title 29 characters", "title-length", title(QString(29, u'a')), title(QString(30, u'a'))},
    {"title 61 characters", "title-length", title(QString(61, u'i')), title(QString(60, u'i'))},
    {"title blanks collapse", "title-length", title(QStringLiteral("  short   title  ")),
     title(QStringLiteral("  a title   with blanks that still counts  "))},
    {"title too wide", "title-width", title(kW31), title(kW30)},
    {"description missing", "description-missing", {{{kDescription, QString()}}}, {}},
    {"description name case",
     "description-missing",
     {{{kDescription, QString()}}},
     {{{QStringLiteral("name=\"description\""), QStringLiteral("NAME=\"Description\"")}}}},
    {"description empty", "description-empty", description(QStringLiteral("  ")),
     description(QStringLiteral("x"))},
    {"description no content",
     "description-empty",
     {{{kDescription, QStringLiteral("<meta name=description>")}}},
     {}},
    {"description twice", "description-multiple", inHead(kDescription), {}},
    {"description after body content", "description-outside-head", inBody(kDescription), {}},
    {"description 69 characters", "description-length", description(QString(69, u'a')),
     description(QString(70, u'a'))},
    {"description 156 characters", "description-length", description(QString(156, u'i')),
     description(QString(155, u'i'))},
    {"description too wide", "description-width", description(QString(70, u'W')),
     description(QString(69, u'W'))},
};

INSTANTIATE_TEST_SUITE_P(TitleDescription, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
