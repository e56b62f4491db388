#include "ui/sitepagesmodel.h"

#include "ui/sitechecktexts.h"

#include <cmath>

namespace headwise {

SitePagesModel::Row SitePagesModel::rowOf(const audit::PageReport& page) {
    Row row{page, 0, 0};
    for (const audit::Finding& f : page.findings) {
        row.errors += f.severity == audit::Severity::Error ? 1 : 0;
        row.warnings += f.severity == audit::Severity::Warning ? 1 : 0;
    }
    return row;
}

void SitePagesModel::append(const QList<audit::PageReport>& pages) {
    if (pages.isEmpty())
        return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + pages.size() - 1));
    for (const audit::PageReport& page : pages)
        rows_.append(rowOf(page));
    endInsertRows();
}

void SitePagesModel::reset(const QList<audit::PageReport>& pages) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(pages.size());
    for (const audit::PageReport& page : pages)
        rows_.append(rowOf(page));
    endResetModel();
}

QList<audit::PageReport> SitePagesModel::pages() const {
    QList<audit::PageReport> out;
    out.reserve(rows_.size());
    for (const Row& row : rows_)
        out.append(row.report);
    return out;
}

bool SitePagesModel::hasRule(int row, const QString& rule) const {
    for (const audit::Finding& f : rows_.at(row).report.findings)
        if (f.rule == rule)
            return true;
    return false;
}

int SitePagesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int SitePagesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SitePagesModel::value(const Row& row, int column) const {
    const audit::PageReport& page = row.report;
    const audit::PageFacts& facts = page.facts;
    switch (column) {
    case PageColumn:
        return page.page;
    case StatusColumn:
        return page.status;
    case IndexableColumn:
        return facts.notIndexed;
    case TitleColumn:
        return facts.title;
    case TitleWidthColumn:
        return facts.title.isEmpty() ? 0 : int(std::lround(facts.titleWidthPx));
    case DescriptionColumn:
        return int(facts.descriptionLength);
    case CanonicalColumn:
        return facts.canonical;
    case ErrorsColumn:
        return row.errors;
    case WarningsColumn:
        return row.warnings;
    }
    return {};
}

QVariant SitePagesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& row = rows_.at(index.row());
    if (role == SortRole)
        return value(row, index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == StatusColumn || index.column() == TitleWidthColumn ||
                            index.column() == DescriptionColumn || index.column() == ErrorsColumn ||
                            index.column() == WarningsColumn;
        return number ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const audit::PageFacts& facts = row.report.facts;
    switch (index.column()) {
    case StatusColumn:
        return row.report.status == 0 ? sitechecktext::kFile : QString::number(row.report.status);
    case IndexableColumn:
        return facts.notIndexed.isEmpty() ? sitechecktext::kYes : sitechecktext::notIndexed(facts.notIndexed);
    case TitleWidthColumn:
        return facts.title.isEmpty() ? QVariant() : value(row, index.column());
    case DescriptionColumn:
        return facts.descriptionLength < 0 ? QVariant() : value(row, index.column());
    default:
        return value(row, index.column());
    }
}

QVariant SitePagesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return sitechecktext::kColumns[section];
}

SitePagesFilter::SitePagesFilter(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortRole(SitePagesModel::SortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
}

void SitePagesFilter::setText(const QString& text) {
    text_ = text;
    invalidateFilter();
}

void SitePagesFilter::setRule(const QString& rule) {
    rule_ = rule;
    invalidateFilter();
}

bool SitePagesFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* pages = static_cast<const SitePagesModel*>(sourceModel());
    if (!rule_.isEmpty() && !pages->hasRule(sourceRow, rule_))
        return false;
    if (text_.isEmpty())
        return true;
    for (int column = 0; column < SitePagesModel::ColumnCount; ++column)
        if (pages->index(sourceRow, column, sourceParent)
                .data(Qt::DisplayRole)
                .toString()
                .contains(text_, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace headwise
