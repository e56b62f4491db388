#pragma once

#include "core/audit/report/baseline.h"
#include "core/audit/report/report.h"
#include "net/siteaudit/auditrunner.h"
#include "platform/platform.h"
#include "ui/job.h"
#include "ui/sitepagecontext.h"
#include "ui/sitepagesmodel.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

namespace Ui {
class SiteCheckWindow;
}
class QModelIndex;
class QTimer;

namespace headwise {

class AnalyzePanel;
class FindingsModel;
class SiteIssuesModel;

// Site Check (frmSiteCheck): audits a folder or a site on the web as
// headwise-cli audit does, shows every page in a table and the rules on the
// most pages in a chart, and opens a page in the Analyze panel. Deletes
// itself when closed.
class SiteCheckWindow : public QWidget {
    Q_OBJECT
public:
    SiteCheckWindow(const Platform& platform, AnalyzePanel* panel, QWidget* parent = nullptr);
    ~SiteCheckWindow() override;

    // True from Start until the audit's result is shown.
    bool running() const;
    // What the run knows of the page it last put in the Analyze panel.
    SitePageContext openedPage() const;

public slots:
    void cmdSiteStart_Click();
    void cmdSiteFolder_Click();
    void cmdSiteExport_Click();
    void cmdSiteBaseline_Click();
    void cmdSiteUseBaseline_Click();
    void cmdSiteNoBaseline_Click();

signals:
    // A page went to the Analyze panel: Page Check should audit it.
    void pageCheckRequested();

private:
    // The audit's shared state: the workers add, the window takes.
    struct Feed;
    // What the window shows of a run: its pages without what a baseline accepts.
    struct SiteShown {
        QList<SitePagesModel::Row> rows;
        QList<audit::RuleCount> counts;
        audit::SiteSummary site;
        audit::BaselineOutcome baseline;
    };
    // A run's result, whole and as shown.
    struct SiteRun {
        AuditRunner::Outcome outcome;
        SiteShown shown;
    };
    using Baseline = std::optional<QList<audit::AcceptedFinding>>;
    // Made on any thread: a worker does the work of thousands of pages.
    static SiteShown shownOf(QList<audit::PageReport> pages, audit::SiteSummary site,
                             const Baseline& baseline, const QString& siteRoot);

    void start();
    void takeFeed();
    void showOutcome(SiteRun result);
    // The run's pages, counts, chart and targets as given; the page and rule chosen stay chosen.
    void showRun(SiteShown shown);
    // The shown run again after the baseline changed, and what the baseline did.
    void baselineChanged();
    // How many findings the baseline accepted and how many it accepts are gone; empty without one.
    QString baselineLine() const;
    void showSummary();
    void showProgress(qsizetype done, qsizetype known);
    void showMessage(const QString& text);
    void rememberInput(const QString& input);
    void restoreInputs();
    void inputChanged(const QString& input);
    void showCount();
    void filterByRule(const QString& rule);
    void showRule(const QString& rule);
    // The broken targets of rule in their list; the list hidden when it has none.
    void showTargets(const QString& rule);
    QByteArray pageTableCsv() const;
    void pageSelected();
    void issueSelected(const QModelIndex& current);
    void pageActivated(const QModelIndex& index);
    void findingActivated(const QModelIndex& index);
    // The page of a table row in the Analyze panel; then once it is in.
    void openInPanel(const audit::PageReport& page, std::function<void()> then);
    const audit::PageReport* selectedPage() const;
    // Where a page of the run is on the web; empty when not known.
    QString publishedAddress(const SitePagesModel::Row& page) const;

    Platform platform_;
    QPointer<AnalyzePanel> panel_;
    std::unique_ptr<Ui::SiteCheckWindow> ui_;
    SitePagesModel* pages_;
    SitePagesFilter* filter_;
    FindingsModel* findings_;
    SiteIssuesModel* issues_;
    QTimer* feedTimer_;
    Job* auditJob_;
    std::shared_ptr<Feed> feed_;
    QElapsedTimer elapsed_;
    double seconds_ = 0;
    audit::AuditConfig config_; // of the run shown, for its export
    audit::SiteSummary site_;   // of the run shown, without what the baseline accepts
    // The run shown as it was, every finding in: Save Baseline writes it, a baseline changed is applied to
    // it.
    QList<audit::PageReport> runPages_;
    audit::SiteSummary runSite_;
    QString siteRoot_;
    Baseline baseline_;
    QString baselinePath_;
    audit::BaselineOutcome baselineOutcome_; // of the run shown
    QUrl baseUrl_;   // where the folder of the run shown is published; empty when not known
    QString opened_; // the page this window put in the Analyze panel last
};

} // namespace headwise
