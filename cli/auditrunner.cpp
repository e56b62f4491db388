#include "cli/auditrunner.h"

#include "core/site/pagelinks.h"

#include "core/audit/positions.h"
#include "net/pagefetcher.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace headwise::cli {
namespace {

constexpr int kProgressIntervalMs = 100;

void writeProgress(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

AuditRunner::AuditRunner(const audit::AuditConfig& config, int jobs, bool showProgress)
    : config_(config), showProgress_(showProgress) {
    pool_.setMaxThreadCount(jobs);
}

AuditRunner::~AuditRunner() {
    pool_.waitForDone();
}

void AuditRunner::add(const QString& name, PageLoader load, std::shared_ptr<const audit::SiteFolder> site) {
    const QString identity = hasScheme(name) ? name : QFileInfo(name).absoluteFilePath();
    if (added_.contains(identity))
        return;
    added_.insert(identity);
    Slot* slot;
    {
        QMutexLocker lock(&progressMutex_);
        slots_.emplace_back();
        slot = &slots_.back();
    }
    slot->name = name;
    slot->site = std::move(site);
    pool_.start([this, slot, load = std::move(load)] {
        run(*slot, load);
        pageDone();
    });
}

void AuditRunner::run(Slot& slot, const PageLoader& load) {
    LoadedInput loaded = load();
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
    slot.digest = audit::digestOf(audit, slot.name);
    if (slot.site)
        slot.sitePage = sitePage(*slot.site, slot.name, audit);
}

audit::SitePage AuditRunner::sitePage(const audit::SiteFolder& site, const QString& name,
                                      const audit::PageAudit& audit) {
    using audit::ReferenceKind;
    // Where each line starts, for the line and column of every reference.
    QList<qsizetype> lineStarts{0};
    const QString& text = audit.text;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
            lineStarts.append(i + 1);
    struct Found {
        audit::SiteFolder::Target target;
        audit::SiteReference reference;
    };
    QList<Found> found;
    const QUrl address = site.addressOf(name);
    const PageReferences references = pageReferences(text);
    const QUrl base = references.base ? address.resolved(QUrl(*references.base)) : address;
    const std::optional<audit::SiteFolder::Target> self = site.target(address);
    const QString baseKey = self && !references.base ? self->key : QString();
    const auto add = [&](const QString& href, ReferenceKind kind, bool nofollow, qsizetype offset,
                         qsizetype length) {
        const std::optional<audit::SiteFolder::Target> target = site.reference(base, baseKey, href.trimmed());
        if (!target)
            return;
        audit::SiteReference r;
        r.kind = kind;
        r.nofollow = nofollow;
        if (offset >= 0) {
            const auto line = std::upper_bound(lineStarts.cbegin(), lineStarts.cend(), offset) - 1;
            r.line = qint32(line - lineStarts.cbegin()) + 1;
            r.column = qint32(offset - *line) + 1;
            r.offset = qint32(offset);
            r.length = qint32(length);
        }
        found.append({*target, r});
    };
    for (const PageReference& r : references.references)
        add(r.target,
            r.kind == PageReference::Kind::Image  ? ReferenceKind::Image
            : r.kind == PageReference::Kind::Area ? ReferenceKind::Area
                                                  : ReferenceKind::Link,
            r.nofollow, r.offset, r.length);
    if (audit.canonicalLink)
        add(audit.canonicalLink->href, ReferenceKind::Canonical, false, audit.canonicalLink->offset,
            audit.canonicalLink->length);
    for (const audit::PageAudit::HeadLink& alternate : audit.alternateLinks)
        add(alternate.href, ReferenceKind::Alternate, false, alternate.offset, alternate.length);

    audit::SitePage page;
    page.name = name;
    page.indexable = audit.indexable;
    page.disabledRules = audit.disabledRules;
    page.references.reserve(found.size());
    QMutexLocker lock(&graphMutex_);
    audit::SiteGraph& graph = graphs_[&site];
    page.key = graph.intern(self ? self->key : address.toString(), true);
    for (Found& f : found) {
        f.reference.target = graph.intern(f.target.key, f.target.internal);
        if (f.reference.kind == ReferenceKind::Canonical)
            page.canonical = f.reference.target;
        page.references.append(f.reference);
    }
    return page;
}

void AuditRunner::addSiteFindings(QList<audit::PageReport>& pages, const QList<const Slot*>& audited) {
    // Each site's pages, in report order, in one pass over the run.
    struct Site {
        QList<audit::SitePage> pages;
        QList<qsizetype> reportOf;
    };
    QHash<const audit::SiteFolder*, Site> sites;
    for (qsizetype i = 0; i < audited.size(); ++i) {
        if (!audited[i]->site)
            continue;
        Site& site = sites[audited[i]->site.get()];
        site.pages.append(audited[i]->sitePage);
        site.reportOf.append(i);
    }
    for (auto site = sites.cbegin(); site != sites.cend(); ++site) {
        const QList<QList<audit::Finding>> found =
            audit::siteFindings(site->pages, graphs_[site.key()], *site.key(), config_);
        for (qsizetype i = 0; i < found.size(); ++i) {
            if (found[i].isEmpty())
                continue;
            QList<audit::Finding>& findings = pages[site->reportOf[i]].findings;
            findings.append(found[i]);
            audit::sortFindings(findings);
        }
    }
}

void AuditRunner::pageDone() {
    QMutexLocker lock(&progressMutex_);
    ++done_;
    // The first page shows the line at once; later ones at most every interval.
    if (!showProgress_ || (sinceProgress_.isValid() && sinceProgress_.elapsed() < kProgressIntervalMs))
        return;
    sinceProgress_.start();
    writeCount();
}

void AuditRunner::writeCount() const {
    writeProgress(QStringLiteral("\r%1 of %2 pages audited").arg(done_).arg(slots_.size()));
}

AuditRunner::Outcome AuditRunner::finish() {
    pool_.waitForDone();
    if (showProgress_) {
        // The last count is shown even when it came within the interval, so
        // the line never stops at a count the run went past.
        writeCount();
        writeProgress(QStringLiteral("\r\033[K")); // the report never shares a line with progress
    }

    Outcome outcome;
    QList<audit::PageDigest> digests;
    QList<const Slot*> audited;
    for (Slot& slot : slots_) {
        if (!slot.audited) {
            outcome.problems.append(slot.problem);
            continue;
        }
        outcome.pages.append(std::move(slot.report));
        digests.append(std::move(slot.digest));
        audited.append(&slot);
    }
    addSiteFindings(outcome.pages, audited);
    audited.clear();
    graphs_.clear();
    slots_.clear();

    const QList<QList<audit::Finding>> duplicates = audit::duplicateFindings(digests, config_);
    for (qsizetype i = 0; i < outcome.pages.size() && i < duplicates.size(); ++i) {
        if (duplicates[i].isEmpty())
            continue;
        QList<audit::Finding>& findings = outcome.pages[i].findings;
        findings.append(duplicates[i]);
        audit::sortFindings(findings);
    }
    return outcome;
}

} // namespace headwise::cli
