#pragma once

#include "core/audit/engine/auditconfig.h"
#include "net/siteaudit/auditinputs.h"
#include "net/siteaudit/auditrunner.h"

#include <QStringList>
#include <QUrl>
#include <stop_token>

namespace headwise {

class PageFetcher;

// One audit of pages and sites, as audit and Site Check ask for it.
struct SiteAuditRequest {
    QList<AuditTarget> targets; // the inputs, folders expanded
    QStringList sitemaps;       // files or addresses
    bool crawl = false;         // follow each address's same-origin links
    int maxPages = 200;         // per crawl
    bool checkExternal = false; // ask every outside address once
    QUrl baseUrl;               // where a folder input is published
    // The root of the published tree the folder inputs are part of: their
    // links resolve inside it and its other files are checked for existence,
    // but only the inputs' pages are audited. Empty: each folder is its own.
    QString root;
    int jobs = 1; // pages audited at once
};

// The folder whose tree a page file of the run belongs to: root when the
// file lies inside it, else the folder input it was found in; empty for none.
QString siteRootOf(const AuditTarget& target, const QString& root);

// What a run tells on the way; each may be left empty.
struct SiteAuditWatch {
    AuditRunner::Progress progress;
    AuditRunner::PageSeen pageSeen;
    AuditRunner::PageStep step; // in place of the plain audit of each page
};

// Reads, fetches and audits every page the request names, then runs the
// rules across each site's pages. A folder without baseUrl is published where
// its pages' canonicals agree it is (outcome.site.address tells where, and how found). Problems are "NAME:
// reason" for what gave no page. A stop ends it soon, with the pages read so far.
AuditRunner::Outcome runSiteAudit(const SiteAuditRequest& request, const audit::AuditConfig& config,
                                  PageFetcher& fetcher, const SiteAuditWatch& watch,
                                  std::stop_token stop = {});

} // namespace headwise
