#pragma once

#include "ui/checktexts.h"

#include <QString>

// Every text the Site Check window shows, in one place.
namespace headwise::sitechecktext {

inline const QString kCaption = QStringLiteral("Site Check");
inline const QString kInputLabel = QStringLiteral("Fol&der or address:");
inline const QString kFolder = QStringLiteral("Folder...");
inline const QString kFolderTitle = QStringLiteral("Site Folder");
inline const QString kRootHint = QStringLiteral("Root of the published tree (optional)");
inline const QString kRootTip =
    QStringLiteral("The folder is part of a larger published tree rooted here: links rooted at \"/\" and "
                   "\"../\" resolve inside it and its other files are checked, but only the folder's pages "
                   "are audited.");
inline const QString kSitemapLabel = QStringLiteral("Site&map (optional):");
inline const QString kSitemapHint = QStringLiteral("A sitemap file or address");
inline const QString kConfigLabel = QStringLiteral("Settings &file (optional):");
inline const QString kConfigHint = QStringLiteral("headwise.json; else the one nearest the folder");
inline const QString kMaxPagesLabel = QStringLiteral("Crawl &limit:");
inline const QString kMaxPagesSuffix = QStringLiteral(" pages");
inline const QString kStart = QStringLiteral("&Start");
inline const QString kStop = QStringLiteral("&Stop");
inline const QString kPagesLabel = QStringLiteral("&Pages");
inline const QString kFindingsLabel = QStringLiteral("F&indings of the page");
inline const QString kFilterLabel = QStringLiteral("Fil&ter:");
inline const QString kFilterHint = QStringLiteral("Text in any column");
inline const QString kAllPages = QStringLiteral("Show &all pages");
inline const QString kExport = QStringLiteral("&Export...");
inline const QString kExportTitle = QStringLiteral("Export Report");
inline const QString kExportFilter =
    QStringLiteral("CSV (*.csv)|*.csv|JSON (*.json)|*.json|SARIF (*.sarif)|*.sarif|JUnit XML "
                   "(*.xml)|*.xml|HTML (*.html)|*.html");
inline const QString kExportName = QStringLiteral("site-check.csv");
inline const QString kSaveBaseline = QStringLiteral("Save &Baseline...");
inline const QString kBaselineTitle = QStringLiteral("Save Baseline");
inline const QString kBaselineFilter = QStringLiteral("Baseline (*.json)|*.json");
inline const QString kBaselineName = QStringLiteral("headwise-baseline.json");
inline const QString kChartTitle = QStringLiteral("Rules on the most pages");
inline const QString kErrors = QStringLiteral("Errors");
inline const QString kWarnings = QStringLiteral("Warnings");
inline const QString kNotes = QStringLiteral("Notes");

inline const QString kNoInput = QStringLiteral("Give a folder or an http or https address.");
inline const QString kReading = QStringLiteral("Reading the site ...");
inline const QString kStopping = QStringLiteral("Stopping ...");
inline const QString kNoPages = QStringLiteral("No page could be read.");
inline const QString kYes = QStringLiteral("yes");
inline const QString kFile = QStringLiteral("file");

// The table's columns, in order.
inline const QString kColumns[] = {
    QStringLiteral("Page"),      QStringLiteral("Status"),   QStringLiteral("Indexable"),
    QStringLiteral("Title"),     QStringLiteral("Title px"), QStringLiteral("Description"),
    QStringLiteral("Canonical"), QStringLiteral("Errors"),   QStringLiteral("Warnings"),
};

inline QString notAFolder(const QString& input) {
    return QStringLiteral("%1: this folder cannot be read.").arg(input);
}
inline QString notInsideRoot(const QString& input, const QString& root) {
    return QStringLiteral("%1 is not inside the published tree %2.").arg(input, root);
}
inline QString notIndexed(const QString& why) {
    return QStringLiteral("no: ") + why;
}
inline QString progress(qsizetype done, qsizetype known) {
    return QStringLiteral("%1 of %2 pages").arg(done).arg(known);
}
inline QString filteredByRule(const QString& rule) {
    return QStringLiteral("Pages with %1").arg(rule);
}
inline QString summary(qsizetype pages, int errors, int warnings, int notes, double seconds) {
    return checktext::counted(int(pages), "page", "pages") + QStringLiteral(", ") +
           checktext::counts(errors, warnings, notes) + QStringLiteral(", %1 s").arg(seconds, 0, 'f', 1);
}
inline QString stopped(qsizetype read) {
    return QStringLiteral("Stopped after %1; the rules across pages did not run.")
        .arg(checktext::counted(int(read), "page", "pages"));
}
inline QString exported(const QString& path) {
    return QStringLiteral("Report written to %1").arg(path);
}
inline QString baselineSaved(const QString& path) {
    return QStringLiteral("Baseline written to %1: headwise-cli audit --baseline reads it").arg(path);
}
inline QString notExported(const QString& path, const QString& error) {
    return QStringLiteral("%1 could not be written: %2").arg(path, error);
}

} // namespace headwise::sitechecktext
