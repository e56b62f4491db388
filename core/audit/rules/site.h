#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kLinkBroken[] = "link-broken";
inline constexpr char kLinkFragment[] = "link-fragment";
inline constexpr char kLinkRedirect[] = "link-redirect";
inline constexpr char kRedirectChain[] = "redirect-chain";
inline constexpr char kRedirectLoop[] = "redirect-loop";
inline constexpr char kNofollowInternal[] = "nofollow-internal";
inline constexpr char kCanonicalTarget[] = "canonical-target";
inline constexpr char kCanonicalOutside[] = "canonical-outside";
inline constexpr char kHreflangTarget[] = "hreflang-target";
inline constexpr char kHreflangNoReturn[] = "hreflang-no-return";
inline constexpr char kSitemapError[] = "sitemap-error";
inline constexpr char kSitemapNoindex[] = "sitemap-noindex";
inline constexpr char kSitemapBlocked[] = "sitemap-blocked";
inline constexpr char kSitemapNonCanonical[] = "sitemap-non-canonical";
inline constexpr char kOrphan[] = "orphan";
} // namespace ruleid

QList<Rule> siteRules();

} // namespace headwise::audit
