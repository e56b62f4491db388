#include "ui/pageloader.h"

#include "core/page/pagefile.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "ui/fetchnotices.h"

#include <QLineEdit>
#include <QTimer>

namespace headwise {
namespace {

constexpr int kWatchdogMs = 20000;

} // namespace

PageLoader::PageLoader(QWidget* panel, const QString& watchdogName, QLineEdit* addressField,
                       std::function<bool()> pageArrived)
    : QObject(panel), panel_(panel), watchdog_(new QTimer(panel)),
      job_(new Job(this, watchdogName + QStringLiteral("Load"))), addressField_(addressField),
      pageArrived_(std::move(pageArrived)) {
    watchdog_->setObjectName(watchdogName);
    watchdog_->setInterval(kWatchdogMs);
}

void PageLoader::setPlatform(const Platform& platform) {
    platform_.emplace(platform);
}

void PageLoader::cancel() {
    // The watchdog speaks for the fetch it was armed for; once that fetch is
    // cancelled, nobody waits for its answer.
    job_->cancel();
    watchdog_->stop();
}

QString PageLoader::choosePageFile() {
    if (!platform_)
        return {};
    return platform_->files.openFile(panel_->window(), pageDialogTitle(), pageDialogFilter());
}

void PageLoader::readFile(Job& job, const QString& path, std::function<void(DecodedPage)> done) {
    job.start([path](const Job::Run&) { return loadPageFile(path, kMaxPageBytes); },
              [done = std::move(done)](LoadedPage loaded) {
                  if (loaded.page)
                      done(std::move(*loaded.page));
              });
}

bool PageLoader::acceptAddress(const QString& url) {
    if (url.size() >= fetchnotice::kShortestUrl)
        return true;
    showMessage(fetchnotice::kNotValid, fetchnotice::kNotValidTitle);
    addressField_->setFocus();
    return false;
}

bool PageLoader::settle() {
    if (!pageArrived_())
        return false; // the watchdog's tick tells the user
    watchdog_->stop();
    return true;
}

bool PageLoader::watchdogFired() {
    if (pageArrived_())
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
