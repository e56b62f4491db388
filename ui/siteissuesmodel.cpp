#include "ui/siteissuesmodel.h"

#include "core/audit/engine/rule.h"
#include "ui/sitechecktexts.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>

namespace headwise {

void sortWorstFirst(QList<audit::RuleCount>& rules) {
    std::stable_sort(rules.begin(), rules.end(), [](const audit::RuleCount& a, const audit::RuleCount& b) {
        return a.severity != b.severity ? a.severity > b.severity : a.pages > b.pages;
    });
}

void SiteIssuesModel::setRules(QList<audit::RuleCount> rules, qsizetype pages) {
    beginResetModel();
    rules_ = std::move(rules);
    pages_ = pages;
    endResetModel();
}

int SiteIssuesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rules_.size());
}

int SiteIssuesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString SiteIssuesModel::text(const audit::RuleCount& rule, int column) const {
    const audit::Rule* registered = audit::findRule(rule.rule);
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
        return sitechecktext::share(rule.pages, pages_);
    case FixableColumn:
        return registered && registered->fixable() ? sitechecktext::kYes : QString();
    case HelpColumn:
        return registered ? registered->description : QString();
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
