#include "core/audit/model/pagelinkset.h"

#include <QSet>

namespace headwise::audit {

namespace {

// How an address stands on its own, and where it leads from the page.
void read(const web::WebUrl& page, LinkRef& link) {
    const web::WebUrl absolute = web::parseWebUrl(link.href);
    if (absolute.valid) {
        link.form = LinkRef::Form::Absolute;
        link.url = absolute;
        link.address = absolute.href;
        return;
    }
    static const web::WebUrl someBase = web::parseWebUrl(u"https://host.invalid/dir/page");
    if (web::parseWebUrl(link.href, &someBase).valid) {
        link.form = LinkRef::Form::Relative;
        link.url = web::parseWebUrl(link.href, &page);
        link.address = link.url.href;
        return;
    }
    link.form = LinkRef::Form::Invalid;
    link.why = absolute.error;
}

QList<const LinkRef*> unique(const QList<LinkRef>& links) {
    QList<const LinkRef*> out;
    QSet<QString> seen; // a page naming thousands stays linear
    for (const LinkRef& link : links) {
        if (link.form != LinkRef::Form::Absolute || seen.contains(link.address))
            continue;
        seen.insert(link.address);
        out.append(&link);
    }
    return out;
}

const LinkRef* single(const QList<LinkRef>& links, const QList<const LinkRef*>& distinct) {
    for (const LinkRef& link : links)
        if (link.form == LinkRef::Form::Invalid)
            return nullptr;
    return distinct.size() == 1 ? distinct.first() : nullptr;
}

} // namespace

PageLinkSet collectPageLinks(const PageModel& model, const QList<web::HeaderLink>& headers,
                             const QString& address) {
    PageLinkSet set;
    set.page = web::parseWebUrl(address);
    for (const MarkupElement& e : model.elements) {
        if (!e.inHead || e.kind != MarkupElement::Kind::Link)
            continue;
        const QString href = e.attribute(QLatin1String("href")).trimmed();
        if (e.hasRel(QLatin1String("canonical")) && !href.isEmpty())
            set.headCanonicals.append({.href = href, .span = e.span});
        else if (e.hasRel(QLatin1String("alternate")) && e.hasAttribute(QLatin1String("hreflang")))
            set.alternates.append(
                {.href = href, .hreflang = e.attribute(QLatin1String("hreflang")).trimmed(), .span = e.span});
    }
    for (const web::HeaderLink& h : headers) {
        if (h.rels.contains(QLatin1String("canonical")) && !h.target.isEmpty())
            set.headerCanonicals.append({.href = h.target, .source = h.source, .fromHeader = true});
        else if (h.rels.contains(QLatin1String("alternate")) && !h.hreflang.isEmpty())
            set.alternates.append(
                {.href = h.target, .hreflang = h.hreflang, .source = h.source, .fromHeader = true});
    }
    for (QList<LinkRef>* links : {&set.headCanonicals, &set.headerCanonicals, &set.alternates})
        for (LinkRef& link : *links)
            read(set.page, link);
    set.headUnique = unique(set.headCanonicals);
    set.headerUnique = unique(set.headerCanonicals);
    set.canonical = !set.headCanonicals.isEmpty() ? single(set.headCanonicals, set.headUnique)
                                                  : single(set.headerCanonicals, set.headerUnique);
    return set;
}

} // namespace headwise::audit
