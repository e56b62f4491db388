#pragma once

#include <QString>

// Every text the Page Check window shows, in one place.
namespace headwise::checktext {

inline const QString kCaption = QStringLiteral("Page Check");
inline const QString kNoPage = QStringLiteral("Load a page in the Analyze panel");
inline const QString kChecking = QStringLiteral("Checking ...");
inline const QString kRuleColumn = QStringLiteral("Rule");
inline const QString kMessageColumn = QStringLiteral("Message");
inline const QString kLineColumn = QStringLiteral("Line");
inline const QString kSeverityColumn = QStringLiteral("Severity");

inline QString counts(int errors, int warnings, int notes) {
    return QStringLiteral("%1 errors, %2 warnings, %3 notes").arg(errors).arg(warnings).arg(notes);
}

} // namespace headwise::checktext
