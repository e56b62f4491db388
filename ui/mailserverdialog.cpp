#include "ui/mailserverdialog.h"

#include "core/page/linebreaks.h"
#include "platform/messagebox.h"
#include "ui/mailaccount.h"
#include "ui_frmmailserver.h"

#include <QPushButton>

namespace headwise {
namespace {

// Every text this dialog shows beyond its layout's, in one place.
namespace text {
const QString kTestPassed = QStringLiteral("The mail server answered every step.");
const QString kNoHost = QStringLiteral("Enter the host name of the mail server first.");
const QString kNoKeyring =
    QStringLiteral("No system keyring answered, so the password is not remembered.") + kCrLf +
    QStringLiteral("It is kept until Headwise closes and asked for at the next Send after that.");
} // namespace text

} // namespace

MailServerDialog::MailServerDialog(MailAccount& account, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent), account_(account), messages_(messages), ui_(std::make_unique<Ui::frmMailServer>()),
      session_(new SmtpSession(*this, {}, text::kTestPassed, this)) {
    ui_->setupUi(this);
    ui_->cboSmtpSecurity->addItems(mailSecurityNames());

    const MailServer server = account_.server();
    ui_->txtSmtpHost->setText(server.host);
    ui_->txtSmtpUser->setText(server.user);
    ui_->cboSmtpSecurity->setCurrentIndex(int(server.security));
    ui_->spinSmtpPort->setValue(server.port);
    portChosen_ = server.port != defaultMailPort(server.security);
    account_.knownPassword(this, [this](const std::optional<QString>& password, bool fromKeyring) {
        // A password typed before a slow keyring answered stands.
        if (!password || ui_->txtSmtpPassword->isModified())
            return;
        ui_->txtSmtpPassword->setText(*password);
        ui_->chkRememberPassword->setChecked(fromKeyring);
    });

    connect(ui_->cboSmtpSecurity, &QComboBox::currentIndexChanged, this,
            &MailServerDialog::cboSmtpSecurity_Click);
    connect(ui_->spinSmtpPort, &QSpinBox::valueChanged, this, [this] {
        if (!settingPort_)
            portChosen_ = true;
    });
    connect(ui_->cmdSmtpTest, &QPushButton::clicked, this, &MailServerDialog::cmdSmtpTest_Click);
    connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

MailServerDialog::~MailServerDialog() = default;

MailServer MailServerDialog::shownServer() const {
    return {.host = ui_->txtSmtpHost->text().trimmed(),
            .port = quint16(ui_->spinSmtpPort->value()),
            .security = MailSecurity(ui_->cboSmtpSecurity->currentIndex()),
            .user = ui_->txtSmtpUser->text()};
}

void MailServerDialog::cboSmtpSecurity_Click() {
    if (portChosen_)
        return;
    settingPort_ = true;
    ui_->spinSmtpPort->setValue(defaultMailPort(MailSecurity(ui_->cboSmtpSecurity->currentIndex())));
    settingPort_ = false;
}

void MailServerDialog::cmdSmtpTest_Click() {
    const MailServer server = shownServer();
    if (!server.configured()) {
        messages_.show(this, text::kNoHost, windowTitle(), MessageIcon::None);
        return;
    }
    steps_.clear();
    MailRequest request;
    request.SmtpHost = server.host;
    request.SmtpPort = server.port;
    request.Login = ServerLogin{
        .security = server.security, .user = server.user, .password = ui_->txtSmtpPassword->text()};
    session_->startTest(request);
}

void MailServerDialog::done(int result) {
    if (saving_)
        return; // it closes once the keyring has answered
    session_->endSession();
    if (result != QDialog::Accepted) {
        QDialog::done(result);
        return;
    }
    saving_ = true;
    const bool remember = ui_->chkRememberPassword->isChecked();
    account_.save(shownServer(), ui_->txtSmtpPassword->text(), remember, this, [this, result](bool kept) {
        saving_ = false;
        if (!kept)
            messages_.show(this, text::kNoKeyring, windowTitle(), MessageIcon::None);
        QDialog::done(result);
    });
}

void MailServerDialog::setStatus(const QString& text) {
    steps_.append(text);
}

void MailServerDialog::setSendEnabled(bool enabled) {
    ui_->cmdSmtpTest->setEnabled(enabled);
}

void MailServerDialog::showMessage(const QString& text, const QString& title, MessageIcon icon) {
    // What happened, step by step, then the outcome.
    messages_.show(this, steps_.join(kCrLf) + kCrLf + kCrLf + text, title, icon);
}

} // namespace headwise
