#include "core/audit/fix/repair.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace headwise::audit {

namespace {

QHash<QString, int> countByRule(const QList<Finding>& findings) {
    QHash<QString, int> counts;
    for (const Finding& f : findings)
        ++counts[f.rule];
    return counts;
}

// Once a relative address is made absolute, the rules that compare what the
// page's addresses name read it for the first time: what they find then was
// there all along, and is no fault of the fix.
bool readsAddresses(const QString& rule) {
    return registeredRule(rule).comparesAddresses;
}

bool makesAbsolute(const PageFix& fix) {
    return fix.rule.endsWith(QLatin1String("-relative"));
}

} // namespace

Repair repairPage(const PageInput& page, const PageAudit& audit, const AuditConfig& config,
                  const FixOptions& options, qsizetype onlyFinding) {
    Repair out;
    out.audit = audit;
    QList<PageFix> fixes;
    for (PageFix& fix : offeredFixes(audit, options)) {
        if (onlyFinding >= 0 && !fix.findings.contains(onlyFinding))
            continue;
        (fix.need == PageFix::Need::Nothing ? fixes : out.needing).append(std::move(fix));
    }
    fixes = withoutClashes(fixes);
    if (fixes.isEmpty())
        return out;
    const QByteArray declared = page.httpCharset.toLatin1();
    const DecodedPage decoded = decodePage(page.bytes, declared);
    const QHash<QString, int> before = countByRule(audit.findings);
    struct Trial {
        std::optional<SplicedPage> spliced; // none: the edits could not be made exactly
        PageAudit audit;
        QSet<QString> worse; // rules found more often than the fixes leave
    };
    const auto attempt = [&](const QList<PageFix>& tried) {
        Trial trial;
        trial.spliced = splicePageBytes(decoded, combinedEdits(tried), declared);
        if (!trial.spliced)
            return trial;
        PageInput fixedPage = page;
        fixedPage.bytes = trial.spliced->bytes;
        trial.audit = auditPage(fixedPage, config);
        QHash<QString, int> expected = before;
        for (const PageFix& fix : tried)
            expected[fix.rule] -= fix.resolves;
        const bool addressesRead = std::any_of(tried.cbegin(), tried.cend(), makesAbsolute);
        const QHash<QString, int> now = countByRule(trial.audit.findings);
        for (auto it = now.cbegin(); it != now.cend(); ++it)
            if (it.value() > expected.value(it.key()) && !(addressesRead && readsAddresses(it.key())))
                trial.worse.insert(it.key());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            if (it.value() < 0) // a fix that counted on taking more than there were
                trial.worse.insert(it.key());
        return trial;
    };
    const auto ofRules = [](const QList<PageFix>& from, const QSet<QString>& rules, bool in) {
        QList<PageFix> out;
        for (const PageFix& fix : from)
            if (rules.contains(fix.rule) == in)
                out.append(fix);
        return out;
    };
    // Each round takes back at least one rule's fixes, so there are at most
    // as many rounds as fixable rules.
    while (!fixes.isEmpty()) {
        Trial trial = attempt(fixes);
        if (trial.spliced && trial.worse.isEmpty()) {
            out.made = std::move(fixes);
            out.spliced = std::move(trial.spliced);
            out.audit = std::move(trial.audit);
            break;
        }
        // A fixed rule still found is its fixes' fault. When only other rules
        // got worse (or the edits could not be made), each rule's fixes are
        // tried alone to find those at fault; failing that, all go back.
        QSet<QString> back;
        for (const PageFix& fix : fixes)
            if (trial.worse.contains(fix.rule))
                back.insert(fix.rule);
        if (back.isEmpty()) {
            QSet<QString> rules;
            for (const PageFix& fix : fixes)
                rules.insert(fix.rule);
            for (const QString& rule : rules) {
                const Trial alone = attempt(ofRules(fixes, {rule}, true));
                if (!alone.spliced || !alone.worse.isEmpty())
                    back.insert(rule);
            }
            if (back.isEmpty())
                back = rules;
        }
        out.undone += ofRules(fixes, back, true);
        fixes = ofRules(fixes, back, false);
    }
    return out;
}

} // namespace headwise::audit
