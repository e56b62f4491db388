#pragma once

#include "core/audit/engine/pageaudit.h"
#include "core/audit/engine/pathglob.h"
#include "core/page/pagefile.h"

#include <QStringList>
#include <memory>
#include <stop_token>

namespace headwise {
class PageFetcher;
class RobotsRules;
struct FetchResult;

// Larger pages are refused: real pages never need more, and a mistaken
// input should fail fast.
inline constexpr qint64 kMaxAuditedPageBytes = qint64(64) * 1024 * 1024;

using LoadedInput = Loaded<audit::PageInput>;

// A page the run will audit, named as the report names it.
struct AuditTarget {
    QString name;         // a file path (as given, or the folder joined with the path below it) or an address
    bool address = false; // fetched rather than read
    QString siteRoot;     // the folder input it was found in, else empty
};

struct ExpandedInputs {
    QList<AuditTarget> targets;
    QStringList problems; // "INPUT: reason" for inputs that give no page
};

// Files stay as given, folders become every *.htm, *.html and *.xhtml below
// them in sorted order, addresses stay addresses. Skip patterns match a found
// page's path relative to its folder, or a file's path as given.
ExpandedInputs expandInputs(const QStringList& inputs, const audit::PathGlobs& skip);

// Reads one page file for the audit, refusing what is no page.
LoadedInput loadAuditedFile(const QString& path);
// Fetches one page, keeping the final address, status and headers, and the
// site's robots.txt rules for Googlebot when they were read.
LoadedInput loadFetchedPage(PageFetcher& fetcher, const QString& address,
                            std::shared_ptr<const RobotsRules> googlebotRobots, std::stop_token stop = {});
// A page already fetched (by a crawl or from a sitemap) as audit input.
LoadedInput fetchedInput(const QString& address, FetchResult&& fetched,
                         std::shared_ptr<const RobotsRules> googlebotRobots);

} // namespace headwise
