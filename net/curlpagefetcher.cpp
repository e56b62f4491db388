#include "net/curlpagefetcher.h"

#include "core/page/pagecodec.h"
#include "core/web/weburl.h"
#include "net/curllibrary.h"

#include <algorithm>
#include <memory>
#include <stop_token>

namespace headwise {

namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
    QByteArray body;
    bool tooLarge = false;
    bool headersTooLarge = false;
    Clock::time_point lastByte = Clock::now();
    std::chrono::milliseconds stallLimit{};
    qint64 maxBytes = 0;
    QList<QPair<QByteArray, QByteArray>> headers; // of the response being received
    qint64 headerBytes = 0;
    bool statusOnly = false; // the first byte of the body ends the transfer
    bool bodyStarted = false;
    // Each final (not 1xx) response: its status and where it sent the fetch.
    struct Response {
        int status = 0;
        QByteArray location;
    };
    QList<Response> responses;
};

// Far more than any real response sends; a server that never stops sending
// headers is cut off here instead of filling memory.
constexpr qint64 kMaxHeaderBytes = 1024 * 1024;

size_t receiveBody(char* data, size_t size, size_t count, void* user) noexcept {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    transfer->lastByte = Clock::now();
    if (transfer->statusOnly) {
        transfer->bodyStarted = true;
        return 0; // the status is all that was asked for
    }
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

// libcurl hands over every header line of every response on the way, redirects
// included; a status line starts the next response, so only the last one's
// headers are left at the end.
size_t receiveHeader(char* data, size_t size, size_t count, void* user) noexcept {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    transfer->lastByte = Clock::now();
    transfer->headerBytes += qint64(length);
    if (transfer->headerBytes > kMaxHeaderBytes) {
        transfer->headersTooLarge = true;
        return 0;
    }
    try {
        const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
        if (line.startsWith("HTTP/")) {
            transfer->headers.clear();
            const QList<QByteArray> parts = line.split(' ');
            const int status = parts.size() > 1 ? parts[1].toInt() : 0;
            if (status >= 200)
                transfer->responses.append(Transfer::Response{status, {}});
        } else if (!line.isEmpty() && (data[0] == ' ' || data[0] == '\t') && !transfer->headers.isEmpty()) {
            transfer->headers.last().second += ' ' + line; // a folded continuation line
        } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
            transfer->headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
            if (!transfer->responses.isEmpty() && line.left(colon).trimmed().toLower() == "location")
                transfer->responses.last().location = line.mid(colon + 1).trimmed();
        }
    } catch (...) {
        return 0;
    }
    return length;
}

// libcurl calls this about once a second even while nothing arrives, which is
// what lets a silent server be given up on.
int watchProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
    const auto* transfer = static_cast<const Transfer*>(user);
    return Clock::now() - transfer->lastByte > transfer->stallLimit ? 1 : 0;
}

// A typed address without "scheme://" is meant for the web.
QByteArray withScheme(const QString& url) {
    const QString full = hasScheme(url) ? url : QStringLiteral("http://") + url;
    return full.toUtf8();
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curlLibrary()->easyCleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curlLibrary()->multiCleanup(multi); }
};

// Runs one transfer to its end, as curl_easy_perform would, except that a stop
// requested from another thread wakes the wait at once and ends the transfer
// (stopped set): closing a window never waits for a silent server.
CURLcode perform(const CurlLibrary& lib, CURL* easy, const std::stop_token& stop, bool& stopped) {
    if (!stop.stop_possible())
        return lib.easyPerform(easy);
    const std::unique_ptr<CURLM, MultiDeleter> multi(lib.multiInit());
    if (!multi || lib.multiAddHandle(multi.get(), easy) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    const std::stop_callback wake(stop, [&lib, m = multi.get()] { lib.multiWakeup(m); });
    CURLcode code = CURLE_OK;
    for (;;) {
        if (stop.stop_requested()) {
            stopped = true;
            break;
        }
        int running = 0;
        if (lib.multiPerform(multi.get(), &running) != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running == 0) {
            int queued = 0;
            while (const CURLMsg* message = lib.multiInfoRead(multi.get(), &queued))
                if (message->msg == CURLMSG_DONE)
                    code = message->data.result;
            break;
        }
        // The library's own time-outs bound the wait; a stop wakes it early.
        if (lib.multiPoll(multi.get(), nullptr, 0, 1000, nullptr) != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY;
            break;
        }
    }
    lib.multiRemoveHandle(multi.get(), easy);
    return code;
}
struct ListDeleter {
    void operator()(curl_slist* list) const { curlLibrary()->slistFreeAll(list); }
};

// The redirects a transfer went through, from the responses it saw; next is
// where the last redirect sent it.
QList<RedirectHop> redirectsOf(const Transfer& transfer, const QByteArray& address, QString& next) {
    QList<RedirectHop> hops;
    // Resolved as a browser resolves a Location, so that the hops name the
    // addresses the site graph names.
    web::WebUrl at = web::parseWebUrl(QString::fromUtf8(address));
    for (const Transfer::Response& response : transfer.responses) {
        if (response.status < 300 || response.status > 399 || response.location.isEmpty())
            break;
        const web::WebUrl to = web::parseWebUrl(QString::fromUtf8(response.location), &at);
        if (!to.valid)
            break; // a Location no browser would follow ends the chain here
        hops.append(RedirectHop{at.href, response.status});
        at = to;
    }
    next = at.href;
    return hops;
}

} // namespace

CurlPageFetcher::CurlPageFetcher(std::chrono::milliseconds connectTimeout,
                                 std::chrono::milliseconds stallLimit, std::chrono::milliseconds totalLimit,
                                 qint64 maxBytes)
    : connectTimeout_(connectTimeout), stallLimit_(stallLimit), totalLimit_(totalLimit), maxBytes_(maxBytes) {
}

QString CurlPageFetcher::getPageSource(const QString& url, std::stop_token stop) {
    return fetchPage(url, std::move(stop)).page.text;
}

FetchResult CurlPageFetcher::fetch(const QString& url, std::stop_token stop) {
    return fetchAtMost(url, maxBytes_, std::move(stop));
}

FetchResult CurlPageFetcher::fetchAtMost(const QString& url, qint64 maxBytes, std::stop_token stop) {
    return transfer(url, maxBytes, Method::Get, std::move(stop));
}

FetchResult CurlPageFetcher::check(const QString& url, std::stop_token stop) {
    FetchResult result = transfer(url, maxBytes_, Method::Head, stop);
    // Some servers refuse HEAD, or answer it wrongly; GET then tells.
    if (!result.ok || result.status == 405 || result.status == 501)
        result = transfer(url, maxBytes_, Method::GetStatus, std::move(stop));
    return result;
}

FetchResult CurlPageFetcher::transfer(const QString& url, qint64 maxBytes, Method method,
                                      std::stop_token stop) {
    maxBytes = std::min(maxBytes, maxBytes_);
    FetchResult result;
    const auto failed = [&result](const QString& why) {
        result.error = why;
        return result;
    };
    try {
        const CurlLibrary* const lib = curlLibrary();
        if (!lib)
            return failed(QStringLiteral("the network library could not be started"));
        const QByteArray address = withScheme(url);
        // libcurl would stop at an embedded NUL and fetch some other address.
        if (address.contains('\0'))
            return failed(QStringLiteral("the address holds a NUL character"));
        std::unique_ptr<CURL, CurlDeleter> curl(lib->easyInit());
        if (!curl)
            return failed(QStringLiteral("the network library could not be started"));
        curl_slist* list = nullptr;
        for (const char* header : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
            curl_slist* longer = lib->slistAppend(list, header);
            if (!longer) {
                lib->slistFreeAll(list);
                return failed(QStringLiteral("out of memory"));
            }
            list = longer;
        }
        const std::unique_ptr<curl_slist, ListDeleter> headers(list);

        Transfer transfer;
        transfer.stallLimit = stallLimit_;
        transfer.maxBytes = maxBytes;
        transfer.statusOnly = method == Method::GetStatus;
        char curlError[CURL_ERROR_SIZE] = {};
        CURL* h = curl.get();
        bool ok = true;
        const auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
        set(lib->easySetopt(h, CURLOPT_URL, address.constData()));
        set(lib->easySetopt(h, CURLOPT_PROTOCOLS_STR, kFetchedSchemes));
        set(lib->easySetopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kFetchedSchemes));
        set(lib->easySetopt(h, CURLOPT_FOLLOWLOCATION, 1L));
        set(lib->easySetopt(h, CURLOPT_MAXREDIRS, kMaxRedirects));
        set(lib->easySetopt(h, CURLOPT_USERAGENT, "vb wininet"));
        set(lib->easySetopt(h, CURLOPT_HTTPHEADER, headers.get()));
        set(lib->easySetopt(h, CURLOPT_PROXY, "")); // a direct connection, whatever the environment says
        set(lib->easySetopt(h, CURLOPT_ACCEPT_ENCODING, ""));
        set(lib->easySetopt(h, CURLOPT_NOSIGNAL, 1L));
        set(lib->easySetopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeout_.count())));
        set(lib->easySetopt(h, CURLOPT_TIMEOUT_MS, long(totalLimit_.count())));
        set(lib->easySetopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes)));
        set(lib->easySetopt(h, CURLOPT_WRITEFUNCTION, receiveBody));
        set(lib->easySetopt(h, CURLOPT_WRITEDATA, &transfer));
        set(lib->easySetopt(h, CURLOPT_HEADERFUNCTION, receiveHeader));
        set(lib->easySetopt(h, CURLOPT_HEADERDATA, &transfer));
        set(lib->easySetopt(h, CURLOPT_XFERINFOFUNCTION, watchProgress));
        set(lib->easySetopt(h, CURLOPT_XFERINFODATA, &transfer));
        set(lib->easySetopt(h, CURLOPT_NOPROGRESS, 0L));
        set(lib->easySetopt(h, CURLOPT_ERRORBUFFER, curlError));
        if (method == Method::Head)
            set(lib->easySetopt(h, CURLOPT_NOBODY, 1L));
        if (!ok)
            return failed(QStringLiteral("the network library refused the request"));

        transfer.lastByte = Clock::now();
        bool stopped = false;
        const CURLcode code = perform(*lib, h, stop, stopped);
        if (stopped)
            return failed(QStringLiteral("the fetch was stopped"));
        if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
            return failed(QStringLiteral("the page is larger than %1 bytes").arg(maxBytes));
        if (transfer.headersTooLarge)
            return failed(
                QStringLiteral("the response headers are larger than %1 bytes").arg(kMaxHeaderBytes));
        if (code == CURLE_ABORTED_BY_CALLBACK)
            return failed(QStringLiteral("nothing arrived for %1 ms").arg(stallLimit_.count()));
        result.redirects = redirectsOf(transfer, address, result.finalUrl);
        if (code == CURLE_TOO_MANY_REDIRECTS)
            return failed(QStringLiteral("more than %1 redirects, as in a redirect loop").arg(kMaxRedirects));
        const bool statusSeen = transfer.statusOnly && transfer.bodyStarted && code == CURLE_WRITE_ERROR;
        if (code != CURLE_OK && !statusSeen)
            return failed(QString::fromUtf8(*curlError ? curlError : lib->easyStrerror(code)));

        const char* contentType = nullptr;
        const char* effectiveUrl = nullptr;
        long status = 0;
        lib->easyGetinfo(h, CURLINFO_CONTENT_TYPE, &contentType);
        lib->easyGetinfo(h, CURLINFO_EFFECTIVE_URL, &effectiveUrl);
        lib->easyGetinfo(h, CURLINFO_RESPONSE_CODE, &status);
        result.ok = true;
        result.finalUrl = QString::fromUtf8(effectiveUrl ? effectiveUrl : address.constData());
        result.status = int(status);
        result.body = std::move(transfer.body);
        result.contentType = QByteArray(contentType);
        result.charset = charsetFromContentType(result.contentType);
        result.headers = std::move(transfer.headers);
        return result;
    } catch (...) {
        result = {};
        return failed(QStringLiteral("out of memory"));
    }
}

} // namespace headwise
