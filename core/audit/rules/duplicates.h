#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/finding.h"
#include "core/audit/engine/pageaudit.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace headwise::audit {

// What a run keeps of each page for title-duplicate and description-duplicate.
struct PageDigest {
    QString title;
    bool hasTitle = false;
    QString description;
    bool hasDescription = false;
    int titleLine = 0, titleColumn = 0;
    int descriptionLine = 0, descriptionColumn = 0;
    qsizetype titleOffset = -1, titleLength = 0;
    qsizetype descriptionOffset = -1, descriptionLength = 0;
    QString name;              // how messages name the page (its path or address)
    QStringList disabledRules; // the page's own headwise-disable list
    // A noindex page, or one whose canonical names another page, is no one's duplicate.
    bool counts = true;
};

PageDigest digestOf(const PageAudit& audit, const QString& name);

// Per page (same order as pages), the duplicate findings to add. Linear in the
// number of pages; empty titles and descriptions are left to the -empty rules,
// and only pages that count (indexable, their own canonical) are compared.
QList<QList<Finding>> duplicateFindings(const QList<PageDigest>& pages, const AuditConfig& config);

} // namespace headwise::audit
