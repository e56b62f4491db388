#pragma once

#include "pagecodec.h"
#include "platform.h"

#include <QObject>
#include <functional>
#include <optional>

class QLineEdit;
class QTimer;
class QWidget;

namespace headwise {

// What the two panels that load pages share: the open dialog, reading a page
// file, the address check, the fetch and its watchdog. Each panel keeps its
// own order of steps and its own page; this class only does the steps.
class PageLoader : public QObject {
    Q_OBJECT
public:
    // watchdogName names the timer, a child of the panel. The address field
    // is read when the watchdog fires; pageArrived says whether the panel
    // holds a page by then.
    PageLoader(QWidget* panel, const QString& watchdogName, QLineEdit* addressField,
               std::function<bool()> pageArrived);

    void setPlatform(const Platform& platform);
    const std::optional<Platform>& platform() const { return platform_; }
    QTimer* watchdog() const { return watchdog_; }

    // The open dialog; empty when cancelled or before the platform is set.
    QString choosePageFile();
    // Nothing when the file cannot be loaded; the panels end quietly then.
    std::optional<DecodedPage> readFile(const QString& path);

    // False, after telling the user and focusing the field, when the text is
    // too short to be an address.
    bool acceptAddress(const QString& url);
    // Arms the watchdog and fetches; the panel takes the text before settle().
    QString fetch(const QString& url);
    // Lets waiting events run, then disarms the watchdog if the page arrived;
    // returns whether it did.
    bool settle();
    // The watchdog's tick: tells the user that nothing arrived, once. False
    // when the page is there after all.
    bool watchdogFired();

    void showMessage(const QString& text, const QString& title);

private:
    QWidget* panel_;
    QTimer* watchdog_;
    QLineEdit* addressField_;
    std::function<bool()> pageArrived_;
    std::optional<Platform> platform_;
};

} // namespace headwise
