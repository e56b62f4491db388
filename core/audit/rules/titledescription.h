#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kTitleMissing[] = "title-missing";
inline constexpr char kTitleEmpty[] = "title-empty";
inline constexpr char kTitleMultiple[] = "title-multiple";
inline constexpr char kTitleOutsideHead[] = "title-outside-head";
inline constexpr char kTitleLength[] = "title-length";
inline constexpr char kTitleWidth[] = "title-width";
inline constexpr char kTitleDuplicate[] = "title-duplicate";
inline constexpr char kDescriptionMissing[] = "description-missing";
inline constexpr char kDescriptionEmpty[] = "description-empty";
inline constexpr char kDescriptionMultiple[] = "description-multiple";
inline constexpr char kDescriptionOutsideHead[] = "description-outside-head";
inline constexpr char kDescriptionLength[] = "description-length";
inline constexpr char kDescriptionWidth[] = "description-width";
inline constexpr char kDescriptionDuplicate[] = "description-duplicate";
} // namespace ruleid

QList<Rule> titleDescriptionRules();

} // namespace headwise::audit
