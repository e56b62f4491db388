#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kOgMissing[] = "og-missing";
inline constexpr char kOgRelative[] = "og-relative";
inline constexpr char kTwitterCardInvalid[] = "twitter-card-invalid";
} // namespace ruleid

QList<Rule> socialRules();

} // namespace headwise::audit
