#pragma once

#include "core/audit/fix/fixes.h"

#include <optional>

namespace headwise::audit {

// The offered fixes made in the page's bytes and checked by auditing the
// result: a fix whose rule the audit still finds as often as before, or one
// that made another rule find more, is taken back.
struct Repair {
    QList<PageFix> made;                // in the page now
    QList<PageFix> undone;              // tried and taken back
    QList<PageFix> needing;             // offered, but a base address or a language is missing
    std::optional<SplicedPage> spliced; // the new bytes, when something was made
    PageAudit audit;                    // of the page as it stands after
};

// audit is auditPage(page, config). With onlyFinding, just the fixes offered
// for that finding of the audit.
Repair repairPage(const PageInput& page, const PageAudit& audit, const AuditConfig& config,
                  const FixOptions& options, qsizetype onlyFinding = -1);

} // namespace headwise::audit
