#pragma once

#include <QString>
#include <QStringView>

namespace headwise::web {

// An address as a browser reads it (WHATWG URL Standard, basic URL parser).
// QUrl is stricter and looser in different places than browsers, so an address
// a page names is judged by this instead.
struct WebUrl {
    bool valid = false;
    QString error;  // when not valid: what is wrong, worded for the site owner
    QString href;   // the serialised URL when valid
    QString scheme; // lower case, no ':'
    // The serialised host: a domain lower-cased in ASCII (punycode), IPv4 dotted,
    // IPv6 in brackets. A null QString when the URL has no host ("mailto:a@b"),
    // an empty non-null one when the host is empty ("file:///x", "foo://").
    QString host;
    int port = -1; // -1 when absent or the scheme's default
    // Serialised. A null query or fragment is absent; an empty non-null one
    // was written as a bare '?' or '#'.
    QString path, query, fragment;

    bool isSpecial() const; // http, https, ws, wss, ftp, file
};

// base may be null; a relative input without a base is not valid ("it has no
// scheme"). An invalid base counts as none.
WebUrl parseWebUrl(QStringView input, const WebUrl* base = nullptr);

} // namespace headwise::web
