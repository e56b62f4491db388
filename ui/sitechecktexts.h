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
// What Export can write, as the save dialog lists it: a description, then the
// file name pattern that picks the format.
inline const QString kExportCsv = QStringLiteral("CSV (*.csv)");
inline const QString kExportJson = QStringLiteral("JSON (*.json)");
inline const QString kExportSarif = QStringLiteral("SARIF (*.sarif)");
inline const QString kExportJunit = QStringLiteral("JUnit XML (*.xml)");
inline const QString kExportHtml = QStringLiteral("HTML (*.html)");
inline const QString kExportPageTable = QStringLiteral("Page table as CSV (*.pages.csv)");
inline const QString kExportName = QStringLiteral("site-check.csv");
inline const QString kChartTitle =
    QStringLiteral("The ten rules that matter most: errors, then warnings, then notes; each by its pages");
inline const QString kSaveBaseline = QStringLiteral("Save &Baseline...");
inline const QString kBaselineTitle = QStringLiteral("Save Baseline");
inline const QString kBaselineFilter = QStringLiteral("Baseline (*.json)|*.json");
inline const QString kBaselineName = QStringLiteral("headwise-baseline.json");
inline const QString kUseBaseline = QStringLiteral("&Use Baseline...");
inline const QString kUseBaselineTitle = QStringLiteral("Use Baseline");
inline const QString kUseBaselineTip =
    QStringLiteral("Leave out the findings a saved baseline accepts, as headwise-cli audit --baseline does");
inline const QString kNoBaseline = QStringLiteral("Stop Using Baseli&ne");
inline const QString kBaselineDropped = QStringLiteral("No baseline in use: every finding is shown.");
inline const QString kErrors = QStringLiteral("Errors");
inline const QString kWarnings = QStringLiteral("Warnings");
inline const QString kNotes = QStringLiteral("Notes");

inline const QString kBaseUrlLabel = QStringLiteral("Site\'s &web address (optional):");
inline const QString kBaseUrlHint =
    QStringLiteral("Where the folder is published (https://example.com/); else read from its canonicals");
inline const QString kPagesTab = QStringLiteral("&Pages");
inline const QString kIssuesTab = QStringLiteral("&Issues");
inline const QString kIssueColumns[] = {
    QStringLiteral("Severity"),       QStringLiteral("Rule"),  QStringLiteral("Pages"),
    QStringLiteral("Findings"),       QStringLiteral("Share"), QStringLiteral("Fixable"),
    QStringLiteral("What to repair"),
};
inline const QString kTargetColumns[] = {QStringLiteral("Broken target"), QStringLiteral("Problem"),
                                         QStringLiteral("Pages"), QStringLiteral("Links")};
inline const QString kSourcesHeading = QStringLiteral("Sources");
inline const QString kFixHeading = QStringLiteral("Fix");

inline const QString kNoInput = QStringLiteral("Give a folder or an http or https address.");
inline const QString kReading = QStringLiteral("Reading the site ...");
inline const QString kStopping = QStringLiteral("Stopping ...");
inline const QString kNoPages = QStringLiteral("No page could be read.");
inline const QString kYes = QStringLiteral("yes");
inline const QString kFile = QStringLiteral("file");

// The table's columns, in order.
inline const QString kColumns[] = {
    QStringLiteral("Page"),         QStringLiteral("Status"),   QStringLiteral("Indexable"),
    QStringLiteral("Title"),        QStringLiteral("Title px"), QStringLiteral("Description"),
    QStringLiteral("Canonical"),    QStringLiteral("Errors"),   QStringLiteral("Warnings"),
    QStringLiteral("Rich results"),
};

inline QString notEligible(const QString& richResult) {
    return richResult + QStringLiteral(" (not eligible)");
}

inline QString notABaseUrl(const QString& given) {
    return QStringLiteral("%1: the site\'s address must be an http, https or file address.").arg(given);
}
inline QString inferredBaseUrl(const QString& address) {
    return QStringLiteral("Taken as %1 from the pages\' canonicals").arg(address);
}
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
inline QString shownOf(qsizetype shown, qsizetype all) {
    return QStringLiteral("%1 of %2 pages").arg(shown).arg(all);
}
// "87%" of the pages; "<1%" for a few of many, which a round 0% would hide.
inline QString share(double fraction) {
    const int percent = int(fraction * 100 + 0.5);
    return fraction > 0 && percent == 0 ? QStringLiteral("<1%") : QStringLiteral("%1%").arg(percent);
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
inline QString baselineInUse(const QString& path) {
    return QStringLiteral("Baseline %1 in use: each run leaves out the findings it accepts.").arg(path);
}
// counts: how many it accepted and how many it accepts that are gone, as the command line says it.
inline QString baselineApplied(const QString& path, const QString& counts) {
    return QStringLiteral("Baseline %1: %2").arg(path, counts);
}
inline QString exportedReport(const QString& path, qsizetype pages, qsizetype findings) {
    return exported(path) + QStringLiteral(": ") + checktext::counted(int(findings), "finding", "findings") +
           QStringLiteral(" of ") + checktext::counted(int(pages), "page", "pages");
}
inline QString exportedTable(const QString& path, qsizetype rows) {
    return QStringLiteral("Page table written to %1: ").arg(path) +
           checktext::counted(int(rows), "row", "rows");
}
inline QString notExported(const QString& path, const QString& error) {
    return QStringLiteral("%1 could not be written: %2").arg(path, error);
}

} // namespace headwise::sitechecktext
