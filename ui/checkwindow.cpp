#include "checkwindow.h"

#include "backgroundjob.h"
#include "checktexts.h"
#include "findingsmodel.h"
#include "pagecodec.h"
#include "pagefetcher.h"
#include "resultpreview.h"
#include "ui_frmcheck.h"

#include <QFile>
#include <QHeaderView>
#include <QTimer>

#include <algorithm>

namespace headwise {

namespace {

constexpr int kPauseMs = 300;
constexpr qint64 kMaxImageBytes = 5 * 1024 * 1024;

// Where each line starts; CR LF, LF and lone CR each end a line.
QList<qsizetype> lineStarts(const QString& text) {
    QList<qsizetype> starts{0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        if (text[i] == u'\n' || text[i] == u'\r')
            starts << i + 1;
    }
    return starts;
}

// Maps positions in the audit's decoded text to the box's. They differ where
// the encoding lacked a character and a reference ("&#937;") stands for it,
// and in the line breaks; the lines themselves are the same.
class PositionMap {
public:
    PositionMap(const QString& box, const QString& decoded)
        : box_(box), decoded_(decoded), boxStarts_(lineStarts(box)), decodedStarts_(lineStarts(decoded)) {}

    qsizetype toBox(qsizetype offset) const {
        if (offset <= 0)
            return 0;
        const auto line = std::upper_bound(decodedStarts_.cbegin(), decodedStarts_.cend(), offset) - 1;
        const qsizetype index = line - decodedStarts_.cbegin();
        if (index >= boxStarts_.size())
            return box_.size();
        qsizetype b = boxStarts_[index];
        for (qsizetype d = *line; d < offset && b < box_.size();) {
            if (box_[b] == decoded_[d]) {
                ++b, ++d;
                continue;
            }
            const qsizetype end = decoded_.indexOf(u';', d);
            if (end < 0 || end >= offset)
                break;
            d = end + 1;
            b += box_[b].isHighSurrogate() ? 2 : 1;
        }
        return b;
    }

private:
    const QString& box_;
    const QString& decoded_;
    QList<qsizetype> boxStarts_, decodedStarts_;
};

QImage readImageFile(const QString& path) {
    QFile file(path);
    if (file.size() > kMaxImageBytes || !file.open(QIODevice::ReadOnly))
        return {};
    return QImage::fromData(file.read(kMaxImageBytes));
}

QImage fetchImage(PageFetcher& fetcher, const QUrl& url) {
    const FetchResult result = fetcher.fetch(url.toString());
    if (!result.ok || result.status != 200 || result.body.size() > kMaxImageBytes)
        return {};
    return QImage::fromData(result.body);
}

} // namespace

PageCheck checkPage(const PageSnapshot& page, const audit::AuditConfig& config) {
    PageEncoding encoding = page.encoding;
    encoding.lineBreak = LineBreak::Lf; // keeps the audit's lines the box's lines
    audit::PageInput input;
    input.bytes = encodePage(page.text, encoding);
    input.address = page.address;
    input.httpStatus = page.httpStatus;
    input.httpCharset = QString::fromLatin1(page.httpCharset);
    input.headers = page.headers;
    PageCheck check{audit::auditPage(input, config), page.address};
    if (check.audit.text == page.text)
        return check;
    const PositionMap map(page.text, check.audit.text);
    for (audit::Finding& f : check.audit.findings) {
        const qsizetype start = map.toBox(f.offset);
        f.length = map.toBox(f.offset + f.length) - start;
        f.offset = start;
    }
    return check;
}

CheckWindow::CheckWindow(const Platform& platform, AnalyzePanel* panel, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), panel_(panel),
      ui(std::make_unique<Ui::CheckWindow>()), model_(new FindingsModel(this)), pause_(new QTimer(this)),
      checker_([](const PageSnapshot& page) { return checkPage(page, audit::AuditConfig{}); }) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(checktext::kCaption);
    ui->lblNoPage->setText(checktext::kNoPage);
    ui->lstFindings->setModel(model_);
    ui->lstFindings->header()->setSectionResizeMode(FindingsModel::MessageColumn, QHeaderView::Stretch);
    ui->lstFindings->header()->setSectionResizeMode(FindingsModel::RuleColumn, QHeaderView::ResizeToContents);
    ui->lstFindings->header()->setStretchLastSection(false);

    pause_->setSingleShot(true);
    pause_->setInterval(kPauseMs);
    connect(pause_, &QTimer::timeout, this, &CheckWindow::startCheck);
    connect(panel_, &AnalyzePanel::pageChanged, this, &CheckWindow::pageChanged);
    connect(ui->lstFindings, &QTreeView::activated, this, &CheckWindow::findingActivated);
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
    return !pause_->isActive() && shown_ == started_;
}

void CheckWindow::pageChanged() {
    // Restarted on every change: the audit waits for a pause in typing.
    pause_->start();
}

void CheckWindow::startCheck() {
    const int generation = ++started_;
    if (!panel_ || !panel_->hasPage()) {
        shown_ = generation;
        showNoPage();
        return;
    }
    ui->lblCount->setText(checktext::kChecking);
    runInBackground(
        this, [checker = checker_, snapshot = panel_->pageSnapshotSource()] { return checker(snapshot()); },
        [this, generation](const PageCheck& check) {
            // A result for an older text never replaces a newer one.
            if (generation < shown_ || generation != started_)
                return;
            shown_ = generation;
            showCheck(check);
        });
}

void CheckWindow::showNoPage() {
    ui->lblNoPage->show();
    ui->serpPreview->clear();
    ui->cardPreview->clear();
    model_->setFindings({});
    ui->lblCount->clear();
}

void CheckWindow::showCheck(const PageCheck& check) {
    ui->lblNoPage->hide();
    ui->serpPreview->setPreview(audit::searchPreview(check.audit, check.address, audit::AuditConfig{}));
    const audit::CardPreview card = audit::cardPreview(check.audit, check.address);
    ui->cardPreview->setCard(card);
    startImageLoad(card);
    model_->setFindings(check.audit.findings);
    ui->lblCount->setText(checktext::counts(model_->count(audit::Severity::Error),
                                            model_->count(audit::Severity::Warning),
                                            model_->count(audit::Severity::Info)));
}

void CheckWindow::startImageLoad(const audit::CardPreview& card) {
    if (card.imageFile.isEmpty() && card.imageUrl.isEmpty()) {
        ui->cardPreview->setImage({});
        return;
    }
    const int generation = shown_;
    PageFetcher* fetcher = &platform_.fetcher;
    runInBackground(
        this,
        [card, fetcher] {
            return card.imageFile.isEmpty() ? fetchImage(*fetcher, card.imageUrl)
                                            : readImageFile(card.imageFile);
        },
        [this, generation](const QImage& image) {
            if (generation == shown_)
                ui->cardPreview->setImage(image);
        });
}

void CheckWindow::findingActivated(const QModelIndex& index) {
    if (!panel_ || !index.isValid())
        return;
    const audit::Finding& f = model_->finding(index.row());
    panel_->selectInPage(f.offset, f.length);
    QWidget* main = panel_->window();
    main->raise();
    main->activateWindow();
}

} // namespace headwise
