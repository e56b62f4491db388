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
    enum Column { SeverityColumn, RuleColumn, MessageColumn, LineColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setFindings(QList<audit::Finding> findings);
    const audit::Finding& finding(int row) const { return findings_.at(row); }
    int count(audit::Severity severity) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<audit::Finding> findings_;
};

} // namespace headwise
