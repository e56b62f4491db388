#pragma once

#include <QGroupBox>
#include <memory>

namespace Ui {
class CreatePanel;
}

namespace headwise {

struct TagFields;

// The Create panel: the eight fields, the output box txtDoc and the commands on it.
class CreatePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit CreatePanel(QWidget* parent = nullptr);
    ~CreatePanel() override;

public slots:
    void ButtonEx4_Click();
    void ButtonEx7_Click();
    void ButtonEx5_Click();

signals:
    // "S&can": the main window shows the Extract panel.
    void scanRequested();

private:
    TagFields readFields(const QString& outputForm) const;

    std::unique_ptr<Ui::CreatePanel> ui;
};

} // namespace headwise
