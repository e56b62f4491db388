#include "mailserverdialog.h"

#include "linebreaks.h"
#include "mailaccount.h"
#include "messagebox.h"
#include "ui_frmmailserver.h"

#include <QPushButton>

namespace headwise {
namespace {

struct Texts {
    QString testPassed = QStringLiteral("The mail server answered every step.");
    QString noHost = QStringLiteral("Enter the host name of the mail server first.");
    QString noKeyring =
        QStringLiteral("No system keyring answered, so the password is not remembered.") + kCrLf +
        QStringLiteral("It is kept until Headwise closes and asked for at the next Send after that.");
};

const Texts& texts() {
    static const Texts t;
    return t;
}

} // namespace

MailServerDialog::MailServerDialog(MailAccount& account, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent), account_(account), messages_(messages), ui(std::make_unique<Ui::frmMailServer>()),
      session_(new SmtpSession(*this, {}, texts().testPassed, this)) {
    ui->setupUi(this);
    ui->cboSmtpSecurity->addItems(mailSecurityNames());

    const MailServer server = account_.server();
    ui->txtSmtpHost->setText(server.host);
    ui->txtSmtpUser->setText(server.user);
    ui->cboSmtpSecurity->setCurrentIndex(int(server.security));
    ui->spinSmtpPort->setValue(server.port);
    portChosen_ = server.port != defaultMailPort(server.security);
    account_.knownPassword(this, [this](const std::optional<QString>& password, bool fromKeyring) {
        // A password typed before a slow keyring answered stands.
        if (!password || ui->txtSmtpPassword->isModified())
            return;
        ui->txtSmtpPassword->setText(*password);
        ui->chkRememberPassword->setChecked(fromKeyring);
    });

    connect(ui->cboSmtpSecurity, &QComboBox::currentIndexChanged, this,
            &MailServerDialog::cboSmtpSecurity_Click);
    connect(ui->spinSmtpPort, &QSpinBox::valueChanged, this, [this] {
        if (!settingPort_)
            portChosen_ = true;
    });
    connect(ui->cmdSmtpTest, &QPushButton::clicked, this, &MailServerDialog::cmdSmtpTest_Click);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

MailServerDialog::~MailServerDialog() = default;

MailServer MailServerDialog::shownServer() const {
    return {.host = ui->txtSmtpHost->text().trimmed(),
            .port = quint16(ui->spinSmtpPort->value()),
            .security = MailSecurity(ui->cboSmtpSecurity->currentIndex()),
            .user = ui->txtSmtpUser->text()};
}

void MailServerDialog::cboSmtpSecurity_Click() {
    if (portChosen_)
        return;
    settingPort_ = true;
    ui->spinSmtpPort->setValue(defaultMailPort(MailSecurity(ui->cboSmtpSecurity->currentIndex())));
    settingPort_ = false;
}

void MailServerDialog::cmdSmtpTest_Click() {
    const MailServer server = shownServer();
    if (!server.configured()) {
        messages_.show(this, texts().noHost, windowTitle(), MessageIcon::None);
        return;
    }
    steps_.clear();
    MailRequest request;
    request.SmtpHost = server.host;
    request.SmtpPort = server.port;
    request.Login = ServerLogin{
        .security = server.security, .user = server.user, .password = ui->txtSmtpPassword->text()};
    session_->StartTest(request);
}

void MailServerDialog::done(int result) {
    if (saving_)
        return; // it closes once the keyring has answered
    session_->EndSession();
    if (result != QDialog::Accepted) {
        QDialog::done(result);
        return;
    }
    saving_ = true;
    const bool remember = ui->chkRememberPassword->isChecked();
    account_.save(shownServer(), ui->txtSmtpPassword->text(), remember, this, [this, result](bool kept) {
        saving_ = false;
        if (!kept)
            messages_.show(this, texts().noKeyring, windowTitle(), MessageIcon::None);
        QDialog::done(result);
    });
}

void MailServerDialog::setStatus(const QString& text) {
    steps_.append(text);
}

void MailServerDialog::setSendEnabled(bool enabled) {
    ui->cmdSmtpTest->setEnabled(enabled);
}

void MailServerDialog::showMessage(const QString& text, const QString& title, MessageIcon icon) {
    // What happened, step by step, then the outcome.
    messages_.show(this, steps_.join(kCrLf) + kCrLf + kCrLf + text, title, icon);
}

} // namespace headwise
