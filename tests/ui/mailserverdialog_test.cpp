#include "doubles.h"
#include "platform/settingsstore.h"
#include "ui/mailaccount.h"
#include "ui/mailserverdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <list>
#include <memory>

using namespace headwise;
using namespace headwise::testing;

namespace {

QChar accessKey(const QString& text) {
    const qsizetype at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
}

class MailServerDialogTest : public ::testing::Test {
protected:
    void openDialog() { dialog = std::make_unique<MailServerDialog>(account, messages); }

    template <typename T> T* find(const char* name) const {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << "no control named " << name;
        return widget;
    }

    void fill(const QString& host, int security, const QString& user, const QString& password,
              bool remember) {
        find<QLineEdit>("txtSmtpHost")->setText(host);
        find<QComboBox>("cboSmtpSecurity")->setCurrentIndex(security);
        find<QLineEdit>("txtSmtpUser")->setText(user);
        find<QLineEdit>("txtSmtpPassword")->setText(password);
        find<QCheckBox>("chkRememberPassword")->setChecked(remember);
    }

    void press(QDialogButtonBox::StandardButton which) {
        find<QDialogButtonBox>("buttonBox")->button(which)->click();
    }

    MemorySettings settings;
    MemoryKeyring keyring;
    ScriptedPasswordPrompt prompt;
    RecordingMessageBoxes messages;
    MailAccount account{settings, keyring, prompt};
    std::unique_ptr<MailServerDialog> dialog;
};

TEST_F(MailServerDialogTest, OpensUnconfiguredWithTheDefaultsAndDistinctAccessKeys) {
    openDialog();
    EXPECT_EQ(dialog->objectName(), "frmMailServer");
    EXPECT_EQ(dialog->windowTitle(), "Mail Server");
    EXPECT_TRUE(dialog->isModal());
    EXPECT_TRUE(find<QLineEdit>("txtSmtpHost")->text().isEmpty());
    EXPECT_EQ(find<QSpinBox>("spinSmtpPort")->value(), 587);
    auto* security = find<QComboBox>("cboSmtpSecurity");
    ASSERT_EQ(security->count(), 3);
    EXPECT_EQ(security->itemText(0), "None");
    EXPECT_EQ(security->itemText(1), "STARTTLS");
    EXPECT_EQ(security->itemText(2), "TLS");
    EXPECT_EQ(security->currentText(), "STARTTLS");
    EXPECT_EQ(find<QLineEdit>("txtSmtpPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(find<QCheckBox>("chkRememberPassword")->text(), "Remember the password");
    EXPECT_FALSE(find<QCheckBox>("chkRememberPassword")->isChecked());
    EXPECT_EQ(find<QPushButton>("cmdSmtpTest")->text(), "&Test");

    QList<QChar> keys;
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (!accessKey(label->text()).isNull()) {
            keys.append(accessKey(label->text()));
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        }
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (!accessKey(button->text()).isNull())
            keys.append(accessKey(button->text()));
    EXPECT_GE(keys.size(), 6); // host, port, security, user, password, test, and the theme's OK / Cancel
    for (const QChar key : keys)
        EXPECT_EQ(keys.count(key), 1) << QString(key).toStdString();
}

TEST_F(MailServerDialogTest, SecuritySetsThePortUntilTheUserChoosesOne) {
    struct Case {
        const char* name;
        int typedPort;         // 0: the port is left alone
        QList<int> securities; // chosen in turn
        int expectedPort;
    };
    const Case cases[] = {
        {"TLS", 0, {2}, 465},
        {"None", 0, {0}, 25},
        {"TLS then back to STARTTLS", 0, {2, 1}, 587},
        {"typed port stays", 2525, {2, 0}, 2525},
    };
    for (const Case& c : cases) {
        openDialog();
        if (c.typedPort)
            find<QSpinBox>("spinSmtpPort")->setValue(c.typedPort);
        for (int security : c.securities)
            find<QComboBox>("cboSmtpSecurity")->setCurrentIndex(security);
        EXPECT_EQ(find<QSpinBox>("spinSmtpPort")->value(), c.expectedPort) << c.name;
    }
    // A stored port other than the security's counts as chosen.
    account.save({.host = "h.example", .port = 2525, .security = MailSecurity::StartTls, .user = {}}, {},
                 false, nullptr, {});
    openDialog();
    find<QComboBox>("cboSmtpSecurity")->setCurrentIndex(2);
    EXPECT_EQ(find<QSpinBox>("spinSmtpPort")->value(), 2525);
}

TEST_F(MailServerDialogTest, OkStoresTheServerInTheMailGroupAndThePasswordNeverInTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Headwise.conf"));
    {
        QSettingsStore store(path);
        MailAccount real(store, keyring, prompt);
        dialog = std::make_unique<MailServerDialog>(real, messages);
        fill(QStringLiteral("smtp.a.example"), 2, QStringLiteral("ann"), QStringLiteral("pw-7Qx!"), true);
        press(QDialogButtonBox::Ok);
        std::optional<QString> known;
        real.knownPassword(nullptr, [&](const std::optional<QString>& password, bool) { known = password; });
        EXPECT_EQ(known, QStringLiteral("pw-7Qx!"));
        dialog.reset();
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[Mail]")) << text.constData();
    EXPECT_TRUE(text.contains("Host=smtp.a.example"));
    EXPECT_TRUE(text.contains("Port=465"));
    EXPECT_TRUE(text.contains("Security=TLS"));
    EXPECT_TRUE(text.contains("User=ann"));
    EXPECT_FALSE(text.contains("pw-7Qx")) << text.constData();
    EXPECT_FALSE(text.contains(QByteArray("pw-7Qx!").toBase64()));
    EXPECT_FALSE(text.contains("[Settings]")); // the window's five keys are not touched
    EXPECT_EQ(keyring.passwords.value(QStringLiteral("ann@smtp.a.example")), "pw-7Qx!");
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MailServerDialogTest, KeyringOutcomes) {
    struct Case {
        const char* name;
        bool keyringAvailable;
        bool remember;
        bool keptInKeyring;
        bool toldNoKeyring;
    };
    const Case cases[] = {
        {"remembered", true, true, true, false},
        {"not remembered: the keyring forgets it", true, false, false, false},
        {"no keyring answers", false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        keyring.passwords = {{"ann@h.example", "old"}};
        keyring.available = c.keyringAvailable;
        MailAccount fresh(settings, keyring, prompt);
        dialog = std::make_unique<MailServerDialog>(fresh, messages);
        fill(QStringLiteral("h.example"), 1, QStringLiteral("ann"), QStringLiteral("new"), c.remember);
        press(QDialogButtonBox::Ok);
        EXPECT_EQ(keyring.passwords.value("ann@h.example") == "new", c.keptInKeyring);
        if (c.keyringAvailable && !c.remember) {
            EXPECT_FALSE(keyring.passwords.contains("ann@h.example"));
        }
        ASSERT_EQ(messages.shown.size(), c.toldNoKeyring ? 1 : 0);
        if (c.toldNoKeyring) {
            EXPECT_TRUE(messages.shown[0].text.startsWith("No system keyring answered"));
        }
        // Held for the run either way: Send does not ask.
        std::optional<QString> password;
        fresh.passwordForSend(nullptr, nullptr,
                              [&](const std::optional<QString>& answer) { password = answer; });
        EXPECT_EQ(password, QStringLiteral("new"));
        EXPECT_TRUE(prompt.labels.isEmpty());
    }
}

TEST_F(MailServerDialogTest, ReopeningShowsTheKeyringsPasswordAndCancelChangesNothing) {
    account.save({.host = "h.example", .port = 587, .security = MailSecurity::StartTls, .user = "ann"}, {},
                 false, nullptr, {});
    keyring.passwords = {{"ann@h.example", "kept"}};
    openDialog();
    EXPECT_EQ(find<QLineEdit>("txtSmtpHost")->text(), "h.example");
    EXPECT_EQ(find<QLineEdit>("txtSmtpUser")->text(), "ann");
    EXPECT_EQ(find<QLineEdit>("txtSmtpPassword")->text(), "kept");
    EXPECT_TRUE(find<QCheckBox>("chkRememberPassword")->isChecked());

    const QStringList writtenBefore = settings.writtenKeys;
    fill(QStringLiteral("other.example"), 0, QStringLiteral("bob"), QStringLiteral("x"), false);
    press(QDialogButtonBox::Cancel);
    EXPECT_EQ(settings.writtenKeys, writtenBefore);
    EXPECT_EQ(account.server().host, "h.example");
    EXPECT_EQ(keyring.passwords.value("ann@h.example"), "kept");
}

TEST_F(MailServerDialogTest, AKeyringAnsweringLaterFillsTheDialogAndOkWaitsForIt) {
    account.save({.host = "h.example", .port = 587, .security = MailSecurity::StartTls, .user = "ann"}, {},
                 false, nullptr, {});
    keyring.passwords = {{"ann@h.example", "kept"}};
    keyring.queued = true;
    std::list<MailAccount> accounts; // a fresh one each time, holding no password yet
    for (const QString& typedFirst : {QString(), QStringLiteral("mine")}) {
        SCOPED_TRACE(typedFirst.toStdString());
        const int answered = keyring.answered;
        dialog =
            std::make_unique<MailServerDialog>(accounts.emplace_back(settings, keyring, prompt), messages);
        auto* password = find<QLineEdit>("txtSmtpPassword");
        EXPECT_TRUE(password->text().isEmpty());
        QTest::keyClicks(password, typedFirst); // typed before the keyring answers, it stands
        ASSERT_TRUE(QTest::qWaitFor([&] { return keyring.answered == answered + 1; }, 5000));
        EXPECT_EQ(password->text(), typedFirst.isEmpty() ? QStringLiteral("kept") : typedFirst);
        EXPECT_EQ(find<QCheckBox>("chkRememberPassword")->isChecked(), typedFirst.isEmpty());
    }

    // OK closes the dialog once the keyring has answered, after saying it kept nothing.
    keyring.available = false;
    find<QCheckBox>("chkRememberPassword")->setChecked(true);
    QSignalSpy accepted(dialog.get(), &QDialog::accepted);
    QSignalSpy rejected(dialog.get(), &QDialog::rejected);
    messages.onShow = [&](const ShownMessage&) { EXPECT_TRUE(accepted.isEmpty()); };
    press(QDialogButtonBox::Ok);
    press(QDialogButtonBox::Cancel); // too late: OK is on its way
    EXPECT_TRUE(messages.shown.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return accepted.size() == 1; }, 5000));
    EXPECT_TRUE(rejected.isEmpty());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.startsWith("No system keyring answered"));
}

TEST_F(MailServerDialogTest, TestWithoutAHostSaysWhatIsMissing) {
    openDialog();
    find<QPushButton>("cmdSmtpTest")->click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, "Enter the host name of the mail server first.");
}

} // namespace
