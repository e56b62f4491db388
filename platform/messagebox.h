#pragma once

#include "core/messageicon.h"

#include <QString>

class QWidget;

namespace headwise {

// Modal message box with one OK button.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void show(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void show(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
};

} // namespace headwise
