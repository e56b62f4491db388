#pragma once

#include "core/audit/engine/pagecheck.h"
#include "core/audit/model/resultpreview.h"
#include "platform/platform.h"
#include "ui/analyzepanel.h"
#include "ui/job.h"
#include "ui/sitepagecontext.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class CheckWindow;
}
class QModelIndex;
class QTimer;

namespace headwise {

class FindingsModel;
class StructuredItemsModel;

// Page Check (frmCheck): the Analyze panel's page audited, as a search result
// and a share card would show it, with the findings listed. Follows every
// change of the page box; deletes itself when closed.
class CheckWindow : public QWidget {
    Q_OBJECT
public:
    CheckWindow(const Platform& platform, AnalyzePanel* panel, QWidget* parent = nullptr);
    ~CheckWindow() override;

    // How long the page box must stay unchanged before the audit runs.
    void setPause(int milliseconds);
    // Replaces the audit run on the worker (tests hold it back to reorder results).
    void setChecker(std::function<PageCheck(const PageSnapshot&)> checker);
    // The number of the latest audit started, and of the one whose result is shown.
    int startedGeneration() const { return started_; }
    int shownGeneration() const { return shown_; }
    // True when the result on screen is of the page box as it is now.
    bool upToDate() const;
    // The page Site Check opened: while the page box holds it, the audit reads
    // the run's settings and the list adds the run's findings across pages.
    void setSitePage(SitePageContext page);

public slots:
    // Fixes what the selected finding names, or every fixable finding, in the
    // page box as one step to undo; asks for a base address or a language
    // when a fix needs one.
    void cmdCheckFix_Click();
    void cmdCheckFixAll_Click();

private:
    void pageChanged();
    void updateFixButtons();
    QList<audit::PageFix> fixesOf(const audit::Finding& finding) const;
    void startFix(const QList<audit::PageFix>& fixes, const std::optional<audit::Finding>& only);
    // What a fix needs, asked once per page address (a language once); none
    // when the question is cancelled or the answer will not do.
    std::optional<audit::FixOptions> fixOptions(const QList<audit::PageFix>& fixes);
    void startCheck();
    void showCheck(const PageCheck& check);
    void showNoPage();
    void startImageLoad(const audit::CardPreview& card);
    void findingActivated(const QModelIndex& index);
    void itemSelected(const QModelIndex& index);
    // Site Check's page is in the page box.
    bool showsSitePage() const;
    // The settings the page is audited with: Site Check's run's, for its page.
    audit::AuditConfig config() const;

    Platform platform_;
    QPointer<AnalyzePanel> panel_;
    std::unique_ptr<Ui::CheckWindow> ui_;
    FindingsModel* model_;
    StructuredItemsModel* items_;
    QTimer* pause_;
    Job* checkJob_;
    Job* imageJob_;
    Job* fixJob_;
    PageCheck check_;       // the one shown
    QString base_, baseOf_; // the base address given, and the page address it was given for
    QString lang_;
    quint64 changes_ = 0; // of the page box, so that a fix never lands on a text it was not made for
    std::function<PageCheck(const PageSnapshot&)> checker_; // none: checkPage with the settings in use
    SitePageContext site_;
    int started_ = 0;
    int shown_ = 0;
};

} // namespace headwise
