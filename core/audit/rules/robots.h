#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kRobotsNoindex[] = "robots-noindex";
inline constexpr char kRobotsNofollow[] = "robots-nofollow";
inline constexpr char kRobotsUnavailable[] = "robots-unavailable";
inline constexpr char kRobotsTxtBlocked[] = "robots-txt-blocked";
inline constexpr char kRobotsTxtInvalid[] = "robots-txt-invalid";
} // namespace ruleid

QList<Rule> robotsRules();
// Whether a noindex that a search engine reads (a robots or googlebot meta in
// the head, an X-Robots-Tag header for it) keeps the page out of its index.
struct RuleContext;
bool readsNoindex(const RuleContext& c);

// What is wrong with a site's robots.txt, each at its line: the lines crawlers
// cannot read, a server error in place of the file, a file longer than they
// read. status is the answer's HTTP status, 0 for a file on disk; a missing
// file (4xx) has nothing wrong with it.
struct AuditConfig;
QList<Finding> robotsTxtFindings(const QByteArray& body, int status, const AuditConfig& config);

} // namespace headwise::audit
