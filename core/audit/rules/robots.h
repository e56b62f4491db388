#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kRobotsNoindex[] = "robots-noindex";
inline constexpr char kRobotsNofollow[] = "robots-nofollow";
inline constexpr char kRobotsUnavailable[] = "robots-unavailable";
inline constexpr char kRobotsTxtBlocked[] = "robots-txt-blocked";
} // namespace ruleid

QList<Rule> robotsRules();
// Whether a noindex that a search engine reads (a robots or googlebot meta in
// the head, an X-Robots-Tag header for it) keeps the page out of its index.
struct RuleContext;
bool readsNoindex(const RuleContext& c);

} // namespace headwise::audit
