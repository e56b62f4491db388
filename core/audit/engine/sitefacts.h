#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/finding.h"
#include "core/audit/model/sitegraph.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <limits>
#include <optional>
#include <vector>

// What the rules across a site's pages read: what is known of each address
// (its status, where its redirects lead), found once and shared by the
// threads, and what each reference and page is seen as.
namespace headwise::audit {

// Longer chains are cut here and counted as loops: no crawler follows them.
constexpr int kMaxHops = 20;

// Findings of one rule, with its configured severity, on the pages that do not disable it.
class SiteRuleOutput {
public:
    SiteRuleOutput(const Rule& rule, const AuditConfig& config, QList<Finding>* out)
        : rule_(&rule), severity_(config.severityOf(rule)), out_(out) {}
    const Rule& rule() const { return *rule_; }

    void add(qsizetype page, const SitePage& p, const SiteReference* at, const QString& message) const {
        if (!severity_ || p.disabledRules.contains(rule_->id))
            return;
        Finding f;
        f.rule = rule_->id;
        f.severity = *severity_;
        f.message = message;
        if (at && at->offset >= 0) {
            f.line = at->line;
            f.column = at->column;
            f.offset = at->offset;
            f.length = at->length;
        } else if (at && at->line > 0) { // a sitemap entry: its line, no text of a page
            f.line = at->line;
            f.column = at->column;
        }
        out_[page].append(std::move(f));
    }

private:
    const Rule* rule_;
    std::optional<Severity> severity_;
    QList<Finding>* out_; // one list per page, each written by the thread that has the page
};

// Where an address's redirects lead.
struct Route {
    qint32 end = -1;
    int hops = 0;
    bool loop = false;
    const QList<qint32>* path = nullptr; // every address from the first to the end; none without hops
};

// What the rules know of the addresses of one site, which the threads share.
class SiteFacts {
public:
    SiteFacts(const QList<SitePage>& pages, const SiteGraph& graph, const SiteScope& scope)
        : pages_(pages), graph_(graph), scope_(scope), addresses_(static_cast<size_t>(graph.size())) {
        for (qint32 id = 0; id < graph.size(); ++id) {
            Address& a = addresses_[size_t(id)];
            a.status.store(kUnasked, std::memory_order_relaxed);
            a.internal = graph.internal(id);
            a.redirects = graph.redirect(id) >= 0;
            if (a.redirects) // most addresses redirect nowhere: no chain to keep
                chains_.insert(id, follow(id));
        }
        for (qsizetype i = 0; i < pages.size(); ++i)
            if (!pages[i].sitemap)
                addresses_[size_t(pages[i].key)].page = qint32(i);
    }

    qint32 pageOf(qint32 id) const { return addresses_[size_t(id)].page; }
    const SitePage& page(qint32 index) const { return pages_[index]; }
    // Asked for ahead of its reference: on a large site each target is a cache miss.
    void prefetch(qint32 id) const {
#if defined(__GNUC__)
        __builtin_prefetch(&addresses_[size_t(id)]);
#else
        Q_UNUSED(id);
#endif
    }
    bool internal(qint32 id) const {
        return addresses_[size_t(id)].internal;
    }
    const SiteGraph& graph() const {
        return graph_;
    }
    const SiteScope& scope() const {
        return scope_;
    }
    QString shown(qint32 id) const {
        return scope_.shown(graph_.key(id), graph_.internal(id));
    }

    Route route(qint32 id) const {
        if (!addresses_[size_t(id)].redirects)
            return {id};
        const auto found = chains_.constFind(id);
        if (found == chains_.constEnd())
            return {id};
        return {found->end, found->hops, found->loop, &found->path};
    }

    // 0 when not known. The scope is asked when a thread first needs it (two
    // threads at once may both ask, and are told alike): a folder's listing
    // is read while the other thread goes on.
    int status(qint32 id) const {
        const Address& a = addresses_[size_t(id)];
        int s = a.status.load(std::memory_order_relaxed);
        if (s == kUnasked) {
            s = a.page >= 0              ? pages_[a.page].status
                : graph_.status(id) != 0 ? graph_.status(id)
                : a.internal             ? scope_.statusOf(graph_.key(id))
                                         : 0;
            a.status.store(qint16(s), std::memory_order_relaxed);
        }
        return s;
    }

    // Why an address that a reference ends at is no page to point to, when it is not.
    std::optional<QString> failure(qint32 id) const {
        const int s = status(id);
        if (s == 404 && scope_.onDisk() && graph_.internal(id))
            return QStringLiteral("does not exist in the folder");
        if (s >= 400)
            return QStringLiteral("answers %1").arg(s);
        return std::nullopt;
    }
    bool unindexable(qint32 id) const {
        return pageOf(id) >= 0 && !pages_[pageOf(id)].indexable;
    }
    // A page whose canonical names another page is not its own canonical.
    std::optional<qint32> otherCanonical(qint32 id) const {
        const qint32 page = pageOf(id);
        if (page >= 0 && pages_[page].canonical >= 0 && pages_[page].canonical != id)
            return pages_[page].canonical;
        return std::nullopt;
    }
    // A long chain is shown by its ends; the JSON report lists every hop.
    QString hops(const Route& route) const {
        constexpr qsizetype kEnds = 2;
        const QList<qint32>& path = *route.path;
        QStringList shownHops;
        for (qsizetype i = 0; i < path.size(); ++i) {
            if (path.size() > 2 * kEnds + 1 && i == kEnds) {
                shownHops.append(QStringLiteral("(%1 more)").arg(path.size() - 2 * kEnds));
                i = path.size() - kEnds;
            }
            shownHops.append(shown(path[i]));
        }
        return shownHops.join(QStringLiteral(" -> "));
    }

private:
    struct Chain {
        qint32 end = -1;
        int hops = 0;
        bool loop = false;
        QList<qint32> path;
    };
    Chain follow(qint32 id) const {
        Chain c;
        c.path.append(id);
        for (qint32 at = id; graph_.redirect(at) >= 0;) {
            at = graph_.redirect(at);
            ++c.hops;
            if (c.path.contains(at) || c.hops > kMaxHops) {
                c.loop = true;
                c.path.append(at);
                break;
            }
            c.path.append(at);
        }
        c.end = c.path.last();
        c.loop = c.loop || (c.hops > 0 && graph_.status(c.end) == SiteGraph::kEndless);
        return c;
    }

    // What a reference needs of its target, side by side: a site's rules
    // look at millions of references, and each array more a cache miss.
    // Statuses are three digits, or the graph's few below zero.
    struct Address {
        qint32 page = -1; // the page with this key; -1 when none
        mutable std::atomic<qint16> status;
        bool internal = false;
        bool redirects = false;
    };
    static constexpr qint16 kUnasked = std::numeric_limits<qint16>::min();

    const QList<SitePage>& pages_;
    const SiteGraph& graph_;
    const SiteScope& scope_;
    std::vector<Address> addresses_;
    QHash<qint32, Chain> chains_;
};

// One reference as every site rule sees it: where its redirects end, and why
// that is no page to point to, found once for all the rules.
struct SiteReferenceFacts {
    const SiteFacts& site;
    qsizetype page; // its index among the site's pages
    const SitePage& p;
    const SiteReference& r;
    Route route;
    qint32 end;                    // -1 in a loop
    std::optional<QString> failed; // why the end is no page, when it is not
    QString through;               // ", which redirects to ...", when it redirects

    bool internal() const { return site.internal(r.target); }
    // Made only for a message: most references give none. A link that climbs
    // out of the folder is named as written, then where it lands.
    QString target() const {
        const QString written = p.climbingHref(r);
        return written.isNull() ? site.shown(r.target)
                                : written + QStringLiteral(" (read as ") + site.shown(r.target) + u')';
    }
};

// One page once every page's references are known.
struct SitePageFacts {
    const SiteFacts& site;
    qsizetype page;
    const SitePage& p;
    bool whole;                                  // every page of the site was read
    bool linked;                                 // another page links to it
    const std::vector<QSet<qint32>>& alternates; // each page's alternates
};

// The site as a whole, once every page was seen.
struct SiteWholeFacts {
    const SiteFacts& site;
    const QList<SitePage>& pages; // with the sitemaps among them
};

} // namespace headwise::audit
