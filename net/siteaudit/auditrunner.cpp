#include "net/siteaudit/auditrunner.h"

#include "core/site/pagelinks.h"

#include "core/audit/engine/chunkedwork.h"
#include "core/audit/engine/positions.h"
#include "core/audit/engine/siterun.h"
#include "core/audit/report/pagefacts.h"
#include "core/audit/rules/robots.h"
#include "net/pagefetcher.h"

#include <QFileInfo>

#include <algorithm>

namespace headwise {
namespace {

constexpr int kProgressIntervalMs = 100;

} // namespace

AuditRunner::AuditRunner(const audit::AuditConfig& config, int jobs, std::stop_token stop)
    : config_(config), stop_(std::move(stop)) {
    pool_.setMaxThreadCount(jobs);
}

AuditRunner::~AuditRunner() {
    pool_.waitForDone();
}

AuditRunner::Slot& AuditRunner::newSlot(const QString& name) {
    QMutexLocker lock(&progressMutex_);
    slots_.emplace_back();
    slots_.back().name = name;
    return slots_.back();
}

void AuditRunner::add(const QString& name, PageInputLoader load,
                      std::shared_ptr<const audit::SiteScope> site) {
    const QString identity = hasScheme(name) ? name : QFileInfo(name).absoluteFilePath();
    if (added_.contains(identity))
        return;
    added_.insert(identity);
    Slot* slot = &newSlot(name);
    slot->site = std::move(site);
    // A site is entered once, before its first page: the workers entering
    // pages hold the lock most of the time.
    if (slot->site && !sitesEntered_.contains(slot->site.get())) {
        sitesEntered_.insert(slot->site.get());
        QMutexLocker lock(&graphMutex_);
        siteOf(slot->site);
    }
    pool_.start([this, slot, load = std::move(load)] {
        if (stop_.stop_requested()) {
            slot->skipped = true;
            return;
        }
        run(*slot, load);
        pageDone(slot->name);
    });
}

AuditRunner::Slot& AuditRunner::readSlot(const QString& name) {
    Slot& slot = newSlot(name);
    {
        QMutexLocker lock(&progressMutex_);
        ++done_; // nothing to wait for
    }
    slot.audited = true;
    slot.report.page = name;
    slot.report.url =
        hasScheme(name) ? name : QUrl::fromLocalFile(QFileInfo(name).absoluteFilePath()).toString();
    return slot;
}

void AuditRunner::addSitemap(const QString& name, const Sitemap& sitemap,
                             std::shared_ptr<const audit::SiteScope> site) {
    if (!site || added_.contains(name))
        return;
    added_.insert(name);
    Slot& slot = readSlot(name);
    slot.site = site;
    audit::ResolvedPage resolved = audit::resolveSitemap(*site, name, sitemap.locations, sitemap.lines);
    QMutexLocker lock(&graphMutex_);
    slot.sitePage = siteOf(site).graph.add(std::move(resolved));
}

void AuditRunner::addRobotsTxt(const QString& name, const QByteArray& body, int status) {
    if (added_.contains(name))
        return;
    added_.insert(name);
    QList<audit::Finding> findings = audit::robotsTxtFindings(body, status, config_);
    if (findings.isEmpty())
        return;
    Slot& slot = readSlot(name);
    slot.report.status = status;
    slot.report.findings = std::move(findings);
}

AuditRunner::Site& AuditRunner::siteOf(const std::shared_ptr<const audit::SiteScope>& scope) {
    Site*& site = siteOf_[scope.get()];
    if (!site) {
        sites_.emplace_back();
        site = &sites_.back();
        site->scope = scope;
    }
    return *site;
}

void AuditRunner::record(std::shared_ptr<const audit::SiteScope> site, const web::WebUrl& asked,
                         const FetchResult& result) {
    if (!site)
        return;
    QMutexLocker lock(&graphMutex_);
    recordIn(siteOf(site), asked, result);
}

void AuditRunner::recordIn(Site& site, const web::WebUrl& asked, const FetchResult& result) {
    const auto keyOf = [&](const QString& address) { return site.scope->target(web::parseWebUrl(address)); };
    for (qsizetype i = 0; i < result.redirects.size(); ++i) {
        const std::optional<audit::SiteTarget> from = keyOf(result.redirects[i].from);
        const std::optional<audit::SiteTarget> next =
            keyOf(i + 1 < result.redirects.size() ? result.redirects[i + 1].from : result.finalUrl);
        if (from && next)
            site.graph.record(from->key, from->internal, result.redirects[i].status, next);
    }
    const std::optional<audit::SiteTarget> end =
        result.ok ? keyOf(result.finalUrl) : site.scope->target(asked);
    if (result.ok && end)
        site.graph.record(end->key, end->internal, result.status);
    else if (!result.redirects.isEmpty()) // the fetcher gave up following them
        if (const std::optional<audit::SiteTarget> next = keyOf(result.finalUrl))
            site.graph.record(next->key, next->internal, audit::SiteGraph::kEndless);
}

void AuditRunner::markWhole(const audit::SiteScope* site) {
    QMutexLocker lock(&graphMutex_);
    if (Site* found = siteOf_.value(site))
        found->whole = true;
}

QList<web::WebUrl> AuditRunner::unchecked(bool external) {
    pool_.waitForDone();
    {
        QMutexLocker lock(&graphMutex_);
        enterWaiting();
    }
    QList<web::WebUrl> out;
    QSet<QString> listed;
    for (const Site& site : sites_) {
        if (site.scope->onDisk() && !external)
            continue;
        QList<bool> known(site.graph.size(), false);
        for (const Slot& slot : slots_)
            if (slot.site == site.scope && slot.sitePage.key >= 0)
                known[slot.sitePage.key] = true;
        for (const Slot& slot : slots_) {
            if (slot.site != site.scope)
                continue;
            for (const audit::SiteReference& r : slot.sitePage.references) {
                const bool internal = site.graph.internal(r.target);
                // A crawl fetched the pages its links reach; what else the pages name is asked here.
                const bool linked =
                    r.kind == audit::ReferenceKind::Link || r.kind == audit::ReferenceKind::Area;
                const bool wanted = internal ? !site.scope->onDisk() && !linked : external;
                if (!wanted || known[r.target] || site.graph.status(r.target) != 0 ||
                    site.graph.redirect(r.target) >= 0)
                    continue;
                known[r.target] = true;
                const QString& key = site.graph.key(r.target);
                if (!listed.contains(key)) {
                    listed.insert(key);
                    // A folder published at file: addresses names files elsewhere: nothing to ask a server.
                    if (web::WebUrl url = web::parseWebUrl(key);
                        url.scheme == u"http" || url.scheme == u"https")
                        out.append(std::move(url));
                }
            }
        }
    }
    return out;
}

void AuditRunner::recordChecked(const web::WebUrl& address, const FetchResult& result) {
    QMutexLocker lock(&graphMutex_);
    for (Site& site : sites_)
        recordIn(site, address, result);
}

void AuditRunner::run(Slot& slot, const PageInputLoader& load) {
    LoadedInput loaded = load();
    if (!loaded.page && stop_.stop_requested()) {
        slot.skipped = true; // a fetch the stop cut off is no fault of the page
        return;
    }
    if (!loaded.page) {
        slot.problem = slot.name + QStringLiteral(": ") + loaded.error;
        return;
    }
    const audit::PageAudit audit =
        step_ ? step_(slot.name, *loaded.page) : audit::auditPage(*loaded.page, config_);
    slot.audited = true;
    slot.report.page = slot.name;
    slot.report.url = loaded.page->address;
    slot.report.status = loaded.page->httpStatus;
    slot.report.findings = audit.findings;
    slot.report.facts = audit::pageFactsOf(audit, loaded.page->httpStatus);
    slot.digest = audit::digestOf(audit, slot.name);
    if (pageSeen_)
        pageSeen_(slot.report);
    if (!slot.site)
        return;
    const int status = loaded.page->httpStatus == 0 ? 200 : loaded.page->httpStatus;
    enterInGraph(slot, audit::resolveSitePage(*slot.site, slot.name,
                                              slot.site->pageAddress(slot.name, loaded.page->address), audit,
                                              status));
}

void AuditRunner::enterInGraph(Slot& slot, audit::ResolvedPage&& resolved) {
    {
        QMutexLocker lock(&waitingMutex_);
        waiting_.push_back({&slot, std::move(resolved)});
    }
    // A thread that finds the graphs taken goes on to its next page rather
    // than sleep until they are free: the one entering pages takes its too.
    if (!graphMutex_.tryLock())
        return;
    enterWaiting();
    graphMutex_.unlock();
}

void AuditRunner::enterWaiting() {
    std::vector<WaitingPage> pages;
    for (;;) {
        {
            QMutexLocker lock(&waitingMutex_);
            pages.swap(waiting_);
        }
        if (pages.empty())
            return;
        for (WaitingPage& page : pages)
            page.slot->sitePage = siteOf(page.slot->site).graph.add(std::move(page.resolved));
        pages.clear();
    }
}

void AuditRunner::addSiteFindings(QList<audit::PageReport>& pages, const QList<const Slot*>& audited,
                                  audit::SiteSummary& summary) {
    // Each site's pages, in report order, in one pass over the run.
    struct Pages {
        QList<audit::SitePage> pages;
        QList<qsizetype> reportOf;
    };
    QHash<const audit::SiteScope*, Pages> bySite;
    for (qsizetype i = 0; i < audited.size(); ++i) {
        if (!audited[i]->site)
            continue;
        Pages& site = bySite[audited[i]->site.get()];
        site.pages.append(audited[i]->sitePage);
        site.reportOf.append(i);
    }
    for (const Site& site : sites_) {
        const Pages& own = bySite[site.scope.get()];
        audit::SiteResult result = audit::siteFindings(own.pages, site.graph, *site.scope, site.whole,
                                                       config_, pool_.maxThreadCount());
        summary.present = true;
        for (const audit::SitePage& page : own.pages)
            summary.pages += page.sitemap ? 0 : 1;
        summary.references += result.references;
        summary.brokenLinks += result.brokenLinks;
        summary.orphans += result.orphans;
        summary.redirects += result.redirects;
        summary.brokenTargets += result.brokenTargets;
        // Each page's findings sorted anew, the pages shared among the threads.
        constexpr qsizetype kPagesPerPiece = 256;
        audit::PageReport* const reports = pages.data();
        QList<audit::Finding>* const found = result.findings.data();
        audit::runChunks((own.pages.size() + kPagesPerPiece - 1) / kPagesPerPiece, pool_.maxThreadCount(),
                         [&](qsizetype piece) {
                             const qsizetype last = std::min(own.pages.size(), (piece + 1) * kPagesPerPiece);
                             for (qsizetype i = piece * kPagesPerPiece; i < last; ++i) {
                                 if (found[i].isEmpty())
                                     continue;
                                 QList<audit::Finding>& findings = reports[own.reportOf[i]].findings;
                                 findings.append(std::move(found[i]));
                                 audit::sortFindings(findings);
                             }
                         });
    }
}

void AuditRunner::pageDone(const QString& name) {
    QMutexLocker lock(&progressMutex_);
    ++done_;
    // The first page is told at once; later ones at most every interval.
    if (!progress_ || (sinceProgress_.isValid() && sinceProgress_.elapsed() < kProgressIntervalMs))
        return;
    sinceProgress_.start();
    progress_(done_, qsizetype(slots_.size()), name);
}

AuditRunner::Outcome AuditRunner::finish() {
    pool_.waitForDone();
    {
        QMutexLocker lock(&graphMutex_);
        enterWaiting();
    }
    // The last count is told even when it came within the interval, so a
    // progress line never stops at a count the run went past.
    if (progress_)
        progress_(done_, qsizetype(slots_.size()), QString());

    Outcome outcome;
    outcome.stopped = stop_.stop_requested();
    QList<audit::PageDigest> digests;
    QList<const Slot*> audited;
    for (Slot& slot : slots_) {
        if (slot.skipped)
            continue;
        if (!slot.audited) {
            outcome.problems.append(slot.problem);
            continue;
        }
        outcome.pages.append(std::move(slot.report));
        digests.append(std::move(slot.digest));
        audited.append(&slot);
    }
    if (!outcome.stopped)
        addSiteFindings(outcome.pages, audited, outcome.site);
    // A sitemap is in the report only for what is wrong in it.
    QList<bool> quietSitemap(audited.size());
    for (qsizetype i = 0; i < audited.size(); ++i)
        quietSitemap[i] = audited[i]->sitePage.sitemap && outcome.pages[i].findings.isEmpty();
    audited.clear();
    siteOf_.clear();
    sitesEntered_.clear();
    sites_.clear();
    slots_.clear();

    const QList<QList<audit::Finding>> duplicates =
        outcome.stopped ? QList<QList<audit::Finding>>() : audit::duplicateFindings(digests, config_);
    for (qsizetype i = 0; i < outcome.pages.size() && i < duplicates.size(); ++i) {
        if (duplicates[i].isEmpty())
            continue;
        QList<audit::Finding>& findings = outcome.pages[i].findings;
        findings.append(duplicates[i]);
        audit::sortFindings(findings);
    }
    for (qsizetype i = quietSitemap.size() - 1; i >= 0; --i)
        if (quietSitemap[i])
            outcome.pages.removeAt(i);
    return outcome;
}

} // namespace headwise
