#pragma once

#include "core/audit/pageaudit.h"
#include "core/audit/report.h"

namespace headwise::audit {

// What a table of pages shows of an audited page (status 0 for a file).
PageFacts pageFactsOf(const PageAudit& audit, int httpStatus);

} // namespace headwise::audit
