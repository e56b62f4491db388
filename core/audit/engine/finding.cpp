#include "core/audit/engine/finding.h"

namespace headwise::audit {

QString severityName(Severity severity) {
    switch (severity) {
    case Severity::Info:
        return QStringLiteral("info");
    case Severity::Warning:
        return QStringLiteral("warning");
    case Severity::Error:
        return QStringLiteral("error");
    }
    return {};
}

std::optional<Severity> parseSeverity(QStringView name) {
    for (Severity s : {Severity::Info, Severity::Warning, Severity::Error})
        if (name.compare(severityName(s), Qt::CaseInsensitive) == 0)
            return s;
    return std::nullopt;
}

} // namespace headwise::audit
