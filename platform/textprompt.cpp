#include "platform/textprompt.h"

#include <QInputDialog>
#include <QLineEdit>

namespace headwise {
namespace {

class CancellingTextPrompt final : public TextPrompt {
public:
    std::optional<QString> ask(QWidget*, const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
};

} // namespace

std::optional<QString> QtTextPrompt::ask(QWidget* parent, const QString& title, const QString& label,
                                         const QString& proposed) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, proposed, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

TextPrompt& cancellingTextPrompt() {
    static CancellingTextPrompt prompt;
    return prompt;
}

} // namespace headwise
