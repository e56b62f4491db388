#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/finding.h"
#include "core/audit/model/sitegraph.h"
#include "core/audit/report/report.h"

#include <QList>
#include <QStringList>

namespace headwise::audit {

// The rules that look across a site's pages, which no single page triggers.
inline constexpr const char* kSiteRules[] = {"link-broken",     "link-redirect",      "redirect-chain",
                                             "redirect-loop",   "nofollow-internal",  "canonical-target",
                                             "hreflang-target", "hreflang-no-return", "sitemap-error",
                                             "sitemap-noindex", "sitemap-blocked",    "sitemap-non-canonical",
                                             "orphan"};

struct SiteResult {
    QList<QList<Finding>> findings; // per page, in the order given
    qsizetype references = 0;
    qsizetype brokenLinks = 0;
    QStringList orphans; // by name
    QList<RedirectChain> redirects;
};

// The findings of the rules across a whole site: one pass over the
// references, its pages shared among `jobs` threads. whole: every page of
// the site was read, so a page no link reaches is an orphan.
SiteResult siteFindings(const QList<SitePage>& pages, const SiteGraph& graph, const SiteScope& scope,
                        bool whole, const AuditConfig& config, int jobs = 1);

} // namespace headwise::audit
