#pragma once

#include "core/site/robotstxt.h"
#include "core/site/sitemap.h"
#include "core/web/weburl.h"
#include "net/pagefetcher.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace headwise {

// One page a crawl or sitemap brought in; a failed fetch says why in result.error.
struct WalkedPage {
    QString name; // the address as asked for, which is how a report names the page
    FetchResult result;
    std::shared_ptr<const RobotsRules> googlebotRobots = {}; // the site's rules for Googlebot, when read
};
using PageSink = std::function<void(WalkedPage&& page)>;

// Brings in the pages of a site for the audit: by following its links from a
// start address, or from its sitemaps. Pages are fetched several at a time,
// but at most perHost at once from one host, and handed to the sink on the
// calling thread in the order they were found, whatever the timing; only the
// pages in that window are held. Each address is fetched once per walker.
class SiteWalker {
public:
    struct Limits {
        int maxPages = 200;      // per crawl: found pages beyond it are left
        int perHost = 4;         // requests at once to one host
        int window = 16;         // pages fetched ahead of the one the sink waits for
        int maxSitemaps = 1000;  // sitemap files read per sitemap input
        int maxSitemapDepth = 3; // indexes below indexes below the first
        qint64 maxSitemapBytes = qint64(50) * 1024 * 1024; // a sitemap as read or unpacked
    };

    // The fetcher's fetch must allow calls from several threads at once.
    explicit SiteWalker(PageFetcher& fetcher);
    SiteWalker(PageFetcher& fetcher, const Limits& limits);

    // robots.txt first (nothing it disallows for Headwise is fetched), then the
    // start page, then same-origin links breadth first. True when the crawl
    // read every page it found, false when it stopped at maxPages.
    bool crawl(const QString& start, const PageSink& sink);
    // A sitemap file or address; indexes are followed, every page listed is fetched.
    void walkSitemap(const QString& fileOrAddress, const PageSink& sink);

    // Asks each address once whether it answers (HEAD, else GET), at most
    // perHost at once to one host, and hands every answer to take on the
    // calling thread, in the order given.
    using Checked = std::function<void(const web::WebUrl& url, FetchResult&& result)>;
    void check(const QList<web::WebUrl>& addresses, int perHost, const Checked& take);

    // Every page fetch of a crawl or a sitemap walk, also the ones that give
    // no page (an error, a picture), as it is handed on; on the calling thread.
    using FetchSeen = std::function<void(const web::WebUrl& asked, const FetchResult& result)>;
    void watchFetches(FetchSeen seen) { seen_ = std::move(seen); }
    // Every sitemap of pages read, before its pages are fetched.
    using SitemapSeen = std::function<void(const QString& name, const Sitemap& sitemap)>;
    void watchSitemaps(SitemapSeen seen) { sitemapSeen_ = std::move(seen); }

    // Every site's robots.txt as it is fetched, once per site, when it answered.
    using RobotsSeen = std::function<void(const QString& address, const FetchResult& result)>;
    void watchRobots(RobotsSeen seen) { robotsSeen_ = std::move(seen); }

    // Once stop is requested nothing more is fetched and the fetches under
    // way end at once; what was handed on stays handed on.
    void setStop(std::stop_token stop) { stop_ = std::move(stop); }

    // The rules of the site's robots.txt for Googlebot, read once per site;
    // null when the site has none that could be read.
    std::shared_ptr<const RobotsRules> googlebotRules(const web::WebUrl& url);

    // "INPUT: reason" for inputs that gave fewer pages than they should: a
    // robots.txt that could not be had, a sitemap that is no sitemap ...
    const QStringList& problems() const { return problems_; }

private:
    using Next = std::function<std::optional<web::WebUrl>()>;
    using Take = std::function<void(const web::WebUrl& url, FetchResult&& result)>;
    using Fetch = std::function<FetchResult(const web::WebUrl& url)>;
    void fetchInOrder(const Next& next, const Take& take);
    void fetchInOrder(const Next& next, const Fetch& fetch, int perHost, const Take& take);

    // One site's robots.txt, as read for both crawlers.
    struct SiteRobots {
        RobotsRules forHeadwise;
        std::shared_ptr<const RobotsRules> forGooglebot;
        QString problem; // why nothing there may be crawled
    };
    SiteRobots& robotsOf(const web::WebUrl& url);
    const RobotsRules& robotsFor(const web::WebUrl& url, const QString& input);
    bool firstVisit(const web::WebUrl& url);
    void readSitemap(const QString& location, const QString& input, int depth, int& sitemapsRead,
                     const PageSink& sink);

    PageFetcher& fetcher_;
    Limits limits_;
    QSet<QString> visited_; // addresses asked for or arrived at, across the run
    QSet<QString> sitemapsSeen_;
    QHash<QString, SiteRobots> robots_; // by origin
    QSet<QString> robotsReported_;      // origins whose robots.txt problem a crawl has named
    QStringList problems_;
    FetchSeen seen_;
    SitemapSeen sitemapSeen_;
    RobotsSeen robotsSeen_;
    std::stop_token stop_;
};

} // namespace headwise
