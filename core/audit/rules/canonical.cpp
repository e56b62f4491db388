// Canonical links, from the head and from Link response headers (Google
// reads both). The checks follow Lighthouse's canonical
// audit: links in the body are ignored, an empty href is skipped, and the
// page's own address is the base for resolving and comparing. Addresses are
// read as browsers read them (WHATWG URL Standard), once per page.

#include "core/audit/rules/canonical.h"

#include "core/audit/engine/rulecontext.h"
#include "core/audit/fix/fixcontext.h"
#include "core/web/languagetags.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace headwise::audit {

namespace {

using Form = LinkRef::Form;

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

void canonicalMultiple(const RuleContext& c, RawFindings& out) {
    for (const QList<const LinkRef*>* unique : {&c.links.headUnique, &c.links.headerUnique})
        for (qsizetype i = 1; i < unique->size(); ++i)
            out.append(about(ruleid::kCanonicalMultiple, *unique->at(i),
                             QStringLiteral("A second canonical address (%1) conflicts with %2")
                                 .arg(unique->at(i)->address, unique->first()->address)));
    // The same address named again conflicts with nothing, but says nothing either.
    const QSet<const LinkRef*> firsts(c.links.headUnique.cbegin(), c.links.headUnique.cend());
    for (const LinkRef& link : c.links.headCanonicals)
        if (link.form == Form::Absolute && !firsts.contains(&link))
            out.append(about(ruleid::kCanonicalMultiple, link,
                             QStringLiteral("The canonical address %1 is named again").arg(link.address),
                             true));
}

void canonicalInvalid(const RuleContext& c, RawFindings& out) {
    for (const QList<LinkRef>* links : {&c.links.headCanonicals, &c.links.headerCanonicals})
        for (const LinkRef& link : *links)
            if (link.form == Form::Invalid)
                out.append(about(ruleid::kCanonicalInvalid, link,
                                 QStringLiteral("The canonical address \"%1\" is not a valid URL: %2")
                                     .arg(link.href, link.why)));
}

void canonicalRelative(const RuleContext& c, RawFindings& out) {
    for (const QList<LinkRef>* links : {&c.links.headCanonicals, &c.links.headerCanonicals})
        for (const LinkRef& link : *links)
            if (link.form == Form::Relative)
                out.append(
                    about(ruleid::kCanonicalRelative, link,
                          QStringLiteral("The canonical address \"%1\" is not absolute").arg(link.href)));
}

void canonicalConflict(const RuleContext& c, RawFindings& out) {
    const QList<const LinkRef*>& head = c.links.headUnique;
    const QList<const LinkRef*>& header = c.links.headerUnique;
    if (head.isEmpty() || header.isEmpty() || head.first()->address == header.first()->address)
        return;
    out.append({ruleid::kCanonicalConflict,
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
            ruleid::kCanonicalRoot, *link,
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
            about(ruleid::kCanonicalHreflang, *link,
                  QStringLiteral("The canonical address %1 is another language's page").arg(link->address)));
}

void canonicalOutsideHead(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements)
        if (!e.inHead && e.hasRel(QLatin1String("canonical")))
            out.append({ruleid::kCanonicalOutsideHead,
                        QStringLiteral("This canonical link is in the body and is ignored"), e.span});
}

std::optional<PageFix> fixCanonicalMultiple(const FixContext& page, qsizetype i) {
    return laterCopy(
        page, i, QStringLiteral("removed a canonical link naming the same address again"),
        [](const MarkupElement& e) {
            return e.hasRel(QLatin1String("canonical")) &&
                   !e.attribute(QLatin1String("href")).trimmed().isEmpty();
        },
        [](const MarkupElement& e) {
            const QString href = e.attribute(QLatin1String("href")).trimmed();
            const web::WebUrl url = web::parseWebUrl(href);
            return url.valid ? url.href : QStringLiteral("relative ") + href; // compared as written
        });
}

std::optional<PageFix> fixCanonicalRelative(const FixContext& page, qsizetype i) {
    return madeAbsolute(page, i, QLatin1String("href"), QStringLiteral("canonical address"));
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

QList<Rule> canonicalRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kCanonicalMultiple,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The head names more than one canonical URL.",
            .help =
                "Conflicting canonical links are ignored by search engines. Keep one. The same address named "
                "again is a note.",
            .sources =
                {{"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"},
                 {"Google Search Central Blog: 5 common mistakes with rel=canonical",
                  "https://developers.google.com/search/blog/2013/04/5-common-mistakes-with-relcanonical"},
                 {"Lighthouse: canonical", "https://developer.chrome.com/docs/lighthouse/seo/canonical"}},
            .check = canonicalMultiple,
            .fix = fixCanonicalMultiple,
            .fixHelp = "A later link naming the same address is removed; one that differs is left for you.",
        },
        {
            .id = ruleid::kCanonicalInvalid,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The canonical link's address is not a valid URL.",
            .help = "Search engines ignore a canonical link they cannot read. Addresses are judged as "
                    "browsers parse "
                    "them (WHATWG URL Standard): a space or a lone % is no error, a missing scheme, a bad "
                    "host or a "
                    "bad port is. Write a complete, valid address.",
            .sources =
                {{"Lighthouse: canonical", "https://developer.chrome.com/docs/lighthouse/seo/canonical"},
                 {"WHATWG URL: URL parsing", "https://url.spec.whatwg.org/#url-parsing"},
                 {"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"}},
            .check = canonicalInvalid,
        },
        {
            .id = ruleid::kCanonicalRelative,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The canonical link's address is not absolute.",
            .help = "A relative canonical address is easily resolved against the wrong base. Write the full "
                    "address, "
                    "with scheme and host.",
            .sources =
                {{"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"},
                 {"Google Search Central Blog: 5 common mistakes with rel=canonical",
                  "https://developers.google.com/search/blog/2013/04/5-common-mistakes-with-relcanonical"}},
            .check = canonicalRelative,
            .fix = fixCanonicalRelative,
            .fixHelp = "With the page's address (--base-url, or a fetched page's own): the address is made "
                       "absolute.",
        },
        {
            .id = ruleid::kCanonicalRoot,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The canonical link points to the site's root from a deeper page.",
            .help = "Pointing every page at the home page tells search engines that the pages are copies of "
                    "it, and "
                    "they drop them. Point each page at its own address.",
            .sources =
                {{"Lighthouse: canonical", "https://developer.chrome.com/docs/lighthouse/seo/canonical"},
                 {"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"}},
            .check = canonicalRoot,
            .comparesAddresses = true,
        },
        {
            .id = ruleid::kCanonicalHreflang,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description =
                "The canonical link points to a page that an hreflang link names for another language.",
            .help = "A page in one language that calls the page in another language canonical is dropped in "
                    "favour "
                    "of it. Point each language's page at itself.",
            .sources =
                {{"Lighthouse: canonical", "https://developer.chrome.com/docs/lighthouse/seo/canonical"},
                 {"Google Search Central: Tell Google about localized versions of your page",
                  "https://developers.google.com/search/docs/specialty/international/localized-versions"},
                 {"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"}},
            .check = canonicalHreflang,
            .comparesAddresses = true,
        },
        {
            .id = ruleid::kCanonicalOutsideHead,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "A canonical link stands outside the head.",
            .help =
                "A canonical link in the body is ignored by search engines (Google Search Central, \"How to "
                "specify a canonical URL\"). Move it into <head>.",
            .sources =
                {{"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"},
                 {"Google Search Central Blog: 5 common mistakes with rel=canonical",
                  "https://developers.google.com/search/blog/2013/04/5-common-mistakes-with-relcanonical"}},
            .check = canonicalOutsideHead,
        },
        {
            .id = ruleid::kCanonicalConflict,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The Link header's canonical and the head's canonical differ.",
            .help =
                "Google reads rel=\"canonical\" from the HTTP Link header as from the head (Google Search "
                "Central, \"How to specify a canonical URL\"); two different canonicals are conflicting "
                "signals "
                "and both may be ignored. Name the same address in both, or keep one.",
            .sources =
                {{"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"},
                 {"RFC 8288: Web Linking", "https://www.rfc-editor.org/rfc/rfc8288"}},
            .check = canonicalConflict,
            .comparesAddresses = true,
        },
    };
}

} // namespace headwise::audit
