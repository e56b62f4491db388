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
    // Kept so that a URL is a base without being parsed again from its href.
    QString username, password;
    bool opaquePath = false; // "mailto:a@b": the path is no list of segments

    bool isSpecial() const; // http, https, ws, wss, ftp, file
    // The href without its fragment, the form addresses are compared in.
    QStringView hrefWithoutFragment() const;
    WebUrl withoutFragment() const;
    // The path and query as a request for the URL sends them.
    QStringView pathAndQuery() const;
};

// Same scheme, host and port, for URLs with a host: an address without one has
// an opaque origin, the same as nothing else.
bool sameOrigin(const WebUrl& a, const WebUrl& b);

// Percent escapes decoded to bytes and read as UTF-8 (U+FFFD where not UTF-8).
QString percentDecoded(QStringView text);

// Where the host of an address ends when it is a plain domain from `from` on:
// labels of ASCII letters, digits and hyphens, none empty, the last starting
// with a letter (no IPv4 form), none an "xn--" one (those are decoded and
// checked), and no port; the host ends at '/', '?', '#' or the text's end.
// -1 otherwise. With Qt::CaseSensitive the letters must be lower case, as the
// parser writes them.
qsizetype plainDomainEnd(QStringView address, qsizetype from, Qt::CaseSensitivity letters);

// The length of an http(s) address's text before its fragment when the parser
// writes that part back as it stands: a lower-case scheme and domain with a
// path, nothing to escape, drop or resolve. 0 says nothing either way. A page
// links out thousands of times, and most links are of this form.
qsizetype writtenAsParsed(QStringView href);

// base may be null; a relative input without a base is not valid ("it has no
// scheme"). An invalid base counts as none.
WebUrl parseWebUrl(QStringView input, const WebUrl* base = nullptr);

} // namespace headwise::web
