// Links found in any text are on the page's origin, without fragment, and each
// appears once.

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
    return 0;
}
