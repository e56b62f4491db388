#include "pagefetcher.h"

#include <QRegularExpression>
#include <QUrl>

namespace headwise {

DecodedPage PageFetcher::fetchPage(const QString& url) {
    try {
        const FetchedBytes fetched = fetchPageBytes(url);
        if (!fetched.ok)
            return {};
        return decodePage(fetched.bytes, fetched.charset);
    } catch (...) {
        return {};
    }
}

FetchedBytes PageFetcher::fetchPageBytes(const QString& url) {
    try {
        FetchResult result = fetch(url);
        if (!result.ok)
            return {};
        return {true, std::move(result.body), std::move(result.charset)};
    } catch (...) {
        return {};
    }
}

bool hasScheme(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(text).hasMatch();
}

bool isFetchedAddress(const QString& text) {
    if (!hasScheme(text))
        return true;
    const QString scheme = QUrl(text).scheme().toLower();
    return QString::fromLatin1(kFetchedSchemes).split(QLatin1Char(',')).contains(scheme);
}

} // namespace headwise
