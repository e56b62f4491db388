#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kHreflangInvalid[] = "hreflang-invalid";
inline constexpr char kHreflangRelative[] = "hreflang-relative";
inline constexpr char kHreflangNoSelf[] = "hreflang-no-self";
inline constexpr char kHreflangDuplicate[] = "hreflang-duplicate";
} // namespace ruleid

QList<Rule> hreflangRules();

} // namespace headwise::audit
