// The rules of the charset declarations: each against a page that triggers it and
// a page that just does not.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

const QList<RuleCase> kCases = {
    {"charset missing", "charset-missing", {{{kCharset, QString()}}}, {}},
    {"charset from http",
     "charset-missing",
     {{{kCharset, QString()}}},
     both({{{kCharset, QString()}}}, raw({}, {}, QStringLiteral("utf-8")))},
    {"charset from BOM",
     "charset-missing",
     {{{kCharset, QString()}}},
     both({{{kCharset, QString()}}}, {{}, [](PageInput& p) { p.bytes.prepend("\xEF\xBB\xBF"); }})},
    {"charset by http-equiv",
     "charset-missing",
     {{{kCharset, QString()}}},
     {{{kCharset,
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">")}}}},
    {"charset after 1024 bytes",
     "charset-late",
     {{{QStringLiteral("<head>\n") + kCharset,
        QStringLiteral("<head>\n<!--%1-->").arg(QString(1000, u'x')) + kCharset}}},
     {{{QStringLiteral("<head>\n") + kCharset,
        QStringLiteral("<head>\n<!--%1-->").arg(QString(940, u'x')) + kCharset}}}},
    {"charset twice", "charset-multiple", inHead(kCharset), {}},
    {"charset differs from http", "charset-mismatch", raw({}, {}, QStringLiteral("iso-8859-1")),
     raw({}, {}, QStringLiteral("UTF-8"))},
    {"bytes invalid in charset", "charset-mismatch", raw("small tools", "small \xE9 tools"),
     raw("small tools", "small \xC3\xA9 tools")},
    {"latin1 labels agree", "charset-mismatch",
     both({{{kCharset, QStringLiteral("<meta charset=\"latin1\">")}}}, raw({}, {}, QStringLiteral("utf-8"))),
     both({{{kCharset, QStringLiteral("<meta charset=\"latin1\">")}}},
          raw({}, {}, QStringLiteral("windows-1252")))},
    {"late charset when http names it", "charset-late",
     both({{{QStringLiteral("<head>\n") + kCharset,
             QStringLiteral("<head>\n<!--%1-->").arg(QString(1000, u'x')) + kCharset}}},
          raw({}, {}, QStringLiteral("utf-8"))),
     raw({}, {}, QStringLiteral("utf-8")), true},
    {"gb2312 is gbk", "charset-mismatch", both(charset("gb2312"), raw({}, {}, QStringLiteral("big5"))),
     both(charset("gb2312"), raw({}, {}, QStringLiteral("GBK")))},
    {"ks_c_5601-1987 is euc-kr", "charset-mismatch",
     both(charset("ks_c_5601-1987"), raw({}, {}, QStringLiteral("utf-8"))),
     both(charset("ks_c_5601-1987"), raw({}, {}, QStringLiteral("euc-kr")))},
    {"iso-8859-9 is windows-1254", "charset-mismatch",
     both(charset("iso-8859-9"), raw({}, {}, QStringLiteral("iso-8859-1"))),
     both(charset("iso-8859-9"), raw({}, {}, QStringLiteral("windows-1254")))},
    {"us-ascii is windows-1252", "charset-mismatch",
     both(charset("us-ascii"), raw({}, {}, QStringLiteral("utf-8"))),
     both(charset("us-ascii"), raw({}, {}, QStringLiteral("iso-8859-1")))},
    {"declaration against the BOM", "charset-mismatch",
     both(raw({}, {}, QStringLiteral("windows-1252")),
          {{}, [](PageInput& p) { p.bytes.prepend("\xEF\xBB\xBF"); }}),
     both(raw({}, {}, QStringLiteral("utf8")), {{}, [](PageInput& p) { p.bytes.prepend("\xEF\xBB\xBF"); }})},
    {"unknown label", "charset-mismatch", charset("utf-9"), charset("unicode-1-1-utf-8")},
    {"meta utf-16 means utf-8", "charset-mismatch", charset("utf-16"), charset("utf-8"), true},
    {"utf-8 bytes declared latin", "charset-wrong",
     both(charset("windows-1252"), raw("small tools", "small caf\xC3\xA9 tools")),
     both(charset("windows-1252"), raw("small tools", "small caf\xE9 tools"))},
    {"utf-8 bytes declared latin by http", "charset-wrong",
     both(raw("small tools", "small caf\xC3\xA9 tools", QStringLiteral("iso-8859-1")),
          {{{kCharset, QString()}}}),
     both(raw("small tools", "small cafe tools", QStringLiteral("iso-8859-1")), {{{kCharset, QString()}}})},
};

INSTANTIATE_TEST_SUITE_P(Charset, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
