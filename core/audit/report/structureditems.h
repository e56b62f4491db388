#pragma once

#include "core/audit/model/structureddata.h"
#include "core/audit/report/report.h"
#include "core/audit/rules/richresults.h"
#include "core/page/lineindex.h"

namespace headwise::audit {

// The page's top-level schema.org items as the reports list them.
QList<StructuredItemFacts> structuredItems(const StructuredData& data, const QList<ItemVerdict>& verdicts,
                                           const LineIndex& lines);

} // namespace headwise::audit
