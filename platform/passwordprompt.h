#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace headwise {

// Asks the user for a password; none when they cancel.
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    virtual std::optional<QString> ask(QWidget* parent, const QString& title, const QString& label) = 0;
};

class QtPasswordPrompt final : public PasswordPrompt {
public:
    std::optional<QString> ask(QWidget* parent, const QString& title, const QString& label) override;
};

// For windows given no prompt: every question is cancelled.
PasswordPrompt& cancellingPasswordPrompt();

} // namespace headwise
