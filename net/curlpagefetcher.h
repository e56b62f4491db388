#pragma once

#include "core/page/pagefile.h"
#include "net/pagefetcher.h"

#include <chrono>

namespace headwise {

// http and https only, redirects followed, nothing cached, and never waiting
// forever: the limits below end the transfer with the empty text (a failed
// FetchResult). Safe to use from several threads at once.
class CurlPageFetcher final : public PageFetcher {
public:
    explicit CurlPageFetcher(std::chrono::milliseconds connectTimeout = std::chrono::seconds(30),
                             std::chrono::milliseconds stallLimit = std::chrono::seconds(30),
                             std::chrono::milliseconds totalLimit = std::chrono::minutes(10),
                             qint64 maxBytes = kMaxPageBytes);

    QString getPageSource(const QString& url, std::stop_token stop = {}) override;
    FetchResult fetch(const QString& url, std::stop_token stop = {}) override;
    // Stops receiving past maxBytes (or this fetcher's own cap, if smaller).
    FetchResult fetchAtMost(const QString& url, qint64 maxBytes, std::stop_token stop = {}) override;
    FetchResult check(const QString& url, std::stop_token stop = {}) override;

    static constexpr long kMaxRedirects = 10;

private:
    enum class Method { Get, Head, GetStatus };
    FetchResult transfer(const QString& url, qint64 maxBytes, Method method, std::stop_token stop);

    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds stallLimit_;
    std::chrono::milliseconds totalLimit_;
    qint64 maxBytes_; // a longer body is a failure, not a memory sink
};

} // namespace headwise
