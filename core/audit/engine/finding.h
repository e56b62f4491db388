#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace headwise::audit {

enum class Severity { Info, Warning, Error };

// "info", "warning", "error"
QString severityName(Severity severity);
// The three names above, in any case; nullopt for anything else.
std::optional<Severity> parseSeverity(QStringView name);

struct Finding {
    QString rule; // a registered rule id
    Severity severity = Severity::Warning;
    QString message;
    // 1-based; CR LF, LF and lone CR each end a line. 0 for a finding about the
    // page as a whole (a missing tag, a response header, the status): no line.
    int line = 0;
    int column = 0;        // 1-based, in UTF-16 code units of that line; 0 with line
    qsizetype offset = -1; // index in the decoded page text; -1 with line 0
    qsizetype length = 0;  // length of source in the decoded text
    QString source;        // the piece of source the finding is about; empty for the page as a whole

    bool hasPosition() const { return line > 0; }
    bool operator==(const Finding&) const = default;
};

} // namespace headwise::audit
