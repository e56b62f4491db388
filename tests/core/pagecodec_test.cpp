#include "core/page/pagecodec.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>

using namespace headwise;

namespace {

// Readable failure output: texts as UTF-8, bytes as hex.
std::string shown(const QString& text) {
    return text.toStdString();
}
std::string shown(const QByteArray& bytes) {
    return bytes.toHex(' ').toStdString();
}

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

QByteArray utf16le(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QByteArray utf16be(const QString& text) {
    QByteArray out;
    for (QChar c : text) {
        out += static_cast<char>(c.unicode() >> 8);
        out += static_cast<char>(c.unicode() & 0xFF);
    }
    return out;
}

struct DecodeCase {
    const char* label;
    QByteArray bytes;
    QByteArray declared;
    QString text;
    PageEncoding encoding;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.label;
}

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, FindsEncodingAndText) {
    const DecodeCase& c = GetParam();
    const DecodedPage page = decodePage(c.bytes, c.declared);
    EXPECT_EQ(shown(page.text), shown(c.text));
    EXPECT_EQ(shown(page.encoding.name), shown(c.encoding.name));
    EXPECT_EQ(page.encoding.bom, c.encoding.bom);
    EXPECT_EQ(page.encoding.lineBreak, c.encoding.lineBreak);
}

const PageEncoding kUtf8Lf{"UTF-8", false, LineBreak::Lf};
const PageEncoding kCp1252Lf{"windows-1252", false, LineBreak::Lf};

INSTANTIATE_TEST_SUITE_P(
    Charsets, DecodeTest,
    ::testing::Values(
        DecodeCase{"Utf8Bom",
                   "\xEF\xBB\xBF"
                   "caf\xC3\xA9\n",
                   {},
                   u"café\r\n"_qs,
                   {"UTF-8", true, LineBreak::Lf}},
        DecodeCase{"Utf16LeBom",
                   "\xFF\xFE" + utf16le(u"h€\r\n"_qs),
                   {},
                   u"h€\r\n"_qs,
                   {"UTF-16LE", true, LineBreak::CrLf}},
        DecodeCase{"Utf16BeBom",
                   "\xFE\xFF" + utf16be(u"h€\n"_qs),
                   {},
                   u"h€\r\n"_qs,
                   {"UTF-16BE", true, LineBreak::Lf}},
        DecodeCase{"BomBeatsDeclared",
                   "\xEF\xBB\xBF\xC3\xA9",
                   "windows-1252",
                   u"é"_qs,
                   {"UTF-8", true, LineBreak::Lf}},
        DecodeCase{"SecondBomIsText",
                   "\xEF\xBB\xBF\xEF\xBB\xBFx",
                   {},
                   u"\uFEFFx"_qs,
                   {"UTF-8", true, LineBreak::Lf}},
        DecodeCase{"DeclaredBeatsMeta", "<meta charset=utf-8>\xE9", "ISO-8859-1", u"<meta charset=utf-8>é"_qs,
                   kCp1252Lf},
        DecodeCase{"MetaBeatsValidUtf8",
                   "<meta charset=\"windows-1252\">\xC3\xA9",
                   {},
                   u"<meta charset=\"windows-1252\">Ã©"_qs,
                   kCp1252Lf},
        DecodeCase{"HttpEquivMeta",
                   "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-1\">\x93q\x94",
                   {},
                   u"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-1\">“q”"_qs,
                   kCp1252Lf},
        DecodeCase{"MetaSingleQuotedWithBlanks",
                   "<meta charset = 'windows-1252' >\x80",
                   {},
                   u"<meta charset = 'windows-1252' >€"_qs,
                   kCp1252Lf},
        DecodeCase{
            "MetaUtf16MeansUtf8", "<meta charset=utf-16>\xC3\xA9", {}, u"<meta charset=utf-16>é"_qs, kUtf8Lf},
        DecodeCase{"MetaUnicodeAliasMeansUtf8",
                   "<meta charset=unicode>\xC3\xA9",
                   {},
                   u"<meta charset=unicode>é"_qs,
                   kUtf8Lf},
        DecodeCase{"MetaLooseUtf32LabelFallsBack",
                   "<meta charset=\"utf3-2\">\xE9",
                   {},
                   u"<meta charset=\"utf3-2\">é"_qs,
                   kCp1252Lf},
        DecodeCase{"MetaUtf32MeansUtf8",
                   "<meta charset=utf-32le>\xC3\xA9",
                   {},
                   u"<meta charset=utf-32le>é"_qs,
                   kUtf8Lf},
        DecodeCase{"CharsetOutsideMetaIgnored",
                   "<p>charset=windows-1252</p>\xC3\xA9",
                   {},
                   u"<p>charset=windows-1252</p>é"_qs,
                   kUtf8Lf},
        DecodeCase{
            "SniffedMultiByte", "\xE2\x82\xAC \xF0\x9F\x98\x80 \xE4\xB8\xAD", {}, u"€ 😀 中"_qs, kUtf8Lf},
        DecodeCase{"InvalidUtf8FallsBack", "caf\xE9 \x80", {}, u"café €"_qs, kCp1252Lf},
        DecodeCase{"TruncatedSequenceFallsBack", "ok \xE2\x82", {}, u"ok â‚"_qs, kCp1252Lf},
        DecodeCase{"EncodedSurrogateIsInvalid", "\xED\xA0\x80", {}, u"í\u00A0€"_qs, kCp1252Lf},
        DecodeCase{"DeclaredUtf8ThatDoesNotFit", "caf\xE9", "utf-8", u"café"_qs, kCp1252Lf},
        DecodeCase{"UnknownDeclaredIgnored", "\xC3\xA9", "x-no-such-charset", u"é"_qs, kUtf8Lf},
        DecodeCase{"DeclaredShiftJis",
                   "\x93\xFA\x96\x7B",
                   "Shift_JIS",
                   u"日本"_qs,
                   {"Shift_JIS", false, LineBreak::Lf}},
        DecodeCase{"ShiftJisCutOffFallsBack", "\x93\xFA\x93", "Shift_JIS", u"“ú“"_qs, kCp1252Lf},
        DecodeCase{"UndefinedCp1252BytesKept",
                   bytesOf({0x81, 0x8D, 0x8F, 0x90, 0x9D, 0xFF}),
                   {},
                   u"\u0081\u008D\u008F\u0090\u009Dÿ"_qs,
                   kCp1252Lf},
        DecodeCase{"UserDefinedDeclared",
                   "a\x80\xFF",
                   "x-user-defined",
                   u"a\uF780\uF7FF"_qs,
                   {"x-user-defined", false, LineBreak::Lf}},
        DecodeCase{"UserDefinedMetaMeansCp1252",
                   "<meta charset=x-user-defined>\x93",
                   {},
                   u"<meta charset=x-user-defined>“"_qs,
                   kCp1252Lf},
        DecodeCase{"Utf16DeclaredIsLittleEndian",
                   bytesOf({'a', 0, 0xAC, 0x20}),
                   "utf-16",
                   u"a€"_qs,
                   {"UTF-16LE", false, LineBreak::Lf}},
        DecodeCase{"Utf16DeclaredOddLengthFallsBack", QByteArray("a\0b", 3), "utf-16le",
                   QString::fromUtf16(u"a\0b", 3), kUtf8Lf},
        DecodeCase{"ReplacementDeclared",
                   "<p>\x1B$)C</p>",
                   "hz-gb-2312",
                   u"\uFFFD"_qs,
                   {"replacement", false, LineBreak::Lf}},
        DecodeCase{"ReplacementMeta",
                   "<meta charset=iso-2022-kr>",
                   {},
                   u"\uFFFD"_qs,
                   {"replacement", false, LineBreak::Lf}},
        DecodeCase{"EmptyReplacement", {}, "replacement", {}, {"replacement", false, LineBreak::Lf}},
        DecodeCase{"Windows874UndefinedByteFallsBack", "\xA1\xDB", "windows-874", u"¡Û"_qs, kCp1252Lf},
        DecodeCase{"LabelBrowsersLackIgnored", "\xC8\x85\x93", "ibm037", u"È…“"_qs, kCp1252Lf},
        DecodeCase{"NulBytesKept", QByteArray("a\0b", 3), {}, QString::fromUtf16(u"a\0b", 3), kUtf8Lf},
        DecodeCase{"OddUtf16BomLengthReadAsBytes",
                   "\xFF\xFE"
                   "a",
                   {},
                   u"ÿþa"_qs,
                   kCp1252Lf},
        DecodeCase{"Empty", {}, {}, {}, kUtf8Lf}),
    [](const auto& info) { return std::string(info.param.label); });

// A label as a page's <meta> and as a server's header gives it: the telling
// bytes of its encoding decode by the WHATWG table and write back unchanged.
struct LabelCase {
    const char* label;
    QByteArray bytes;
    QString text;
    const char* name;
};

void PrintTo(const LabelCase& c, std::ostream* os) {
    *os << c.label;
}

class LabelTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelTest, DecodesByTheWebsTableAndWritesTheSameBytes) {
    const LabelCase& c = GetParam();
    const QByteArray meta = QByteArray("<meta charset=\"") + c.label + "\">";
    const struct {
        QByteArray bytes, declared;
        QString text;
    } pages[] = {{meta + c.bytes, {}, QString::fromLatin1(meta) + c.text}, {c.bytes, c.label, c.text}};
    for (const auto& page : pages) {
        const DecodedPage decoded = decodePage(page.bytes, page.declared);
        EXPECT_EQ(shown(decoded.text), shown(page.text)) << shown(page.declared);
        EXPECT_EQ(shown(decoded.encoding.name), c.name) << shown(page.declared);
        EXPECT_EQ(shown(encodePage(decoded.text, decoded.encoding)), shown(page.bytes))
            << shown(page.declared);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelTest,
    ::testing::Values(LabelCase{"iso-8859-1", "\x93q\x94\xE9", u"“q”é"_qs, "windows-1252"},
                      LabelCase{"latin1", "\x93q\x94", u"“q”"_qs, "windows-1252"},
                      LabelCase{"iso88591", "\x93q\x94", u"“q”"_qs, "windows-1252"},
                      LabelCase{"us-ascii", "\x93q\x94\x80", u"“q”€"_qs, "windows-1252"},
                      LabelCase{"ASCII", "\x93q\x94", u"“q”"_qs, "windows-1252"},
                      LabelCase{"x-cp1252", bytesOf({0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x9F}),
                                u"\u0081\u008D\u008F\u0090\u009DŸ"_qs, "windows-1252"},
                      LabelCase{"tis-620", "\x93\xA1\xDA\xDF\xFB\x94", u"“กฺ฿๛”"_qs, "windows-874"},
                      LabelCase{"dos-874", "\x80\x85\x81\x9F\xA0", u"€…\u0081\u009F\u00A0"_qs, "windows-874"},
                      LabelCase{"sjis", "\x93\xFA\x96\x7B", u"日本"_qs, "Shift_JIS"}),
    [](const auto& info) {
        std::string name = info.param.label;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

struct LineBreakCase {
    const char* label;
    QByteArray bytes;
    QString text;
    LineBreak style;
};

void PrintTo(const LineBreakCase& c, std::ostream* os) {
    *os << c.label;
}

class LineBreakTest : public ::testing::TestWithParam<LineBreakCase> {};

TEST_P(LineBreakTest, TextGetsCrLfAndStyleIsKept) {
    const LineBreakCase& c = GetParam();
    QByteArray utf8;
    const DecodedPage page = decodePage(c.bytes, {}, &utf8);
    EXPECT_EQ(shown(page.text), shown(c.text));
    EXPECT_EQ(page.encoding.lineBreak, c.style);
    EXPECT_EQ(utf8, page.text.toUtf8()); // what the audit's parser reads
}

INSTANTIATE_TEST_SUITE_P(
    Styles, LineBreakTest,
    ::testing::Values(
        LineBreakCase{"Lf", "a\nb\n", "a\r\nb\r\n", LineBreak::Lf},
        LineBreakCase{"CrLf", "a\r\nb", "a\r\nb", LineBreak::CrLf},
        LineBreakCase{"Cr", "a\rb\r", "a\r\nb\r\n", LineBreak::Cr},
        LineBreakCase{"MixedMostlyLf", "a\nb\nc\r\nd", "a\r\nb\r\nc\r\nd", LineBreak::Lf},
        LineBreakCase{"MixedMostlyCrLf", "a\r\nb\r\nc\nd\r", "a\r\nb\r\nc\r\nd\r\n", LineBreak::CrLf},
        LineBreakCase{"LfThenCrIsTwoBreaks", "\n\r", "\r\n\r\n", LineBreak::Lf},
        LineBreakCase{"CrBeforeCrLf", "x\r\r\ny", "x\r\n\r\ny", LineBreak::CrLf},
        LineBreakCase{"NoBreaks", "one line", "one line", LineBreak::Lf},
        LineBreakCase{"Utf8WithBom", "\xEF\xBB\xBF\xC3\xA9\n\xEF\xBB\xBFx\r", u"é\r\n\ufeffx\r\n"_qs,
                      LineBreak::Lf},
        LineBreakCase{"Windows1252", "\x93q\x94\r\n\x80\n", u"“q”\r\n€\r\n"_qs, LineBreak::CrLf},
        LineBreakCase{"Utf16",
                      QByteArray("\xFF\xFE"
                                 "a\0\n\0\r\0",
                                 8),
                      "a\r\n\r\n", LineBreak::Lf}),
    [](const auto& info) { return std::string(info.param.label); });

struct RoundTripCase {
    const char* label;
    QByteArray bytes;
    QByteArray declared;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.label;
}

class RoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, UneditedPageGivesIdenticalBytes) {
    const RoundTripCase& c = GetParam();
    const DecodedPage page = decodePage(c.bytes, c.declared);
    EXPECT_EQ(shown(encodePage(page.text, page.encoding)), shown(c.bytes));
}

// Every byte value once; CR is left out, since a lone CR among LFs is a
// mixed page whose breaks all take the most frequent style.
QByteArray everyByte() {
    QByteArray out;
    for (int b = 0; b < 256; ++b)
        if (b != '\r')
            out += static_cast<char>(b);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, RoundTripTest,
    ::testing::Values(RoundTripCase{"Lf", "<html>\n<head><title>caf\xC3\xA9</title></head>\n</html>\n", {}},
                      RoundTripCase{"CrLf", "<html>\r\n<body>\xE2\x82\xAC</body>\r\n</html>", {}},
                      RoundTripCase{"Cr", "<html>\r<body>x</body>\r", {}},
                      RoundTripCase{"Utf8Bom", "\xEF\xBB\xBF<p>\xF0\x9F\x98\x80</p>\r\n", {}},
                      RoundTripCase{"Utf16LeBom", "\xFF\xFE" + utf16le(u"<p>中😀</p>\n"_qs), {}},
                      RoundTripCase{"Utf16BeBom", "\xFE\xFF" + utf16be(u"<p>中😀</p>\r\n"_qs), {}},
                      RoundTripCase{
                          "Windows1252", "<meta charset=windows-1252>\n\x93quoted\x94 caf\xE9 \x80\n", {}},
                      RoundTripCase{"EveryByteSniffed", everyByte(), {}},
                      RoundTripCase{"EveryByteDeclaredLatin1", everyByte(), "iso-8859-1"},
                      RoundTripCase{"ShiftJisDeclared", "\x93\xFA\x96\x7B\n\x82\xA0", "shift_jis"}),
    [](const auto& info) { return std::string(info.param.label); });

struct EncodeCase {
    const char* label;
    QString text;
    PageEncoding encoding;
    QByteArray bytes;
};

void PrintTo(const EncodeCase& c, std::ostream* os) {
    *os << c.label;
}

class EncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeTest, WritesBytesAndReferencesWhatDoesNotFit) {
    const EncodeCase& c = GetParam();
    EXPECT_EQ(shown(encodePage(c.text, c.encoding)), shown(c.bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, EncodeTest,
    ::testing::Values(
        EncodeCase{"UndeclaredPageIsPlainUtf8", u"a\r\n€"_qs, PageEncoding{}, "a\r\n\xE2\x82\xAC"},
        EncodeCase{"Windows1252References",
                   u"€ 中 😀 é"_qs,
                   {"windows-1252", false, LineBreak::CrLf},
                   "\x80 &#20013; &#128512; \xE9"},
        EncodeCase{"C1WithoutByteIsReferenced",
                   u"\u0080\u0081"_qs,
                   {"windows-1252", false, LineBreak::CrLf},
                   "&#128;\x81"},
        EncodeCase{"ShiftJisReferences",
                   u"日😀本é"_qs,
                   {"Shift_JIS", false, LineBreak::CrLf},
                   "\x93\xFA&#128512;\x96\x7B&#233;"},
        EncodeCase{
            "Windows874References", u"ก€é"_qs, {"windows-874", false, LineBreak::CrLf}, "\xA1\x80&#233;"},
        EncodeCase{"UserDefinedReferences",
                   u"\uF780\uF7FF\u0080"_qs,
                   {"x-user-defined", false, LineBreak::CrLf},
                   "\x80\xFF&#128;"},
        EncodeCase{"ReplacementWritesUtf8",
                   u"\uFFFDé"_qs,
                   {"replacement", false, LineBreak::CrLf},
                   "\xEF\xBF\xBD\xC3\xA9"},
        EncodeCase{"Latin1NameUsesCp1252", u"“x”"_qs, {"ISO-8859-1", false, LineBreak::CrLf}, "\x93x\x94"},
        EncodeCase{"StyleAppliedToEveryBreak",
                   u"a\nb\rc\r\nd"_qs,
                   {"UTF-8", false, LineBreak::CrLf},
                   "a\r\nb\r\nc\r\nd"},
        EncodeCase{"LfStyle", u"a\r\nb\r\n"_qs, {"UTF-8", false, LineBreak::Lf}, "a\nb\n"},
        EncodeCase{"CrStyle", u"a\r\nb"_qs, {"UTF-8", false, LineBreak::Cr}, "a\rb"},
        EncodeCase{
            "Utf16BeWithBom", u"é"_qs, {"UTF-16BE", true, LineBreak::CrLf}, bytesOf({0xFE, 0xFF, 0, 0xE9})},
        EncodeCase{"Utf16LeWithoutBom", u"é"_qs, {"UTF-16LE", false, LineBreak::CrLf}, bytesOf({0xE9, 0})}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(PageCodec, ReferencesSurviveAroundChunkBoundaries) {
    // Long enough that the converter works in several stretches.
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += u"日😀"_qs;
    QByteArray expected;
    for (int i = 0; i < 3000; ++i)
        expected += "\x93\xFA&#128512;";
    EXPECT_EQ(encodePage(text, {"Shift_JIS", false, LineBreak::CrLf}), expected);
}

struct ContentTypeCase {
    const char* contentType;
    const char* charset;
};

TEST(PageCodec, CharsetFromContentType) {
    const ContentTypeCase cases[] = {
        {"text/html; charset=ISO-8859-1", "iso-8859-1"},
        {"text/html;charset=\"utf-8\"", "utf-8"},
        {"text/html; Charset = windows-1252 ; q=1", "windows-1252"},
        {"text/html; format=flowed; charset='koi8-r'", "koi8-r"},
        {"text/html", ""},
        {"", ""},
        {"text/charset=x", ""},
        {"text/html; charset=", ""},
    };
    for (const ContentTypeCase& c : cases)
        EXPECT_EQ(charsetFromContentType(c.contentType), QByteArray(c.charset)) << c.contentType;
}

TEST(PageCodec, TenMegabytesDecodeAndEncodeBackUnchanged) {
    // Broken UTF-8 with many line breaks takes the longest way: a failed
    // UTF-8 attempt, the fallback table and the line-break pass.
    QByteArray bytes;
    bytes.reserve(10 * 1024 * 1024 + 64);
    while (bytes.size() < 10 * 1024 * 1024)
        bytes += "<p>caf\xE9 \x93quoted\x94</p>\n";
    // How fast is bench/'s question (pagecodec_bench), not a test's.
    const DecodedPage page = decodePage(bytes);
    const QByteArray back = encodePage(page.text, page.encoding);
    EXPECT_EQ(page.encoding.name, "windows-1252");
    EXPECT_TRUE(back == bytes);
}

} // namespace
