#include "ui/mailaccount.h"

#include "platform/keyring.h"
#include "platform/passwordprompt.h"
#include "platform/settingsstore.h"

namespace headwise {
namespace {

// Every text the password question shows.
namespace text {
const QString kPromptTitle = QStringLiteral("Mail Server");
const QString kPrompt = QStringLiteral("Password of %1 at %2:");
} // namespace text

} // namespace

MailAccount::MailAccount(SettingsStore& settings, Keyring& keyring, PasswordPrompt& prompt)
    : settings_(settings), keyring_(keyring), prompt_(prompt) {}

MailServer MailAccount::server() const {
    return readMailServer([this](const QString& key) { return settings_.readIn(kMailGroup, key, {}); });
}

void MailAccount::hold(const MailServer& server, const QString& password) {
    heldKey_ = mailPasswordKey(server);
    held_ = password;
}

void MailAccount::knownPassword(QObject* context, KnownDone done) {
    const MailServer current = server();
    if (!current.configured() || current.user.isEmpty()) {
        done(std::nullopt, false);
        return;
    }
    if (held_ && heldKey_ == mailPasswordKey(current)) {
        done(held_, false);
        return;
    }
    keyring_.readPassword(
        mailPasswordKey(current), context,
        [this, current, done = std::move(done)](Keyring::Result result, const QString& password) {
            if (result != Keyring::Result::Done) {
                done(std::nullopt, false);
                return;
            }
            hold(current, password);
            done(password, true);
        });
}

void MailAccount::passwordForSend(QWidget* parent, QObject* context, PasswordDone done) {
    const MailServer current = server();
    if (current.user.isEmpty()) {
        done(QString());
        return;
    }
    knownPassword(
        context, [this, parent, current, done = std::move(done)](const std::optional<QString>& known, bool) {
            if (known) {
                done(known);
                return;
            }
            const auto typed =
                prompt_.ask(parent, text::kPromptTitle, text::kPrompt.arg(current.user, current.host));
            if (typed)
                hold(current, *typed);
            done(typed);
        });
}

void MailAccount::save(const MailServer& server, const QString& password, bool remember, QObject* context,
                       std::function<void(bool kept)> done) {
    writeMailServer(server, [this](const QString& key, const QString& value) {
        settings_.writeIn(kMailGroup, key, value);
    });
    if (!done)
        done = [](bool) {};
    // Without a password to keep, Send asks for one.
    if (!server.configured() || server.user.isEmpty() || password.isEmpty()) {
        held_.reset();
        done(true);
        return;
    }
    hold(server, password);
    if (!remember) {
        keyring_.deletePassword(mailPasswordKey(server), context, {});
        done(true);
        return;
    }
    keyring_.writePassword(
        mailPasswordKey(server), password, context,
        [done = std::move(done)](Keyring::Result result) { done(result == Keyring::Result::Done); });
}

} // namespace headwise
