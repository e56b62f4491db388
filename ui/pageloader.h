#pragma once

#include "core/page/pagecodec.h"
#include "net/pagefetcher.h"
#include "platform/platform.h"
#include "ui/job.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

class QLineEdit;
class QWidget;

namespace headwise {

// What the two panels that load pages share: the open dialog, the address
// check, the fetch and its watchdog, and the job that loads. Each panel keeps
// its own order of steps and its own page; this class only does the steps.
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
    // The load and every step that follows it; a new load cancels them all.
    Job& job() const { return *job_; }
    // Cancels the load under way; its watchdog stops with it.
    void cancel();

    // The open dialog; empty when cancelled or before the platform is set.
    QString choosePageFile();
    // Reads and decodes the file off the GUI thread and hands the page to
    // done; nothing arrives when the file cannot be loaded (the panels end
    // quietly then) or the job was cancelled meanwhile.
    void readFile(Job& job, const QString& path, std::function<void(DecodedPage)> done);

    // False, after telling the user and focusing the field, when the text is
    // too short to be an address.
    bool acceptAddress(const QString& url);

    // Arms the watchdog and runs fetch(fetcher, stop) as the load job; done
    // gets what it returns. Nothing happens before the platform is set.
    template <typename Fetch, typename Done> void fetch(Fetch fetch, Done done) {
        watchdog_->start();
        if (!platform_)
            return;
        // The fetcher outlives the windows; a cancelled fetch stops at once.
        PageFetcher* fetcher = &platform_->fetcher;
        job_->start(
            [fetcher, fetch = std::move(fetch)](const Job::Run& run) { return fetch(*fetcher, run.stop()); },
            std::move(done));
    }
    // After the fetched page is in: disarms the watchdog if the page arrived;
    // true when the panel goes on with it.
    bool settle();
    // The watchdog's tick: tells the user that nothing arrived, once. False
    // when the page is there after all.
    bool watchdogFired();

    void showMessage(const QString& text, const QString& title);

private:
    QWidget* panel_;
    QTimer* watchdog_;
    Job* job_;
    QLineEdit* addressField_;
    std::function<bool()> pageArrived_;
    std::optional<Platform> platform_;
};

} // namespace headwise
