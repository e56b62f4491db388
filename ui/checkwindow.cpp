#include "ui/checkwindow.h"

#include "core/audit/resultpreview.h"
#include "net/pagefetcher.h"
#include "ui/checktexts.h"
#include "ui/findingsmodel.h"
#include "ui_frmcheck.h"

#include <QFile>
#include <QHeaderView>
#include <QTimer>

namespace headwise {

namespace {

constexpr int kPauseMs = 300;
constexpr qint64 kMaxImageBytes = 5 * 1024 * 1024;

QImage readImageFile(const QString& path) {
    QFile file(path);
    if (file.size() > kMaxImageBytes || !file.open(QIODevice::ReadOnly))
        return {};
    return QImage::fromData(file.read(kMaxImageBytes));
}

QImage fetchImage(PageFetcher& fetcher, const QUrl& url, std::stop_token stop) {
    const FetchResult result = fetcher.fetchAtMost(url.toString(), kMaxImageBytes, std::move(stop));
    if (!result.ok || result.status != 200)
        return {};
    return QImage::fromData(result.body);
}

} // namespace

CheckWindow::CheckWindow(const Platform& platform, AnalyzePanel* panel, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), panel_(panel),
      ui_(std::make_unique<Ui::CheckWindow>()), model_(new FindingsModel(this)), pause_(new QTimer(this)),
      checkJob_(new Job(this, QStringLiteral("checkAudit"))),
      imageJob_(new Job(this, QStringLiteral("checkImage"))),
      checker_([](const PageSnapshot& page) { return checkPage(page, audit::AuditConfig{}); }) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(checktext::kCaption);
    ui_->lblNoPage->setText(checktext::kNoPage);
    ui_->lstFindings->setModel(model_);
    ui_->lstFindings->header()->setSectionResizeMode(FindingsModel::MessageColumn, QHeaderView::Stretch);
    ui_->lstFindings->header()->setSectionResizeMode(FindingsModel::RuleColumn,
                                                     QHeaderView::ResizeToContents);
    ui_->lstFindings->header()->setStretchLastSection(false);

    pause_->setSingleShot(true);
    pause_->setInterval(kPauseMs);
    connect(pause_, &QTimer::timeout, this, &CheckWindow::startCheck);
    connect(panel_, &AnalyzePanel::pageChanged, this, &CheckWindow::pageChanged);
    connect(ui_->lstFindings, &QTreeView::activated, this, &CheckWindow::findingActivated);
    startCheck();
}

CheckWindow::~CheckWindow() = default;

void CheckWindow::setPause(int milliseconds) {
    pause_->setInterval(milliseconds);
}

void CheckWindow::setChecker(std::function<PageCheck(const PageSnapshot&)> checker) {
    checker_ = std::move(checker);
}

bool CheckWindow::upToDate() const {
    return !pause_->isActive() && !checkJob_->running() && shown_ == started_;
}

void CheckWindow::pageChanged() {
    // Restarted on every change: the audit waits for a pause in typing.
    pause_->start();
}

void CheckWindow::startCheck() {
    const int generation = ++started_;
    if (!panel_ || !panel_->hasPage()) {
        checkJob_->cancel();
        imageJob_->cancel();
        shown_ = generation;
        showNoPage();
        return;
    }
    ui_->lblCount->setText(checktext::kChecking);
    // A newer audit cancels the older, whose result never arrives.
    checkJob_->start([checker = checker_, snapshot = panel_->pageSnapshotSource()](
                         const Job::Run&) { return checker(snapshot()); },
                     [this, generation](const PageCheck& check) {
                         shown_ = generation;
                         showCheck(check);
                     });
}

void CheckWindow::showNoPage() {
    ui_->lblNoPage->show();
    ui_->serpPreview->clear();
    ui_->cardPreview->clear();
    model_->setFindings({});
    ui_->lblCount->clear();
}

void CheckWindow::showCheck(const PageCheck& check) {
    ui_->lblNoPage->hide();
    ui_->serpPreview->setPreview(audit::searchPreview(check.audit, check.address, audit::AuditConfig{}));
    const audit::CardPreview card = audit::cardPreview(check.audit, check.address);
    ui_->cardPreview->setCard(card);
    startImageLoad(card);
    model_->setFindings(check.audit.findings);
    ui_->lblCount->setText(checktext::counts(model_->count(audit::Severity::Error),
                                             model_->count(audit::Severity::Warning),
                                             model_->count(audit::Severity::Info)));
}

void CheckWindow::startImageLoad(const audit::CardPreview& card) {
    if (card.imageFile.isEmpty() && card.imageUrl.isEmpty()) {
        imageJob_->cancel();
        ui_->cardPreview->setImage({});
        return;
    }
    PageFetcher* fetcher = &platform_.fetcher;
    imageJob_->start(
        [card, fetcher](const Job::Run& run) {
            return card.imageFile.isEmpty() ? fetchImage(*fetcher, card.imageUrl, run.stop())
                                            : readImageFile(card.imageFile);
        },
        [this](const QImage& image) { ui_->cardPreview->setImage(image); });
}

void CheckWindow::findingActivated(const QModelIndex& index) {
    if (!panel_ || !index.isValid())
        return;
    const audit::Finding& f = model_->finding(index.row());
    if (f.hasPosition())
        panel_->selectInPage(f.offset, f.length);
    QWidget* main = panel_->window();
    main->raise();
    main->activateWindow();
}

} // namespace headwise
