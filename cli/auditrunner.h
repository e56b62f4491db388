#pragma once

#include "core/audit/auditconfig.h"
#include "core/audit/duplicates.h"
#include "core/audit/pageaudit.h"
#include "core/audit/report.h"
#include "core/audit/sitegraph.h"
#include "core/page/pagefile.h"
#include "core/site/sitemap.h"
#include "net/pagefetcher.h"

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

namespace headwise::cli {

using LoadedInput = Loaded<audit::PageInput>;
using PageLoader = std::function<LoadedInput()>;

// Audits pages on a thread pool. Pages are loaded inside the pool, so only the
// pages in flight hold their bytes; a finished page keeps its findings and the
// little the cross-page rules need. Results come back in the order added.
class AuditRunner {
public:
    AuditRunner(const audit::AuditConfig& config, int jobs, bool showProgress);
    ~AuditRunner();

    // A page already added (the same address, or the same file by another
    // name) is not audited again: it would only duplicate itself. A page of a
    // folder site also gives its references to the rules across the site.
    void add(const QString& name, PageLoader load, std::shared_ptr<const audit::SiteScope> site = nullptr);
    // A sitemap of a site: its entries are references, reported under its name.
    void addSitemap(const QString& name, const Sitemap& sitemap,
                    std::shared_ptr<const audit::SiteScope> site);
    // What a fetch of an address of a site answered, redirects included.
    void record(std::shared_ptr<const audit::SiteScope> site, const QUrl& asked, const FetchResult& result);
    // Every page of the site was read: pages no link reaches are orphans.
    void markWhole(const audit::SiteScope* site);

    // Waits for the pages in flight, then lists the addresses the sites'
    // pages point at whose answer no fetch gave: what the sites name besides
    // their links (pictures, canonicals, alternates) and
    // with external every address outside them; each once.
    QList<QUrl> unchecked(bool external);
    // The answer of an address unchecked gave, for every site that points at it.
    void recordChecked(const QUrl& address, const FetchResult& result);

    struct Outcome {
        QList<audit::PageReport> pages;
        QStringList problems; // "NAME: reason", in the order added
        audit::SiteSummary site;
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
    void run(Slot& slot, const PageLoader& load);
    void pageDone();
    Site& siteOf(const std::shared_ptr<const audit::SiteScope>& scope); // under graphMutex_
    void recordIn(Site& site, const QUrl& asked, const FetchResult& result);
    void addSiteFindings(QList<audit::PageReport>& pages, const QList<const Slot*>& audited,
                         audit::SiteSummary& summary);
    void writeCount() const;

    const audit::AuditConfig& config_;
    const bool showProgress_;
    PageStep step_;
    QThreadPool pool_;
    std::deque<Slot> slots_; // grows at the back only, so a running page's slot stays put
    QSet<QString> added_;    // each page's address or absolute file path
    QMutex progressMutex_;
    QMutex graphMutex_; // the workers intern their pages' references in one graph per site
    std::deque<Site> sites_;
    QHash<const audit::SiteScope*, Site*> siteOf_;
    qsizetype done_ = 0;
    QElapsedTimer sinceProgress_; // invalid until the first line is shown
};

} // namespace headwise::cli
