#include "core/audit/engine/finding.h"

#include <type_traits>
#include <unordered_map>

namespace headwise::audit {

QString severityName(Severity severity) {
    switch (severity) {
    case Severity::Info:
        return QStringLiteral("info");
    case Severity::Warning:
        return QStringLiteral("warning");
    case Severity::Error:
        return QStringLiteral("error");
    }
    return {};
}

std::optional<Severity> parseSeverity(QStringView name) {
    for (Severity s : {Severity::Info, Severity::Warning, Severity::Error})
        if (name.compare(severityName(s), Qt::CaseInsensitive) == 0)
            return s;
    return std::nullopt;
}

const QList<Rule>& ruleTable() {
    using S = Severity;
    static const QList<Rule> table = {
        {"title-missing", S::Error, "The head has no <title>.",
         "Search engines show the title as the link of the result. Without one they make up a title "
         "from the page's text. Add a <title> inside <head>."},
        {"title-empty", S::Error, "The <title> holds no text.",
         "An empty title is as good as none: the result line gets a title made up by the search "
         "engine. Write a short title that names the page's subject."},
        {"title-multiple", S::Warning, "The head has more than one <title>.",
         "Browsers and search engines use the first title and ignore the others. Keep one. Fixable: a "
         "later title with the same text as an earlier one is removed; one that differs is left for you."},
        {"title-outside-head", S::Error, "A <title> stands outside the head.",
         "An HTML parser closes the head at the first element that belongs in the body (a <div>, "
         "text, an image), so a title after it lands in the body. Browsers still show it as the "
         "page's title (WHATWG HTML, document.title: the first <title> anywhere), but search engines "
         "stop reading the head at that element (Google Search Central, \"Use valid HTML for the "
         "head\"). Move it into <head>, before any body content."},
        {"title-length", S::Warning, "The title is shorter or longer than the limits (30 to 60 characters).",
         "A very short title says little about the page; a long one is cut off in the result line. "
         "The limits can be changed in headwise.json (titleMinChars, titleMaxChars)."},
        {"title-width", S::Warning, "The title is wider than a result line (580 px in Arial at 20 px).",
         "Search results show titles in Arial at 20 px and cut them at about 580 px. The width is "
         "measured with the font's own character widths. The limit can be changed in headwise.json "
         "(titleMaxWidthPx)."},
        {"title-duplicate", S::Warning, "Another page of the run has the same title.",
         "Pages with the same title compete for the same searches and look alike in the results "
         "(Google Search Central, \"Influencing your title links\"). Only pages that can be indexed "
         "and are their own canonical count: a noindex page or one that names another page "
         "canonical is no duplicate. Give each page a title of its own."},
        {"description-missing", S::Warning, "The head has no meta description.",
         "Search engines often show the description as the text under the result's title; without "
         "one they pick a piece of the page. Add <meta name=\"description\" content=\"...\">."},
        {"description-empty", S::Warning, "The meta description holds no text.",
         "An empty description is as good as none. Write one or two sentences about the page."},
        {"description-multiple", S::Warning, "The head has more than one meta description.",
         "Only one description is used, and which one is not certain. Keep one. Fixable: a later "
         "description with the same text as an earlier one is removed; one that differs is left for you."},
        {"description-outside-head", S::Warning, "A meta description stands outside the head.",
         "A <meta> after the first body content is put in the body by the parser, and search "
         "engines read the description from the head only (Google Search Central, \"Control your "
         "snippets\" and \"Use valid HTML for the head\"). Move it into <head>."},
        {"description-length", S::Warning,
         "The description is shorter or longer than the limits (70 to 155 characters).",
         "A short description says little; a long one is cut off. The limits can be changed in "
         "headwise.json (descriptionMinChars, descriptionMaxChars)."},
        {"description-width", S::Warning, "The description is wider than 920 px in Arial at 14 px.",
         "Search results show descriptions in Arial at 14 px on about two lines of 460 px. The limit "
         "can be changed in headwise.json (descriptionMaxWidthPx)."},
        {"description-duplicate", S::Warning, "Another page of the run has the same description.",
         "A description shared by many pages does not tell a searcher which page to choose (Google "
         "Search Central, \"Control your snippets\": unique descriptions). Only pages that can be "
         "indexed and are their own canonical count: a noindex page or one that names another page "
         "canonical is no duplicate. Write one for each page."},
        {"charset-missing", S::Error, "The page's character encoding is declared nowhere.",
         "With no byte order mark, no charset in the HTTP Content-Type and no <meta charset>, a "
         "browser has to guess the encoding, and non-ASCII text may come out garbled (Lighthouse "
         "charset audit; WHATWG HTML, \"Determining the character encoding\"). Add "
         "<meta charset=\"utf-8\"> at the start of the head. Fixable when the bytes are UTF-8: the tag goes "
         "right after <head>."},
        {"charset-late", S::Error, "The charset declaration does not end within the first 1024 bytes.",
         "Browsers look for the declaration in the first 1024 bytes only (WHATWG HTML, \"prescan a "
         "byte stream\"); a later one is ignored or forces the page to be read twice. When a byte "
         "order mark or the HTTP Content-Type names the encoding, the late declaration does no harm "
         "and is only a note (Lighthouse charset audit). Put <meta charset> first in the head. Fixable: "
         "the declaration moves to right after <head>."},
        {"charset-multiple", S::Warning, "The page declares its charset more than once.",
         "Only the first declaration counts. Keep one <meta charset>."},
        {"charset-mismatch", S::Warning,
         "The declared charsets name different encodings, or the bytes are not valid in the one used.",
         "Labels are compared as the encodings they name (WHATWG Encoding Standard, label table: "
         "latin1 and windows-1252, gb2312 and gbk are one encoding each). A byte order mark wins "
         "over both declarations, and the HTTP header over the page's own (WHATWG HTML, "
         "\"Determining the character encoding\"), so a declaration that contradicts them is wrong "
         "somewhere. A <meta> naming UTF-16 means UTF-8 to a browser. Bytes that are not valid in "
         "the encoding used show as replacement characters. Save the page in the declared encoding, "
         "or declare the one it is saved in."},
        {"charset-wrong", S::Error, "The page declares a single-byte charset but its bytes are UTF-8.",
         "A page saved as UTF-8 but declared as windows-1252 or another single-byte encoding is "
         "shown with every accented letter as two signs (\"caf\u00c3\u00a9\" for \"caf\u00e9\"): "
         "browsers decode it as declared (WHATWG Encoding Standard). Declare utf-8."},
        {"viewport-missing", S::Warning, "The head has no meta viewport.",
         "Without <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"> phones "
         "show the page as a shrunken desktop page, and search engines rank it lower for mobile. Fixable: "
         "the tag goes after the charset declaration."},
        {"viewport-blocks-zoom", S::Warning, "The viewport stops users from zooming.",
         "user-scalable=no (or a number between -1 and 1) or a maximum-scale below 2 keeps people "
         "with poor sight from enlarging the text (W3C ACT rule b4f0c3 \"Meta viewport allows for "
         "zoom\"; axe meta-viewport, which Lighthouse runs). A maximum-scale below 5 is a note (axe "
         "meta-viewport-large). Every viewport meta is checked. Remove them. Fixable: user-scalable=no "
         "and a maximum-scale below 2 are taken out of the content, the rest kept as written."},
        {"viewport-invalid", S::Warning,
         "The viewport sets neither width nor initial-scale, or scales below 1.",
         "A viewport without width or initial-scale does not make the page fit a phone (Lighthouse "
         "viewport audit); an initial-scale below 1 shows it zoomed out. Write "
         "content=\"width=device-width, initial-scale=1\"."},
        {"lang-missing", S::Warning, "The <html> element has no lang attribute.",
         "Screen readers pick their voice and pronunciation from lang, browsers offer translation "
         "and hyphenate by it (WHATWG HTML, the lang attribute; axe html-has-lang). Google finds a "
         "page's language from its text and does not use lang (Google Search Central, \"Managing "
         "multi-regional and multilingual sites\"). Add, for example, <html lang=\"en\">. Fixable "
         "when you give the language (--lang, or \"lang\" in headwise.json)."},
        {"lang-invalid", S::Warning, "The <html> lang value does not start with a language code.",
         "The primary subtag of lang must be an ISO 639 language code: \"en\", \"en-GB\", not "
         "\"english\" or \"en_GB\" (axe html-lang-valid; BCP 47). Screen readers ignore a value they "
         "cannot read."},
        {"canonical-multiple", S::Error, "The head names more than one canonical URL.",
         "Conflicting canonical links are ignored by search engines. Keep one. The same address named "
         "again is a note. Fixable: a later link naming the same address is removed; one that differs "
         "is left for you."},
        {"canonical-invalid", S::Error, "The canonical link's address is not a valid URL.",
         "Search engines ignore a canonical link they cannot read. Addresses are judged as browsers "
         "parse them (WHATWG URL Standard): a space or a lone % is no error, a missing scheme, a "
         "bad host or a bad port is. Write a complete, valid address."},
        {"canonical-relative", S::Error, "The canonical link's address is not absolute.",
         "A relative canonical address is easily resolved against the wrong base. Write the full "
         "address, with scheme and host. Fixable with the page's address (--base-url, or a fetched "
         "page's own): the address is made absolute."},
        {"canonical-root", S::Warning, "The canonical link points to the site's root from a deeper page.",
         "Pointing every page at the home page tells search engines that the pages are copies of "
         "it, and they drop them. Point each page at its own address."},
        {"canonical-hreflang", S::Error,
         "The canonical link points to a page that an hreflang link names for another language.",
         "A page in one language that calls the page in another language canonical is dropped in "
         "favour of it. Point each language's page at itself."},
        {"canonical-outside-head", S::Warning, "A canonical link stands outside the head.",
         "A canonical link in the body is ignored by search engines (Google Search Central, "
         "\"How to specify a canonical URL\"). Move it into <head>."},
        {"canonical-conflict", S::Error, "The Link header's canonical and the head's canonical differ.",
         "Google reads rel=\"canonical\" from the HTTP Link header as from the head (Google Search "
         "Central, \"How to specify a canonical URL\"); two different canonicals are conflicting "
         "signals and both may be ignored. Name the same address in both, or keep one."},
        {"robots-noindex", S::Error, "The page asks search engines not to index it.",
         "noindex or none in a robots or googlebot meta tag, or in the X-Robots-Tag header, keeps "
         "the page out of search results (Google Search Central, \"Robots meta tag, data-nosnippet, "
         "and X-Robots-Tag specifications\"). A tag in the body, or after the head ended early, is "
         "not read and says so. Remove it unless that is what you want."},
        {"robots-nofollow", S::Warning, "The page asks search engines not to follow its links.",
         "nofollow or none means the pages it links to get no credit from it, and may not be found. "
         "Remove it unless that is what you want."},
        {"robots-unavailable", S::Error, "The page's unavailable_after date has passed.",
         "After the unavailable_after date search engines drop the page from their results. The date "
         "may be written in RFC 822, RFC 850 or ISO 8601 form, with a zone name or a numeric offset "
         "(Google Search Central, robots meta tag specifications, unavailable_after)."},
        {"robots-txt-blocked", S::Error, "The site's robots.txt does not let Googlebot crawl the page.",
         "A page that robots.txt disallows is not crawled, so search engines never read its tags "
         "(Lighthouse is-crawlable; RFC 9309, the Robots Exclusion Protocol, as Google Search Central "
         "documents it for Googlebot). Allow it in robots.txt, or use noindex if it should stay out "
         "of results."},
        {"hreflang-invalid", S::Error, "An hreflang value is not a valid language code or x-default.",
         "hreflang takes an ISO 639-1 language code (en), optionally a hyphen and an ISO 3166-1 "
         "alpha-2 region (en-GB), or x-default (Google Search Central, \"Tell Google about localized "
         "versions of your page\"). Search engines ignore links with any other value. Other "
         "well-formed BCP 47 tags (a script or variant subtag) are a note: Google documents only "
         "language and region."},
        {"hreflang-relative", S::Error, "An hreflang link's address is not absolute.",
         "Alternate-language links need full addresses, with scheme and host (Google Search "
         "Central, \"Tell Google about localized versions of your page\"). Fixable with the page's address "
         "(--base-url, or a fetched page's own): the address is made absolute."},
        {"hreflang-no-self", S::Warning, "The page lists language alternates but not itself.",
         "Each language version must list itself as well as the others (Google Search Central, "
         "\"Tell Google about localized versions of your page\"). Add a link with the page's own "
         "language and address."},
        {"hreflang-duplicate", S::Error, "Two different addresses are given for one hreflang code.",
         "One language code names one page; with two, search engines cannot tell which to show "
         "(Google Search Central, \"Tell Google about localized versions of your page\")."},
        {"og-missing", S::Warning, "One of og:title, og:type, og:image, og:url is missing.",
         "Social sites build the preview of a shared link from these four Open Graph tags; without "
         "them the preview is made up or empty (The Open Graph protocol, basic metadata; "
         "og:image:url is an alias of og:image)."},
        {"og-relative", S::Error, "og:image or og:url is not an absolute URL.",
         "Social sites do not resolve relative addresses in Open Graph tags; the image or link is "
         "lost. Write full addresses. Fixable with the page's address (--base-url, or a fetched page's "
         "own): the address is made absolute."},
        {"twitter-card-invalid", S::Warning,
         "twitter:card is not summary, summary_large_image, app or player.",
         "An unknown card type is ignored and the shared link gets no card."},
        {"http-status", S::Error, "The page answered with an HTTP error (400 to 599).",
         "Search engines drop pages that answer with an error. Fix the address or the server."},
        {"meta-obsolete", S::Info, "A keywords or revisit-after meta tag, which search engines ignore.",
         "Search engines have ignored the keywords tag for many years and never used revisit-after. "
         "The tags do no harm; they do nothing either."},
        {"meta-refresh", S::Warning, "The page refreshes or redirects itself with a meta refresh.",
         "A timed refresh or redirect takes the page away from readers before they are done (axe "
         "meta-refresh; WCAG 2.2.1). A refresh with no delay to another address is a redirect that "
         "search engines follow, but an HTTP 301 is clearer (Google Search Central, \"Redirects and "
         "Google Search\"): a note. Use an HTTP redirect instead."},
        {"head-closed-early", S::Error, "The head ends early, before head tags that follow.",
         "An element that does not belong in the head (an <img>, a <div>, an <iframe>, text) ends "
         "it: browsers move everything after it into the body (WHATWG HTML, \"in head\" insertion "
         "mode), and Google stops reading the head there (Google Search Central, \"Use valid HTML "
         "for the head\"). A <noscript> is read as a browser with scripting reads it. Move the "
         "element into the body, after the head tags."},
        // Across the pages of a site, after every page is read (sitegraph.cpp).
        {"link-broken", S::Error,
         "A link or image of the site points at an address that is missing or answers an error.",
         "A link to a missing page ends in an error page for visitors and for search engines, which "
         "find pages by following links (Google Search Central, \"Make your links crawlable\"). "
         "In a folder, links rooted at \"/\" are resolved against the folder and a link to a folder "
         "finds its index.html; on the web, an answer from 400 to 599 is broken. Fix the address or "
         "add the page."},
        {"link-redirect", S::Info, "A link between pages of the site goes through a redirect.",
         "Every redirect costs the visitor a round trip and the crawler a fetch (Google Search "
         "Central, \"Redirects and Google Search\"; Lighthouse, \"Avoid multiple page redirects\"). "
         "Link to the final address."},
        {"redirect-chain", S::Warning, "A link of the site goes through more than one redirect.",
         "Googlebot follows a limited number of hops and each one slows the page down (Google Search "
         "Central, \"Redirects and Google Search\"; Lighthouse, \"Avoid multiple page redirects\"). "
         "Redirect the first address straight to the last, and link to the last."},
        {"redirect-loop", S::Error, "A link of the site leads into redirects that never end.",
         "A loop never reaches a page: browsers show an error and search engines drop the address "
         "(Google Search Central, \"Redirects and Google Search\"). Make one of the addresses "
         "answer with the page."},
        {"nofollow-internal", S::Info, "A link to a page of the same site carries rel=nofollow.",
         "rel=nofollow asks search engines not to follow a link (Google Search Central, \"Qualify "
         "your outbound links to Google\"); on a link between your own pages it only hides the "
         "target from them. Remove it unless that is what you want."},
        {"canonical-target", S::Error,
         "The canonical names a page that is missing, does not answer 200, redirects, is not to be "
         "indexed, or names another canonical.",
         "A canonical must name the page to be indexed: one that exists, is not noindex and is its "
         "own canonical; a chain or a dead end is ignored (Google Search Central, \"How to specify "
         "a canonical URL\"; Lighthouse canonical audit). Point it at the final page."},
        {"hreflang-target", S::Error,
         "An hreflang alternate is missing, does not answer 200, not to be indexed, or not its own "
         "canonical.",
         "Each alternate must be an indexable page that is its own canonical (Google Search "
         "Central, \"Tell Google about localized versions of your page\"). Point it at that page."},
        {"hreflang-no-return", S::Error, "An hreflang alternate does not list this page back.",
         "\"If two pages don't both point to each other, the tags will be ignored\" (Google Search "
         "Central, \"Tell Google about localized versions of your page\"). Add the return link to "
         "the other page, or remove this one."},
        {"sitemap-error", S::Error,
         "The sitemap lists an address that is missing, redirects or answers an error.",
         "A sitemap lists the final addresses of the pages to be indexed (sitemaps.org protocol; "
         "Google Search Central, \"Build and submit a sitemap\"); a dead or redirecting entry wastes "
         "the crawl. In a folder, the entries are mapped onto the folder through --base-url. List "
         "the page's final address, or remove the entry."},
        {"sitemap-noindex", S::Warning, "The sitemap lists a page that is not to be indexed.",
         "A sitemap says which pages to index, a noindex says not to: search engines report the "
         "contradiction (Google Search Central, \"Build and submit a sitemap\" and \"Block Search "
         "indexing with noindex\"). Remove the entry or the noindex."},
        {"sitemap-blocked", S::Warning, "The sitemap lists a page that robots.txt keeps Googlebot from.",
         "A page robots.txt disallows is not crawled, so listing it does nothing (Google Search "
         "Central, \"Introduction to robots.txt\" and \"Build and submit a sitemap\"). Remove the "
         "entry or allow the page."},
        {"sitemap-non-canonical", S::Warning, "The sitemap lists a page whose canonical names another page.",
         "Sitemaps should list canonical addresses only (Google Search Central, \"How to specify a "
         "canonical URL\"). List the canonical page instead."},
        {"orphan", S::Warning, "No other page of the site links to this page.",
         "Search engines find most pages through links from other pages (Google Search Central, "
         "\"Make your links crawlable\"); a page no page links to is found, if at all, only through "
         "a sitemap. The folder's own index.html, or the root of a crawled site, is where the site "
         "starts and needs none; only a folder or a crawl that read every page it found is judged. "
         "Link to it from a page that belongs with it."},
    };
    return table;
}

int ruleIndex(QAnyStringView id) {
    // Every finding is sorted by its rule's place, many times on a large
    // site: a hash on the table's own ids, not a walk along it.
    struct ViewHash {
        size_t operator()(QStringView view) const { return qHash(view); }
    };
    static const std::unordered_map<QStringView, int, ViewHash> places = [] {
        std::unordered_map<QStringView, int, ViewHash> map;
        const QList<Rule>& table = ruleTable();
        for (qsizetype i = 0; i < table.size(); ++i)
            map.emplace(QStringView(table[i].id), int(i));
        return map;
    }();
    const auto placeOf = [](QStringView view) {
        const auto found = places.find(view);
        return found == places.end() ? -1 : found->second;
    };
    return id.visit([&](auto view) {
        if constexpr (std::is_same_v<decltype(view), QStringView>)
            return placeOf(view);
        else
            return placeOf(view.toString());
    });
}

const Rule* findRule(QAnyStringView id) {
    const int i = ruleIndex(id);
    return i < 0 ? nullptr : &ruleTable()[i];
}

} // namespace headwise::audit
