// Links found in any text are on the page's origin, without fragment, and each
// appears once.

#include "core/site/pagelinks.h"
#include "require.h"

#include <QSet>

using namespace headwise;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString page = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QUrl pageUrl(QStringLiteral("http://example.com/dir/page.html"));
    QSet<QString> seen;
    for (const QUrl& link : sameOriginLinks(page, pageUrl, pageUrl)) {
        require(sameOrigin(link, pageUrl));
        require(!link.hasFragment());
        require(!link.path().isEmpty());
        const QString text = link.toString(QUrl::FullyEncoded);
        require(!seen.contains(text));
        seen.insert(text);
    }
    return 0;
}
