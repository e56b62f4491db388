// Canonical and hreflang links, from the head and from Link response headers
// (Google reads both). The canonical checks follow Lighthouse's canonical
// audit: links in the body are ignored, an empty href is skipped, and the
// page's own address is the base for resolving and comparing. Addresses are
// read as browsers read them (WHATWG URL Standard), once per page.

#include "core/audit/engine/checks.h"
#include "core/web/languagetags.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace headwise::audit::checks {

namespace {

using Form = LinkRef::Form;

// The header a link came from, to start a message with; nothing for the head's.
QString lead(const LinkRef& link) {
    return link.fromHeader ? link.source + QStringLiteral(": ") : QString();
}

RawFinding about(const char* rule, const LinkRef& link, const QString& message, bool note = false) {
    return {rule, lead(link) + message, link.span, link.source, note};
}

// A file's own address is not the site's; its canonical names it when the
// canonical's path is the file's path below the site's root (a folder's
// address standing for its index page, a pretty address for NAME.html).
bool isOwnFileAddress(const web::WebUrl& file, const web::WebUrl& canonical) {
    const QString path = canonical.path.isEmpty() ? QStringLiteral("/") : canonical.path;
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

QSet<QString> alternateAddresses(const RuleContext& c) {
    QSet<QString> out;
    for (const LinkRef& link : c.links.alternates)
        out.insert(link.address);
    return out;
}

} // namespace

bool namesOtherCanonical(const RuleContext& c) {
    if (!c.links.canonical)
        return false;
    const QString& canonical = c.links.canonical->address;
    if (c.links.page.scheme == QLatin1String("file"))
        return !isOwnFileAddress(c.links.page, c.links.canonical->url);
    return canonical != c.links.page.href;
}

void canonicalMultiple(const RuleContext& c, RawFindings& out) {
    for (const QList<const LinkRef*>* unique : {&c.links.headUnique, &c.links.headerUnique})
        for (qsizetype i = 1; i < unique->size(); ++i)
            out.append(about("canonical-multiple", *unique->at(i),
                             QStringLiteral("A second canonical address (%1) conflicts with %2")
                                 .arg(unique->at(i)->address, unique->first()->address)));
    // The same address named again conflicts with nothing, but says nothing either.
    const QSet<const LinkRef*> firsts(c.links.headUnique.cbegin(), c.links.headUnique.cend());
    for (const LinkRef& link : c.links.headCanonicals)
        if (link.form == Form::Absolute && !firsts.contains(&link))
            out.append(about("canonical-multiple", link,
                             QStringLiteral("The canonical address %1 is named again").arg(link.address),
                             true));
}

void canonicalInvalid(const RuleContext& c, RawFindings& out) {
    for (const QList<LinkRef>* links : {&c.links.headCanonicals, &c.links.headerCanonicals})
        for (const LinkRef& link : *links)
            if (link.form == Form::Invalid)
                out.append(about("canonical-invalid", link,
                                 QStringLiteral("The canonical address \"%1\" is not a valid URL: %2")
                                     .arg(link.href, link.why)));
}

void canonicalRelative(const RuleContext& c, RawFindings& out) {
    for (const QList<LinkRef>* links : {&c.links.headCanonicals, &c.links.headerCanonicals})
        for (const LinkRef& link : *links)
            if (link.form == Form::Relative)
                out.append(
                    about("canonical-relative", link,
                          QStringLiteral("The canonical address \"%1\" is not absolute").arg(link.href)));
}

void canonicalConflict(const RuleContext& c, RawFindings& out) {
    const QList<const LinkRef*>& head = c.links.headUnique;
    const QList<const LinkRef*>& header = c.links.headerUnique;
    if (head.isEmpty() || header.isEmpty() || head.first()->address == header.first()->address)
        return;
    out.append({"canonical-conflict",
                QStringLiteral("The head names %1 canonical but the Link header names %2")
                    .arg(head.first()->address, header.first()->address),
                head.first()->span});
}

void canonicalRoot(const RuleContext& c, RawFindings& out) {
    const LinkRef* link = c.links.canonical;
    if (!link)
        return;
    const web::WebUrl& canonical = link->url;
    const web::WebUrl& page = c.links.page;
    const bool sameOrigin = page.valid && !page.host.isEmpty() && canonical.scheme == page.scheme &&
                            canonical.host == page.host && canonical.port == page.port;
    const auto isRoot = [](const web::WebUrl& url) {
        return url.path.isEmpty() || url.path == QLatin1String("/");
    };
    if (sameOrigin && isRoot(canonical) && !isRoot(page))
        out.append(about(
            "canonical-root", *link,
            QStringLiteral("The canonical address %1 is the site's root, not this page").arg(link->address)));
}

void canonicalHreflang(const RuleContext& c, RawFindings& out) {
    const LinkRef* link = c.links.canonical;
    if (!link || c.links.alternates.isEmpty())
        return;
    const QString& page = c.links.page.href;
    const QSet<QString> alternates = alternateAddresses(c);
    if (alternates.contains(page) && alternates.contains(link->address) && page != link->address)
        out.append(
            about("canonical-hreflang", *link,
                  QStringLiteral("The canonical address %1 is another language's page").arg(link->address)));
}

void canonicalOutsideHead(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements)
        if (!e.inHead && e.hasRel(QLatin1String("canonical")))
            out.append({"canonical-outside-head",
                        QStringLiteral("This canonical link is in the body and is ignored"), e.span});
}

void hreflangInvalid(const RuleContext& c, RawFindings& out) {
    for (const LinkRef& link : c.links.alternates) {
        const web::TagVerdict verdict = web::judgeHreflang(link.hreflang);
        if (verdict.kind != web::TagVerdict::Kind::Valid)
            out.append(about("hreflang-invalid", link, verdict.message,
                             verdict.kind == web::TagVerdict::Kind::Undocumented));
    }
}

void hreflangRelative(const RuleContext& c, RawFindings& out) {
    for (const LinkRef& link : c.links.alternates)
        if (link.form != Form::Absolute || link.url.host.isEmpty())
            out.append(about("hreflang-relative", link,
                             QStringLiteral("The hreflang address \"%1\" is not absolute").arg(link.href)));
}

void hreflangNoSelf(const RuleContext& c, RawFindings& out) {
    const QList<LinkRef>& alternates = c.links.alternates;
    if (alternates.isEmpty())
        return;
    // A file's own address is not the one the alternates name; its canonical is.
    QSet<QString> self;
    if (c.links.page.scheme != QLatin1String("file"))
        self.insert(c.links.page.href);
    if (c.links.canonical)
        self.insert(c.links.canonical->address);
    if (self.isEmpty())
        return;
    for (const LinkRef& alternate : alternates)
        if (self.contains(alternate.address))
            return;
    const QString own = c.links.canonical ? c.links.canonical->address : c.links.page.href;
    out.append(about("hreflang-no-self", alternates.first(),
                     QStringLiteral("The page lists %1 but not itself (%2)")
                         .arg(alternates.size() == 1
                                  ? QStringLiteral("1 language alternate")
                                  : QStringLiteral("%1 language alternates").arg(alternates.size()),
                              own)));
}

void hreflangDuplicate(const RuleContext& c, RawFindings& out) {
    QHash<QString, QString> addressOf; // lower-case code -> first address
    for (const LinkRef& link : c.links.alternates) {
        const QString code = link.hreflang.toLower();
        const auto known = addressOf.constFind(code);
        if (known == addressOf.cend())
            addressOf.insert(code, link.address);
        else if (*known != link.address)
            out.append(
                about("hreflang-duplicate", link,
                      QStringLiteral("hreflang %1 names %2, but an earlier link names %3")
                          .arg(link.hreflang, link.address.isEmpty() ? link.href : link.address, *known)));
    }
}

} // namespace headwise::audit::checks
