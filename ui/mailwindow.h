#pragma once

#include "core/mail/mailforms.h"
#include "core/mail/smtpmessage.h"
#include "net/smtpsession.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class frmBugReport;
class frmBugReport1;
} // namespace Ui
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace headwise {

class MailAccount;
class MessageBoxes;

// Tell a Friend (frmBugReport) and Contact (frmBugReport1): one window, two
// configurations. It checks the fields, composes subject and body, and runs
// one SMTP session at a time; it deletes itself when closed.
class MailWindow : public QWidget, private SmtpSessionOwner {
    Q_OBJECT
public:
    MailWindow(const MailForm& form, MessageBoxes& messages, QWidget* parent = nullptr);
    ~MailWindow() override;

    // Where the mail goes while no server of the user's is set up: the maker's host on port 25.
    void setSmtpServer(const QString& host, quint16 port);
    // Once the account names a server, mail goes there instead, secured and logged in.
    void setMailAccount(MailAccount* account) { account_ = account; }
    void setTickInterval(int milliseconds);

public slots:
    void cmdSend_Click();
    void cmdExit_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    QString fieldText(const QString& field) const;

    void setStatus(const QString& text) override;
    void setSendEnabled(bool enabled) override;
    void sessionConnected() override;
    QString messageBody() override;
    void showMessage(const QString& text, const QString& title, MessageIcon icon) override;
    void sessionSucceeded() override;

    const MailForm& form_;
    MessageBoxes& messages_;
    MailAccount* account_ = nullptr;
    std::unique_ptr<Ui::frmBugReport> tellUi_;
    std::unique_ptr<Ui::frmBugReport1> contactUi_;
    MailRequest request_;
    SmtpSession* session_;
    QPointer<QObject> passwordQuestion_; // while Send waits for the password

    QComboBox* cboSubject = nullptr;
    QLineEdit* txtFrom = nullptr;
    QPlainTextEdit* txtMessage = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* cmdSend = nullptr;
    QPushButton* cmdExit = nullptr;
};

} // namespace headwise
