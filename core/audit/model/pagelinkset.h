#pragma once

#include "core/audit/model/pagemodel.h"
#include "core/web/linkheader.h"
#include "core/web/weburl.h"

#include <QList>
#include <QPair>
#include <QString>

namespace headwise::audit {

// A canonical or alternate link, from the head or a Link header, read once.
struct LinkRef {
    enum class Form { Absolute, Relative, Invalid };
    QString href = {}; // as written, trimmed
    QString hreflang = {};
    Span span = {};      // the element; empty for a header
    QString source = {}; // the header, for a header link
    bool fromHeader = false;
    Form form = Form::Absolute;
    web::WebUrl url = {}; // resolved against the page; not valid when it does not parse
    QString address = {}; // url.href
    QString why = {};     // what is wrong, for an invalid address
};

// The page's canonical and alternate links with their addresses resolved, so
// that every rule reads them without parsing an address again.
struct PageLinkSet {
    web::WebUrl page;
    QList<LinkRef> headCanonicals, headerCanonicals, alternates;
    // The distinct absolute canonicals of the head and of the headers, first link of each.
    QList<const LinkRef*> headUnique, headerUnique;
    // The one canonical a search engine would take (the head's, else the
    // header's), when there is exactly one and it is valid; else null.
    const LinkRef* canonical = nullptr;
};

PageLinkSet collectPageLinks(const PageModel& model, const QList<web::HeaderLink>& headers,
                             const QString& address);

} // namespace headwise::audit
