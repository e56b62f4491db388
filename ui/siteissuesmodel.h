#pragma once

#include "core/audit/report/report.h"

#include <QAbstractTableModel>
#include <QList>

namespace headwise {

// Every rule a run found, one row each, in the order given (worstFirst()).
class SiteIssuesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        SeverityColumn,
        RuleColumn,
        PagesColumn,
        FindingsColumn,
        ShareColumn,
        FixableColumn,
        HelpColumn,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setRules(QList<audit::RuleCount> rules);
    const audit::RuleCount& rule(int row) const { return rules_.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    static QString text(const audit::RuleCount& rule, int column);
    QList<audit::RuleCount> rules_;
};

} // namespace headwise
