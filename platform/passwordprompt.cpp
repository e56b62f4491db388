#include "platform/passwordprompt.h"

#include <QInputDialog>
#include <QLineEdit>

namespace headwise {
namespace {

class CancellingPrompt final : public PasswordPrompt {
public:
    std::optional<QString> ask(QWidget*, const QString&, const QString&) override { return std::nullopt; }
};

} // namespace

std::optional<QString> QtPasswordPrompt::ask(QWidget* parent, const QString& title, const QString& label) {
    bool ok = false;
    const QString password = QInputDialog::getText(parent, title, label, QLineEdit::Password, {}, &ok);
    if (!ok)
        return std::nullopt;
    return password;
}

PasswordPrompt& cancellingPasswordPrompt() {
    static CancellingPrompt prompt;
    return prompt;
}

} // namespace headwise
