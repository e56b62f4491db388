#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace headwise {

// The addresses a crawl goes on to from a page: every <a href>, resolved
// against the page's <base href> (else its own address), without fragment,
// kept only when on the same origin (scheme, host, port) as `origin`, each
// once, in page order. One pass over the text.
QList<QUrl> sameOriginLinks(const QString& pageText, const QUrl& pageUrl, const QUrl& origin);

// The form addresses are compared in: no fragment, an empty path as "/".
QUrl crawlAddress(const QUrl& url);

// Same scheme, host and port, default ports filled in.
bool sameOrigin(const QUrl& a, const QUrl& b);

} // namespace headwise
