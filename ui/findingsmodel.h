#pragma once

#include "core/audit/engine/finding.h"

#include <QAbstractTableModel>
#include <QList>

namespace headwise {

// The audit's findings as rows, errors first, then warnings, then notes; in
// page order within each. A finding repeated on the page is one row.
class FindingsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { SeverityColumn, RuleColumn, MessageColumn, LineColumn, FixColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // fixable: for each finding, whether a fix is offered for it; none when unknown.
    void setFindings(QList<audit::Finding> findings, const QList<bool>& fixable = {});
    // The first finding of a row.
    const audit::Finding& finding(int row) const { return rows_.at(row).finding; }
    // Findings of a severity, each repeat counted.
    int count(audit::Severity severity) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        audit::Finding finding; // the first of its group
        QString message;        // its message and how often it repeats
        int count = 1;
        bool fixable = false;
    };
    QList<Row> rows_;
};

} // namespace headwise
