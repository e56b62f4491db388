// The rules across a site's pages, each over what the site run found of a
// reference or a page (core/audit/engine/sitefacts.h); no single page
// triggers them.

#include "core/audit/rules/site.h"

#include "core/audit/engine/sitefacts.h"

namespace headwise::audit {

namespace {

bool isLinkOrImage(const SiteReference& r) {
    return r.kind == ReferenceKind::Link || r.kind == ReferenceKind::Area || r.kind == ReferenceKind::Image;
}

// How a message names what a reference of each kind loads, and the element
// and attribute it is written in (none for a link or an <img src>).
struct KindText {
    const char* what;
    const char* written;
};
KindText kindText(ReferenceKind kind) {
    using K = ReferenceKind;
    switch (kind) {
    case K::Image:
        return {"The image", ""};
    case K::Script:
        return {"The script", "<script src>"};
    case K::Stylesheet:
        return {"The style sheet", "<link rel=stylesheet href>"};
    case K::Icon:
        return {"The icon", "<link rel=icon href>"};
    case K::AppleTouchIcon:
        return {"The icon", "<link rel=apple-touch-icon href>"};
    case K::MaskIcon:
        return {"The icon", "<link rel=mask-icon href>"};
    case K::Preload:
        return {"The preloaded resource", "<link rel=preload href>"};
    case K::ModulePreload:
        return {"The preloaded module", "<link rel=modulepreload href>"};
    case K::Prefetch:
        return {"The prefetched resource", "<link rel=prefetch href>"};
    case K::Manifest:
        return {"The web app manifest", "<link rel=manifest href>"};
    case K::Feed:
        return {"The feed", "<link rel=alternate href>"};
    case K::ImageSrcset:
        return {"The image", "<img srcset>"};
    case K::SourceSrcset:
        return {"The image", "<source srcset>"};
    case K::SourceSrc:
        return {"The media", "<source src>"};
    case K::VideoSrc:
        return {"The video", "<video src>"};
    case K::VideoPoster:
        return {"The poster", "<video poster>"};
    case K::AudioSrc:
        return {"The audio", "<audio src>"};
    case K::TrackSrc:
        return {"The text track", "<track src>"};
    case K::IframeSrc:
        return {"The frame", "<iframe src>"};
    case K::EmbedSrc:
        return {"The embedded content", "<embed src>"};
    case K::ObjectData:
        return {"The object", "<object data>"};
    case K::InputImage:
        return {"The image", "<input type=image src>"};
    case K::MetaImage:
        return {"The share picture", "<meta property=og:image content>"};
    case K::MetaTwitterImage:
        return {"The share picture", "<meta name=twitter:image content>"};
    case K::MetaVideo:
        return {"The share video", "<meta property=og:video content>"};
    case K::MetaAudio:
        return {"The share audio", "<meta property=og:audio content>"};
    case K::Refresh:
        return {"The refresh target", "<meta http-equiv=refresh content>"};
    default:
        return {"The linked page", ""};
    }
}

QString what(const SiteReference& r) {
    return QLatin1StringView(kindText(r.kind).what);
}

// "The script /js/app.js (`<script src>`)"
QString named(const SiteReferenceFacts& f) {
    const KindText text = kindText(f.r.kind);
    const QLatin1StringView written(text.written);
    return written.isEmpty()
               ? QStringLiteral("%1 %2").arg(QLatin1StringView(text.what), f.target())
               : QStringLiteral("%1 %2 (`%3`)").arg(QLatin1StringView(text.what), f.target(), written);
}

void linkBroken(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (!loadedOrFollowed(f.r.kind) || f.route.loop || !f.failed)
        return;
    out.add(f.page, f.p, &f.r,
            f.route.hops > 0
                ? QStringLiteral("%1 redirects to %2, which %3").arg(named(f), f.site.shown(f.end), *f.failed)
                : QStringLiteral("%1 %2").arg(named(f), *f.failed));
}

// A link to a page of the site whose fragment names no element there: the
// reader lands at the top, not where the link meant. A page the run did not
// read, or one that answers an error, is not looked into.
void linkFragment(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (f.r.fragment < 0 || f.end < 0 || f.failed || !f.site.internal(f.end))
        return;
    const qint32 page = f.site.pageOf(f.end);
    if (page < 0)
        return;
    const SitePage& target = f.site.page(page);
    if (target.status >= 400 || target.namesId(f.site.graph().fragmentHash(f.r.fragment)))
        return;
    out.add(f.page, f.p, &f.r,
            QStringLiteral("The link to %1#%2 names no element of that page: no id or <a name> is \"%2\"")
                .arg(f.site.shown(f.end), f.site.graph().fragment(f.r.fragment)));
}

void linkRedirect(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (f.r.kind != ReferenceKind::Link && f.r.kind != ReferenceKind::Area)
        return;
    if (f.internal() && f.route.hops == 1)
        out.add(f.page, f.p, &f.r,
                QStringLiteral("The link to %1 redirects to %2: link to the final address")
                    .arg(f.target(), f.site.shown(f.end)));
}

void redirectChain(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (isLinkOrImage(f.r) && f.internal() && f.route.hops > 1 && !f.route.loop)
        out.add(f.page, f.p, &f.r,
                QStringLiteral("The link to %1 goes through %2 redirects: %3")
                    .arg(f.target())
                    .arg(f.route.hops)
                    .arg(f.site.hops(f.route)));
}

void redirectLoop(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (isLinkOrImage(f.r) && f.route.loop)
        out.add(f.page, f.p, &f.r,
                QStringLiteral("%1 %2 ends in a redirect loop: %3")
                    .arg(what(f.r), f.target(), f.site.hops(f.route)));
}

void nofollowInternal(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if ((f.r.kind == ReferenceKind::Link || f.r.kind == ReferenceKind::Area) && f.internal() && f.r.nofollow)
        out.add(
            f.page, f.p, &f.r,
            QStringLiteral("The link to %1 carries rel=nofollow: search engines do not follow it to a page "
                           "of the same site")
                .arg(f.target()));
}

// A canonical or an alternate names a page to be indexed: one that answers,
// without redirects, is not noindex and is its own canonical.
void namedTarget(const SiteReferenceFacts& f, const SiteRuleOutput& out, ReferenceKind kind) {
    if (f.r.kind != kind || f.r.target == f.p.key || !f.internal())
        return;
    const bool canonical = kind == ReferenceKind::Canonical;
    const QString named = canonical ? QStringLiteral("The canonical names %1").arg(f.target())
                                    : QStringLiteral("The alternate %1").arg(f.target());
    const QString which = canonical ? QStringLiteral(", which ") : QStringLiteral(" ");
    if (f.route.hops > 0)
        out.add(f.page, f.p, &f.r, named + f.through);
    else if (f.failed)
        out.add(f.page, f.p, &f.r, named + which + *f.failed);
    else if (f.site.unindexable(f.r.target))
        out.add(f.page, f.p, &f.r, named + which + QStringLiteral("is not to be indexed"));
    else if (const std::optional<qint32> other = f.site.otherCanonical(f.r.target))
        out.add(f.page, f.p, &f.r,
                canonical
                    ? named + QStringLiteral(", whose own canonical names ") + f.site.shown(*other)
                    : named + QStringLiteral(" is not its own canonical: it names ") + f.site.shown(*other));
}

void canonicalTarget(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    namedTarget(f, out, ReferenceKind::Canonical);
}

void hreflangTarget(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    namedTarget(f, out, ReferenceKind::Alternate);
}

// Said once for the site, on its home page (else its first): one cause, most
// often a folder audited away from the address its canonicals name.
void canonicalOutside(const SiteWholeFacts& f, const SiteRuleOutput& out) {
    qsizetype pages = 0, outside = 0, first = -1, home = -1;
    for (qsizetype i = 0; i < f.pages.size(); ++i) {
        const SitePage& p = f.pages[i];
        if (p.sitemap || p.status >= 400)
            continue;
        ++pages;
        first = first < 0 ? i : first;
        if (home < 0 && p.key >= 0 && f.site.scope().isHome(f.site.graph().key(p.key)))
            home = i;
        if (p.canonical >= 0 && !f.site.internal(p.canonical))
            ++outside;
    }
    const qsizetype at = home >= 0 ? home : first;
    if (2 * outside > pages)
        out.add(at, f.pages[at], nullptr,
                QStringLiteral("%1 of %2 pages name a canonical outside the audited site: they will not be "
                               "indexed as themselves")
                    .arg(outside)
                    .arg(pages));
}

void hreflangNoReturn(const SitePageFacts& f, const SiteRuleOutput& out) {
    for (const SiteReference& r : f.p.references) {
        const qint32 other =
            r.kind == ReferenceKind::Alternate && r.target != f.p.key ? f.site.pageOf(r.target) : -1;
        if (other >= 0 && !f.alternates[size_t(other)].contains(f.p.key))
            out.add(
                f.page, f.p, &r,
                QStringLiteral("%1 lists no alternate back to this page: search engines ignore alternates "
                               "that are not confirmed both ways")
                    .arg(f.site.shown(r.target)));
    }
}

// A sitemap entry of the site, and what it lists.
bool isSitemapEntry(const SiteReferenceFacts& f) {
    return f.r.kind == ReferenceKind::Sitemap && f.internal();
}

QString listedBy(const SiteReferenceFacts& f) {
    return QStringLiteral("The sitemap lists %1").arg(f.target());
}

// Each entry is judged by the first of these that holds: an error, then a
// noindex, then another canonical.
bool listsError(const SiteReferenceFacts& f) {
    return f.route.hops > 0 || f.failed;
}

bool listsUnindexable(const SiteReferenceFacts& f) {
    return !listsError(f) && f.site.unindexable(f.r.target);
}

void sitemapError(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (!isSitemapEntry(f) || !listsError(f))
        return;
    out.add(f.page, f.p, &f.r,
            f.route.hops > 0 ? QString(listedBy(f) + f.through)
                             : listedBy(f) + QStringLiteral(", which ") + *f.failed);
}

void sitemapNoindex(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (isSitemapEntry(f) && listsUnindexable(f))
        out.add(f.page, f.p, &f.r, listedBy(f) + QStringLiteral(", which is not to be indexed"));
}

void sitemapNonCanonical(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (!isSitemapEntry(f) || listsError(f) || listsUnindexable(f))
        return;
    if (const std::optional<qint32> other = f.site.otherCanonical(f.r.target))
        out.add(f.page, f.p, &f.r,
                listedBy(f) + QStringLiteral(", whose canonical names ") + f.site.shown(*other));
}

void sitemapBlocked(const SiteReferenceFacts& f, const SiteRuleOutput& out) {
    if (isSitemapEntry(f) && f.site.scope().blocked(f.site.graph().key(f.r.target)))
        out.add(f.page, f.p, &f.r,
                listedBy(f) + QStringLiteral(", which robots.txt does not let Googlebot crawl"));
}

// A page that redirects is not one to link to; the folder's home page or the
// crawl's root is where the site starts.
void orphan(const SitePageFacts& f, const SiteRuleOutput& out) {
    const SiteGraph& graph = f.site.graph();
    if (f.whole && !f.p.sitemap && f.p.status < 400 && !f.linked && graph.redirect(f.p.key) < 0 &&
        !f.site.scope().isHome(graph.key(f.p.key)))
        out.add(f.page, f.p, nullptr, QStringLiteral("No other page of the site links to this page"));
}

} // namespace

QList<Rule> siteRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kLinkBroken,
            .severity = S::Error,
            .scope = RuleScope::Site,
            .description =
                "A link or image of the site points at an address that is missing or answers an error.",
            .help = "A link to a missing page ends in an error page for visitors and for search engines, "
                    "which find "
                    "pages by following links (Google Search Central, \"Make your links crawlable\"). In a "
                    "folder, "
                    "links rooted at \"/\" are resolved against the folder and a link to a folder finds its "
                    "index.html; on the web, an answer from 400 to 599 is broken. Fix the address or add the "
                    "page.",
            .sources = {{"Google Search Central: Link best practices (make your links crawlable)",
                         "https://developers.google.com/search/docs/crawling-indexing/links-crawlable"},
                        {"Google Search Central: How HTTP status codes, and network and DNS errors affect "
                         "Google Search",
                         "https://developers.google.com/search/docs/crawling-indexing/http-network-errors"}},
            .siteReference = linkBroken,
            .judgesTarget = true,
        },
        {
            .id = ruleid::kLinkFragment,
            .severity = S::Warning,
            .scope = RuleScope::Site,
            .description = "A link to a page of the site names a #fragment that no element of that page has.",
            .help = "A fragment takes the reader to the element whose id (or <a name>) it names, after "
                    "percent-decoding and with case counting; when there is none, the browser shows the top "
                    "of the page (WHATWG HTML, \"Scrolling to a fragment\"). \"#\" and \"#top\" are the top "
                    "of the page and always fine. Ids inside comments and scripts do not count. Give the "
                    "element the id, or link to one that exists.",
            .sources =
                {{"WHATWG HTML: Scrolling to a fragment",
                  "https://html.spec.whatwg.org/multipage/browsing-the-web.html#scrolling-to-a-fragment"},
                 {"WHATWG HTML: The id attribute",
                  "https://html.spec.whatwg.org/multipage/dom.html#the-id-attribute"}},
            .siteReference = linkFragment,
            .judgesTarget = true,
        },
        {
            .id = ruleid::kLinkRedirect,
            .severity = S::Info,
            .scope = RuleScope::Site,
            .description = "A link between pages of the site goes through a redirect.",
            .help = "Every redirect costs the visitor a round trip and the crawler a fetch (Google Search "
                    "Central, "
                    "\"Redirects and Google Search\"; Lighthouse, \"Avoid multiple page redirects\"). Link "
                    "to the "
                    "final address.",
            .sources = {{"Google Search Central: Redirects and Google Search",
                         "https://developers.google.com/search/docs/crawling-indexing/301-redirects"},
                        {"Lighthouse: redirects (Avoid multiple page redirects)",
                         "https://developer.chrome.com/docs/lighthouse/performance/redirects"}},
            .siteReference = linkRedirect,
        },
        {
            .id = ruleid::kRedirectChain,
            .severity = S::Warning,
            .scope = RuleScope::Site,
            .description = "A link of the site goes through more than one redirect.",
            .help =
                "Googlebot follows a limited number of hops and each one slows the page down (Google Search "
                "Central, \"Redirects and Google Search\"; Lighthouse, \"Avoid multiple page redirects\"). "
                "Redirect the first address straight to the last, and link to the last.",
            .sources = {{"Google Search Central: Redirects and Google Search",
                         "https://developers.google.com/search/docs/crawling-indexing/301-redirects"},
                        {"Google Search Central: How HTTP status codes, and network and DNS errors affect "
                         "Google Search",
                         "https://developers.google.com/search/docs/crawling-indexing/http-network-errors"},
                        {"Lighthouse: redirects (Avoid multiple page redirects)",
                         "https://developer.chrome.com/docs/lighthouse/performance/redirects"}},
            .siteReference = redirectChain,
        },
        {
            .id = ruleid::kRedirectLoop,
            .severity = S::Error,
            .scope = RuleScope::Site,
            .description = "A link of the site leads into redirects that never end.",
            .help =
                "A loop never reaches a page: browsers show an error and search engines drop the address "
                "(Google "
                "Search Central, \"Redirects and Google Search\"). Make one of the addresses answer with the "
                "page.",
            .sources = {{"Google Search Central: Redirects and Google Search",
                         "https://developers.google.com/search/docs/crawling-indexing/301-redirects"},
                        {"Google Search Central: How HTTP status codes, and network and DNS errors affect "
                         "Google Search",
                         "https://developers.google.com/search/docs/crawling-indexing/http-network-errors"}},
            .siteReference = redirectLoop,
        },
        {
            .id = ruleid::kNofollowInternal,
            .severity = S::Info,
            .scope = RuleScope::Site,
            .description = "A link to a page of the same site carries rel=nofollow.",
            .help =
                "rel=nofollow asks search engines not to follow a link (Google Search Central, \"Qualify "
                "your "
                "outbound links to Google\"); on a link between your own pages it only hides the target from "
                "them. Remove it unless that is what you want.",
            .sources =
                {{"Google Search Central: Qualify your outbound links to Google",
                  "https://developers.google.com/search/docs/crawling-indexing/qualify-outbound-links"},
                 {"WHATWG HTML: Link type \"nofollow\"",
                  "https://html.spec.whatwg.org/multipage/links.html#link-type-nofollow"}},
            .siteReference = nofollowInternal,
        },
        {
            .id = ruleid::kCanonicalTarget,
            .severity = S::Error,
            .scope = RuleScope::Site,
            .description =
                "The canonical names a page that is missing, does not answer 200, redirects, is not to be "
                "indexed, or names another canonical.",
            .help = "A canonical must name the page to be indexed: one that exists, is not noindex and is "
                    "its own "
                    "canonical; a chain or a dead end is ignored (Google Search Central, \"How to specify a "
                    "canonical URL\"; Lighthouse canonical audit). Point it at the final page.",
            .sources =
                {{"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"},
                 {"Lighthouse: canonical", "https://developer.chrome.com/docs/lighthouse/seo/canonical"},
                 {"Google Search Central Blog: 5 common mistakes with rel=canonical",
                  "https://developers.google.com/search/blog/2013/04/5-common-mistakes-with-relcanonical"}},
            .siteReference = canonicalTarget,
            .judgesTarget = true,
        },
        {
            .id = ruleid::kCanonicalOutside,
            .severity = S::Warning,
            .scope = RuleScope::Site,
            .description = "Most pages of the site name a canonical outside it.",
            .help = "A page whose canonical names an address of another site asks search engines to index "
                    "that address instead (Google Search Central, \"How to specify a canonical URL\"; "
                    "Lighthouse canonical audit, \"Points to a different domain\"). When most pages do, the "
                    "site was most often audited away from the address it is published at: give that "
                    "address (--base-url, or the address field of Site Check), or make the canonicals name "
                    "the pages where they are published.",
            .sources =
                {{"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"},
                 {"Lighthouse: canonical", "https://developer.chrome.com/docs/lighthouse/seo/canonical"}},
            .siteWhole = canonicalOutside,
        },
        {
            .id = ruleid::kHreflangTarget,
            .severity = S::Error,
            .scope = RuleScope::Site,
            .description =
                "An hreflang alternate is missing, does not answer 200, not to be indexed, or not its own "
                "canonical.",
            .help =
                "Each alternate must be an indexable page that is its own canonical (Google Search Central, "
                "\"Tell Google about localized versions of your page\"). Point it at that page.",
            .sources =
                {{"Google Search Central: Tell Google about localized versions of your page",
                  "https://developers.google.com/search/docs/specialty/international/localized-versions"},
                 {"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"}},
            .siteReference = hreflangTarget,
            .judgesTarget = true,
        },
        {
            .id = ruleid::kHreflangNoReturn,
            .severity = S::Error,
            .scope = RuleScope::Site,
            .description = "An hreflang alternate does not list this page back.",
            .help =
                "\"If two pages don't both point to each other, the tags will be ignored\" (Google Search "
                "Central, \"Tell Google about localized versions of your page\"). Add the return link to the "
                "other page, or remove this one.",
            .sources =
                {{"Google Search Central: Tell Google about localized versions of your page",
                  "https://developers.google.com/search/docs/specialty/international/localized-versions"}},
            .sitePage = hreflangNoReturn,
        },
        {
            .id = ruleid::kSitemapError,
            .severity = S::Error,
            .scope = RuleScope::Site,
            .description = "The sitemap lists an address that is missing, redirects or answers an error.",
            .help = "A sitemap lists the final addresses of the pages to be indexed (sitemaps.org protocol; "
                    "Google "
                    "Search Central, \"Build and submit a sitemap\"); a dead or redirecting entry wastes the "
                    "crawl. "
                    "In a folder, the entries are mapped onto the folder through --base-url. List the page's "
                    "final "
                    "address, or remove the entry.",
            .sources =
                {{"Google Search Central: Build and submit a sitemap",
                  "https://developers.google.com/search/docs/crawling-indexing/sitemaps/build-sitemap"},
                 {"sitemaps.org: Sitemaps XML format (protocol)", "https://www.sitemaps.org/protocol.html"}},
            .siteReference = sitemapError,
        },
        {
            .id = ruleid::kSitemapNoindex,
            .severity = S::Warning,
            .scope = RuleScope::Site,
            .description = "The sitemap lists a page that is not to be indexed.",
            .help = "A sitemap says which pages to index, a noindex says not to: search engines report the "
                    "contradiction (Google Search Central, \"Build and submit a sitemap\" and \"Block Search "
                    "indexing with noindex\"). Remove the entry or the noindex.",
            .sources =
                {{"Google Search Central: Build and submit a sitemap",
                  "https://developers.google.com/search/docs/crawling-indexing/sitemaps/build-sitemap"},
                 {"Google Search Central: Block Search indexing with noindex",
                  "https://developers.google.com/search/docs/crawling-indexing/block-indexing"}},
            .siteReference = sitemapNoindex,
        },
        {
            .id = ruleid::kSitemapBlocked,
            .severity = S::Warning,
            .scope = RuleScope::Site,
            .description = "The sitemap lists a page that robots.txt keeps Googlebot from.",
            .help = "A page robots.txt disallows is not crawled, so listing it does nothing (Google Search "
                    "Central, "
                    "\"Introduction to robots.txt\" and \"Build and submit a sitemap\"). Remove the entry or "
                    "allow "
                    "the page.",
            .sources =
                {{"Google Search Central: Introduction to robots.txt",
                  "https://developers.google.com/search/docs/crawling-indexing/robots/intro"},
                 {"Google Search Central: Build and submit a sitemap",
                  "https://developers.google.com/search/docs/crawling-indexing/sitemaps/build-sitemap"}},
            .siteReference = sitemapBlocked,
        },
        {
            .id = ruleid::kSitemapNonCanonical,
            .severity = S::Warning,
            .scope = RuleScope::Site,
            .description = "The sitemap lists a page whose canonical names another page.",
            .help =
                "Sitemaps should list canonical addresses only (Google Search Central, \"How to specify a "
                "canonical URL\"). List the canonical page instead.",
            .sources =
                {{"Google Search Central: How to specify a canonical URL",
                  "https://developers.google.com/search/docs/crawling-indexing/consolidate-duplicate-urls"},
                 {"Google Search Central: Build and submit a sitemap",
                  "https://developers.google.com/search/docs/crawling-indexing/sitemaps/build-sitemap"}},
            .siteReference = sitemapNonCanonical,
        },
        {
            .id = ruleid::kOrphan,
            .severity = S::Warning,
            .scope = RuleScope::Site,
            .description = "No other page of the site links to this page.",
            .help = "Search engines find most pages through links from other pages (Google Search Central, "
                    "\"Make "
                    "your links crawlable\"); a page no page links to is found, if at all, only through a "
                    "sitemap. "
                    "The folder's own index.html, or the root of a crawled site, is where the site starts "
                    "and needs "
                    "none; only a folder or a crawl that read every page it found is judged. Link to it from "
                    "a page "
                    "that belongs with it.",
            .sources =
                {{"Google Search Central: Link best practices (make your links crawlable)",
                  "https://developers.google.com/search/docs/crawling-indexing/links-crawlable"},
                 {"Google Search Central: Build and submit a sitemap",
                  "https://developers.google.com/search/docs/crawling-indexing/sitemaps/build-sitemap"}},
            .sitePage = orphan,
        },
    };
}

} // namespace headwise::audit
