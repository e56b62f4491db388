#include "core/audit/engine/siterun.h"

#include "core/audit/engine/chunkedwork.h"
#include "core/audit/engine/sitefacts.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <limits>
#include <vector>

namespace headwise::audit {
namespace {

// The pages of one piece of the work the threads share.
constexpr qsizetype kPagesPerPiece = 64;

// A finding of a rule that judges targets, for grouping by the target.
struct TargetHit {
    qint32 output; // the rule's place among the outputs
    qint32 target;
    qsizetype page, finding; // where the finding stands
};

// What a piece of the pages found beyond their findings, joined in page order after.
struct Piece {
    qsizetype brokenLinks = 0;
    QList<qint32> redirected; // addresses whose chains the piece met first, in order
    QStringList orphans;
    QList<TargetHit> hits;
};

// The hits grouped by rule and target, in rule order, the most named first.
QList<BrokenTarget> groupTargets(const std::vector<Piece>& pieces, const std::vector<SiteRuleOutput>& outputs,
                                 const SiteFacts& facts, const QList<SitePage>& pages,
                                 const QList<QList<Finding>>& findings) {
    struct Group {
        BrokenTarget target;
        qint32 output;
        qsizetype lastPage = -1;
        bool ownWords = false;  // the problem is the first finding's: a fragment the page lacks
        QSet<QString> problems; // then the findings' differing words, counted
    };
    QList<Group> groups;
    QHash<std::pair<qint32, qint32>, qsizetype> byTarget;
    for (const Piece& piece : pieces) {
        for (const TargetHit& hit : piece.hits) {
            const std::pair<qint32, qint32> key(hit.output, hit.target);
            auto at = byTarget.constFind(key);
            if (at == byTarget.constEnd()) {
                at = byTarget.insert(key, groups.size());
                const Route route = facts.route(hit.target);
                const std::optional<QString> failed =
                    route.hops == 0 ? facts.failure(hit.target) : std::nullopt;
                groups.append(
                    {.target = {.rule = outputs[size_t(hit.output)].rule().id,
                                .target = facts.shown(hit.target),
                                .problem = failed ? *failed : findings[hit.page][hit.finding].message},
                     .output = hit.output,
                     .ownWords = !failed});
            }
            Group& group = groups[*at];
            if (group.ownWords)
                group.problems.insert(findings[hit.page][hit.finding].message);
            ++group.target.references;
            group.target.findings.append({pages[hit.page].name, findings[hit.page][hit.finding]});
            if (group.lastPage != hit.page) { // the hits come in page order
                group.lastPage = hit.page;
                ++group.target.pages;
            }
        }
    }
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        if (a.output != b.output)
            return a.output < b.output;
        if (a.target.references != b.target.references)
            return a.target.references > b.target.references;
        return a.target.pages > b.target.pages;
    });
    QList<BrokenTarget> out;
    out.reserve(groups.size());
    for (Group& group : groups) {
        if (group.problems.size() > 1) // the row names one; say that the others differ
            group.target.problem += QStringLiteral("; and %1 more like it").arg(group.problems.size() - 1);
        out.append(std::move(group.target));
    }
    return out;
}

} // namespace

SiteResult siteFindings(const QList<SitePage>& pages, const SiteGraph& graph, const SiteScope& scope,
                        bool whole, const AuditConfig& config, int jobs) {
    SiteResult result;
    result.findings.resize(pages.size());
    QList<Finding>* const out = result.findings.data();
    // The rules that are on, each with its output.
    std::vector<SiteRuleOutput> outputs;
    struct ReferenceCheck {
        SiteReferenceCheck check;
        const SiteRuleOutput* output;
        qint32 judgesTarget; // the output's place when its rule judges targets, else -1
    };
    QList<ReferenceCheck> referenceChecks;
    QList<std::pair<SitePageCheck, const SiteRuleOutput*>> pageChecks;
    for (const Rule& rule : ruleTable())
        if (rule.scope == RuleScope::Site && config.severityOf(rule))
            outputs.emplace_back(rule, config, out);
    for (const SiteRuleOutput& output : outputs) {
        if (output.rule().siteReference)
            referenceChecks.append({output.rule().siteReference, &output,
                                    output.rule().judgesTarget ? qint32(&output - outputs.data()) : -1});
        if (output.rule().sitePage)
            pageChecks.append({output.rule().sitePage, &output});
    }
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
                QString through;
                const Route c = facts.route(r.target);
                const qint32 end = endOf(r.target, c, through);
                const SiteReferenceFacts seen{.site = facts,
                                              .page = i,
                                              .p = p,
                                              .r = r,
                                              .route = c,
                                              .end = end,
                                              .failed = end >= 0 ? facts.failure(end) : std::nullopt,
                                              .through = std::move(through)};
                for (const ReferenceCheck& check : referenceChecks) {
                    const qsizetype before = out[i].size();
                    check.check(seen, *check.output);
                    if (check.judgesTarget >= 0 && out[i].size() > before)
                        piece.hits.append({check.judgesTarget, r.target, i, before});
                }
                if (r.kind == ReferenceKind::Alternate)
                    alternates[size_t(i)].insert(r.target);
                if (!loadedOrFollowed(r.kind))
                    continue;
                if (!c.loop && seen.failed)
                    ++piece.brokenLinks;
                if ((r.kind == ReferenceKind::Link || r.kind == ReferenceKind::Area) && seen.internal() &&
                    end >= 0 && end != p.key && facts.pageOf(end) >= 0) {
                    std::atomic<bool>& to = linked[size_t(facts.pageOf(end))];
                    if (!to.load(std::memory_order_relaxed))
                        to.store(true, std::memory_order_relaxed);
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
            const SitePageFacts seen{.site = facts,
                                     .page = i,
                                     .p = p,
                                     .whole = whole,
                                     .linked = linked[size_t(i)].load(),
                                     .alternates = alternates};
            for (const auto& [check, output] : pageChecks)
                check(seen, *output);
            if (whole && !p.sitemap && p.status < 400 && !seen.linked && graph.redirect(p.key) < 0 &&
                !scope.isHome(graph.key(p.key)))
                piece.orphans.append(p.name);
        }
    });

    const SiteWholeFacts asWhole{.site = facts, .pages = pages};
    for (const SiteRuleOutput& output : outputs)
        if (output.rule().siteWhole)
            output.rule().siteWhole(asWhole, output);

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
    result.brokenTargets = groupTargets(pieces, outputs, facts, pages, result.findings);
    return result;
}

} // namespace headwise::audit
