#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kViewportMissing[] = "viewport-missing";
inline constexpr char kViewportBlocksZoom[] = "viewport-blocks-zoom";
inline constexpr char kViewportInvalid[] = "viewport-invalid";
inline constexpr char kLangMissing[] = "lang-missing";
inline constexpr char kLangInvalid[] = "lang-invalid";
} // namespace ruleid

QList<Rule> viewportLangRules();

} // namespace headwise::audit
