#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/finding.h"
#include "core/audit/model/sitegraph.h"
#include "core/audit/report/report.h"

#include <QList>
#include <QStringList>

namespace headwise::audit {

struct SiteResult {
    QList<QList<Finding>> findings; // per page, in the order given
    qsizetype references = 0;
    qsizetype brokenLinks = 0;
    QStringList orphans; // by name
    QList<RedirectChain> redirects;
    QList<BrokenTarget> brokenTargets; // rule by rule, in rule table order; the most named first
};

// The findings of the rules across a whole site (every rule of site scope):
// one pass over the references, its pages shared among `jobs` threads. whole: every page of
// the site was read, so a page no link reaches is an orphan.
SiteResult siteFindings(const QList<SitePage>& pages, const SiteGraph& graph, const SiteScope& scope,
                        bool whole, const AuditConfig& config, int jobs = 1);

} // namespace headwise::audit
