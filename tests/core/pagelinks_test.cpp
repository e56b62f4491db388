#include "core/site/pagelinks.h"

#include <gtest/gtest.h>

using namespace headwise;

namespace {

struct LinkCase {
    const char* name;
    const char* page;
    QStringList links;
};

QStringList linksOf(const QString& page, const char* pageUrl = "http://example.com/dir/page.html") {
    QStringList found;
    const web::WebUrl at = web::parseWebUrl(QString::fromUtf8(pageUrl));
    for (const web::WebUrl& link : sameOriginLinks(page, at, web::parseWebUrl(u"http://example.com/")))
        found << link.href;
    return found;
}

TEST(PageLinks, AnchorsAreResolvedAndKeptOnceOnTheSameOrigin) {
    const LinkCase cases[] = {
        {"relative, absolute, root",
         "<a href=\"b.html\">b</a><a href='/top'>t</a><a href=http://example.com/abs>",
         {"http://example.com/dir/b.html", "http://example.com/top", "http://example.com/abs"}},
        {"backslashes, tabs and dot parts as browsers read them",
         "<a href=\"..\\c.html\"><a href=\"\\\\other.com\\x.html\"><a href=\"a\tb.html\">"
         "<a href=\"/a/./b/../c\"><a href=\"a&#10;c.html\">",
         {"http://example.com/c.html", "http://example.com/dir/ab.html", "http://example.com/a/c",
          "http://example.com/dir/ac.html"}},
        {"fragments dropped, once each",
         "<a href=\"#x\"><a href=\"b.html#y\"><a href=\"b.html\">",
         {"http://example.com/dir/page.html", "http://example.com/dir/b.html"}},
        {"other origins left out",
         "<a href=\"https://example.com/s\"><a href=\"http://example.com:8080/p\"><a "
         "href=\"//other.example/\">"
         "<a href=\"http://sub.example.com/\"><a href=\"mailto:a@example.com\"><a "
         "href=\"javascript:void(0)\">"
         "<a href=\"http://example.com:80/kept\">",
         {"http://example.com/kept"}},
        {"dot segments and empty path",
         "<a href=\"../up/./x\"><a href=\"http://example.com\">",
         {"http://example.com/up/x", "http://example.com/"}},
        {"query kept, references decoded",
         "<a href=\"list?a=1&amp;b=2\">",
         {"http://example.com/dir/list?a=1&b=2"}},
        {"numeric references", "<a href=\"&#47;n&#x2F;m\">", {"http://example.com/n/m"}},
        {"letter case and blanks", "<A\nclass=x HREF = \" /c \" >", {"http://example.com/c"}},
        {"first href counts", "<a href=/one href=/two>", {"http://example.com/one"}},
        {"other attributes holding href text",
         "<a title=\"href=/no\" data-href=/no2 href=/yes>",
         {"http://example.com/yes"}},
        {"not anchors", "<abbr href=/no><area href=/no2><link href=/no3><a>", {}},
        {"comment", "<!-- <a href=/hidden> --><a href=/shown>", {"http://example.com/shown"}},
        {"script and style",
         "<script>document.write('<a href=/s>')</script><style>a{}</style><a href=/after>",
         {"http://example.com/after"}},
        {"script name prefix is not a script", "<scripts><a href=/x>", {"http://example.com/x"}},
        {"unclosed tag", "<a href=\"/ok\"><a href=\"/never", {"http://example.com/ok"}},
        {"unclosed comment", "<a href=/ok><!-- <a href=/no>", {"http://example.com/ok"}},
        {"base href",
         "<base href=\"http://example.com/other/\"><a href=\"x\">",
         {"http://example.com/other/x"}},
        {"base anywhere, first one",
         "<a href=\"x\"><base href=\"/b1/\"><base href=\"/b2/\">",
         {"http://example.com/b1/x"}},
        {"base elsewhere takes links off the origin",
         "<base href=\"http://other.example/\"><a href=\"x\">",
         {}},
    };
    for (const LinkCase& c : cases)
        EXPECT_EQ(linksOf(c.page), c.links) << c.name;
}

TEST(PageLinks, OriginsCompareSchemeHostAndPort) {
    struct OriginCase {
        const char* a;
        const char* b;
        bool same;
    };
    const OriginCase cases[] = {
        {"http://example.com/a", "http://EXAMPLE.com/b", true},
        {"http://example.com/", "http://example.com:80/", true},
        {"https://example.com/", "https://example.com:443/x", true},
        {"http://example.com/", "https://example.com/", false},
        {"http://example.com:81/", "http://example.com/", false},
        {"http://example.com/", "http://www.example.com/", false},
        {"file:///a", "file:///b", false},
    };
    for (const OriginCase& c : cases)
        EXPECT_EQ(web::sameOrigin(web::parseWebUrl(QString::fromUtf8(c.a)),
                                  web::parseWebUrl(QString::fromUtf8(c.b))),
                  c.same)
            << c.a << " " << c.b;
}

TEST(PageLinks, ManyLinksInOnePass) {
    QString page;
    for (int i = 0; i < 20000; ++i)
        page += QStringLiteral("<p><a href=\"/p%1\">%1</a> <a href=\"/p%1\">again</a>").arg(i % 5000);
    const QStringList links = linksOf(page);
    ASSERT_EQ(links.size(), 5000);
    EXPECT_EQ(links.first(), "http://example.com/p0");
    EXPECT_EQ(links.last(), "http://example.com/p4999");
}

} // namespace

namespace {

// What the site rules read of a page's markup: each reference with its kind,
// its rel=nofollow and where its tag stands; never what a comment, a script
// or an unfinished tag holds.
TEST(PageReferences, KindsPlacesAndNofollowInOnePass) {
    const QString page = QStringLiteral(
        "<base href=\"/en/\"><A HREF='a.html' rel=\"Next NOFOLLOW\">a</A><!-- <a href=c.html> -->"
        "<script>var s = '<a href=d.html>';</script><area href=m.html><img alt=x src=\"p.png\">"
        "<abbr href=no.html><a href=\"x&amp;y.html\"><a href=\"cut.html\"");
    const PageReferences found = pageReferences(page);
    ASSERT_TRUE(found.base);
    EXPECT_EQ(*found.base, "/en/");
    QStringList seen;
    for (const PageReference& r : found.references)
        seen << QStringLiteral("%1 %2 %3 %4")
                    .arg(int(r.kind))
                    .arg(r.target)
                    .arg(r.nofollow)
                    .arg(page.mid(r.offset, r.length).left(8));
    EXPECT_EQ(seen, (QStringList{"0 a.html 1 <A HREF=", "1 m.html 0 <area hr", "2 p.png 0 <img alt",
                                 "0 x&y.html 0 <a href="}));
}

} // namespace

namespace {

// Tags are looked for several units at a time: a tag is found wherever it
// stands against those pieces, among tags it passes over, up to the text's end.
TEST(PageReferences, FoundWhereverTheyStandInTheText) {
    const QString tags[] = {"<a href=k.html>", "<IMG src=k.html>", "<p><<area href=k.html>"};
    for (const QString& tag : tags) {
        for (int at = 0; at < 20; ++at) {
            const QString page = QString(at, u'x') + "<li><ul>" + tag + "</ul><";
            const PageReferences found = pageReferences(page);
            ASSERT_EQ(found.references.size(), 1) << qPrintable(page);
            EXPECT_EQ(found.references[0].target, "k.html") << qPrintable(page);
            EXPECT_EQ(found.references[0].offset, page.indexOf(tag.sliced(tag.lastIndexOf(u'<'))));
        }
    }
}

} // namespace

namespace {

// "KIND TARGET" for each reference, as the site graph is handed them.
QStringList kindsAndTargets(const QString& page) {
    QStringList seen;
    for (const PageReference& r : pageReferences(page).references)
        seen << QStringLiteral("%1 %2").arg(int(r.kind)).arg(r.target);
    return seen;
}

QString kindAndTarget(PageReference::Kind kind, const char* target) {
    return QStringLiteral("%1 %2").arg(int(kind)).arg(QLatin1StringView(target));
}

// Everything a page loads is a reference of its kind; what merely looks
// like one (in a comment, a script, a style sheet, a data- attribute, a
// <link> that loads nothing, an <input> of another type) is none.
TEST(PageReferences, EverythingAPageLoadsWithItsKind) {
    using K = PageReference::Kind;
    const struct {
        const char* markup;
        QStringList expected;
    } cases[] = {
        {"<script src=/js/app.js></script>", {kindAndTarget(K::Script, "/js/app.js")}},
        {"<script src=a.js><a href=no.html></script><a href=yes.html>",
         {kindAndTarget(K::Script, "a.js"), kindAndTarget(K::Link, "yes.html")}},
        {"<link rel=\"Alternate StyleSheet\" href=\" s.css \">", {kindAndTarget(K::Stylesheet, "s.css")}},
        {"<link rel=\"shortcut icon\" href=f.ico>", {kindAndTarget(K::Icon, "f.ico")}},
        {"<link rel=apple-touch-icon href=t.png>", {kindAndTarget(K::AppleTouchIcon, "t.png")}},
        {"<link rel=mask-icon href=m.svg>", {kindAndTarget(K::MaskIcon, "m.svg")}},
        {"<link rel=preload as=font href=f.woff2>", {kindAndTarget(K::Preload, "f.woff2")}},
        {"<link rel=modulepreload href=m.js>", {kindAndTarget(K::ModulePreload, "m.js")}},
        {"<link rel=prefetch href=next.html>", {kindAndTarget(K::Prefetch, "next.html")}},
        {"<link rel=manifest href=app.webmanifest>", {kindAndTarget(K::Manifest, "app.webmanifest")}},
        {"<link rel=alternate type=application/rss+xml href=feed.xml>", {kindAndTarget(K::Feed, "feed.xml")}},
        {"<link rel=alternate type=text/html href=other.html><link rel=preconnect href=//cdn>", {}},
        {"<img src=a.png srcset=\"b.png 1x, c,d.png 2x,e.png,, f.png (x, y) 3w\">",
         {kindAndTarget(K::Image, "a.png"), kindAndTarget(K::ImageSrcset, "b.png"),
          kindAndTarget(K::ImageSrcset, "c,d.png"), kindAndTarget(K::ImageSrcset, "e.png"),
          kindAndTarget(K::ImageSrcset, "f.png")}},
        {"<source srcset=\"w&amp;1.webp 1x,w2.webp\" src=s.mp4>",
         {kindAndTarget(K::SourceSrc, "s.mp4"), kindAndTarget(K::SourceSrcset, "w&1.webp"),
          kindAndTarget(K::SourceSrcset, "w2.webp")}},
        {"<video src=v.mp4 poster=p.jpg></video><audio src=a.ogg></audio><track src=t.vtt>",
         {kindAndTarget(K::VideoSrc, "v.mp4"), kindAndTarget(K::VideoPoster, "p.jpg"),
          kindAndTarget(K::AudioSrc, "a.ogg"), kindAndTarget(K::TrackSrc, "t.vtt")}},
        {"<iframe src=f.html></iframe><embed src=e.swf><object data=o.svg></object>",
         {kindAndTarget(K::IframeSrc, "f.html"), kindAndTarget(K::EmbedSrc, "e.swf"),
          kindAndTarget(K::ObjectData, "o.svg")}},
        {"<input type=IMAGE src=go.png><input type=text src=no.png>",
         {kindAndTarget(K::InputImage, "go.png")}},
        {"<meta property=og:image content=/s.jpg><meta name=twitter:image content=t.jpg>"
         "<meta property=og:video:url content=v.mp4><meta property=og:audio content=a.mp3>"
         "<meta property=og:title content=no.jpg>",
         {kindAndTarget(K::MetaImage, "/s.jpg"), kindAndTarget(K::MetaTwitterImage, "t.jpg"),
          kindAndTarget(K::MetaVideo, "v.mp4"), kindAndTarget(K::MetaAudio, "a.mp3")}},
        {"<meta http-equiv=Refresh content=\"5; URL='next.html'\"><meta http-equiv=refresh content=30>",
         {kindAndTarget(K::Refresh, "next.html")}},
        {"<!-- <script src=c.js></script> --><style>a{background:url(s.png)} <img src=x.png></style>"
         "<img data-src=lazy.png data-srcset=l.png><script>'<img src=j.png>'</script><script "
         "src=''></script>",
         {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kindsAndTargets(QString::fromUtf8(c.markup)), c.expected) << c.markup;
}

// The ids a fragment may name: every element's id and each <a name>, with
// their references decoded, never one inside a comment, a script or a style.
TEST(PageReferences, IdsOfElementsAndAnchorNames) {
    const QString page = QStringLiteral(
        "<h1 id=Intro>x</h1><a name=\"old\"></a><p ID='a&amp;b'><span title=\"x>y\" id=after>"
        "<!-- <p id=commented> --><script>'<p id=scripted>'</script><div id=\"\"><div name=notanchor>");
    const QList<quint32> ids = pageReferences(page).ids;
    const QList<quint32> expected = {fragmentHash(u"Intro"), fragmentHash(u"old"), fragmentHash(u"a&b"),
                                     fragmentHash(u"after")};
    EXPECT_EQ(ids, expected);
    EXPECT_NE(fragmentHash(u"Intro"), fragmentHash(u"intro"));
}

// Pages no one wrote by hand: a huge srcset, a huge id, a base that is no
// address. Each read in one pass, nothing lost.
TEST(PageReferences, HugeSrcsetsAndIdsAreReadInOnePass) {
    QString srcset;
    for (int i = 0; i < 100000; ++i)
        srcset += QStringLiteral("i%1.png %2w, ").arg(i).arg(i + 1);
    const PageReferences found = pageReferences("<img srcset=\"" + srcset + "\"><p id=\"" +
                                                QString(1 << 20, u'x') + "\"><base href=\"javascript:x\">");
    ASSERT_EQ(found.references.size(), 100000);
    EXPECT_EQ(found.references.last().target, "i99999.png");
    EXPECT_EQ(found.ids, QList<quint32>{fragmentHash(QString(1 << 20, u'x'))});
    EXPECT_EQ(found.base, "javascript:x");
}

} // namespace
