#include "ui/structureditemsmodel.h"

#include "ui/checktexts.h"

namespace headwise {

void StructuredItemsModel::setItems(QList<audit::StructuredItemFacts> items) {
    beginResetModel();
    items_ = std::move(items);
    endResetModel();
}

int StructuredItemsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(items_.size());
}

int StructuredItemsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StructuredItemsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= items_.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const audit::StructuredItemFacts& item = items_.at(index.row());
    switch (index.column()) {
    case TypeColumn:
        return item.type;
    case ResultColumn:
        return checktext::richResult(item.richResults, item.eligible);
    case MissingColumn:
        return item.missing.join(QLatin1String(", "));
    case LineColumn:
        return item.line;
    }
    return {};
}

QVariant StructuredItemsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TypeColumn:
        return checktext::kItemTypeColumn;
    case ResultColumn:
        return checktext::kItemResultColumn;
    case MissingColumn:
        return checktext::kItemMissingColumn;
    case LineColumn:
        return checktext::kLineColumn;
    }
    return {};
}

} // namespace headwise
