// Charset labels, from the "Names and labels" table of the WHATWG Encoding Standard as it stood in
// 2025. Browsers decode a page by exactly this table, so a label outside it is one no browser
// honours.

#include "core/web/encodinglabels.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace headwise::web {
namespace {

struct EncodingRow {
    std::string_view name;
    bool singleByte;
    std::string_view labels; // separated by single spaces
};

// In the standard's order, one row per encoding, so that the rows can be read against it.
constexpr EncodingRow kEncodings[] = {
    {"utf-8", false, "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {"ibm866", true, "866 cp866 csibm866 ibm866"},
    {"iso-8859-2", true,
     "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {"iso-8859-3", true,
     "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {"iso-8859-4", true,
     "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {"iso-8859-5", true,
     "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988"},
    {"iso-8859-6", true,
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e "
     "iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {"iso-8859-7", true,
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 "
     "iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
    {"iso-8859-8", true,
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 "
     "iso_8859-8 iso_8859-8:1988 visual"},
    {"iso-8859-8-i", true, "csiso88598i iso-8859-8-i logical"},
    {"iso-8859-10", true, "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {"iso-8859-13", true, "iso-8859-13 iso8859-13 iso885913"},
    {"iso-8859-14", true, "iso-8859-14 iso8859-14 iso885914"},
    {"iso-8859-15", true, "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {"iso-8859-16", true, "iso-8859-16"},
    {"koi8-r", true, "cskoi8r koi koi8 koi8-r koi8_r"},
    {"koi8-u", true, "koi8-ru koi8-u"},
    {"macintosh", true, "csmacintosh mac macintosh x-mac-roman"},
    {"windows-874", true, "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {"windows-1250", true, "cp1250 windows-1250 x-cp1250"},
    {"windows-1251", true, "cp1251 windows-1251 x-cp1251"},
    {"windows-1252", true,
     "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 "
     "iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    {"windows-1253", true, "cp1253 windows-1253 x-cp1253"},
    {"windows-1254", true,
     "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5 "
     "windows-1254 x-cp1254"},
    {"windows-1255", true, "cp1255 windows-1255 x-cp1255"},
    {"windows-1256", true, "cp1256 windows-1256 x-cp1256"},
    {"windows-1257", true, "cp1257 windows-1257 x-cp1257"},
    {"windows-1258", true, "cp1258 windows-1258 x-cp1258"},
    {"x-mac-cyrillic", true, "x-mac-cyrillic x-mac-ukrainian"},
    {"gbk", false, "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    {"gb18030", false, "gb18030"},
    {"big5", false, "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {"euc-jp", false, "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {"iso-2022-jp", false, "csiso2022jp iso-2022-jp"},
    {"shift_jis", false, "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    {"euc-kr", false,
     "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 "
     "windows-949"},
    {"replacement", false, "csiso2022kr hz-gb-2312 iso-2022-cn iso-2022-cn-ext iso-2022-kr replacement"},
    {"utf-16be", false, "unicodefffe utf-16be"},
    {"utf-16le", false, "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
    {"x-user-defined", false, "x-user-defined"},
};

// Calls f(label) for each label of a row.
template <typename F> constexpr void forEachLabel(std::string_view labels, F f) {
    while (!labels.empty()) {
        const std::size_t end = std::min(labels.find(' '), labels.size());
        f(labels.substr(0, end));
        labels.remove_prefix(std::min(end + 1, labels.size()));
    }
}

constexpr std::size_t countLabels() {
    std::size_t n = 0;
    for (const EncodingRow& row : kEncodings)
        forEachLabel(row.labels, [&n](std::string_view) { ++n; });
    return n;
}

struct Label {
    std::string_view label;
    std::string_view encoding;
};

// Every label with its encoding, sorted by label for binary search; built by the compiler.
constexpr auto kLabels = [] {
    std::array<Label, countLabels()> labels{};
    std::size_t n = 0;
    for (const EncodingRow& row : kEncodings)
        forEachLabel(row.labels, [&](std::string_view label) { labels[n++] = {label, row.name}; });
    std::sort(labels.begin(), labels.end(), [](const Label& a, const Label& b) { return a.label < b.label; });
    return labels;
}();

constexpr std::size_t kLongestLabel =
    std::max_element(kLabels.begin(), kLabels.end(), [](const Label& a, const Label& b) {
        return a.label.size() < b.label.size();
    })->label.size();

// Guards against slips when the rows are edited: the standard lists 228 labels, no label names two
// encodings, and each encoding's name is also one of its labels.
static_assert(kLabels.size() == 228);
static_assert(std::adjacent_find(kLabels.begin(), kLabels.end(), [](const Label& a, const Label& b) {
                  return a.label == b.label;
              }) == kLabels.end());
static_assert(std::all_of(std::begin(kEncodings), std::end(kEncodings), [](const EncodingRow& row) {
    bool found = false;
    forEachLabel(row.labels, [&](std::string_view label) { found = found || label == row.name; });
    return found;
}));

// Points key at the text ASCII-lowercased into buffer; false when the text cannot be a label: longer
// than any, or with a character outside ASCII (which must not fold, as the Kelvin sign would to 'k').
bool asciiLowerKey(QStringView text, std::array<char, kLongestLabel>& buffer, std::string_view& key) {
    if (text.size() > qsizetype(buffer.size()))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80)
            return false;
        buffer[std::size_t(i)] = char(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
    }
    key = std::string_view(buffer.data(), std::size_t(text.size()));
    return true;
}

// The standard's ASCII whitespace: not U+000B and no Unicode spaces, unlike QString::trimmed().
bool isAsciiWhitespace(QChar c) {
    return c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r' || c == u' ';
}

} // namespace

QString encodingForLabel(QStringView label) {
    while (!label.isEmpty() && isAsciiWhitespace(label.front()))
        label = label.sliced(1);
    while (!label.isEmpty() && isAsciiWhitespace(label.back()))
        label.chop(1);
    std::array<char, kLongestLabel> buffer;
    std::string_view key;
    if (!asciiLowerKey(label, buffer, key))
        return {};
    const auto it = std::lower_bound(kLabels.begin(), kLabels.end(), key,
                                     [](const Label& entry, std::string_view k) { return entry.label < k; });
    if (it == kLabels.end() || it->label != key)
        return {};
    return QString::fromLatin1(it->encoding.data(), qsizetype(it->encoding.size()));
}

bool isSingleByteEncoding(QStringView encoding) {
    std::array<char, kLongestLabel> buffer;
    std::string_view key;
    if (!asciiLowerKey(encoding, buffer, key))
        return false;
    for (const EncodingRow& row : kEncodings)
        if (row.name == key)
            return row.singleByte;
    return false;
}

} // namespace headwise::web
