#include "net/pagefetcher.h"

#include <QRegularExpression>
#include <QUrl>

namespace headwise {

FetchedPage PageFetcher::fetchPage(const QString& url, std::stop_token stop) {
    try {
        FetchResult result = fetch(url, std::move(stop));
        if (!result.ok)
            return {};
        return {.page = decodePage(result.body, result.charset),
                .status = result.status,
                .charset = result.charset,
                .headers = std::move(result.headers)};
    } catch (...) {
        return {};
    }
}

FetchResult PageFetcher::fetchAtMost(const QString& url, qint64 maxBytes, std::stop_token stop) {
    FetchResult result = fetch(url, std::move(stop));
    if (result.ok && result.body.size() > maxBytes) {
        FetchResult tooLarge;
        tooLarge.error = QStringLiteral("the body is larger than %1 bytes").arg(maxBytes);
        return tooLarge;
    }
    return result;
}

FetchResult PageFetcher::check(const QString& url, std::stop_token stop) {
    FetchResult result = fetch(url, std::move(stop));
    result.body.clear();
    return result;
}

FetchedBytes PageFetcher::fetchPageBytes(const QString& url, std::stop_token stop) {
    try {
        FetchResult result = fetch(url, std::move(stop));
        if (!result.ok)
            return {};
        return {true, std::move(result.body), std::move(result.charset), result.status};
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
