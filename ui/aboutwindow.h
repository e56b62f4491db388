#pragma once

#include "platform/platform.h"

#include <QWidget>
#include <memory>

namespace Ui {
class AboutWindow;
}

namespace headwise {

// frmAbout: title, version, the maker's pages and the system-information launcher.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(const Platform& platform, QWidget* parent = nullptr);
    ~AboutWindow() override;

    static QUrl homePage();
    static QUrl mailingListPage();

public slots:
    void startSysInfo();
    void Command1_Click();
    void Command2_Click();

private:
    Platform platform_;
    std::unique_ptr<Ui::AboutWindow> ui_;
};

} // namespace headwise
