#pragma once

#include "mailserver.h"

#include <QString>
#include <optional>

class QWidget;

namespace headwise {

class Keyring;
class PasswordPrompt;
class SettingsStore;

// The user's own mail server as both mail windows and its dialog share it:
// the server in the settings group "Mail", the password held in memory for
// the program run and, when the user asks, in the system keyring. The
// password never goes into the settings.
class MailAccount {
public:
    MailAccount(SettingsStore& settings, Keyring& keyring, PasswordPrompt& prompt);

    MailServer server() const;
    // Typed or read earlier in this run, else the keyring's; fromKeyring tells which.
    std::optional<QString> knownPassword(bool* fromKeyring = nullptr);
    // What a Send uses: none needed without a user, else the known password,
    // else the user is asked; none when they cancel.
    std::optional<QString> passwordForSend(QWidget* parent);
    // Stores the server and holds the password; with remember the keyring keeps
    // it too, without, the keyring forgets it. False when the keyring was to keep
    // it and did not answer.
    bool save(const MailServer& server, const QString& password, bool remember);

private:
    void hold(const MailServer& server, const QString& password);

    SettingsStore& settings_;
    Keyring& keyring_;
    PasswordPrompt& prompt_;
    QString heldKey_; // whose password is held
    std::optional<QString> held_;
};

} // namespace headwise
