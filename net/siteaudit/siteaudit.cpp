#include "net/siteaudit/siteaudit.h"

#include "core/audit/engine/siterun.h"
#include "core/site/pagelinks.h"
#include "core/site/sitemap.h"
#include "net/siteaudit/folderaddress.h"
#include "net/sitewalker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <memory>

namespace headwise {
namespace {

// The folder's own sitemap.xml, when it has one, read as the site's sitemap.
void addFolderSitemap(AuditRunner& runner, const std::shared_ptr<const audit::SiteFolder>& folder,
                      QStringList& problems) {
    const QString path = QDir(folder->root()).filePath(QStringLiteral("sitemap.xml"));
    QFile file(path);
    if (!file.exists())
        return;
    const QString name = QDir::cleanPath(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problems.append(name + QStringLiteral(": cannot be read (%1)").arg(file.errorString()));
        return;
    }
    const qint64 maxBytes = SiteWalker::Limits{}.maxSitemapBytes;
    const QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        problems.append(name + QStringLiteral(": larger than %1 MiB").arg(maxBytes >> 20));
        return;
    }
    QString error;
    const std::optional<Sitemap> sitemap = parseSitemap(bytes, &error);
    if (!sitemap)
        problems.append(name + QStringLiteral(": ") + error);
    else if (sitemap->kind == Sitemap::Kind::Pages)
        runner.addSitemap(name, *sitemap, folder);
}

// The folder's own robots.txt, when it has one, read as the site's: only
// its first part, as crawlers read it, and a byte more to tell it is longer.
void addFolderRobotsTxt(AuditRunner& runner, const QString& root) {
    const QString path = QDir(root).filePath(QStringLiteral("robots.txt"));
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        runner.addRobotsTxt(QDir::cleanPath(path), file.read(RobotsRules::kMaxBytes + 1), 0);
}

} // namespace

QString siteRootOf(const AuditTarget& target, const QString& root) {
    if (target.address || root.isEmpty())
        return target.siteRoot;
    // By real paths: a file reached through a symbolic link stands where it leads.
    const QString file = QFileInfo(target.name).canonicalFilePath();
    const QString tree = QFileInfo(root).canonicalFilePath();
    if (file.isEmpty() || tree.isEmpty() || !file.startsWith(tree + u'/'))
        return target.siteRoot;
    return QDir(root).absolutePath();
}

AuditRunner::Outcome runSiteAudit(const SiteAuditRequest& request, const audit::AuditConfig& config,
                                  PageFetcher& fetcher, const SiteAuditWatch& watch, std::stop_token stop) {
    SiteWalker::Limits limits;
    limits.maxPages = request.maxPages;
    SiteWalker walker(fetcher, limits);
    walker.setStop(stop);
    // Each folder input is a site of its own, its pages' links checked against
    // each other; so is each origin a crawl or a sitemap brings pages from.
    QHash<QString, std::shared_ptr<const audit::SiteFolder>> folders;
    // With every rule across pages off, no page needs its references kept.
    const bool siteRulesOn =
        std::any_of(audit::ruleTable().cbegin(), audit::ruleTable().cend(), [&](const audit::Rule& rule) {
            return rule.scope == audit::RuleScope::Site && (rule.siteReference || rule.sitePage) &&
                   config.severityOf(rule);
        });
    // Where each folder is published: as the request says, else as its
    // pages' canonicals agree, found before any page is resolved against it.
    QHash<QString, audit::SiteAddress> addresses;
    QString firstRoot;
    if (siteRulesOn) {
        QHash<QString, QStringList> pagesOf;
        QStringList roots;
        for (const AuditTarget& target : request.targets) {
            if (target.address || target.siteRoot.isEmpty())
                continue;
            if (!pagesOf.contains(target.siteRoot))
                roots.append(target.siteRoot);
            pagesOf[target.siteRoot].append(target.name);
        }
        firstRoot = roots.value(0);
        for (const QString& root : std::as_const(roots)) {
            if (!request.baseUrl.isEmpty())
                addresses[root].from = audit::SiteAddress::From::Given;
            else if (std::optional<audit::SiteAddress> inferred =
                         folderAddress(root, pagesOf[root], request.jobs))
                addresses[root] = std::move(*inferred);
        }
    }
    const auto folderSite = [&](const QString& root) -> std::shared_ptr<const audit::SiteFolder> {
        if (root.isEmpty() || !siteRulesOn)
            return nullptr;
        auto& folder = folders[root];
        if (!folder) {
            const audit::SiteAddress& address = addresses[root];
            folder = std::make_shared<const audit::SiteFolder>(
                root,
                address.from == audit::SiteAddress::From::Canonicals ? QUrl(address.url) : request.baseUrl);
            if (address.from == audit::SiteAddress::From::Given)
                addresses[root].url = folder->baseUrl().href;
        }
        return folder;
    };
    QHash<QString, std::shared_ptr<const audit::SiteOrigin>> origins;
    const auto originSite = [&](const web::WebUrl& url) -> std::shared_ptr<const audit::SiteOrigin> {
        if (!siteRulesOn)
            return nullptr;
        // The origin's home: what the pages there are compared to.
        const web::WebUrl origin = web::parseWebUrl(u"/", &url);
        auto& site = origins[origin.valid ? origin.href : QString()];
        if (!site)
            site = std::make_shared<const audit::SiteOrigin>(origin, walker.googlebotRules(url));
        return site;
    };
    AuditRunner runner(config, request.jobs, stop);
    runner.watchProgress(watch.progress);
    runner.watchPages(watch.pageSeen);
    if (watch.step)
        runner.setPageStep(watch.step);
    walker.watchFetches([&](const web::WebUrl& asked, const FetchResult& result) {
        runner.record(originSite(asked), asked, result);
    });
    walker.watchRobots([&](const QString& address, const FetchResult& result) {
        runner.addRobotsTxt(address, result.body, result.status);
    });
    walker.watchSitemaps([&](const QString& name, const Sitemap& map) {
        if (!map.locations.isEmpty())
            runner.addSitemap(name, map, originSite(web::parseWebUrl(map.locations.first())));
    });
    // The walker hands pages over in the order it found them; the pool audits
    // them while it fetches the next.
    const PageSink toRunner = [&](WalkedPage&& page) {
        auto walked = std::make_shared<WalkedPage>(std::move(page));
        const web::WebUrl at =
            web::parseWebUrl(walked->result.finalUrl.isEmpty() ? walked->name : walked->result.finalUrl);
        runner.add(
            walked->name,
            [walked] {
                return fetchedInput(walked->name, std::move(walked->result),
                                    std::move(walked->googlebotRobots));
            },
            originSite(at));
    };
    QSet<QString> robotsTxtRead; // folders whose robots.txt was read
    for (const AuditTarget& target : request.targets) {
        if (stop.stop_requested())
            break;
        if (target.address && request.crawl) {
            if (walker.crawl(target.name, toRunner))
                runner.markWhole(originSite(web::parseWebUrl(target.name)).get());
        } else if (target.address) { // robots.txt is read here, once per site, for robots-txt-blocked
            runner.add(target.name, [&fetcher, stop, name = target.name,
                                     robots = walker.googlebotRules(web::parseWebUrl(target.name))] {
                return loadFetchedPage(fetcher, name, robots, stop);
            });
        } else {
            if (!target.siteRoot.isEmpty() && !robotsTxtRead.contains(target.siteRoot)) {
                robotsTxtRead.insert(target.siteRoot);
                addFolderRobotsTxt(runner, target.siteRoot);
            }
            runner.add(
                target.name, [name = target.name] { return loadAuditedFile(name); },
                folderSite(siteRootOf(target, request.root)));
        }
    }
    QStringList siteProblems;
    // A tree the run read only a part of says nothing of pages no link reaches, nor of its sitemap.
    bool partTree = false;
    if (!request.root.isEmpty())
        for (const AuditTarget& target : request.targets)
            partTree = partTree || (!target.address && !target.siteRoot.isEmpty() &&
                                    QFileInfo(target.siteRoot).canonicalFilePath() !=
                                        QFileInfo(request.root).canonicalFilePath());
    for (const auto& folder : std::as_const(folders)) {
        if (partTree && folder->root() == QDir(request.root).absolutePath())
            continue;
        runner.markWhole(folder.get());
        if (request.sitemaps.isEmpty())
            addFolderSitemap(runner, folder, siteProblems);
    }
    for (const QString& map : request.sitemaps)
        if (!stop.stop_requested())
            walker.walkSitemap(map, toRunner);
    // Pictures of a crawled site, and with checkExternal every address
    // outside the sites, are asked once each whether they answer.
    if (!stop.stop_requested())
        walker.check(
            runner.unchecked(request.checkExternal), request.checkExternal ? 2 : 4,
            [&runner](const web::WebUrl& url, FetchResult&& result) { runner.recordChecked(url, result); });
    AuditRunner::Outcome outcome = runner.finish();
    outcome.problems += walker.problems() + siteProblems;
    outcome.site.address = addresses.value(firstRoot);
    return outcome;
}

} // namespace headwise
