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

inline QString counted(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

inline QString counts(int errors, int warnings, int notes) {
    return counted(errors, "error", "errors") + QStringLiteral(", ") +
           counted(warnings, "warning", "warnings") + QStringLiteral(", ") + counted(notes, "note", "notes");
}

} // namespace headwise::checktext
