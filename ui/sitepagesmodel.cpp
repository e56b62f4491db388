#include "ui/sitepagesmodel.h"

#include "net/pagefetcher.h"
#include "ui/sitechecktexts.h"

#include <QDir>
#include <QSet>
#include <QUrl>
#include <cmath>

namespace headwise {

namespace {

// The rich results the page's items aim at, in page order, each once;
// marked where no item of it is eligible.
QString richResultsOf(const QList<audit::StructuredItemFacts>& items) {
    QStringList results;
    QList<bool> eligible;
    for (const audit::StructuredItemFacts& item : items)
        for (const QString& result : item.richResults) {
            qsizetype at = results.indexOf(result);
            if (at < 0) {
                at = results.size();
                results << result;
                eligible << false;
            }
            eligible[at] = eligible[at] || item.eligible;
        }
    for (qsizetype i = 0; i < results.size(); ++i)
        if (!eligible[i])
            results[i] = sitechecktext::notEligible(results[i]);
    return results.join(QLatin1String(", "));
}

} // namespace

QString SitePagesModel::siteRootOf(const QString& input) {
    if (hasScheme(input)) {
        const QUrl url(input);
        return url.isValid() ? url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                                            QUrl::StripTrailingSlash)
                                   .toString()
                             : QString();
    }
    return QDir::cleanPath(QDir::fromNativeSeparators(input)) + QLatin1Char('/');
}

SitePagesModel::Row SitePagesModel::rowOf(const audit::PageReport& page, const QString& site) {
    Row row{page, 0, 0, {}, {}, {}};
    const bool below = !site.isEmpty() && page.page.startsWith(site) && page.page.size() > site.size();
    row.path = below ? page.page.mid(site.size()) : page.page;
    QSet<QString> rules;
    for (const audit::Finding& f : page.findings) {
        row.errors += f.severity == audit::Severity::Error ? 1 : 0;
        row.warnings += f.severity == audit::Severity::Warning ? 1 : 0;
        rules.insert(f.rule);
    }
    for (int column = 0; column < ColumnCount; ++column)
        row.folded[column] = text(row, column).toCaseFolded();
    for (int column = 0; column < ColumnCount; ++column)
        row.shown += row.folded[column] + QLatin1Char('\n');
    // Rule ids too: a filter on "og-missing" finds the pages that have it.
    for (const QString& rule : std::as_const(rules))
        row.shown += rule + QLatin1Char('\n');
    return row;
}

void SitePagesModel::append(QList<Row> rows) {
    if (rows.isEmpty())
        return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + rows.size() - 1));
    rows_.append(std::move(rows));
    endInsertRows();
}

void SitePagesModel::reset(QList<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
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

QString SitePagesModel::text(const Row& row, int column) {
    const audit::PageReport& page = row.report;
    const audit::PageFacts& facts = page.facts;
    switch (column) {
    case PageColumn:
        return row.path;
    case StatusColumn:
        return page.status == 0 ? sitechecktext::kFile : QString::number(page.status);
    case IndexableColumn:
        return facts.notIndexed.isEmpty() ? sitechecktext::kYes : sitechecktext::notIndexed(facts.notIndexed);
    case TitleColumn:
        return facts.title;
    case TitleWidthColumn:
        return facts.title.isEmpty() ? QString() : QString::number(std::lround(facts.titleWidthPx));
    case DescriptionColumn:
        return facts.descriptionLength < 0 ? QString() : QString::number(facts.descriptionLength);
    case CanonicalColumn:
        return facts.canonical;
    case ErrorsColumn:
        return QString::number(row.errors);
    case WarningsColumn:
        return QString::number(row.warnings);
    case RichResultsColumn:
        return richResultsOf(facts.structuredData);
    }
    return {};
}

bool SitePagesModel::lessThan(int left, int right, int column) const {
    const Row& a = rows_.at(left);
    const Row& b = rows_.at(right);
    switch (column) {
    case StatusColumn:
        return a.report.status < b.report.status;
    case TitleWidthColumn:
        return a.report.facts.titleWidthPx < b.report.facts.titleWidthPx;
    case DescriptionColumn:
        return a.report.facts.descriptionLength < b.report.facts.descriptionLength;
    case ErrorsColumn:
        return a.errors < b.errors;
    case WarningsColumn:
        return a.warnings < b.warnings;
    default: // a text column, in any case
        return a.folded[column] < b.folded[column];
    }
}

bool SitePagesModel::rowContains(int row, const QString& foldedText) const {
    return rows_.at(row).shown.contains(foldedText);
}

QVariant SitePagesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& row = rows_.at(index.row());
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == StatusColumn || index.column() == TitleWidthColumn ||
                            index.column() == DescriptionColumn || index.column() == ErrorsColumn ||
                            index.column() == WarningsColumn;
        return number ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    }
    if (role == Qt::ToolTipRole && index.column() == PageColumn)
        return row.report.page; // the whole name the run gave it
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return text(row, index.column());
}

QVariant SitePagesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return sitechecktext::kColumns[section];
}

bool SitePagesFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    return static_cast<const SitePagesModel*>(sourceModel())
        ->lessThan(left.row(), right.row(), left.column());
}

void SitePagesFilter::setText(const QString& text) {
    text_ = text.toCaseFolded();
    // One new layout: removing each run of rows the filter drops on its own
    // costs the view a pass over thousands of rows per run.
    invalidate();
}

void SitePagesFilter::setRule(const QString& rule) {
    rule_ = rule;
    invalidate();
}

bool SitePagesFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const auto* pages = static_cast<const SitePagesModel*>(sourceModel());
    if (!rule_.isEmpty() && !pages->hasRule(sourceRow, rule_))
        return false;
    return text_.isEmpty() || pages->rowContains(sourceRow, text_);
}

} // namespace headwise
