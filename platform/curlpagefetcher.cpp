#include "curlpagefetcher.h"

#include "pagecodec.h"

#include <QRegularExpression>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace headwise {

namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
    QByteArray body;
    bool tooLarge = false;
    Clock::time_point lastByte = Clock::now();
    std::chrono::milliseconds stallLimit{};
    qint64 maxBytes = 0;
};

size_t receiveBody(char* data, size_t size, size_t count, void* user) noexcept {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    transfer->lastByte = Clock::now();
    if (transfer->body.size() + qint64(length) > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0; // aborts the transfer
    }
    try {
        transfer->body.append(data, qsizetype(length));
    } catch (...) {
        return 0;
    }
    return length;
}

size_t receiveHeader(char*, size_t size, size_t count, void* user) noexcept {
    static_cast<Transfer*>(user)->lastByte = Clock::now();
    return size * count;
}

// libcurl calls this about once a second even while nothing arrives, which is
// what lets a silent server be given up on.
int watchProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
    const auto* transfer = static_cast<const Transfer*>(user);
    return Clock::now() - transfer->lastByte > transfer->stallLimit ? 1 : 0;
}

bool curlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

// A typed address without "scheme://" is meant for the web.
QByteArray withScheme(const QString& url) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    const QString full = scheme.match(url).hasMatch() ? url : QStringLiteral("http://") + url;
    return full.toUtf8();
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

CurlPageFetcher::CurlPageFetcher(std::chrono::milliseconds connectTimeout,
                                 std::chrono::milliseconds stallLimit, std::chrono::milliseconds totalLimit,
                                 qint64 maxBytes)
    : connectTimeout_(connectTimeout), stallLimit_(stallLimit), totalLimit_(totalLimit), maxBytes_(maxBytes) {
}

QString CurlPageFetcher::GetPageSource(const QString& url) {
    return fetchPage(url).text;
}

DecodedPage CurlPageFetcher::fetchPage(const QString& url) {
    try {
        if (!curlReady())
            return {};
        const QByteArray address = withScheme(url);
        // libcurl would stop at an embedded NUL and fetch some other address.
        if (address.contains('\0'))
            return {};
        std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
        if (!curl)
            return {};
        curl_slist* list = nullptr;
        for (const char* header : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
            curl_slist* longer = curl_slist_append(list, header);
            if (!longer) {
                curl_slist_free_all(list);
                return {};
            }
            list = longer;
        }
        const std::unique_ptr<curl_slist, ListDeleter> headers(list);

        Transfer transfer;
        transfer.stallLimit = stallLimit_;
        transfer.maxBytes = maxBytes_;
        CURL* h = curl.get();
        bool ok = true;
        const auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
        set(curl_easy_setopt(h, CURLOPT_URL, address.constData()));
        set(curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https"));
        set(curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
        set(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L));
        set(curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L));
        set(curl_easy_setopt(h, CURLOPT_USERAGENT, "vb wininet"));
        set(curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get()));
        set(curl_easy_setopt(h, CURLOPT_PROXY, "")); // a direct connection, whatever the environment says
        set(curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, ""));
        set(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
        set(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeout_.count())));
        set(curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(totalLimit_.count())));
        set(curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes_)));
        set(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, receiveBody));
        set(curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer));
        set(curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, receiveHeader));
        set(curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer));
        set(curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, watchProgress));
        set(curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer));
        set(curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L));
        if (!ok)
            return {};

        transfer.lastByte = Clock::now();
        if (curl_easy_perform(h) != CURLE_OK || transfer.tooLarge)
            return {};

        const char* contentType = nullptr;
        curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType);
        return decodePage(transfer.body, charsetFromContentType(QByteArray(contentType)));
    } catch (...) {
        return {};
    }
}

} // namespace headwise
