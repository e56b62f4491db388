#pragma once

#include "core/audit/engine/rule.h"

#include <QList>
#include <optional>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kHttpStatus[] = "http-status";
inline constexpr char kMetaObsolete[] = "meta-obsolete";
inline constexpr char kMetaRefresh[] = "meta-refresh";
inline constexpr char kHeadClosedEarly[] = "head-closed-early";
} // namespace ruleid

QList<Rule> pageLevelRules();
// Where a meta refresh in the head sends the page at once, as written: a
// redirect, as search engines take it.
struct RuleContext;
std::optional<QString> instantRefresh(const RuleContext& c);

} // namespace headwise::audit
