#include "net/sitewalker.h"

#include "core/page/pagecodec.h"
#include "core/site/pagelinks.h"
#include "core/site/sitemap.h"
#include "net/gunzip.h"

#include <QFile>
#include <QThreadPool>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace headwise {

namespace {

QString key(const web::WebUrl& url) {
    return url.hrefWithoutFragment().toString();
}

QString originOf(const web::WebUrl& url) {
    return url.scheme + QStringLiteral("://") + url.host +
           (url.port < 0 ? QString() : u':' + QString::number(url.port));
}

QString hostKey(const web::WebUrl& url) {
    return url.host + u':' + QString::number(url.port < 0 ? 0 : url.port);
}

// A crawl only goes on from HTML; a link to a picture or a PDF is not a page.
bool isHtml(const FetchResult& result) {
    const QByteArray type = result.contentType.split(';').first().trimmed().toLower();
    return type.isEmpty() || type == "text/html" || type == "application/xhtml+xml";
}

bool isWebAddress(const web::WebUrl& url) {
    return url.valid && !url.host.isEmpty() && (url.scheme == u"http" || url.scheme == u"https");
}

} // namespace

SiteWalker::SiteWalker(PageFetcher& fetcher) : SiteWalker(fetcher, Limits{}) {}

SiteWalker::SiteWalker(PageFetcher& fetcher, const Limits& limits) : fetcher_(fetcher), limits_(limits) {}

bool SiteWalker::firstVisit(const web::WebUrl& url) {
    const QString address = key(url);
    if (visited_.contains(address))
        return false;
    visited_.insert(address);
    return true;
}

void SiteWalker::fetchInOrder(const Next& next, const Take& take) {
    const Fetch fetch = [this](const web::WebUrl& url) { return fetcher_.fetch(url.href, stop_); };
    fetchInOrder(next, fetch, limits_.perHost, [&](const web::WebUrl& url, FetchResult&& result) {
        if (seen_)
            seen_(url, result);
        take(url, std::move(result));
    });
}

void SiteWalker::check(const QList<web::WebUrl>& addresses, int perHost, const Checked& take) {
    qsizetype at = 0;
    const Next next = [&]() -> std::optional<web::WebUrl> {
        if (at >= addresses.size())
            return std::nullopt;
        return addresses[at++];
    };
    const Fetch fetch = [this](const web::WebUrl& url) { return fetcher_.check(url.href, stop_); };
    fetchInOrder(next, fetch, perHost, take);
}

void SiteWalker::fetchInOrder(const Next& next, const Fetch& fetch, int perHostLimit, const Take& take) {
    struct Job {
        web::WebUrl url;
        QString host;
        bool started = false;
        bool done = false;
        FetchResult result;
    };
    std::mutex mutex;
    std::condition_variable finished;
    std::deque<std::shared_ptr<Job>> window;   // in the order handed out
    QHash<QString, int> busy;                  // requests running per host
    const int perHost = qMax(1, perHostLimit); // none at all would wait forever
    const size_t windowSize = size_t(qMax(1, limits_.window));
    QThreadPool pool;
    pool.setMaxThreadCount(int(windowSize));
    bool exhausted = false;

    std::unique_lock lock(mutex);
    for (;;) {
        while (!exhausted && window.size() < windowSize) {
            if (stop_.stop_requested()) {
                exhausted = true;
                break;
            }
            lock.unlock();
            const std::optional<web::WebUrl> url = next();
            lock.lock();
            if (!url) {
                exhausted = true;
                break;
            }
            auto job = std::make_shared<Job>();
            job->url = *url;
            job->host = hostKey(*url);
            window.push_back(std::move(job));
        }
        if (window.empty())
            break;
        for (const std::shared_ptr<Job>& job : window) {
            if (job->started || busy.value(job->host) >= perHost)
                continue;
            job->started = true;
            ++busy[job->host];
            pool.start([job, &fetch, &mutex, &finished, &busy] {
                FetchResult result = fetch(job->url);
                const std::lock_guard guard(mutex);
                job->result = std::move(result);
                job->done = true;
                --busy[job->host];
                finished.notify_all();
            });
        }
        // Woken by every finished fetch, so a freed host slot is used at once.
        finished.wait(lock, [&] {
            if (window.front()->done)
                return true;
            for (const std::shared_ptr<Job>& job : window)
                if (!job->started && busy.value(job->host) < perHost)
                    return true;
            return false;
        });
        while (!window.empty() && window.front()->done) {
            const std::shared_ptr<Job> job = window.front();
            window.pop_front();
            lock.unlock();
            take(job->url, std::move(job->result));
            // The sink may have found more to fetch.
            exhausted = false;
            lock.lock();
        }
    }
}

SiteWalker::SiteRobots& SiteWalker::robotsOf(const web::WebUrl& url) {
    const QString origin = originOf(url);
    if (const auto found = robots_.find(origin); found != robots_.end())
        return *found;
    const QString address = origin + QStringLiteral("/robots.txt");
    const FetchResult result = fetcher_.fetch(address, stop_);
    if (robotsSeen_ && result.ok)
        robotsSeen_(address, result);
    SiteRobots robots;
    // No file (4xx) allows everything; a server error, "too many requests" or
    // no answer allows nothing, for the site may be telling crawlers to stay
    // away for now.
    if (!result.ok) {
        robots.forHeadwise = RobotsRules::disallowAll();
        robots.problem = QStringLiteral("%1 could not be fetched (%2), so nothing there is crawled")
                             .arg(address, result.error);
    } else if (result.status >= 500 || result.status == 429) {
        robots.forHeadwise = RobotsRules::disallowAll();
        robots.problem =
            QStringLiteral("%1 answered %2, so nothing there is crawled").arg(address).arg(result.status);
    } else if (result.status >= 200 && result.status < 300) {
        robots.forHeadwise = RobotsRules::parse(result.body);
        robots.forGooglebot =
            std::make_shared<const RobotsRules>(RobotsRules::parse(result.body, u"Googlebot"));
    }
    return *robots_.insert(origin, robots);
}

const RobotsRules& SiteWalker::robotsFor(const web::WebUrl& url, const QString& input) {
    const SiteRobots& robots = robotsOf(url);
    const QString origin = originOf(url);
    if (!robots.problem.isEmpty() && !robotsReported_.contains(origin)) {
        robotsReported_.insert(origin);
        problems_.append(input + QStringLiteral(": ") + robots.problem);
    }
    return robots.forHeadwise;
}

std::shared_ptr<const RobotsRules> SiteWalker::googlebotRules(const web::WebUrl& url) {
    return isWebAddress(url) ? robotsOf(url).forGooglebot : nullptr;
}

bool SiteWalker::crawl(const QString& start, const PageSink& sink) {
    const web::WebUrl first = web::parseWebUrl(start).withoutFragment();
    if (!isWebAddress(first)) {
        problems_.append(start + QStringLiteral(": only http and https addresses can be crawled"));
        return false;
    }
    const qsizetype knownProblems = problems_.size();
    if (!robotsFor(first, start).allows(first)) {
        if (problems_.size() == knownProblems) // else robots.txt itself was the problem, and said so
            problems_.append(start + QStringLiteral(": robots.txt does not allow Headwise to fetch it"));
        return false;
    }
    if (!firstVisit(first))
        return false;
    bool whole = true;

    std::deque<web::WebUrl> frontier{first};
    int found = 1;
    QString crawlOrigin; // where the start page ended up: its links are followed there
    QSet<QString> arrived;
    const Next next = [&]() -> std::optional<web::WebUrl> {
        if (frontier.empty())
            return std::nullopt;
        web::WebUrl url = frontier.front();
        frontier.pop_front();
        return url;
    };
    const Take take = [&](const web::WebUrl& url, FetchResult&& result) {
        const bool isStart = crawlOrigin.isEmpty();
        if (result.ok) {
            const web::WebUrl final = web::parseWebUrl(result.finalUrl);
            if (isStart)
                crawlOrigin = originOf(final);
            // Two links that redirect to one page give that page once.
            const QString finalKey = key(final);
            if (arrived.contains(finalKey) || (!isStart && !isHtml(result)))
                return;
            arrived.insert(finalKey);
            visited_.insert(finalKey);
            if (result.status < 400 && isHtml(result) && originOf(final) == crawlOrigin) {
                const RobotsRules& robots = robotsFor(final, start);
                const QString text = decodePage(result.body, result.charset).text;
                for (const web::WebUrl& link : sameOriginLinks(text, final, final)) {
                    if (!robots.allows(link) || visited_.contains(key(link)))
                        continue;
                    if (found >= limits_.maxPages) {
                        whole = false;
                        break;
                    }
                    firstVisit(link);
                    frontier.push_back(link);
                    ++found;
                }
            }
        } else if (isStart) {
            crawlOrigin = originOf(url);
        }
        std::shared_ptr<const RobotsRules> googlebot =
            result.ok ? googlebotRules(result.finalUrl.isEmpty() ? url : web::parseWebUrl(result.finalUrl))
                      : nullptr;
        sink(WalkedPage{url.href, std::move(result), std::move(googlebot)});
    };
    fetchInOrder(next, take);
    return whole;
}

void SiteWalker::walkSitemap(const QString& fileOrAddress, const PageSink& sink) {
    int sitemapsRead = 0;
    readSitemap(fileOrAddress, fileOrAddress, 0, sitemapsRead, sink);
}

void SiteWalker::readSitemap(const QString& location, const QString& input, int depth, int& sitemapsRead,
                             const PageSink& sink) {
    const QString name = location == input ? input : input + QStringLiteral(" (") + location + u')';
    if (sitemapsSeen_.contains(location))
        return; // an index naming itself or an index above it
    sitemapsSeen_.insert(location);
    if (++sitemapsRead > limits_.maxSitemaps) {
        if (sitemapsRead == limits_.maxSitemaps + 1)
            problems_.append(
                input +
                QStringLiteral(": more than %1 sitemaps; the rest are not read").arg(limits_.maxSitemaps));
        return;
    }

    QByteArray bytes;
    const web::WebUrl address = web::parseWebUrl(location);
    if (isWebAddress(address)) {
        const FetchResult result = fetcher_.fetch(location, stop_);
        if (!result.ok || result.status >= 400) {
            problems_.append(
                name + QStringLiteral(": ") +
                (result.ok ? QStringLiteral("the server answered %1").arg(result.status) : result.error));
            return;
        }
        bytes = result.body;
    } else {
        QFile file(location);
        if (!file.open(QIODevice::ReadOnly)) {
            problems_.append(name + QStringLiteral(": cannot be read (%1)").arg(file.errorString()));
            return;
        }
        bytes = file.read(limits_.maxSitemapBytes + 1);
    }
    if (bytes.size() > limits_.maxSitemapBytes) {
        problems_.append(name + QStringLiteral(": larger than %1 MiB").arg(limits_.maxSitemapBytes >> 20));
        return;
    }

    QString error;
    // sitemap.xml.gz comes as it is stored, not unpacked by the transfer.
    if (looksGzipped(bytes)) {
        std::optional<QByteArray> unpacked = gunzip(bytes, limits_.maxSitemapBytes, &error);
        if (!unpacked) {
            problems_.append(name + QStringLiteral(": ") + error);
            return;
        }
        bytes = std::move(*unpacked);
    }
    const std::optional<Sitemap> sitemap = parseSitemap(bytes, &error);
    bytes.clear();
    if (!sitemap) {
        problems_.append(name + QStringLiteral(": ") + error);
        return;
    }
    if (sitemap->truncated)
        problems_.append(
            name + QStringLiteral(": more than %1 entries; the rest are not read").arg(kMaxSitemapEntries));
    if (sitemap->kind == Sitemap::Kind::Index) {
        if (depth >= limits_.maxSitemapDepth) {
            problems_.append(name + QStringLiteral(": sitemap indexes nested more than %1 deep; not followed")
                                        .arg(limits_.maxSitemapDepth));
            return;
        }
        for (const QString& child : sitemap->locations)
            readSitemap(child, input, depth + 1, sitemapsRead, sink);
        return;
    }
    if (sitemapSeen_)
        sitemapSeen_(name, *sitemap);
    qsizetype at = 0;
    const Next next = [&]() -> std::optional<web::WebUrl> {
        while (at < sitemap->locations.size()) {
            web::WebUrl url = web::parseWebUrl(sitemap->locations[at++]);
            if (firstVisit(url))
                return url;
        }
        return std::nullopt;
    };
    const Take take = [&](const web::WebUrl& url, FetchResult&& result) {
        sink(WalkedPage{url.href, std::move(result)});
    };
    fetchInOrder(next, take);
}

} // namespace headwise
