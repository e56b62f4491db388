#pragma once

#include "core/audit/engine/pageaudit.h"
#include "core/audit/fix/fixes.h"
#include "core/audit/report/report.h"
#include "core/page/pagecodec.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace headwise {

// A page as an editor holds it, with what is known of where it came from.
struct PageSnapshot {
    QString text;          // as the box holds it: LF line breaks, the box's own positions
    PageEncoding encoding; // how the page was stored or fetched
    QString address;       // the fetched address or a file:// URL; empty for a page typed in
    // What the server said of a fetched page; nothing for a file.
    int httpStatus = 0;
    QByteArray httpCharset;
    QList<QPair<QByteArray, QByteArray>> headers;
};

// What one audit of the page found, with the findings' offsets counted in
// the snapshot's own text, and the fixes offered for them (their edits still
// in the audit's text).
struct PageCheck {
    audit::PageAudit audit;
    QString address;
    QList<audit::PageFix> fixes;
    QList<audit::StructuredItemFacts> structuredData = {}; // placed in the snapshot's text
};

// Audits the page as it would be stored in its encoding. A fetched page's
// address is the base its relative addresses are fixed against.
PageCheck checkPage(const PageSnapshot& page, const audit::AuditConfig& config);

// The fixes of the page made and checked as audit --fix makes them (with
// only, those offered for that finding of a check), as edits of the
// snapshot's own text.
struct SnapshotRepair {
    QList<TextEdit> edits; // by offset, in the snapshot's text and line breaks
    QList<audit::PageFix> made, undone;
};
SnapshotRepair repairSnapshot(const PageSnapshot& page, const audit::AuditConfig& config,
                              const audit::FixOptions& options, const std::optional<audit::Finding>& only);

namespace audit {

// Moves the findings' offsets and lengths (or the edits') from the audit's
// decoded text to the same places in text. The two hold the same lines; within a line they
// differ only where the encoding lacked a character and a reference
// ("&#937;") stands for it. One pass over both texts, however many findings.
void mapFindingsToText(QList<Finding>& findings, const QString& decoded, const QString& text);
void mapEditsToText(QList<TextEdit>& edits, const QString& decoded, const QString& text);
void mapItemsToText(QList<StructuredItemFacts>& items, const QString& decoded, const QString& text);

} // namespace audit
} // namespace headwise
