#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/finding.h"

#include <QList>
#include <QString>

namespace headwise {

// What Site Check knows of a page it opens, so that Page Check shows the same:
// the settings its run read, the findings only the pages side by side give,
// and where the page is published.
struct SitePageContext {
    QString name; // as the run named it: the file's path or the address
    QString url;  // the page's file:// URL or final address
    audit::AuditConfig config;
    QList<audit::Finding> siteFindings; // of the rules across pages, at the page's lines
    QString address;                    // on the web, when the run knows it; else empty
};

} // namespace headwise
