#pragma once

#include <QString>
#include <QStringList>

// Every text the Page Check window shows, in one place.
namespace headwise::checktext {

inline const QString kCaption = QStringLiteral("Page Check");
inline const QString kNoPage = QStringLiteral("Load a page in the Analyze panel");
inline const QString kChecking = QStringLiteral("Checking ...");
inline const QString kRuleColumn = QStringLiteral("Rule");
inline const QString kMessageColumn = QStringLiteral("Message");
inline const QString kLineColumn = QStringLiteral("Line");
inline const QString kSeverityColumn = QStringLiteral("Severity");
inline const QString kFix = QStringLiteral("Fix");
inline const QString kFixAll = QStringLiteral("Fix &All");
inline const QString kBaseTitle = QStringLiteral("Page Address");
inline const QString kBaseLabel =
    QStringLiteral("The page's address on the web, which its relative addresses are made absolute against:");
inline const QString kBaseProposed = QStringLiteral("https://");
inline const QString kLangTitle = QStringLiteral("Page Language");
inline const QString kLangLabel = QStringLiteral("The page's language code (en, en-GB, de ...):");
inline const QString kNotFixedTitle = QStringLiteral("Not Fixed");
inline const QString kNoImage = QStringLiteral("No og:image: share sites show no picture");
inline const QString kFixColumn = QStringLiteral("Fix");
inline const QString kFixable = QStringLiteral("can fix");
inline const QString kItems = QStringLiteral("Structured &data:");
inline const QString kItemTypeColumn = QStringLiteral("Type");
inline const QString kItemResultColumn = QStringLiteral("Rich result");
inline const QString kItemMissingColumn = QStringLiteral("Missing");

inline QString notAnAddress(const QString& given) {
    return QStringLiteral("\"%1\" is not an http or https address with a host.").arg(given);
}

inline QString notALanguage(const QString& given) {
    return QStringLiteral("\"%1\" does not start with a language code.").arg(given);
}

inline QString notFixed(const QStringList& rules) {
    return QStringLiteral("The audit still found %1 after the fix, so the page keeps it as it was.")
        .arg(rules.join(QStringLiteral(", ")));
}

// "Product: eligible", "Product: not eligible", or "none" for an item no rich result reads.
inline QString richResult(const QStringList& results, bool eligible) {
    if (results.isEmpty())
        return QStringLiteral("none");
    return results.join(QStringLiteral(", ")) +
           (eligible ? QStringLiteral(": eligible") : QStringLiteral(": not eligible"));
}

inline QString counted(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

inline QString counts(int errors, int warnings, int notes) {
    return counted(errors, "error", "errors") + QStringLiteral(", ") +
           counted(warnings, "warning", "warnings") + QStringLiteral(", ") + counted(notes, "note", "notes");
}

} // namespace headwise::checktext
