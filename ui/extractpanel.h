#pragma once

#include "core/keywords/keywords.h"
#include "platform/platform.h"
#include "ui/pageloader.h"

#include <QGroupBox>
#include <QStringList>
#include <memory>
#include <optional>

namespace Ui {
class ExtractPanel;
}
class QStringListModel;
class QTimer;

namespace headwise {

// The Extract panel: loads a page or file into the scratch text Text22, runs
// the chain strip -> word list -> length filter -> de-duplication into
// lstNames, and hands the chosen words to the Create panel.
class ExtractPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ExtractPanel(QWidget* parent = nullptr);
    ~ExtractPanel() override;

    void setPlatform(const Platform& platform);
    // Cancels the load and the chain; nothing of them arrives afterwards.
    void cancelWork();

    QTimer* watchdog() const;

public slots:
    // The address field follows the Analyze panel's.
    void setAddress(const QString& url);
    void cmdFile2_Click();
    void txtGetSrc2_Click();
    void Timer2_Timer();
    void cmdRemove_Click();
    void cmdAdd_Click();
    void Command3_Click();
    void txtKeywords2_Change();

    // The chain from each stage to its end, off the GUI thread.
    void cmdRemHtml_Click();
    void cmdGetEm_Click();
    void cmdLess4_Click();
    void cmdDoubles_Click();
    void cmdCount_Click();

signals:
    // "Add These": the keywords for the Create panel's field.
    void keywordsChosen(const QString& keywords);
    // "Add These": the main window brings the Create panel to the front.
    void createRequested();
    // Every text lblProgress takes, as it takes it.
    void progressChanged(const QString& caption);

private:
    void setProgress(const QString& caption);
    void runChain(KeywordStage from);
    // What a stage shows: its caption before it runs, its text or list after.
    void showStage(KeywordStage stage, bool done, const KeywordChain& chain);
    void setBusy(bool busy);
    QStringList words() const;
    void setWords(const QStringList& words);

    std::unique_ptr<Ui::ExtractPanel> ui_;
    PageLoader* loader_;
    QStringListModel* names_;
    Job* job_; // the load and the chain after it
    QString Text22;
    bool busy_ = false;
};

} // namespace headwise
