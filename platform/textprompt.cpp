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

std::optional<QString> askLine(QWidget* parent, const QString& title, const QString& label,
                               const QString& proposed, bool hidden) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        parent, title, label, hidden ? QLineEdit::Password : QLineEdit::Normal, proposed, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> QtTextPrompt::ask(QWidget* parent, const QString& title, const QString& label,
                                         const QString& proposed) {
    return askLine(parent, title, label, proposed, false);
}

TextPrompt& cancellingTextPrompt() {
    static CancellingTextPrompt prompt;
    return prompt;
}

} // namespace headwise
