#pragma once

#include <QList>
#include <QString>

#include "core/web/weburl.h"
#include <optional>

namespace headwise {

// A reference in a page's markup: an <a href>, <area href> or <img src>,
// decoded but not resolved.
struct PageReference {
    enum class Kind : quint8 { Link, Area, Image };
    QString target;
    Kind kind = Kind::Link;
    bool nofollow = false; // rel holds "nofollow"
    qsizetype offset = 0;  // of the tag's "<"
    qsizetype length = 0;  // of the whole tag
};

struct PageReferences {
    std::optional<QString> base;     // the first <base href>
    QList<PageReference> references; // in page order
};

// One pass over the text; comments, scripts and styles hold no references.
PageReferences pageReferences(const QString& pageText);

// The same references, their addresses left where they stand: a site's pages
// hold a hundred links each, and a string for each would cost more than the
// scan. An address with a character reference in it is decoded into decoded.
struct PageReferenceSpan {
    qsizetype from = 0, size = 0; // the address, in the text or in decoded
    bool inDecoded = false;
    PageReference::Kind kind = PageReference::Kind::Link;
    bool nofollow = false;
    qsizetype offset = 0, length = 0; // of the whole tag
};
struct PageReferenceSpans {
    std::optional<QString> base;
    QList<PageReferenceSpan> references;
    QString decoded;

    QStringView target(QStringView text, const PageReferenceSpan& r) const {
        return (r.inDecoded ? QStringView(decoded) : text).sliced(r.from, r.size);
    }
};
PageReferenceSpans pageReferenceSpans(QStringView pageText);
// The same into spans, whose lists keep what they hold room for: page after
// page, a reader makes no new ones.
void pageReferenceSpans(QStringView pageText, PageReferenceSpans& spans);

// The href of the first <link rel=canonical> before the body, decoded but not
// resolved; nothing when there is none. Reads no further than the head, so a
// run can read every page's canonical before it reads the pages; headEnded
// tells whether the text went on past it (else more text may hold one).
std::optional<QString> headCanonical(QStringView pageText, bool* headEnded = nullptr);

// The addresses a crawl goes on to from a page: every <a href>, resolved as a
// browser resolves it against the page's <base href> (else its own address),
// without fragment, kept only when on the same origin as `origin`, each once,
// in page order. One pass over the text.
QList<web::WebUrl> sameOriginLinks(const QString& pageText, const web::WebUrl& pageUrl,
                                   const web::WebUrl& origin);

} // namespace headwise
