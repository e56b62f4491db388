#pragma once

#include "core/page/tagblock.h"
#include "platform/platform.h"

#include <QGroupBox>
#include <memory>
#include <optional>

namespace Ui {
class CreatePanel;
}

namespace headwise {

// The Create panel: the eight fields, the output box txtDoc and the commands on it.
class CreatePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit CreatePanel(QWidget* parent = nullptr);
    ~CreatePanel() override;

    // Save and the notices go through the platform.
    void setPlatform(const Platform& platform);

    // The four choices kept between runs: rating, robots, revisit and the
    // standard layout's output form; the other members stay empty.
    TagFields choices() const;
    void setChoices(const TagFields& choices);

public slots:
    // "Add These" of the Extract panel.
    void addKeywords(const QString& keywords);
    // Whether the Analyze panel holds a page for Insert Tags.
    void setPageLoaded(bool loaded);

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
    // Insert Tags with a page loaded: the block for the Analyze panel's page.
    void insertTagBlock(const QString& crlfBlock);
    // Insert Tags without a page: the Analyze panel's file dialog.
    void pageFileRequested();

private:
    TagFields readFields(const QString& outputForm) const;

    void txtDoc_Change();

    std::unique_ptr<Ui::CreatePanel> ui_;
    std::optional<Platform> platform_;
    bool pageLoaded_ = false;
};

} // namespace headwise
