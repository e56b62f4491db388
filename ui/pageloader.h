#pragma once

#include "backgroundwork.h"
#include "pagecodec.h"
#include "pagefetcher.h"
#include "platform.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

class QLineEdit;
class QWidget;

namespace headwise {

// What the two panels that load pages share: the open dialog, reading a page
// file, the address check, the fetch and its watchdog, and the worker their
// text work waits on. Each panel keeps its own order of steps and its own
// page; this class only does the steps.
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
    // Every long step of the panel runs here, so that a new load supersedes them all.
    BackgroundWork& work() const { return *work_; }

    // Lets the window paint; false when newer work started meanwhile.
    bool pause(quint64 generation);

    // The open dialog; empty when cancelled or before the platform is set.
    QString choosePageFile();
    // Read and decoded off the GUI thread. Nothing when the file cannot be
    // loaded (the panels end quietly then) or newer work superseded the read.
    std::optional<DecodedPage> readFile(const QString& path);

    // False, after telling the user and focusing the field, when the text is
    // too short to be an address.
    bool acceptAddress(const QString& url);

    // Arms the watchdog and runs fetch(fetcher) on a worker thread while the
    // window paints and the watchdog can fire; nothing when superseded, when
    // the window is closing or before the platform is set.
    template <typename Fetch> std::optional<std::invoke_result_t<Fetch, PageFetcher&>> fetch(Fetch fetch) {
        watchdog_->start();
        if (!platform_)
            return std::nullopt;
        // The fetcher outlives the windows, so the worker may keep it after a close.
        PageFetcher& fetcher = platform_->fetcher;
        auto answered = std::make_shared<std::atomic<bool>>(false);
        answered_ = answered;
        return work_->run([&fetcher, answered, fetch = std::move(fetch)] {
            auto page = fetch(fetcher);
            *answered = true;
            return page;
        });
    }
    // After the fetched page is in: pauses, then disarms the watchdog if the
    // page arrived; true when the panel goes on with it.
    bool settle(quint64 generation);
    // The watchdog's tick: tells the user that nothing arrived, once. False
    // when the page is there after all.
    bool watchdogFired();

    void showMessage(const QString& text, const QString& title);

private:
    QWidget* panel_;
    QTimer* watchdog_;
    BackgroundWork* work_;
    QLineEdit* addressField_;
    std::function<bool()> pageArrived_;
    std::optional<Platform> platform_;
    // Set when the fetch under way has its answer, which may wait to be shown
    // while another panel's wait runs inside this one; the watchdog then holds
    // its notice, and settle() decides by the page box.
    std::shared_ptr<std::atomic<bool>> answered_;
};

} // namespace headwise
