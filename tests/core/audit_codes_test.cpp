// Charset labels by the WHATWG Encoding Standard; language and region codes by ISO 639 and ISO 3166-1.

#include "core/web/encodinglabels.h"
#include "core/web/languagecodes.h"

#include <gtest/gtest.h>

using namespace headwise::web;

namespace {

TEST(AuditCodes, EncodingLabels) {
    struct Row {
        const char16_t* label;
        const char* encoding; // "" for no encoding
        bool singleByte;
    };
    const Row rows[] = {
        // Labels that name another encoding than their words suggest.
        {u"iso-8859-1", "windows-1252", true},
        {u"latin1", "windows-1252", true},
        {u"us-ascii", "windows-1252", true},
        {u"ansi_x3.4-1968", "windows-1252", true},
        {u"iso-8859-9", "windows-1254", true},
        {u"latin5", "windows-1254", true},
        {u"iso-8859-11", "windows-874", true},
        {u"gb2312", "gbk", false},
        {u"chinese", "gbk", false},
        {u"x-gbk", "gbk", false},
        {u"ks_c_5601-1987", "euc-kr", false},
        {u"korean", "euc-kr", false},
        {u"utf-16", "utf-16le", false},
        {u"unicode", "utf-16le", false},
        {u"ucs-2", "utf-16le", false},
        {u"unicodefffe", "utf-16be", false},
        {u"unicode-1-1-utf-8", "utf-8", false},
        {u"unicode20utf8", "utf-8", false},
        {u"utf8", "utf-8", false},
        {u"iso-2022-kr", "replacement", false},
        {u"csiso2022kr", "replacement", false},
        {u"hz-gb-2312", "replacement", false},
        {u"koi8-ru", "koi8-u", true},
        // Two encodings with one byte table; the -i one must stay apart.
        {u"visual", "iso-8859-8", true},
        {u"logical", "iso-8859-8-i", true},
        {u"866", "ibm866", true},
        {u"x-mac-ukrainian", "x-mac-cyrillic", true},
        {u"shift_jis", "shift_jis", false},
        // One byte a character, but not among the standard's single-byte encodings.
        {u"x-user-defined", "x-user-defined", false},
        // ASCII whitespace and ASCII case only.
        {u"  UTF-8 ", "utf-8", false},
        {u"\t\n\f\rIso-8859-2\r", "iso-8859-2", true},
        {u"\vutf-8", "", false},
        {u"utf-8\u00a0", "", false},
        {u"\u212aoi8-r", "", false}, // Kelvin sign, which Unicode lowercases to 'k'
        {u"\u0175tf-8", "", false},  // the low byte of U+0175 is 'u'
        {u"utf-8x", "", false},
        {u"utf-7", "", false},
        {u"utf-32", "", false},
        {u"", "", false},
        {u" ", "", false},
    };
    for (const Row& row : rows) {
        const QString label = QString::fromUtf16(row.label);
        const QString encoding = encodingForLabel(label);
        EXPECT_EQ(encoding, QLatin1StringView(row.encoding)) << qPrintable(label);
        EXPECT_EQ(isSingleByteEncoding(encoding), row.singleByte) << qPrintable(label);
    }
}

TEST(AuditCodes, LanguageAndRegionCodes) {
    struct Row {
        const char16_t* code;
        bool alpha2;
        bool alpha3;
        bool region;
        const char* meant; // regionMeant
    };
    const Row rows[] = {
        {u"en", true, false, false, ""},
        {u"EN", true, false, false, ""},
        {u"tw", true, false, true, ""},  // Twi; Taiwan
        {u"aa", true, false, false, ""}, // first and last of the tables
        {u"zu", true, false, false, ""},
        {u"AD", false, false, true, ""},
        {u"zw", false, false, true, ""},
        {u"aaa", false, true, false, ""},
        {u"zzj", false, true, false, ""},
        {u"iw", false, false, false, ""},  // withdrawn for "he"
        {u"sh", false, false, true, ""},   // withdrawn Serbo-Croatian; Saint Helena
        {u"bh", false, false, true, ""},   // withdrawn Bihari; Bahrain
        {u"uk", true, false, false, "GB"}, // Ukrainian, yet no region
        {u"UK", true, false, false, "GB"},
        {u"eu", true, false, false, ""}, // Basque; EU is reserved, not assigned
        {u"XK", false, false, false, ""},
        {u"GB", false, false, true, ""},
        {u"gb", false, false, true, ""},
        {u"419", false, false, false, ""},
        {u"haw", false, true, false, ""},
        {u"yue", false, true, false, ""},
        {u"ger", false, true, false, ""},
        {u"DEU", false, true, false, ""},
        {u"abc", false, true, false, ""}, // Ambala Ayta, in ISO 639-3
        {u"qaa", false, true, false, ""},
        {u"qtz", false, true, false, ""},
        {u"qzz", false, false, false, ""},
        {u"xxx", false, false, false, ""},
        {u"xx", false, false, false, ""},
        {u"e", false, false, false, ""},
        {u"english", false, false, false, ""},
        {u"", false, false, false, ""},
        {u"\u212akk", false, false, false, ""}, // Kelvin sign: "kk" and "kaz" only after Unicode folding
        {u"\u212aaz", false, false, false, ""},
        {u"\u0165n", false, false, false, ""}, // the low byte of U+0165 is 'e'
        {u"u\u212a", false, false, false, ""},
    };
    for (const Row& row : rows) {
        const QString code = QString::fromUtf16(row.code);
        EXPECT_EQ(isIso639Alpha2(code), row.alpha2) << qPrintable(code);
        EXPECT_EQ(isIso639Alpha3(code), row.alpha3) << qPrintable(code);
        EXPECT_EQ(isIso3166Alpha2(code), row.region) << qPrintable(code);
        EXPECT_EQ(regionMeant(code), QLatin1StringView(row.meant)) << qPrintable(code);
    }
}

} // namespace
