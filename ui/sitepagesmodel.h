#pragma once

#include "core/audit/report/report.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSortFilterProxyModel>
#include <array>

namespace headwise {

// The pages of a site audit as rows, in the order they were read; each
// column sorts by its value, numbers as numbers, texts in any case.
class SitePagesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        PageColumn,
        StatusColumn,
        IndexableColumn,
        TitleColumn,
        TitleWidthColumn,
        DescriptionColumn,
        CanonicalColumn,
        ErrorsColumn,
        WarningsColumn,
        RichResultsColumn,
        ColumnCount
    };
    // A page as the table holds it; made on any thread, so that a worker and
    // not the window does the work of thousands of them.
    struct Row {
        audit::PageReport report;
        int errors = 0, warnings = 0;
        QString path; // the page as the table names it: below the site
        // What every column shows, case folded, one per line: a filter over
        // thousands of rows searches one text a row.
        QString shown;
        // Each text column case folded, so a sort compares them plainly.
        std::array<QString, ColumnCount> folded;
    };
    // site: what the pages' names start with, as siteRootOf gives it.
    static Row rowOf(const audit::PageReport& page, const QString& site);
    // What a run's pages are named below: the folder with its '/', or an
    // address's origin, so that a page shows as "b/index.html" or "/docs/".
    static QString siteRootOf(const QString& input);

    using QAbstractTableModel::QAbstractTableModel;

    void append(QList<Row> rows);
    // The run's final pages, with the findings across pages, replace the rows.
    void reset(QList<Row> rows);
    const audit::PageReport& page(int row) const { return rows_.at(row).report; }
    const Row& at(int row) const { return rows_.at(row); }
    QList<audit::PageReport> pages() const;
    bool hasRule(int row, const QString& rule) const;
    // Compares two rows by a column's value, without a QVariant for each of
    // the many comparisons a sort of thousands of rows makes.
    bool lessThan(int left, int right, int column) const;
    // Whether any column of the row shows the text, given case folded.
    bool rowContains(int row, const QString& foldedText) const;
    // What the row shows in the column, as the table shows it.
    QString cell(int row, int column) const { return text(rows_.at(row), column); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    static QString text(const Row& row, int column);
    QList<Row> rows_;
};

// Rows with the filter's text in any column or rule id of their findings (any
// case), and with a rule set, only the pages that have it.
class SitePagesFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setText(const QString& text);
    void setRule(const QString& rule);
    const QString& rule() const { return rule_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QString text_, rule_;
};

} // namespace headwise
