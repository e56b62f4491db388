#include "core/audit/fix/fixes.h"

#include "core/audit/engine/rule.h"
#include "core/audit/fix/fixcontext.h"

#include <QHash>
#include <algorithm>
#include <map>

namespace headwise::audit {

const QList<const Rule*>& fixableRules() {
    static const QList<const Rule*> rules = [] {
        QList<const Rule*> out;
        for (const Rule& rule : ruleTable())
            if (rule.fixable())
                out << &rule;
        std::stable_sort(out.begin(), out.end(),
                         [](const Rule* a, const Rule* b) { return a->fixStage < b->fixStage; });
        return out;
    }();
    return rules;
}

bool isFixable(QAnyStringView rule) {
    const Rule* found = findRule(rule);
    return found && found->fixable();
}

QList<PageFix> offeredFixes(const PageAudit& audit, const FixOptions& options) {
    const FixContext page{audit, options};
    QHash<QString, QList<qsizetype>> byRule;
    for (qsizetype i = 0; i < audit.findings.size(); ++i)
        byRule[audit.findings[i].rule].append(i);
    QList<PageFix> out;
    for (const Rule* fixable : fixableRules()) {
        const QString& rule = fixable->id;
        if (!options.rules.isEmpty() && !options.rules.contains(rule))
            continue;
        for (const qsizetype i : byRule.value(rule)) {
            std::optional<PageFix> fix = fixable->fix(page, i);
            if (!fix)
                continue;
            fix->rule = rule;
            // Findings on one element for one reason each (a viewport's two
            // blocking properties) share the element's one fix.
            if (!out.isEmpty() && out.back().rule == rule && out.back().edits == fix->edits &&
                out.back().need == fix->need && !fix->edits.isEmpty()) {
                out.back().findings.append(i);
                continue;
            }
            fix->findings = {i};
            out.append(std::move(*fix));
        }
    }
    return out;
}

QList<PageFix> withoutClashes(const QList<PageFix>& fixes) {
    std::multimap<qsizetype, qsizetype> taken; // start -> end of every edit let in; none overlap
    const auto clashes = [&](const TextEdit& e) {
        const qsizetype end = e.offset + e.length;
        // Back from the last edit that starts before the end, to the first that
        // ends before the start: those before it end before it.
        for (auto it = taken.lower_bound(e.length == 0 ? end + 1 : end); it != taken.begin();) {
            const auto [start, stop] = *--it;
            if (stop <= e.offset && start < e.offset)
                break;
            const bool overlaps = e.length == 0   ? start < e.offset && e.offset < stop
                                  : start == stop ? e.offset < start && start < end
                                                  : start < end && e.offset < stop;
            if (overlaps)
                return true;
        }
        return false;
    };
    QList<PageFix> out;
    for (const PageFix& fix : fixes) {
        if (std::any_of(fix.edits.cbegin(), fix.edits.cend(), clashes))
            continue;
        for (const TextEdit& e : fix.edits)
            taken.emplace(e.offset, e.offset + e.length);
        out.append(fix);
    }
    return out;
}

QList<TextEdit> combinedEdits(const QList<PageFix>& fixes) {
    QList<TextEdit> edits;
    for (const PageFix& fix : fixes)
        edits.append(fix.edits);
    std::stable_sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) {
        return a.offset != b.offset ? a.offset < b.offset : (a.length == 0 && b.length > 0);
    });
    return edits;
}

} // namespace headwise::audit
