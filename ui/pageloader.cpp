#include "pageloader.h"

#include "fetchnotices.h"
#include "filedialog.h"
#include "messagebox.h"
#include "pagefile.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>

namespace headwise {
namespace {

constexpr int kWatchdogMs = 20000;

} // namespace

PageLoader::PageLoader(QWidget* panel, const QString& watchdogName, QLineEdit* addressField,
                       std::function<bool()> pageArrived)
    : QObject(panel), panel_(panel), watchdog_(new QTimer(panel)), work_(new BackgroundWork(this)),
      addressField_(addressField), pageArrived_(std::move(pageArrived)) {
    watchdog_->setObjectName(watchdogName);
    watchdog_->setInterval(kWatchdogMs);
    // The watchdog speaks for the fetch it was armed for; once newer work
    // supersedes that fetch, nobody waits for its answer.
    connect(work_, &BackgroundWork::abandoned, watchdog_, &QTimer::stop);
}

void PageLoader::setPlatform(const Platform& platform) {
    platform_.emplace(platform);
}

QString PageLoader::choosePageFile() {
    if (!platform_)
        return {};
    return platform_->files.openFile(panel_->window(), pageDialogTitle(), pageDialogFilter());
}

bool PageLoader::pause(quint64 generation) {
    QCoreApplication::processEvents();
    return work_->generation() == generation;
}

std::optional<DecodedPage> PageLoader::readFile(const QString& path) {
    std::optional<std::optional<DecodedPage>> read =
        work_->run([path] { return readPageFile(path, kMaxPageBytes).page; });
    if (!read)
        return std::nullopt;
    return std::move(*read);
}

bool PageLoader::acceptAddress(const QString& url) {
    if (url.size() >= fetchnotice::kShortestUrl)
        return true;
    showMessage(fetchnotice::kNotValid, fetchnotice::kNotValidTitle);
    addressField_->setFocus();
    return false;
}

bool PageLoader::settle(quint64 generation) {
    answered_.reset(); // from here the page box tells whether the page came
    if (!pause(generation) || !pageArrived_())
        return false; // superseded, or the watchdog's tick tells the user
    watchdog_->stop();
    return true;
}

bool PageLoader::watchdogFired() {
    if (pageArrived_() || (answered_ && *answered_))
        return false;
    // Disarmed before the box goes up: a modal box runs its own event loop,
    // and the next tick must not stack a second notice on the first.
    watchdog_->stop();
    showMessage(fetchnotice::cantConnect(addressField_->text()), fetchnotice::kCantConnectTitle);
    return true;
}

void PageLoader::showMessage(const QString& text, const QString& title) {
    if (platform_)
        platform_->messages.show(panel_->window(), text, title, MessageIcon::Information);
}

} // namespace headwise
