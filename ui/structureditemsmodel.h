#pragma once

#include "core/audit/report/report.h"

#include <QAbstractTableModel>
#include <QList>

namespace headwise {

// The page's structured-data items as rows, in page order: what each is,
// whether it may earn its rich result, and what it lacks for it.
class StructuredItemsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TypeColumn, ResultColumn, MissingColumn, LineColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setItems(QList<audit::StructuredItemFacts> items);
    const audit::StructuredItemFacts& item(int row) const { return items_.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<audit::StructuredItemFacts> items_;
};

} // namespace headwise
