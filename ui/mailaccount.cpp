#include "mailaccount.h"

#include "keyring.h"
#include "passwordprompt.h"
#include "settingsstore.h"

namespace headwise {

MailAccount::MailAccount(SettingsStore& settings, Keyring& keyring, PasswordPrompt& prompt)
    : settings_(settings), keyring_(keyring), prompt_(prompt) {}

MailServer MailAccount::server() const {
    return readMailServer([this](const QString& key) { return settings_.readIn(kMailGroup, key, {}); });
}

void MailAccount::hold(const MailServer& server, const QString& password) {
    heldKey_ = mailPasswordKey(server);
    held_ = password;
}

std::optional<QString> MailAccount::knownPassword(bool* fromKeyring) {
    if (fromKeyring)
        *fromKeyring = false;
    const MailServer current = server();
    if (!current.configured() || current.user.isEmpty())
        return std::nullopt;
    if (held_ && heldKey_ == mailPasswordKey(current))
        return held_;
    QString password;
    if (keyring_.readPassword(mailPasswordKey(current), password) != Keyring::Result::Done)
        return std::nullopt;
    hold(current, password);
    if (fromKeyring)
        *fromKeyring = true;
    return password;
}

std::optional<QString> MailAccount::passwordForSend(QWidget* parent) {
    const MailServer current = server();
    if (current.user.isEmpty())
        return QString();
    if (auto known = knownPassword())
        return known;
    const auto typed = prompt_.ask(parent, QStringLiteral("Mail Server"),
                                   QStringLiteral("Password of %1 at %2:").arg(current.user, current.host));
    if (typed)
        hold(current, *typed);
    return typed;
}

bool MailAccount::save(const MailServer& server, const QString& password, bool remember) {
    writeMailServer(server, [this](const QString& key, const QString& value) {
        settings_.writeIn(kMailGroup, key, value);
    });
    // Without a password to keep, Send asks for one.
    if (!server.configured() || server.user.isEmpty() || password.isEmpty()) {
        held_.reset();
        return true;
    }
    hold(server, password);
    if (!remember) {
        keyring_.deletePassword(mailPasswordKey(server));
        return true;
    }
    return keyring_.writePassword(mailPasswordKey(server), password) == Keyring::Result::Done;
}

} // namespace headwise
