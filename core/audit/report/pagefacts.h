#pragma once

#include "core/audit/engine/pageaudit.h"
#include "core/audit/report/report.h"

namespace headwise::audit {

// What a table of pages shows of an audited page (status 0 for a file).
PageFacts pageFactsOf(const PageAudit& audit, int httpStatus);

} // namespace headwise::audit
