#pragma once

#include "core/audit/report/report.h"

#include <QAbstractTableModel>
#include <QList>

namespace headwise {

// Errors before warnings before notes, and by pages within each: what
// matters most first. Stable, so ties keep the rule table's order.
void sortWorstFirst(QList<audit::RuleCount>& rules);

// Every rule a run found, one row each, as it is given: most severe first,
// then by pages.
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

    // pages: of the run, which the share is of.
    void setRules(QList<audit::RuleCount> rules, qsizetype pages);
    const audit::RuleCount& rule(int row) const { return rules_.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString text(const audit::RuleCount& rule, int column) const;
    QList<audit::RuleCount> rules_;
    qsizetype pages_ = 0;
};

} // namespace headwise
