// Any bytes either parse as a sitemap of web addresses within the protocol's
// limit, or give a reason with a place.

#include "core/site/sitemap.h"
#include "core/web/weburl.h"
#include "require.h"

using namespace headwise;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<Sitemap> sitemap = parseSitemap(bytes, &error);
    if (!sitemap) {
        require(!error.isEmpty());
        require(error.contains(QLatin1String("line ")));
        return 0;
    }
    require(sitemap->locations.size() <= kMaxSitemapEntries);
    require(sitemap->skipped >= 0);
    for (const QString& location : sitemap->locations) {
        // Entries are judged as a browser parses an address, not by QUrl.
        const web::WebUrl url = web::parseWebUrl(location);
        require(url.valid);
        require(url.scheme == QLatin1String("http") || url.scheme == QLatin1String("https"));
        require(location == location.trimmed());
    }
    return 0;
}
