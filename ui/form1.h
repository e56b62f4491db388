#pragma once

#include "platform/platform.h"
#include "ui/mailaccount.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

namespace Ui {
class Form1;
}
class QGroupBox;

namespace headwise {

class MailWindow;
struct MailForm;
class AboutWindow;
class CheckWindow;
class SiteCheckWindow;

// The main window: heading, the four panels of which one is shown, the
// navigation row, the menus, the stored settings and the close sequence.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(const Platform& platform, QWidget* parent = nullptr);
    ~Form1() override;

public slots:
    void cmdAnalyze_Click();
    void cmdCreate_Click();
    void cmdExtract_Click();
    void mnuIntro_Click();
    void mnuContents_Click();
    void mnuTellFriend_Click();
    void mnuContact_Click();
    void mnuMailServer_Click();
    void mnuAbout_Click();
    void mnuCheck_Click();
    void mnuCheckSite_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectPanels();
    void restoreSettings();
    void saveSettings();
    void showPanel(QGroupBox* target);
    MailWindow* mailWindow(const MailForm& form);

    Platform platform_;
    MailAccount mailAccount_;
    QPointer<AboutWindow> about_;
    std::unique_ptr<Ui::Form1> ui_;
    QPointer<MailWindow> tellFriend_;
    QPointer<MailWindow> contact_;
    QPointer<CheckWindow> check_;
    QPointer<SiteCheckWindow> siteCheck_;
};

} // namespace headwise
