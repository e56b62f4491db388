#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace headwise {

// Asks the user for a line of text, proposing one; none when they cancel.
class TextPrompt {
public:
    virtual ~TextPrompt() = default;
    virtual std::optional<QString> ask(QWidget* parent, const QString& title, const QString& label,
                                       const QString& proposed) = 0;
};

class QtTextPrompt final : public TextPrompt {
public:
    std::optional<QString> ask(QWidget* parent, const QString& title, const QString& label,
                               const QString& proposed) override;
};

// For windows given no prompt: every question is cancelled.
TextPrompt& cancellingTextPrompt();

} // namespace headwise
