#pragma once

#include "net/smtpsession.h"

#include <QDialog>
#include <QStringList>
#include <memory>

namespace Ui {
class frmMailServer;
}

namespace headwise {

class MailAccount;
class MessageBoxes;

// Tools, Mail Server (frmMailServer): where mail goes, how it is secured, who
// logs in. OK stores it; Test runs the dialogue up to the login and quits.
class MailServerDialog : public QDialog, private SmtpSessionOwner {
    Q_OBJECT
public:
    MailServerDialog(MailAccount& account, MessageBoxes& messages, QWidget* parent = nullptr);
    ~MailServerDialog() override;

    void done(int result) override;

public slots:
    void cboSmtpSecurity_Click();
    void cmdSmtpTest_Click();

private:
    MailServer shownServer() const;

    void setStatus(const QString& text) override;
    void setSendEnabled(bool enabled) override;
    void sessionConnected() override {}
    QString messageBody() override { return {}; }
    void showMessage(const QString& text, const QString& title, MessageIcon icon) override;
    void sessionSucceeded() override {}

    MailAccount& account_;
    MessageBoxes& messages_;
    std::unique_ptr<Ui::frmMailServer> ui_;
    SmtpSession* session_;
    QStringList steps_;       // what the running test has done so far
    bool portChosen_ = false; // the user set the port; the security no longer moves it
    bool settingPort_ = false;
    bool saving_ = false; // OK was pressed; the keyring has yet to answer
};

} // namespace headwise
