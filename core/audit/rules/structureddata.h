#pragma once

#include "core/audit/engine/rule.h"

#include <QList>

namespace headwise::audit {

namespace ruleid {
inline constexpr char kStructuredDataInvalid[] = "structured-data-invalid";
inline constexpr char kStructuredDataRequired[] = "structured-data-required";
inline constexpr char kStructuredDataRecommended[] = "structured-data-recommended";
inline constexpr char kStructuredDataValue[] = "structured-data-value";
inline constexpr char kStructuredDataRetired[] = "structured-data-retired";
inline constexpr char kStructuredDataType[] = "structured-data-type";
} // namespace ruleid

QList<Rule> structuredDataRules();

} // namespace headwise::audit
