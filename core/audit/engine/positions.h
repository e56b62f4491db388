#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/finding.h"
#include "core/audit/engine/rulecontext.h"

#include <QList>
#include <QString>

namespace headwise::audit {

// Raw findings as reported: configured severity, line and column, source text,
// sorted by offset then rule table order, each distinct finding once.
// Findings of rules that are off are dropped.
QList<Finding> placeFindings(const QString& text, const LineIndex& lines, const RawFindings& raw,
                             const AuditConfig& config);

// Orders findings by offset, then rule table order.
void sortFindings(QList<Finding>& findings);

} // namespace headwise::audit
