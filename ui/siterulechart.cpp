#include "ui/siterulechart.h"

#include "core/audit/report/findinggroups.h"
#include "ui/sitechecktexts.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QHorizontalStackedBarSeries>
#include <QValueAxis>
#include <algorithm>

namespace headwise {
namespace {

// Severity order of the bar sets: errors, warnings, notes.
constexpr audit::Severity kSetSeverity[] = {audit::Severity::Error, audit::Severity::Warning,
                                            audit::Severity::Info};

QColor colourOf(audit::Severity severity) {
    switch (severity) {
    case audit::Severity::Error:
        return QColor(0xc6, 0x28, 0x28);
    case audit::Severity::Warning:
        return QColor(0xef, 0x8a, 0x00);
    case audit::Severity::Info:
        break;
    }
    return QColor(0x15, 0x65, 0xc0);
}

} // namespace

SiteRuleChart::SiteRuleChart(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    chart()->setTitle(sitechecktext::kChartTitle);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    setCounts({});
}

void SiteRuleChart::setCounts(QList<audit::RuleCount> counts) {
    counts = audit::worstFirst(std::move(counts));
    if (counts.size() > kBars)
        counts.resize(kBars);
    rules_.clear();
    for (const audit::RuleCount& count : std::as_const(counts))
        rules_.append(count.rule);

    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes()) {
        c->removeAxis(axis); // the chart lets go of it: it is ours to delete
        delete axis;
    }
    auto* series = new QHorizontalStackedBarSeries;
    const QString names[] = {sitechecktext::kErrors, sitechecktext::kWarnings, sitechecktext::kNotes};
    int most = 0;
    for (int s = 0; s < 3; ++s) {
        auto* set = new QBarSet(names[s]);
        set->setColor(colourOf(kSetSeverity[s]));
        // A category axis draws its first category at the bottom; the rule
        // on the most pages goes on top.
        for (qsizetype i = counts.size() - 1; i >= 0; --i)
            *set << (counts[i].severity == kSetSeverity[s] ? counts[i].pages : 0);
        connect(set, &QBarSet::clicked, this, [this, n = counts.size()](int index) {
            const qsizetype rule = n - 1 - index;
            if (rule >= 0 && rule < rules_.size())
                emit ruleClicked(rules_[rule]);
        });
        series->append(set);
    }
    for (const audit::RuleCount& count : std::as_const(counts))
        most = std::max(most, count.pages);
    c->addSeries(series);
    if (counts.isEmpty())
        return; // no axes to show nothing on
    auto* rules = new QBarCategoryAxis;
    QStringList bottomUp = rules_;
    std::reverse(bottomUp.begin(), bottomUp.end());
    rules->append(bottomUp);
    rules->setTruncateLabels(false); // a rule's id is the label; "..." says nothing
    c->addAxis(rules, Qt::AlignLeft);
    series->attachAxis(rules);
    auto* pages = new QValueAxis;
    // Ticks at whole pages: one per page for a few, round numbers beyond.
    pages->setRange(0, std::max(most, 1));
    if (most < 5)
        pages->setTickCount(std::max(most, 1) + 1);
    else
        pages->applyNiceNumbers();
    pages->setLabelFormat(QStringLiteral("%d"));
    c->addAxis(pages, Qt::AlignBottom);
    series->attachAxis(pages);
}

} // namespace headwise
