#include "ui/mailwindow.h"

#include "core/appinfo.h"
#include "core/page/linebreaks.h"
#include "platform/messagebox.h"
#include "ui/editortext.h"
#include "ui/mailaccount.h"
#include "ui_frmbugreport.h"
#include "ui_frmbugreport1.h"

#include <QCloseEvent>

namespace headwise {
namespace {

// Every text this window shows beyond its form's, in one place.
namespace text {
const QString kLineBreakRefused =
    QStringLiteral("An email address, name or subject cannot hold a line break.     ");
} // namespace text

} // namespace

MailWindow::MailWindow(const MailForm& form, MessageBoxes& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), messages_(messages),
      session_(new SmtpSession(*this, form.mailerName, form.successText, this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    if (form_.kind == MailFormKind::TellFriend) {
        tellUi_ = std::make_unique<Ui::frmBugReport>();
        tellUi_->setupUi(this);
    } else {
        contactUi_ = std::make_unique<Ui::frmBugReport1>();
        contactUi_->setupUi(this);
    }
    cboSubject = findChild<QComboBox*>(QStringLiteral("cboSubject"));
    txtFrom = findChild<QLineEdit*>(QStringLiteral("txtFrom"));
    txtMessage = findChild<QPlainTextEdit*>(QStringLiteral("txtMessage"));
    lblStatus = findChild<QLabel*>(QStringLiteral("lblStatus"));
    cmdSend = findChild<QPushButton*>(QStringLiteral("cmdSend"));
    cmdExit = findChild<QPushButton*>(QStringLiteral("cmdExit"));

    connect(cmdSend, &QPushButton::clicked, this, &MailWindow::cmdSend_Click);
    connect(cmdExit, &QPushButton::clicked, this, &MailWindow::cmdExit_Click);
    Form_Load();
}

MailWindow::~MailWindow() = default;

void MailWindow::Form_Load() {
    setWindowTitle(form_.caption);
    cboSubject->addItems(form_.subjects);
    cboSubject->setCurrentIndex(form_.initialSubject);
    if (form_.initialSubject < 0)
        cboSubject->setEditText(kSubjectPrompt);
    if (tellUi_)
        tellUi_->txtUrl->setText(programPageAddress());
    request_.ContentSubtype = QStringLiteral("plain;");
    request_.SmtpHost = makerSmtpHost();
    request_.SmtpPort = 25;
}

void MailWindow::setSmtpServer(const QString& host, quint16 port) {
    request_.SmtpHost = host;
    request_.SmtpPort = port;
}

void MailWindow::setTickInterval(int milliseconds) {
    session_->setTickInterval(milliseconds);
}

QString MailWindow::fieldText(const QString& field) const {
    if (auto* line = findChild<QLineEdit*>(field))
        return line->text();
    if (auto* box = findChild<QComboBox*>(field))
        return box->currentText();
    if (auto* edit = findChild<QPlainTextEdit*>(field))
        return crLfText(edit);
    return {};
}

void MailWindow::cmdSend_Click() {
    if (session_->isRunning() || passwordQuestion_)
        return;
    // The recipient is fixed now; edits made while the session runs do not move it.
    const QString recipient = tellUi_ ? tellUi_->txtFriend->text() : makerFeedbackAddress();
    const auto failing =
        firstFailingCheck(form_.checks, [this](const QString& field) { return fieldText(field); });
    if (failing) {
        messages_.show(this, failing->text, failing->title, MessageIcon::Information);
        if (auto* widget = findChild<QWidget*>(failing->field))
            widget->setFocus();
        return;
    }

    // A subject typed into the box that matches no entry goes out as typed.
    const QString entry = cboSubject->currentText();
    MailRequest request = request_;
    request.Sender = txtFrom->text();
    request.Recipient = recipient;
    request.Subject = tellUi_ ? tellFriendSubject(tellUi_->txtName->text(), entry) : contactSubject(entry);
    if (!isSendable(request)) {
        messages_.show(this, text::kLineBreakRefused, applicationTitle(), MessageIcon::None);
        return;
    }
    if (account_) {
        const MailServer server = account_->server();
        if (server.configured()) {
            // Closing the window takes the question with it: a late answer starts nothing.
            auto* question = new QObject(this);
            passwordQuestion_ = question;
            account_->passwordForSend(
                this, question,
                [this, question, request, server](const std::optional<QString>& password) mutable {
                    passwordQuestion_.clear();
                    question->deleteLater();
                    if (!password)
                        return; // the user cancelled the question
                    request.SmtpHost = server.host;
                    request.SmtpPort = server.port;
                    request.Login =
                        ServerLogin{.security = server.security, .user = server.user, .password = *password};
                    session_->startSession(request);
                });
            return;
        }
    }
    session_->startSession(request);
}

void MailWindow::cmdExit_Click() {
    close();
}

void MailWindow::closeEvent(QCloseEvent* event) {
    delete passwordQuestion_.data();
    session_->endSession();
    event->accept();
}

void MailWindow::setStatus(const QString& text) {
    lblStatus->setText(text);
}

void MailWindow::setSendEnabled(bool enabled) {
    cmdSend->setEnabled(enabled);
}

void MailWindow::sessionConnected() {
    // Read now, so edits made between Send and the connection are included.
    if (tellUi_)
        txtMessage->setPlainText(
            toLf(tellFriendBody(tellUi_->txtFriendsName->text(), crLfText(tellUi_->txtComments),
                                tellUi_->txtUrl->text(), tellUi_->txtName->text())));
}

QString MailWindow::messageBody() {
    return crLfText(txtMessage);
}

void MailWindow::showMessage(const QString& text, const QString& title, MessageIcon icon) {
    messages_.show(this, text, title, icon);
}

void MailWindow::sessionSucceeded() {
    close();
}

} // namespace headwise
