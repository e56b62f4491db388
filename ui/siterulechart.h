#pragma once

#include "core/audit/report/report.h"

#include <QChartView>
#include <QStringList>

namespace headwise {

// The rules that matter most as horizontal bars, one colour per severity;
// a click on a bar names its rule.
class SiteRuleChart : public QChartView {
    Q_OBJECT
public:
    static constexpr int kBars = 10;

    explicit SiteRuleChart(QWidget* parent = nullptr);

    // Shows kBars rules, errors before warnings before notes and by pages
    // within each, the first at the top.
    void setCounts(QList<audit::RuleCount> counts);
    // The rules shown, from the top bar down.
    const QStringList& rules() const { return rules_; }

signals:
    void ruleClicked(const QString& rule);

private:
    QStringList rules_;
};

} // namespace headwise
