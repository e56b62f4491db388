// Canonical and hreflang links, from the head and from Link response headers
// (Google reads both). The canonical checks follow Lighthouse's canonical
// audit: links in the body are ignored, an empty href is skipped, and the
// page's own address is the base for resolving and comparing. Addresses are
// read as browsers read them (WHATWG URL Standard).

#include "checks.h"
#include "languagetags.h"
#include "weburl.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace headwise::audit::checks {

namespace {

// A canonical or alternate link, from the head or a header.
struct LinkRef {
    QString href; // as written, trimmed
    QString hreflang;
    Span span;      // the element; empty for a header
    QString source; // the header, for a header link
    bool fromHeader = false;
};

// The header a link came from, to start a message with; nothing for the head's.
QString lead(const LinkRef& link) {
    return link.fromHeader ? link.source + QStringLiteral(": ") : QString();
}

QList<LinkRef> headLinks(const RuleContext& c, bool (*wanted)(const MarkupElement&)) {
    QList<LinkRef> out;
    for (const MarkupElement& e : c.model.elements)
        if (e.inHead && wanted(e))
            out.append({e.attribute(QLatin1String("href")).trimmed(),
                        e.attribute(QLatin1String("hreflang")).trimmed(),
                        e.span,
                        {},
                        false});
    return out;
}

QList<LinkRef> canonicalLinks(const RuleContext& c, bool fromHeader) {
    QList<LinkRef> out;
    if (!fromHeader) {
        for (LinkRef& link :
             headLinks(c, [](const MarkupElement& e) { return e.hasRel(QLatin1String("canonical")); }))
            if (!link.href.isEmpty())
                out.append(std::move(link));
        return out;
    }
    for (const HeaderLink& h : c.headerLinks)
        if (h.rels.contains(QLatin1String("canonical")) && !h.target.isEmpty())
            out.append({h.target, {}, {}, h.source, true});
    return out;
}

QList<LinkRef> alternateLinks(const RuleContext& c) {
    QList<LinkRef> out = headLinks(c, [](const MarkupElement& e) {
        return e.hasRel(QLatin1String("alternate")) && e.hasAttribute(QLatin1String("hreflang"));
    });
    for (const HeaderLink& h : c.headerLinks)
        if (h.rels.contains(QLatin1String("alternate")) && !h.hreflang.isEmpty())
            out.append({h.target, h.hreflang, {}, h.source, true});
    return out;
}

WebUrl pageUrl(const RuleContext& c) {
    return parseWebUrl(c.input.address);
}

// The address resolved against the page's; a null href when it does not parse.
QString resolved(const WebUrl& page, const QString& href) {
    return parseWebUrl(href, &page).href;
}

enum class Form { Absolute, Relative, Invalid };

// How an address stands on its own; why not, when it is invalid.
Form formOf(const QString& href, QString* why) {
    const WebUrl absolute = parseWebUrl(href);
    if (absolute.valid)
        return absolute.isSpecial() && absolute.host.isEmpty() ? Form::Relative : Form::Absolute;
    static const WebUrl someBase = parseWebUrl(u"https://host.invalid/dir/page");
    const WebUrl relative = parseWebUrl(href, &someBase);
    if (relative.valid)
        return Form::Relative;
    *why = absolute.error;
    return Form::Invalid;
}

struct Canonicals {
    QList<const LinkRef*> invalid, relative;
    QList<QPair<QString, const LinkRef*>> unique; // resolved address, first link naming it
    QList<QString> why;                           // for each invalid link
};

Canonicals sortCanonicals(const WebUrl& page, const QList<LinkRef>& links) {
    Canonicals out;
    for (const LinkRef& link : links) {
        QString why;
        switch (formOf(link.href, &why)) {
        case Form::Invalid:
            out.invalid.append(&link);
            out.why.append(why);
            break;
        case Form::Relative:
            out.relative.append(&link);
            break;
        case Form::Absolute: {
            const QString address = resolved(page, link.href);
            bool seen = false;
            for (const auto& [known, first] : out.unique)
                seen = seen || known == address;
            if (!seen)
                out.unique.append({address, &link});
        }
        }
    }
    return out;
}

// The one canonical a search engine would take: the head's, else the header's.
QString singleCanonical(const RuleContext& c, const LinkRef** link, QList<LinkRef>& keep) {
    const WebUrl page = pageUrl(c);
    for (bool fromHeader : {false, true}) {
        keep = canonicalLinks(c, fromHeader);
        const Canonicals found = sortCanonicals(page, keep);
        if (found.unique.size() == 1 && found.invalid.isEmpty()) {
            *link = found.unique[0].second;
            return found.unique[0].first;
        }
        if (!keep.isEmpty())
            return {};
    }
    return {};
}

QSet<QString> alternateAddresses(const RuleContext& c) {
    const WebUrl page = pageUrl(c);
    QSet<QString> out;
    for (const LinkRef& link : alternateLinks(c))
        out.insert(resolved(page, link.href));
    return out;
}

// A file's own address is not the site's; its canonical names it when the
// canonical's path is the file's path below the site's root (a folder's
// address standing for its index page, a pretty address for NAME.html).
bool isOwnFileAddress(const WebUrl& file, const WebUrl& canonical) {
    QString path = canonical.path;
    if (path.isEmpty() || path == QLatin1String("/"))
        path = QStringLiteral("/");
    const QStringList tails =
        path.endsWith(u'/')
            ? QStringList{path + QLatin1String("index.html"), path + QLatin1String("index.htm")}
            : QStringList{path, path + QLatin1String(".html"), path + QLatin1String(".htm"),
                          path + QLatin1String("/index.html"), path + QLatin1String("/index.htm")};
    for (const QString& tail : tails)
        if (file.path.endsWith(tail))
            return true;
    return false;
}

} // namespace

bool namesOtherCanonical(const RuleContext& c) {
    const LinkRef* link = nullptr;
    QList<LinkRef> keep;
    const QString canonical = singleCanonical(c, &link, keep);
    if (canonical.isEmpty())
        return false;
    const WebUrl page = pageUrl(c);
    if (page.scheme == QLatin1String("file"))
        return !isOwnFileAddress(page, parseWebUrl(canonical));
    return canonical != page.href;
}

void canonicalMultiple(const RuleContext& c, RawFindings& out) {
    const WebUrl page = pageUrl(c);
    for (bool fromHeader : {false, true}) {
        const QList<LinkRef> links = canonicalLinks(c, fromHeader);
        const Canonicals found = sortCanonicals(page, links);
        for (qsizetype i = 1; i < found.unique.size(); ++i)
            out.append({"canonical-multiple",
                        lead(*found.unique[i].second) +
                            QStringLiteral("A second canonical address (%1) conflicts with %2")
                                .arg(found.unique[i].first, found.unique[0].first),
                        found.unique[i].second->span, found.unique[i].second->source});
    }
}

void canonicalInvalid(const RuleContext& c, RawFindings& out) {
    const WebUrl page = pageUrl(c);
    for (bool fromHeader : {false, true}) {
        const QList<LinkRef> links = canonicalLinks(c, fromHeader);
        const Canonicals found = sortCanonicals(page, links);
        for (qsizetype i = 0; i < found.invalid.size(); ++i)
            out.append({"canonical-invalid",
                        lead(*found.invalid[i]) +
                            QStringLiteral("The canonical address \"%1\" is not a valid URL: %2")
                                .arg(found.invalid[i]->href, found.why[i]),
                        found.invalid[i]->span, found.invalid[i]->source});
    }
}

void canonicalRelative(const RuleContext& c, RawFindings& out) {
    const WebUrl page = pageUrl(c);
    for (bool fromHeader : {false, true}) {
        const QList<LinkRef> links = canonicalLinks(c, fromHeader);
        for (const LinkRef* link : sortCanonicals(page, links).relative)
            out.append(
                {"canonical-relative",
                 lead(*link) + QStringLiteral("The canonical address \"%1\" is not absolute").arg(link->href),
                 link->span, link->source});
    }
}

void canonicalConflict(const RuleContext& c, RawFindings& out) {
    const WebUrl page = pageUrl(c);
    const QList<LinkRef> head = canonicalLinks(c, false);
    const QList<LinkRef> header = canonicalLinks(c, true);
    const Canonicals inHead = sortCanonicals(page, head);
    const Canonicals inHeader = sortCanonicals(page, header);
    if (inHead.unique.isEmpty() || inHeader.unique.isEmpty() ||
        inHead.unique[0].first == inHeader.unique[0].first)
        return;
    out.append({"canonical-conflict",
                QStringLiteral("The head names %1 canonical but the Link header names %2")
                    .arg(inHead.unique[0].first, inHeader.unique[0].first),
                inHead.unique[0].second->span});
}

void canonicalRoot(const RuleContext& c, RawFindings& out) {
    const LinkRef* link = nullptr;
    QList<LinkRef> keep;
    const QString address = singleCanonical(c, &link, keep);
    if (address.isEmpty())
        return;
    const WebUrl canonical = parseWebUrl(address);
    const WebUrl page = pageUrl(c);
    const bool sameOrigin = page.valid && !page.host.isEmpty() && canonical.scheme == page.scheme &&
                            canonical.host == page.host && canonical.port == page.port;
    const auto isRoot = [](const WebUrl& url) {
        return url.path.isEmpty() || url.path == QLatin1String("/");
    };
    if (sameOrigin && isRoot(canonical) && !isRoot(page))
        out.append(
            {"canonical-root",
             lead(*link) +
                 QStringLiteral("The canonical address %1 is the site's root, not this page").arg(address),
             link->span, link->source});
}

void canonicalHreflang(const RuleContext& c, RawFindings& out) {
    const LinkRef* link = nullptr;
    QList<LinkRef> keep;
    const QString canonical = singleCanonical(c, &link, keep);
    if (canonical.isEmpty())
        return;
    const QString page = pageUrl(c).href;
    const QSet<QString> alternates = alternateAddresses(c);
    if (alternates.contains(page) && alternates.contains(canonical) && page != canonical)
        out.append({"canonical-hreflang",
                    lead(*link) +
                        QStringLiteral("The canonical address %1 is another language's page").arg(canonical),
                    link->span, link->source});
}

void canonicalOutsideHead(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements)
        if (!e.inHead && e.hasRel(QLatin1String("canonical")))
            out.append({"canonical-outside-head",
                        QStringLiteral("This canonical link is in the body and is ignored"), e.span});
}

void hreflangInvalid(const RuleContext& c, RawFindings& out) {
    for (const LinkRef& link : alternateLinks(c)) {
        const TagVerdict verdict = judgeHreflang(link.hreflang);
        if (verdict.kind != TagVerdict::Kind::Valid)
            out.append({"hreflang-invalid", lead(link) + verdict.message, link.span, link.source,
                        verdict.kind == TagVerdict::Kind::Undocumented});
    }
}

void hreflangRelative(const RuleContext& c, RawFindings& out) {
    for (const LinkRef& link : alternateLinks(c))
        if (!isAbsoluteUrl(link.href))
            out.append(
                {"hreflang-relative",
                 lead(link) + QStringLiteral("The hreflang address \"%1\" is not absolute").arg(link.href),
                 link.span, link.source});
}

void hreflangNoSelf(const RuleContext& c, RawFindings& out) {
    const QList<LinkRef> alternates = alternateLinks(c);
    if (alternates.isEmpty())
        return;
    // A file's own address is not the one the alternates name; its canonical is.
    const WebUrl page = pageUrl(c);
    QSet<QString> self;
    if (page.scheme != QLatin1String("file"))
        self.insert(page.href);
    const LinkRef* link = nullptr;
    QList<LinkRef> keep;
    const QString canonical = singleCanonical(c, &link, keep);
    if (!canonical.isEmpty())
        self.insert(canonical);
    if (self.isEmpty())
        return;
    const QString own = canonical.isEmpty() ? page.href : canonical;
    for (const LinkRef& alternate : alternates)
        if (self.contains(resolved(page, alternate.href)))
            return;
    out.append({"hreflang-no-self",
                lead(alternates.first()) +
                    QStringLiteral("The page lists %1 but not itself (%2)")
                        .arg(alternates.size() == 1
                                 ? QStringLiteral("1 language alternate")
                                 : QStringLiteral("%1 language alternates").arg(alternates.size()),
                             own),
                alternates.first().span, alternates.first().source});
}

void hreflangDuplicate(const RuleContext& c, RawFindings& out) {
    const WebUrl page = pageUrl(c);
    QHash<QString, QString> addressOf; // lower-case code -> first address
    for (const LinkRef& link : alternateLinks(c)) {
        const QString code = link.hreflang.toLower();
        const QString address = resolved(page, link.href);
        const auto known = addressOf.constFind(code);
        if (known == addressOf.cend())
            addressOf.insert(code, address);
        else if (*known != address)
            out.append({"hreflang-duplicate",
                        lead(link) + QStringLiteral("hreflang %1 names %2, but an earlier link names %3")
                                         .arg(link.hreflang, address.isEmpty() ? link.href : address, *known),
                        link.span, link.source});
    }
}

} // namespace headwise::audit::checks
