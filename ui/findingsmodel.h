#pragma once

#include "core/audit/engine/finding.h"

#include <QAbstractTableModel>
#include <QList>

namespace headwise {

// The audit's findings as rows, errors first, then warnings, then notes; in
// page order within each.
class FindingsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { SeverityColumn, RuleColumn, MessageColumn, LineColumn, FixColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // fixable: for each finding, whether a fix is offered for it; none when unknown.
    void setFindings(QList<audit::Finding> findings, const QList<bool>& fixable = {});
    const audit::Finding& finding(int row) const { return rows_.at(row).finding; }
    int count(audit::Severity severity) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        audit::Finding finding;
        bool fixable = false;
    };
    QList<Row> rows_;
};

} // namespace headwise
