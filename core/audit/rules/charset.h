#pragma once

#include "core/audit/engine/rule.h"
#include "core/audit/model/pagemodel.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kCharsetMissing[] = "charset-missing";
inline constexpr char kCharsetLate[] = "charset-late";
inline constexpr char kCharsetMultiple[] = "charset-multiple";
inline constexpr char kCharsetMismatch[] = "charset-mismatch";
inline constexpr char kCharsetWrong[] = "charset-wrong";
} // namespace ruleid

QList<Rule> charsetRules();
// The charset a meta element declares, or empty.
QString declaredBy(const MarkupElement& e);

} // namespace headwise::audit
