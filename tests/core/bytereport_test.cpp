#include "core/page/bytereport.h"

#include <gtest/gtest.h>

using namespace headwise;

namespace {

const QByteArray kHead = "<html><head><title>Rugs</title>\r\n"
                         "<META NAME=\"Keywords\" Content=\"rugs\">\n"
                         "<META NAME=\"Description\" Content=\"Hand\rmade\">\r"
                         "<META NAME=\"Robots\" Content=\"ALL\">"
                         "<META NAME=\"Rating\" Content=\"General\">"
                         "<META NAME=\"Revisit\" Content=\"7 Days\"></head>";

QByteArray utf8(char16_t c) {
    return QString(QChar(c)).toUtf8();
}

// Every field a report shows, compared one by one so a failure names it.
void expectSameAsDecoded(const QByteArray& bytes, const QByteArray& charset, const std::string& what) {
    const DecodedPage decoded = decodePage(bytes, charset);
    const BytePage page(bytes, charset);
    EXPECT_EQ(page.isEmpty(), decoded.text.isEmpty()) << what;
    EXPECT_EQ(page.holdsNul(), decoded.text.contains(QChar(0))) << what;
    const PageReport expected = reportPage(decoded.text);
    const PageReport got = page.report();
    EXPECT_EQ(got.listing.script, expected.listing.script) << what;
    EXPECT_EQ(got.listing.failed, expected.listing.failed) << what;
    EXPECT_EQ(got.meta, expected.meta) << what;
    EXPECT_EQ(got.complete, expected.complete) << what;
    ASSERT_EQ(got.tags.size(), expected.tags.size()) << what;
    for (qsizetype i = 0; i < got.tags.size(); ++i) {
        const std::string tag = what + " / " + tagName(got.tags[i].tag).toStdString();
        EXPECT_EQ(got.tags[i].count, expected.tags[i].count) << tag;
        EXPECT_EQ(got.tags[i].missing, expected.tags[i].missing) << tag;
        EXPECT_EQ(got.tags[i].boxText, expected.tags[i].boxText) << tag;
        EXPECT_EQ(got.tags[i].found, expected.tags[i].found) << tag;
    }
}

TEST(BytePage, ReportsWhatTheDecodedPageReports) {
    const struct {
        const char* name;
        QByteArray bytes;
        QByteArray charset;
    } cases[] = {
        {"plain page, mixed line breaks", kHead, {}},
        {"empty", {}, {}},
        {"UTF-8 BOM only", "\xEF\xBB\xBF", {}},
        {"UTF-8 BOM", "\xEF\xBB\xBF" + kHead, {}},
        {"BOM before broken UTF-8", "\xEF\xBB\xBF" + kHead + "\xC3", {}},
        {"second BOM kept in the text", "\xEF\xBB\xBF\xEF\xBB\xBF<title>a</title>", {}},
        {"UTF-16LE BOM", QByteArray("\xFF\xFE<\0t\0i\0t\0l\0e\0>\0a\0<\0/\0t\0i\0t\0l\0e\0>\0", 34), {}},
        {"UTF-16 declared", QByteArray("<\0m\0e\0t\0a\0>\0", 12), "utf-16le"},
        {"odd UTF-16 length read as bytes", "\xFF\xFE<meta a>", {}},
        {"UTF-8 inside and outside pieces", "\xC3\xA9<meta n=\"\xE2\x82\xAC\">" + kHead, {}},
        {"invalid UTF-8 falls to Windows-1252", "<meta n=\"\x80\x9F\xFF\">\x81" + kHead, {}},
        {"U+FFFD in the page", "<title>\xEF\xBF\xBD</title>", {}},
        {"declared Windows-1252", "<meta a=\"\xC3\xA9\">", "ISO-8859-1"},
        {"declared UTF-8, bytes not", "<meta a=\"\xE9\">", "utf-8"},
        {"declared unknown", "<meta a=\"\xE9\">", "no-such-charset"},
        {"declared ISO-8859-2", "<meta a=\"\xB1\">" + kHead, "iso-8859-2"},
        {"meta charset", "<meta charset=\"windows-1252\"><title>\xC3\xA9</title>", {}},
        {"meta charset UTF-16 ignored", "<meta charset=utf-16><title>\xC3\xA9</title>", {}},
        {"charset declared late", kHead + QByteArray(70000, ' ') + "<meta charset=iso-8859-1>\xC3\xA9", {}},
        {"NUL in text", QByteArray("<meta a>\0<title>x</title>", 25), {}},
        {"NUL in a UTF-16 page",
         QByteArray("\xFF\xFE"
                    "a\0\0\0",
                    6),
         {}},
        {"unclosed meta", "<meta a>" + kHead + "<META NAME=\"Robots\" Content=x", {}},
        {"unclosed title keeps the last closed one", "<title>a</title><title>b</TITLE><title>c", {}},
        {"lone CR and LF inside pieces", "<meta\ra\nb\r\n>\r<title>\r</title>\n", {}},
        {"U+2028 and U+2029", "<meta a=\"\xE2\x80\xA8\xE2\x80\xA9\">", {}},
        {"marker cut at the end", "<META NAME=\"Keywo", {}},
        {"non-ASCII right after <", "<\xC3\xA9meta><\xE2\x84\xAAitle>", {}},
    };
    for (const auto& c : cases)
        expectSameAsDecoded(c.bytes, c.charset, c.name);
}

// Case folding maps a few non-ASCII characters onto ASCII letters; each such
// character stands in for its letter in every marker, in both byte charsets.
TEST(BytePage, CharactersThatFoldOntoMarkerLettersMatchAsInTheText) {
    QList<QPair<char16_t, char>> folds;
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (QChar::isSurrogate(c))
            continue;
        for (char a = 'a'; a <= 'z'; ++a)
            if (QString(QChar(c)).compare(QLatin1Char(a), Qt::CaseInsensitive) == 0)
                folds.append({char16_t(c), a});
    }
    EXPECT_TRUE(folds.contains(QPair<char16_t, char>(0x212A, 'k')));
    EXPECT_TRUE(folds.contains(QPair<char16_t, char>(0x017F, 's')));
    for (char16_t c : {u'\u0130', u'\u0131', u'\u212B'})
        folds.append({c, 'i'});
    for (const auto& [c, letter] : folds) {
        for (QByteArray marker : {QByteArray(kHead), QByteArray("<meta x></title>")}) {
            QByteArray page = marker;
            page.replace(letter, utf8(c)).replace(char(letter - 'a' + 'A'), utf8(c));
            expectSameAsDecoded(page, {}, "U+" + std::to_string(int(c)));
        }
    }
    for (int b = 0x80; b < 0x100; ++b)
        expectSameAsDecoded(QByteArray(kHead).replace('e', char(b)), "windows-1252",
                            "byte " + std::to_string(b));
}

} // namespace
