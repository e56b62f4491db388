#include "platform/passwordprompt.h"

#include "platform/textprompt.h"

namespace headwise {
namespace {

class CancellingPrompt final : public PasswordPrompt {
public:
    std::optional<QString> ask(QWidget*, const QString&, const QString&) override { return std::nullopt; }
};

} // namespace

std::optional<QString> QtPasswordPrompt::ask(QWidget* parent, const QString& title, const QString& label) {
    return askLine(parent, title, label, {}, true);
}

PasswordPrompt& cancellingPasswordPrompt() {
    static CancellingPrompt prompt;
    return prompt;
}

} // namespace headwise
