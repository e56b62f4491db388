#include "core/audit/rules/siterules.h"

#include "core/audit/engine/chunkedwork.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <limits>
#include <vector>

namespace headwise::audit {
namespace {

// Longer chains are cut here and counted as loops: no crawler follows them.
constexpr int kMaxHops = 20;

// The pages of one piece of the work the threads share.
constexpr qsizetype kPagesPerPiece = 64;

// Findings of one rule, with its configured severity, on the pages that do not disable it.
class RuleOutput {
public:
    RuleOutput(const char* id, const AuditConfig& config, QList<Finding>* out)
        : rule_(findRule(id)), severity_(config.severityOf(*rule_)), out_(out) {}

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

void prefetchLine(const void* at) {
#if defined(__GNUC__)
    __builtin_prefetch(at);
#else
    Q_UNUSED(at);
#endif
}

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
    // Asked for ahead of its reference: on a large site each target is a cache miss.
    void prefetch(qint32 id) const { prefetchLine(&addresses_[size_t(id)]); }
    bool internal(qint32 id) const { return addresses_[size_t(id)].internal; }
    QString shown(qint32 id) const { return scope_.shown(graph_.key(id), graph_.internal(id)); }

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
    bool unindexable(qint32 id) const { return pageOf(id) >= 0 && !pages_[pageOf(id)].indexable; }
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

// What a piece of the pages found beyond their findings, joined in page order after.
struct Piece {
    qsizetype brokenLinks = 0;
    QList<qint32> redirected; // addresses whose chains the piece met first, in order
    QStringList orphans;
};

} // namespace

SiteResult siteFindings(const QList<SitePage>& pages, const SiteGraph& graph, const SiteScope& scope,
                        bool whole, const AuditConfig& config, int jobs) {
    SiteResult result;
    result.findings.resize(pages.size());
    QList<Finding>* const out = result.findings.data();
    const RuleOutput broken("link-broken", config, out), redirect("link-redirect", config, out),
        chainRule("redirect-chain", config, out), loop("redirect-loop", config, out),
        nofollow("nofollow-internal", config, out), canonicalTarget("canonical-target", config, out),
        hreflangTarget("hreflang-target", config, out), noReturn("hreflang-no-return", config, out),
        sitemapError("sitemap-error", config, out), sitemapNoindex("sitemap-noindex", config, out),
        sitemapBlocked("sitemap-blocked", config, out),
        sitemapNonCanonical("sitemap-non-canonical", config, out), orphan("orphan", config, out);
    const SiteFacts facts(pages, graph, scope);

    const qsizetype pieceCount = (pages.size() + kPagesPerPiece - 1) / kPagesPerPiece;
    std::vector<Piece> pieces(static_cast<size_t>(pieceCount));
    const auto pagesOf = [&](qsizetype piece) {
        return std::pair(piece * kPagesPerPiece, std::min(pages.size(), (piece + 1) * kPagesPerPiece));
    };
    // Whether another page links to each page. Set once, not counted: a page
    // every page links to would have its count's cache line pass between the
    // threads at each link.
    std::vector<std::atomic<bool>> linked(size_t(pages.size()));
    std::vector<QSet<qint32>> alternates(size_t(pages.size())); // each written by its page's thread

    runChunks(pieceCount, jobs, [&](qsizetype pieceIndex) {
        Piece& piece = pieces[size_t(pieceIndex)];
        QSet<qint32> listed;
        // Where a reference's redirects lead, said once per message.
        const auto endOf = [&](qint32 id, const Route& c, QString& through) -> qint32 {
            if (c.hops > 0) {
                if (!listed.contains(id)) {
                    listed.insert(id);
                    piece.redirected.append(id);
                }
                through = c.loop ? QStringLiteral(", which ends in a redirect loop (%1)").arg(facts.hops(c))
                                 : QStringLiteral(", which redirects to %1").arg(facts.shown(c.end));
            }
            return c.loop ? -1 : c.end;
        };
        const auto [first, last] = pagesOf(pieceIndex);
        for (qsizetype i = first; i < last; ++i) {
            const SitePage& p = pages[i];
            for (qsizetype k = 0; k < qsizetype(p.references.size()); ++k) {
                const SiteReference& r = p.references[size_t(k)];
                constexpr qsizetype kAhead = 8;
                if (k + kAhead < qsizetype(p.references.size()))
                    facts.prefetch(p.references[size_t(k + kAhead)].target);
                // Made only for a message: most references give none.
                const auto target = [&] { return facts.shown(r.target); };
                QString through;
                const Route c = facts.route(r.target);
                const qint32 end = endOf(r.target, c, through);
                const std::optional<QString> failed = end >= 0 ? facts.failure(end) : std::nullopt;
                switch (r.kind) {
                case ReferenceKind::Link:
                case ReferenceKind::Area:
                case ReferenceKind::Image: {
                    const bool image = r.kind == ReferenceKind::Image;
                    const QString what =
                        image ? QStringLiteral("The image") : QStringLiteral("The linked page");
                    if (c.loop) {
                        loop.add(i, p, &r,
                                 QStringLiteral("%1 %2 ends in a redirect loop: %3")
                                     .arg(what, target(), facts.hops(c)));
                    } else if (failed) {
                        ++piece.brokenLinks;
                        broken.add(i, p, &r,
                                   c.hops > 0 ? QStringLiteral("%1 %2 redirects to %3, which %4")
                                                    .arg(what, target(), facts.shown(end), *failed)
                                              : QStringLiteral("%1 %2 %3").arg(what, target(), *failed));
                    }
                    if (facts.internal(r.target) && c.hops > 1 && !c.loop)
                        chainRule.add(i, p, &r,
                                      QStringLiteral("The link to %1 goes through %2 redirects: %3")
                                          .arg(target())
                                          .arg(c.hops)
                                          .arg(facts.hops(c)));
                    else if (facts.internal(r.target) && c.hops == 1 && !image)
                        redirect.add(
                            i, p, &r,
                            QStringLiteral("The link to %1 redirects to %2: link to the final address")
                                .arg(target(), facts.shown(end)));
                    if (image || !facts.internal(r.target))
                        break;
                    if (r.nofollow)
                        nofollow.add(i, p, &r,
                                     QStringLiteral("The link to %1 carries rel=nofollow: search engines do "
                                                    "not follow it to a page of the same site")
                                         .arg(target()));
                    if (end >= 0 && end != p.key && facts.pageOf(end) >= 0) {
                        std::atomic<bool>& to = linked[size_t(facts.pageOf(end))];
                        if (!to.load(std::memory_order_relaxed))
                            to.store(true, std::memory_order_relaxed);
                    }
                    break;
                }
                case ReferenceKind::Canonical:
                case ReferenceKind::Alternate: {
                    const bool canonical = r.kind == ReferenceKind::Canonical;
                    if (!canonical)
                        alternates[size_t(i)].insert(r.target);
                    if (r.target == p.key || !facts.internal(r.target))
                        break;
                    const RuleOutput& rule = canonical ? canonicalTarget : hreflangTarget;
                    const QString named = canonical ? QStringLiteral("The canonical names %1").arg(target())
                                                    : QStringLiteral("The alternate %1").arg(target());
                    const QString which = canonical ? QStringLiteral(", which ") : QStringLiteral(" ");
                    if (c.hops > 0)
                        rule.add(i, p, &r, named + through);
                    else if (failed)
                        rule.add(i, p, &r, named + which + *failed);
                    else if (facts.unindexable(r.target))
                        rule.add(i, p, &r, named + which + QStringLiteral("is not to be indexed"));
                    else if (const std::optional<qint32> other = facts.otherCanonical(r.target))
                        rule.add(i, p, &r,
                                 canonical ? named + QStringLiteral(", whose own canonical names ") +
                                                 facts.shown(*other)
                                           : named + QStringLiteral(" is not its own canonical: it names ") +
                                                 facts.shown(*other));
                    break;
                }
                case ReferenceKind::Sitemap: {
                    const auto listedBy = [&] {
                        return QStringLiteral("The sitemap lists %1").arg(target());
                    };
                    if (!facts.internal(r.target))
                        break;
                    if (c.hops > 0)
                        sitemapError.add(i, p, &r, listedBy() + through);
                    else if (failed)
                        sitemapError.add(i, p, &r, listedBy() + QStringLiteral(", which ") + *failed);
                    else if (facts.unindexable(r.target))
                        sitemapNoindex.add(i, p, &r,
                                           listedBy() + QStringLiteral(", which is not to be indexed"));
                    else if (const std::optional<qint32> other = facts.otherCanonical(r.target))
                        sitemapNonCanonical.add(i, p, &r,
                                                listedBy() + QStringLiteral(", whose canonical names ") +
                                                    facts.shown(*other));
                    if (scope.blocked(graph.key(r.target)))
                        sitemapBlocked.add(
                            i, p, &r,
                            listedBy() + QStringLiteral(", which robots.txt does not let Googlebot crawl"));
                    break;
                }
                }
            }
        }
    });

    // Whether alternates link back and which pages no link reaches: every
    // page's links and alternates are known by now.
    runChunks(pieceCount, jobs, [&](qsizetype pieceIndex) {
        Piece& piece = pieces[size_t(pieceIndex)];
        const auto [first, last] = pagesOf(pieceIndex);
        for (qsizetype i = first; i < last; ++i) {
            const SitePage& p = pages[i];
            for (const SiteReference& r : p.references) {
                const qint32 other =
                    r.kind == ReferenceKind::Alternate && r.target != p.key ? facts.pageOf(r.target) : -1;
                if (other >= 0 && !alternates[size_t(other)].contains(p.key))
                    noReturn.add(i, p, &r,
                                 QStringLiteral("%1 lists no alternate back to this page: search engines "
                                                "ignore alternates that are not confirmed both ways")
                                     .arg(facts.shown(r.target)));
            }
            // A page that redirects is not one to link to.
            if (whole && !p.sitemap && p.status < 400 && !linked[size_t(i)].load() &&
                graph.redirect(p.key) < 0 && !scope.isHome(graph.key(p.key))) {
                orphan.add(i, p, nullptr, QStringLiteral("No other page of the site links to this page"));
                piece.orphans.append(p.name);
            }
        }
    });

    QSet<qint32> chainsListed;
    for (const Piece& piece : pieces) {
        result.brokenLinks += piece.brokenLinks;
        result.orphans += piece.orphans;
        for (const qint32 id : piece.redirected) {
            if (chainsListed.contains(id))
                continue;
            chainsListed.insert(id);
            const Route c = facts.route(id);
            QStringList hops;
            for (const qint32 hop : *c.path)
                hops.append(facts.shown(hop));
            result.redirects.append({hops, c.loop});
        }
    }
    for (const SitePage& p : pages)
        result.references += p.references.size();
    return result;
}

} // namespace headwise::audit
