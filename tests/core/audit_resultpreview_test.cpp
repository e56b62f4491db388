#include "core/audit/model/resultpreview.h"
#include "core/audit/model/textwidth.h"

#include <gtest/gtest.h>

using namespace headwise::audit;

namespace {

PageAudit pageWith(const QString& title, const QString& description) {
    PageAudit a;
    a.title = title;
    a.hasTitle = !title.isNull();
    a.description = description;
    a.hasDescription = !description.isNull();
    return a;
}

struct LinkCase {
    const char* name;
    const char* title; // nullptr: no title
    const char* address;
    const char* addressLine;
    const char* linkLine;
};

class SearchLink : public ::testing::TestWithParam<LinkCase> {};

TEST_P(SearchLink, AddressAndLinkLines) {
    const LinkCase& c = GetParam();
    const SearchPreview p = searchPreview(pageWith(c.title ? QString::fromUtf8(c.title) : QString(), {}),
                                          QString::fromUtf8(c.address), {});
    EXPECT_EQ(p.addressLine, QString::fromUtf8(c.addressLine));
    EXPECT_EQ(p.linkLine, QString::fromUtf8(c.linkLine));
    EXPECT_TRUE(p.descriptionLines.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SearchLink,
    ::testing::Values(LinkCase{"Titled", "Rugs", "https://rugs.example/", "https://rugs.example/", "Rugs"},
                      LinkCase{"FileShowsItsName", "Rugs", "file:///home/a/site/rugs.htm", "rugs.htm",
                               "Rugs"},
                      LinkCase{"NoTitleShowsTheAddress", nullptr, "https://rugs.example/a",
                               "https://rugs.example/a", "https://rugs.example/a"},
                      LinkCase{"EmptyTitleShowsTheAddress", "", "file:///x/y.htm", "y.htm", "y.htm"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SearchDescription, TwoLinesWithinTheirWidthCutWhereTheRuleCuts) {
    for (int words : {3, 40, 80, 200}) {
        SCOPED_TRACE(words);
        QStringList list;
        for (int i = 0; i < words; ++i)
            list << QStringLiteral("woven%1").arg(i);
        const QString description = list.join(u' ');
        const SearchPreview p = searchPreview(pageWith(QStringLiteral("Rugs"), description), {}, {});
        const CutText expected = cutToWidth(description, 920, kDescriptionFontPx);
        EXPECT_EQ(p.descriptionCut, expected.cut);
        EXPECT_EQ(p.descriptionLines.join(u' '), expected.shown);
        EXPECT_LE(p.descriptionLines.size(), kDescriptionLines);
        for (const QString& line : p.descriptionLines)
            EXPECT_LE(textWidthPx(line, kDescriptionFontPx), kDescriptionLineWidthPx) << line.toStdString();
    }
}

TEST(SearchDescription, OverlongWordsStillTwoLines) {
    const QString word(60, u'W');
    const SearchPreview p =
        searchPreview(pageWith(QStringLiteral("Rugs"), word + u' ' + word + u' ' + word), {}, {});
    EXPECT_EQ(p.descriptionLines.size(), kDescriptionLines);
    EXPECT_TRUE(p.descriptionCut);
}

TEST(WrapToWidth, GreedyAndNeverOverTheWidthButForALoneWord) {
    EXPECT_EQ(wrapToWidth(QStringLiteral("a b c"), 1000, 14), QStringList{QStringLiteral("a b c")});
    EXPECT_TRUE(wrapToWidth(QStringLiteral("   "), 100, 14).isEmpty());
    const QString longWord(50, u'M');
    EXPECT_EQ(wrapToWidth(QStringLiteral("a ") + longWord + QStringLiteral(" b"), 100, 14),
              (QStringList{QStringLiteral("a"), longWord, QStringLiteral("b")}));
}

struct CardCase {
    const char* name;
    const char* address;
    const char* ogUrl;
    const char* ogImage;
    const char* host;
    const char* imageFile;
    const char* imageUrl;
};

class Card : public ::testing::TestWithParam<CardCase> {};

TEST_P(Card, HostAndPicture) {
    const CardCase& c = GetParam();
    PageAudit a;
    a.ogTitle = QStringLiteral("T");
    a.ogUrl = QString::fromUtf8(c.ogUrl);
    a.ogImage = QString::fromUtf8(c.ogImage);
    const CardPreview card = cardPreview(a, QString::fromUtf8(c.address));
    EXPECT_EQ(card.title, QStringLiteral("T"));
    EXPECT_EQ(card.host, QString::fromUtf8(c.host));
    EXPECT_EQ(card.imageFile, QString::fromUtf8(c.imageFile));
    EXPECT_EQ(card.imageUrl.toString(), QString::fromUtf8(c.imageUrl));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, Card,
    ::testing::Values(CardCase{"FetchedRelativePicture", "https://a.example/x/p.htm", "", "img/r.png",
                               "a.example", "", "https://a.example/x/img/r.png"},
                      CardCase{"OgUrlNamesTheHost", "https://a.example/", "https://b.example/shop", "",
                               "b.example", "", ""},
                      CardCase{"FilePictureNextToThePage", "file:///s/p.htm", "https://c.example/", "r.png",
                               "c.example", "/s/r.png", ""},
                      CardCase{"FilePageWithWebPicture", "file:///s/p.htm", "", "http://d.example/r.png", "",
                               "", "http://d.example/r.png"},
                      CardCase{"LocalPictureForAFetchedPageIsNotRead", "https://a.example/", "",
                               "file:///etc/passwd", "a.example", "", ""},
                      CardCase{"OtherSchemesIgnored", "file:///s/p.htm", "", "data:image/png;base64,AAAA", "",
                               "", ""},
                      CardCase{"NoAddressNoPicture", "", "", "r.png", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
