#include "ui/siteissuesmodel.h"

#include "ui/sitechecktexts.h"

#include <QApplication>
#include <QStyle>

namespace headwise {

void SiteIssuesModel::setRules(QList<audit::RuleCount> rules) {
    beginResetModel();
    rules_ = std::move(rules);
    endResetModel();
}

int SiteIssuesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rules_.size());
}

int SiteIssuesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString SiteIssuesModel::text(const audit::RuleCount& rule, int column) {
    switch (column) {
    case SeverityColumn:
        return audit::severityName(rule.severity);
    case RuleColumn:
        return rule.rule;
    case PagesColumn:
        return QString::number(rule.pages);
    case FindingsColumn:
        return QString::number(rule.findings);
    case ShareColumn:
        return sitechecktext::share(rule.share);
    case FixableColumn:
        return rule.fixable ? sitechecktext::kYes : QString();
    case HelpColumn:
        return rule.help;
    }
    return {};
}

QVariant SiteIssuesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rules_.size())
        return {};
    const audit::RuleCount& rule = rules_.at(index.row());
    if (role == Qt::DecorationRole && index.column() == SeverityColumn) {
        const QStyle::StandardPixmap icon =
            rule.severity == audit::Severity::Error     ? QStyle::SP_MessageBoxCritical
            : rule.severity == audit::Severity::Warning ? QStyle::SP_MessageBoxWarning
                                                        : QStyle::SP_MessageBoxInformation;
        return QApplication::style()->standardIcon(icon);
    }
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == PagesColumn || index.column() == FindingsColumn ||
                            index.column() == ShareColumn;
        return number ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return text(rule, index.column());
}

QVariant SiteIssuesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return sitechecktext::kIssueColumns[section];
}

} // namespace headwise
