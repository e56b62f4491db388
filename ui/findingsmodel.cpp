#include "ui/findingsmodel.h"

#include "core/audit/report/findinggroups.h"
#include "ui/checktexts.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

namespace headwise {

namespace {

QStyle::StandardPixmap iconOf(audit::Severity severity) {
    switch (severity) {
    case audit::Severity::Error:
        return QStyle::SP_MessageBoxCritical;
    case audit::Severity::Warning:
        return QStyle::SP_MessageBoxWarning;
    case audit::Severity::Info:
        break;
    }
    return QStyle::SP_MessageBoxInformation;
}

} // namespace

void FindingsModel::setFindings(QList<audit::Finding> findings, const QList<bool>& fixable) {
    // A finding repeated on a page is one row: its first, with its count and lines.
    const QList<audit::FindingGroup> groups = audit::groupFindings(findings);
    QList<Row> rows;
    rows.reserve(groups.size());
    for (const audit::FindingGroup& group : groups) {
        const qsizetype first = group.first - findings.constData();
        rows.append({*group.first, group.first->message + audit::repeatSuffix(group), group.count,
                     fixable.value(first, false)});
    }
    // The audit hands them over in page order; a stable sort keeps it within a severity.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.finding.severity > b.finding.severity; });
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int FindingsModel::count(audit::Severity severity) const {
    int findings = 0;
    for (const Row& row : rows_)
        if (row.finding.severity == severity)
            findings += row.count;
    return findings;
}

int FindingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int FindingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FindingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const audit::Finding& f = rows_.at(index.row()).finding;
    switch (index.column()) {
    case SeverityColumn:
        if (role == Qt::DecorationRole)
            return QApplication::style()->standardIcon(iconOf(f.severity));
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return audit::severityName(f.severity);
        break;
    case RuleColumn:
        if (role == Qt::DisplayRole)
            return f.rule;
        break;
    case MessageColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return rows_.at(index.row()).message;
        break;
    case LineColumn:
        if (role == Qt::DisplayRole && f.hasPosition())
            return f.line;
        break;
    case FixColumn:
        if (role == Qt::DisplayRole && rows_.at(index.row()).fixable)
            return checktext::kFixable;
        break;
    }
    return {};
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case SeverityColumn:
        return checktext::kSeverityColumn;
    case RuleColumn:
        return checktext::kRuleColumn;
    case MessageColumn:
        return checktext::kMessageColumn;
    case LineColumn:
        return checktext::kLineColumn;
    case FixColumn:
        return checktext::kFixColumn;
    }
    return {};
}

} // namespace headwise
