// Links found in any text are on the page's origin, without fragment, and each
// appears once; every reference stands on a tag of the text, a srcset
// candidate is an address without the spaces and commas around it, and a
// page's base is never one no page stands at.

#include "core/site/pagelinks.h"
#include "require.h"

#include <QSet>

using namespace headwise;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString page = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    static const web::WebUrl pageUrl = web::parseWebUrl(QStringLiteral("http://example.com/dir/page.html"));
    QSet<QString> seen;
    for (const web::WebUrl& link : sameOriginLinks(page, pageUrl, pageUrl)) {
        require(web::sameOrigin(link, pageUrl));
        require(link.fragment.isNull() && !link.href.contains(u'#'));
        require(link.path.startsWith(u'/'));
        // What the crawl asks for reads back as itself.
        require(web::parseWebUrl(link.href).href == link.href);
        require(!seen.contains(link.href));
        seen.insert(link.href);
    }
    // The HTML standard's white space: a vertical tab, which QChar::isSpace() counts, is part of an address.
    const auto space = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
    };
    const PageReferences found = pageReferences(page);
    for (const PageReference& r : found.references) {
        require(r.offset >= 0 && r.length > 0 && r.offset + r.length <= page.size());
        require(page[r.offset] == u'<');
        if (r.kind == PageReference::Kind::ImageSrcset || r.kind == PageReference::Kind::SourceSrcset) {
            require(!r.target.isEmpty() && !space(r.target.front()) && !space(r.target.back()));
            require(r.target.back() != u',');
        }
    }
    const web::WebUrl base = pageBase(found.base, pageUrl);
    require(base.valid && base.scheme != QLatin1String("javascript") && base.scheme != QLatin1String("data"));
    for (const quint32 id : found.ids)
        require(id != 0);
    return 0;
}
