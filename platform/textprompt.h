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

// The desktop's line-of-text question, the answer shown as typed or hidden.
std::optional<QString> askLine(QWidget* parent, const QString& title, const QString& label,
                               const QString& proposed, bool hidden);

} // namespace headwise
