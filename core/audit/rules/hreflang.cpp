// hreflang alternates, from the head and from Link response headers (Google
// reads both), as Google documents them for localized versions of a page.

#include "core/audit/rules/hreflang.h"

#include "core/audit/engine/rulecontext.h"
#include "core/audit/fix/fixcontext.h"
#include "core/web/languagetags.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace headwise::audit {

namespace {

using Form = LinkRef::Form;

void hreflangInvalid(const RuleContext& c, RawFindings& out) {
    for (const LinkRef& link : c.links.alternates) {
        const web::TagVerdict verdict = web::judgeHreflang(link.hreflang);
        if (verdict.kind != web::TagVerdict::Kind::Valid)
            out.append(about(ruleid::kHreflangInvalid, link, verdict.message,
                             verdict.kind == web::TagVerdict::Kind::Undocumented));
    }
}

void hreflangRelative(const RuleContext& c, RawFindings& out) {
    for (const LinkRef& link : c.links.alternates)
        if (link.form != Form::Absolute || link.url.host.isEmpty())
            out.append(about(ruleid::kHreflangRelative, link,
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
    out.append(about(ruleid::kHreflangNoSelf, alternates.first(),
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
                about(ruleid::kHreflangDuplicate, link,
                      QStringLiteral("hreflang %1 names %2, but an earlier link names %3")
                          .arg(link.hreflang, link.address.isEmpty() ? link.href : link.address, *known)));
    }
}

std::optional<PageFix> fixHreflangRelative(const FixContext& page, qsizetype i) {
    return madeAbsolute(page, i, QLatin1String("href"), QStringLiteral("hreflang address"));
}

} // namespace

QList<Rule> hreflangRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kHreflangInvalid,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "An hreflang value is not a valid language code or x-default.",
            .help = "hreflang takes an ISO 639-1 language code (en), optionally a hyphen and an ISO 3166-1 "
                    "alpha-2 "
                    "region (en-GB), or x-default (Google Search Central, \"Tell Google about localized "
                    "versions of "
                    "your page\"). Search engines ignore links with any other value. Other well-formed BCP "
                    "47 tags "
                    "(a script or variant subtag) are a note: Google documents only language and region.",
            .sources =
                {{"Google Search Central: Tell Google about localized versions of your page",
                  "https://developers.google.com/search/docs/specialty/international/localized-versions"},
                 {"Lighthouse: hreflang", "https://developer.chrome.com/docs/lighthouse/seo/hreflang"},
                 {"RFC 5646 (BCP 47): Tags for Identifying Languages",
                  "https://www.rfc-editor.org/rfc/rfc5646"}},
            .check = hreflangInvalid,
        },
        {
            .id = ruleid::kHreflangRelative,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "An hreflang link's address is not absolute.",
            .help =
                "Alternate-language links need full addresses, with scheme and host (Google Search Central, "
                "\"Tell Google about localized versions of your page\").",
            .sources =
                {{"Google Search Central: Tell Google about localized versions of your page",
                  "https://developers.google.com/search/docs/specialty/international/localized-versions"}},
            .check = hreflangRelative,
            .fix = fixHreflangRelative,
            .fixHelp = "With the page's address (--base-url, or a fetched page's own): the address is made "
                       "absolute.",
        },
        {
            .id = ruleid::kHreflangNoSelf,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The page lists language alternates but not itself.",
            .help =
                "Each language version must list itself as well as the others (Google Search Central, \"Tell "
                "Google about localized versions of your page\"). Add a link with the page's own language "
                "and "
                "address.",
            .sources =
                {{"Google Search Central: Tell Google about localized versions of your page",
                  "https://developers.google.com/search/docs/specialty/international/localized-versions"},
                 {"Lighthouse: hreflang", "https://developer.chrome.com/docs/lighthouse/seo/hreflang"}},
            .check = hreflangNoSelf,
            .comparesAddresses = true,
        },
        {
            .id = ruleid::kHreflangDuplicate,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "Two different addresses are given for one hreflang code.",
            .help = "One language code names one page; with two, search engines cannot tell which to show "
                    "(Google "
                    "Search Central, \"Tell Google about localized versions of your page\").",
            .sources =
                {{"Google Search Central: Tell Google about localized versions of your page",
                  "https://developers.google.com/search/docs/specialty/international/localized-versions"}},
            .check = hreflangDuplicate,
            .comparesAddresses = true,
        },
    };
}

} // namespace headwise::audit
