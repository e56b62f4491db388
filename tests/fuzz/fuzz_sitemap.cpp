// Any bytes either parse as a sitemap of web addresses within the protocol's
// limit, or give a reason with a place.

#include "core/site/sitemap.h"
#include "require.h"

#include <QUrl>

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
        const QUrl url(location);
        require(url.isValid());
        require(url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ||
                url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0);
        require(location == location.trimmed());
    }
    return 0;
}
