#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kImageAlt[] = "image-alt";
inline constexpr char kLinkText[] = "link-text";
inline constexpr char kCrawlableAnchors[] = "crawlable-anchors";
} // namespace ruleid

// What the page's body says to crawlers and assistive technology: its
// pictures' text alternatives and its links.
QList<Rule> pageContentRules();

} // namespace headwise::audit
