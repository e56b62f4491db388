#pragma once

#include "core/mail/mailserver.h"

#include <QString>
#include <functional>
#include <optional>

class QObject;
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

    using PasswordDone = std::function<void(const std::optional<QString>& password)>;
    using KnownDone = std::function<void(const std::optional<QString>& password, bool fromKeyring)>;

    MailServer server() const;
    // Typed or read earlier in this run, else the keyring's; fromKeyring tells
    // which. Answered at once when held, else when the keyring answers; never
    // after context is destroyed.
    void knownPassword(QObject* context, KnownDone done);
    // What a Send uses: none needed without a user, else the known password,
    // else the user is asked (over parent) once the keyring has none; none
    // when they cancel.
    void passwordForSend(QWidget* parent, QObject* context, PasswordDone done);
    // Stores the server and holds the password at once; with remember the
    // keyring keeps it too, without, the keyring forgets it. done (which may be
    // empty) hears false when the keyring was to keep it and did not answer.
    void save(const MailServer& server, const QString& password, bool remember, QObject* context,
              std::function<void(bool kept)> done);

private:
    void hold(const MailServer& server, const QString& password);

    SettingsStore& settings_;
    Keyring& keyring_;
    PasswordPrompt& prompt_;
    QString heldKey_; // whose password is held
    std::optional<QString> held_;
};

} // namespace headwise
