#pragma once

#include "core/page/pagecodec.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <stop_token>

namespace headwise {

// A response on the way that sent the fetch on to another address.
struct RedirectHop {
    QString from; // the address that answered
    int status = 0;
};

// What one fetch for the audit brought back: the raw body and what the
// server said about it, or why nothing usable arrived.
struct FetchResult {
    bool ok = false;
    QString error;    // set when !ok: names the cause (no connection, too many redirects ...)
    QString finalUrl; // the address after redirects; for a redirect loop, where the last one sent it
    QList<RedirectHop> redirects; // in order, also when the fetch ended in a loop
    int status = 0;               // HTTP status of the last response
    QByteArray body;
    QByteArray contentType;                       // the Content-Type header as sent
    QByteArray charset;                           // its charset= parameter, empty when none
    QList<QPair<QByteArray, QByteArray>> headers; // of the last response only, in arrival order
};

// A page as fetched: decoded, with the encoding it was read with and the bytes
// that came (so that a save writes what the page declares), and what the
// server said about it. The text is empty on failure.
struct FetchedPage {
    DecodedPage page;
    int status = 0;
    QByteArray charset;                           // of the Content-Type header
    QList<QPair<QByteArray, QByteArray>> headers; // of the last response
};

// A page's body as it came and the charset its server declared for it.
struct FetchedBytes {
    bool ok = false;
    QByteArray bytes;
    QByteArray charset;
    int status = 0; // HTTP status of the last response
};

// Fetches a web page. Blocking; for getPageSource the empty text is the only
// sign of failure, and nothing is shown to the user. A stop requested through
// the token ends the fetch at once, as a failure.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual QString getPageSource(const QString& url, std::stop_token stop = {}) = 0;
    virtual FetchResult fetch(const QString& url, std::stop_token stop = {}) = 0;
    // The same with a tighter cap on the body, for things that are never
    // large (a picture); a longer body is a failure.
    virtual FetchResult fetchAtMost(const QString& url, qint64 maxBytes, std::stop_token stop = {});
    // Whether an address answers, and with what, without its body: HEAD, and
    // GET when the server refuses HEAD. The body is empty.
    virtual FetchResult check(const QString& url, std::stop_token stop = {});
    virtual FetchedPage fetchPage(const QString& url, std::stop_token stop = {});
    // The same page undecoded, for reading only what is needed of it.
    virtual FetchedBytes fetchPageBytes(const QString& url, std::stop_token stop = {});
};

// Whether a typed text begins with "scheme://": a web address, not a file name.
bool hasScheme(const QString& text);

// The schemes a fetcher follows, at the start and through redirects.
inline constexpr char kFetchedSchemes[] = "http,https";

// A text without a scheme is taken for a web address; the scheme must then be
// one of kFetchedSchemes.
bool isFetchedAddress(const QString& text);

} // namespace headwise
