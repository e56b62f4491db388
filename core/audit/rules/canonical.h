#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kCanonicalMultiple[] = "canonical-multiple";
inline constexpr char kCanonicalInvalid[] = "canonical-invalid";
inline constexpr char kCanonicalRelative[] = "canonical-relative";
inline constexpr char kCanonicalRoot[] = "canonical-root";
inline constexpr char kCanonicalHreflang[] = "canonical-hreflang";
inline constexpr char kCanonicalOutsideHead[] = "canonical-outside-head";
inline constexpr char kCanonicalConflict[] = "canonical-conflict";
} // namespace ruleid

QList<Rule> canonicalRules();
// Whether the page's canonical names another page than itself.
bool namesOtherCanonical(const RuleContext& c);

} // namespace headwise::audit
