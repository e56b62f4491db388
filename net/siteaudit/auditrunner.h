#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/pageaudit.h"
#include "core/audit/model/sitegraph.h"
#include "core/audit/report/report.h"
#include "core/audit/rules/duplicates.h"
#include "core/page/pagefile.h"
#include "core/site/sitemap.h"
#include "net/pagefetcher.h"
#include "net/siteaudit/auditinputs.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <QThreadPool>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace headwise {

using PageInputLoader = std::function<LoadedInput()>;

// Audits pages on a thread pool. Pages are loaded inside the pool, so only the
// pages in flight hold their bytes; a finished page keeps its findings and the
// little the cross-page rules need. Results come back in the order added.
class AuditRunner {
public:
    // Pages audited and pages known so far, and the page just audited; at
    // most every 100 ms, and once more at the end (with page empty).
    using Progress = std::function<void(qsizetype done, qsizetype known, const QString& page)>;
    // Each page as soon as it is audited, before the findings across pages;
    // on a worker thread.
    using PageSeen = std::function<void(const audit::PageReport& page)>;

    // Once stop is requested no page starts, and finish() adds no findings
    // across pages: they would judge a site by the part that was read.
    AuditRunner(const audit::AuditConfig& config, int jobs, std::stop_token stop = {});
    ~AuditRunner();

    void watchProgress(Progress progress) { progress_ = std::move(progress); }
    void watchPages(PageSeen seen) { pageSeen_ = std::move(seen); }

    // A page already added (the same address, or the same file by another
    // name) is not audited again: it would only duplicate itself. A page of a
    // folder site also gives its references to the rules across the site.
    void add(const QString& name, PageInputLoader load,
             std::shared_ptr<const audit::SiteScope> site = nullptr);
    // A sitemap of a site: its entries are references, reported under its name.
    void addSitemap(const QString& name, const Sitemap& sitemap,
                    std::shared_ptr<const audit::SiteScope> site);
    // A site's robots.txt, reported under its name for what is wrong in it
    // (its lines numbered as in the file); nothing when all is well.
    void addRobotsTxt(const QString& name, const QByteArray& body, int status);
    // What a fetch of an address of a site answered, redirects included.
    void record(std::shared_ptr<const audit::SiteScope> site, const web::WebUrl& asked,
                const FetchResult& result);
    // Every page of the site was read: pages no link reaches are orphans.
    void markWhole(const audit::SiteScope* site);

    // Waits for the pages in flight, then lists the addresses the sites'
    // pages point at whose answer no fetch gave: what the sites name besides
    // their links (pictures, canonicals, alternates) and
    // with external every address outside them; each once.
    QList<web::WebUrl> unchecked(bool external);
    // The answer of an address unchecked gave, for every site that points at it.
    void recordChecked(const web::WebUrl& address, const FetchResult& result);

    struct Outcome {
        QList<audit::PageReport> pages;
        QStringList problems; // "NAME: reason", in the order added
        audit::SiteSummary site;
        bool stopped = false; // the run was stopped: pages not read are left out
    };
    // What is done with each page once loaded, on the pool: an audit, unless
    // the run does more (audit --fix); it may change the page it is given.
    using PageStep = std::function<audit::PageAudit(const QString& name, audit::PageInput& page)>;
    void setPageStep(PageStep step) { step_ = std::move(step); }

    // Waits for every page, then adds the findings across pages: duplicates,
    // and the links, canonicals and alternates of each folder site.
    Outcome finish();

private:
    struct Slot {
        QString name;
        bool audited = false;
        bool skipped = false; // not started before the stop
        QString problem;
        audit::PageReport report;
        audit::PageDigest digest{};
        std::shared_ptr<const audit::SiteScope> site;
        audit::SitePage sitePage;
    };
    struct Site {
        std::shared_ptr<const audit::SiteScope> scope;
        audit::SiteGraph graph;
        bool whole = false;
    };

    Slot& newSlot(const QString& name);
    // A slot for a file the run has read already (a sitemap, a robots.txt): audited as it is added.
    Slot& readSlot(const QString& name);
    void run(Slot& slot, const PageInputLoader& load);
    void pageDone(const QString& name);
    Site& siteOf(const std::shared_ptr<const audit::SiteScope>& scope); // under graphMutex_
    // Hands a page's references to the graphs; they go in at once when no
    // other thread is entering pages, else with that thread's or at the end.
    void enterInGraph(Slot& slot, audit::ResolvedPage&& resolved);
    void enterWaiting(); // under graphMutex_
    void recordIn(Site& site, const web::WebUrl& asked, const FetchResult& result);
    void addSiteFindings(QList<audit::PageReport>& pages, const QList<const Slot*>& audited,
                         audit::SiteSummary& summary);

    const audit::AuditConfig& config_;
    const std::stop_token stop_;
    Progress progress_;
    PageSeen pageSeen_;
    PageStep step_;
    QThreadPool pool_;
    std::deque<Slot> slots_;                     // grows at the back only, so a running page's slot stays put
    QSet<QString> added_;                        // each page's address or absolute file path
    QSet<const audit::SiteScope*> sitesEntered_; // by add(), which runs on one thread
    QMutex progressMutex_;
    QMutex graphMutex_; // the workers intern their pages' references in one graph per site
    struct WaitingPage {
        Slot* slot;
        audit::ResolvedPage resolved;
    };
    QMutex waitingMutex_; // held only to put a page in waiting_ or take them all
    std::vector<WaitingPage> waiting_;
    std::deque<Site> sites_;
    QHash<const audit::SiteScope*, Site*> siteOf_;
    qsizetype done_ = 0;
    QElapsedTimer sinceProgress_; // invalid until the first count is given
};

} // namespace headwise
