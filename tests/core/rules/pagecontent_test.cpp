// The rules of the page's pictures and links: each against a page that triggers it and a page
// just on the other side of one of its exceptions.

#include "rulecases.h"

namespace headwise::audit::rulecases {
namespace {

Variant body(const char* markup) {
    return inBody(QString::fromUtf8(markup));
}

const QList<RuleCase> kCases = {
    {"picture without alt", "image-alt", body("<img src=a.png>"), body("<img src=a.png alt=\"\">")},
    {"aria-label names it", "image-alt", body("<img src=a.png aria-label=\" \">"),
     body("<img src=a.png aria-label=Lawn>")},
    {"aria-labelledby names it", "image-alt", body("<p id=cap> </p><img src=a.png aria-labelledby=cap>"),
     body("<p id=cap><b>Lawn</b></p><img src=a.png aria-labelledby=\"x cap\">")},
    {"label after the picture", "image-alt", body("<img src=a.png aria-labelledby=cap><p id=cap2>Lawn</p>"),
     body("<img src=a.png aria-labelledby=cap><p id=cap>Lawn</p>")},
    {"title names it", "image-alt", body("<img src=a.png title=\"\">"), body("<img src=a.png title=Lawn>")},
    {"alt of blanks", "image-alt", body("<img src=a.png alt=\"  \">"), body("<img src=a.png alt=\"Lawn\">")},
    {"role none", "image-alt", body("<img src=a.png role=none tabindex=0>"),
     body("<img src=a.png role=none>")},
    {"presentation with ARIA", "image-alt", body("<img src=a.png role=presentation aria-describedby=d>"),
     body("<img src=a.png role=Presentation>")},
    {"role that needs no name", "image-alt", body("<img src=a.png role=button>"),
     body("<img src=a.png role=figure>")},
    {"aria-hidden above", "image-alt", body("<div aria-hidden=false><img src=a.png></div>"),
     body("<div aria-hidden=true><p><img src=a.png></p></div>")},
    {"display none", "image-alt", body("<span style=\"display: block\"><img src=a.png></span>"),
     body("<span style=\"display: none\"><img src=a.png></span>")},
    {"hidden ends with its element", "image-alt", body("<div hidden></div><img src=a.png>"),
     body("<div hidden><img src=a.png></div>")},
    {"markup in a script", "image-alt", body("<script>x</script><img src=a.png>"),
     body("<script>document.write('<img src=a.png>')</script><!-- <img src=b.png> -->")},

    {"click here", "link-text", body("<a href=/rugs>Click here</a>"),
     body("<a href=/rugs>Click here for rugs</a>")},
    {"spanish, accents", "link-text", body("<a href=/rugs> Más  información </a>"),
     body("<a href=/rugs>Más alfombras</a>")},
    {"japanese", "link-text", body("<a href=/rugs>続きを読む</a>"), body("<a href=/rugs>絨毯</a>")},
    {"korean", "link-text", body("<a href=/rugs>자세히 보기</a>"),
     body("<a href=/rugs>자세히 보기 카펫</a>")},
    {"swedish", "link-text", body("<a href=/rugs>Läs mer</a>"), body("<a href=/rugs>Läs om mattor</a>")},
    {"portuguese", "link-text", body("<a href=/rugs>Mais informações</a>"),
     body("<a href=/rugs>Mais tapetes</a>")},
    {"tamil", "link-text", body("<a href=/rugs>மேலும் அறிக</a>"), body("<a href=/rugs>மேலும்</a>")},
    {"persian", "link-text", body("<a href=/rugs>بیشتر بخوانید</a>"), body("<a href=/rugs>فرش</a>")},
    {"character reference", "link-text", body("<a href=/rugs>&#109;ore</a>"),
     body("<a href=/rugs>more&nbsp;rugs</a>")},
    {"text not displayed", "link-text", body("<a href=/rugs>more<span hidden> rugs</span></a>"),
     body("<a href=/rugs>more<span> rugs</span></a>")},
    {"nofollow", "link-text", body("<a href=/rugs rel=noopener>here</a>"),
     body("<a href=/rugs rel=\"ugc nofollow\">here</a>")},
    {"script link", "link-text", body("<a href=\"/javascript:go()\">go</a>"),
     body("<a href=\" JavaScript:go()\">go</a>")},
    {"mail link", "link-text", body("<a href=/mail>this</a>"), body("<a href=mailto:a@example.com>this</a>")},
    {"same page", "link-text", body("<a href=/tools/balcony2>start</a>"),
     body("<a href=\"/tools/balcony#top\">start</a>")},
    {"no href", "link-text", body("<a href=/rugs>here</a>"), body("<a>here</a>")},

    {"anchor without href", "crawlable-anchors", body("<a onclick=\"go()\">Rugs</a>"),
     body("<a href=/rugs onclick=\"go()\">Rugs</a>")},
    {"role", "crawlable-anchors", body("<a role=\" \">Rugs</a>"), body("<a role=button>Rugs</a>")},
    {"javascript void", "crawlable-anchors", body("<a href=\"javascript: void 0\">Rugs</a>"),
     body("<a href=\"javascript:go()\">Rugs</a>")},
    {"file address", "crawlable-anchors", body("<a href=\"file:///c:/rugs.html\" name=r>Rugs</a>"),
     body("<a href=\"mailto:a@example.com\">Rugs</a>")},
    {"id without href", "crawlable-anchors", body("<a id=\"\">Rugs</a>"), body("<a id=top></a>")},
    {"named anchor", "crawlable-anchors", body("<a name=\" \"></a>"), body("<a name=top></a>")},
    {"address that does not parse", "crawlable-anchors", body("<a href=\"http://\">Rugs</a>"),
     body("<a href=\"http://a\">Rugs</a>")},
    {"a host of numbers is an IPv4 one", "crawlable-anchors", body("<a href=\"http://999.1.1.1/\">Rugs</a>"),
     body("<a href=\"HTTPS://99.1.1.1/rugs?q#f\">Rugs</a>")},
    {"a port out of range", "crawlable-anchors", body("<a href=\"https://rugs.example:99999/\">Rugs</a>"),
     body("<a href=\"https://rugs.example:8080/\">Rugs</a>")},
    {"a host after two slashes", "crawlable-anchors", body("<a href=\"//[rugs/\">Rugs</a>"),
     body("<a href=\"//rugs.example/a\">Rugs</a>")},
};

INSTANTIATE_TEST_SUITE_P(PageContent, EachRule, testing::ValuesIn(kCases), caseName);
[[maybe_unused]] const bool kListed = listCases(kCases);

} // namespace
} // namespace headwise::audit::rulecases
