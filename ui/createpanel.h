#pragma once

#include <QGroupBox>
#include <memory>

namespace Ui {
class CreatePanel;
}

namespace headwise {

class AnalyzePanel;
struct Platform;
struct TagFields;

// The Create panel: the eight fields, the output box txtDoc and the commands on it.
class CreatePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit CreatePanel(QWidget* parent = nullptr);
    ~CreatePanel() override;

    // Insert Tags works on the Analyze panel's page; Save and the notices go
    // through the platform.
    void attach(const Platform& platform, AnalyzePanel* analyze);

public slots:
    void ButtonEx4_Click();
    void ButtonEx7_Click();
    void ButtonEx5_Click();
    void ButtonEx6_Click();
    void cmdInsert2_Click();

signals:
    // "S&can": the main window shows the Extract panel.
    void scanRequested();
    // Insert Tags: the main window shows the Analyze panel.
    void analyzeRequested();

private:
    TagFields readFields(const QString& outputForm) const;

    void txtDoc_Change();

    std::unique_ptr<Ui::CreatePanel> ui;
    std::unique_ptr<Platform> platform_;
    AnalyzePanel* analyze_ = nullptr;
};

} // namespace headwise
