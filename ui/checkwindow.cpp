#include "ui/checkwindow.h"

#include "core/audit/model/resultpreview.h"
#include "core/web/languagetags.h"
#include "core/web/weburl.h"
#include "net/pagefetcher.h"
#include "platform/messagebox.h"
#include "ui/checktexts.h"
#include "ui/findingplace.h"
#include "ui/findingsmodel.h"
#include "ui/structureditemsmodel.h"
#include "ui_frmcheck.h"

#include <QFile>
#include <QHeaderView>
#include <QPushButton>
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

bool isBaseAddress(const QString& text) {
    const web::WebUrl url = web::parseWebUrl(text);
    return url.valid && !url.host.isEmpty() &&
           (url.scheme == QLatin1String("http") || url.scheme == QLatin1String("https"));
}

// The run's findings across pages, placed in the page box's text: they are of
// the file Site Check read, which the box holds with its own line breaks.
void addSiteFindings(PageCheck& check, const PageSnapshot& page, const QList<audit::Finding>& site) {
    for (audit::Finding finding : site) {
        if (finding.hasPosition()) {
            std::tie(finding.offset, finding.length) = placeInText(page.text, finding);
            if (finding.offset < 0)
                finding = audit::Finding{finding.rule, finding.severity, finding.message};
        }
        check.audit.findings.append(finding);
    }
}

bool needs(const QList<audit::PageFix>& fixes, audit::PageFix::Need need) {
    return std::any_of(fixes.cbegin(), fixes.cend(),
                       [need](const audit::PageFix& f) { return f.need == need; });
}

} // namespace

CheckWindow::CheckWindow(const Platform& platform, AnalyzePanel* panel, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), panel_(panel),
      ui_(std::make_unique<Ui::CheckWindow>()), model_(new FindingsModel(this)),
      items_(new StructuredItemsModel(this)), pause_(new QTimer(this)),
      checkJob_(new Job(this, QStringLiteral("checkAudit"))),
      imageJob_(new Job(this, QStringLiteral("checkImage"))),
      fixJob_(new Job(this, QStringLiteral("checkFix"))) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(checktext::kCaption);
    ui_->lblNoPage->setText(checktext::kNoPage);
    ui_->lstFindings->setModel(model_);
    ui_->lstFindings->header()->setSectionResizeMode(FindingsModel::MessageColumn, QHeaderView::Stretch);
    ui_->lstFindings->header()->setSectionResizeMode(FindingsModel::RuleColumn,
                                                     QHeaderView::ResizeToContents);
    ui_->lstFindings->header()->setStretchLastSection(false);
    ui_->lblCheckItems->setText(checktext::kItems);
    ui_->lstCheckItems->setModel(items_);
    ui_->lstCheckItems->header()->setSectionResizeMode(StructuredItemsModel::MissingColumn,
                                                       QHeaderView::Stretch);
    ui_->lstCheckItems->header()->setStretchLastSection(false);
    connect(ui_->lstCheckItems->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CheckWindow::itemSelected);

    pause_->setSingleShot(true);
    pause_->setInterval(kPauseMs);
    connect(pause_, &QTimer::timeout, this, &CheckWindow::startCheck);
    connect(panel_, &AnalyzePanel::pageChanged, this, &CheckWindow::pageChanged);
    connect(ui_->lstFindings, &QTreeView::activated, this, &CheckWindow::findingActivated);
    connect(ui_->lstFindings->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CheckWindow::updateFixButtons);
    ui_->cmdCheckFix->setText(checktext::kFix);
    ui_->cmdCheckFixAll->setText(checktext::kFixAll);
    connect(ui_->cmdCheckFix, &QPushButton::clicked, this, &CheckWindow::cmdCheckFix_Click);
    connect(ui_->cmdCheckFixAll, &QPushButton::clicked, this, &CheckWindow::cmdCheckFixAll_Click);
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

void CheckWindow::setSitePage(SitePageContext page) {
    site_ = std::move(page);
    pageChanged();
}

bool CheckWindow::showsSitePage() const {
    if (!panel_ || site_.name.isEmpty() || !panel_->hasPage())
        return false;
    const QString inPanel = panel_->address();
    return inPanel == site_.name || QUrl(inPanel) == QUrl(site_.url);
}

audit::AuditConfig CheckWindow::config() const {
    return showsSitePage() ? site_.config : audit::AuditConfig{};
}

void CheckWindow::pageChanged() {
    ++changes_;
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
    const bool site = showsSitePage();
    // A newer audit cancels the older, whose result never arrives.
    checkJob_->start(
        [checker = checker_, snapshot = panel_->pageSnapshotSource(), config = config(),
         siteFindings = site ? site_.siteFindings : QList<audit::Finding>()](const Job::Run&) {
            const PageSnapshot page = snapshot();
            PageCheck check = checker ? checker(page) : checkPage(page, config);
            addSiteFindings(check, page, siteFindings);
            return check;
        },
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
    items_->setItems({});
    ui_->lblCount->clear();
    check_ = {};
    updateFixButtons();
}

void CheckWindow::showCheck(const PageCheck& check) {
    ui_->lblNoPage->hide();
    // A page of a published folder shows as the search result shows it: at its address.
    const QString shownAt = showsSitePage() && !site_.address.isEmpty() ? site_.address : check.address;
    ui_->serpPreview->setPreview(audit::searchPreview(check.audit, shownAt, config()));
    const audit::CardPreview card = audit::cardPreview(check.audit, check.address);
    ui_->cardPreview->setCard(card);
    startImageLoad(card);
    QList<bool> fixable(check.audit.findings.size(), false);
    for (const audit::PageFix& fix : check.fixes)
        for (const qsizetype finding : fix.findings)
            if (finding >= 0 && finding < fixable.size())
                fixable[finding] = true;
    model_->setFindings(check.audit.findings, fixable);
    items_->setItems(check.structuredData);
    ui_->lblCount->setText(checktext::counts(model_->count(audit::Severity::Error),
                                             model_->count(audit::Severity::Warning),
                                             model_->count(audit::Severity::Info)));
    check_ = check;
    updateFixButtons();
}

QList<audit::PageFix> CheckWindow::fixesOf(const audit::Finding& finding) const {
    const qsizetype index = check_.audit.findings.indexOf(finding);
    QList<audit::PageFix> fixes;
    for (const audit::PageFix& fix : check_.fixes)
        if (fix.findings.contains(index))
            fixes << fix;
    return fixes;
}

void CheckWindow::updateFixButtons() {
    const QModelIndex current = ui_->lstFindings->currentIndex();
    ui_->cmdCheckFix->setEnabled(current.isValid() && !fixesOf(model_->finding(current.row())).isEmpty());
    ui_->cmdCheckFixAll->setEnabled(!check_.fixes.isEmpty());
}

void CheckWindow::cmdCheckFix_Click() {
    const QModelIndex current = ui_->lstFindings->currentIndex();
    if (!current.isValid())
        return;
    const audit::Finding finding = model_->finding(current.row());
    startFix(fixesOf(finding), finding);
}

void CheckWindow::cmdCheckFixAll_Click() {
    startFix(check_.fixes, std::nullopt);
}

std::optional<audit::FixOptions> CheckWindow::fixOptions(const QList<audit::PageFix>& fixes) {
    const auto ask = [this](const QString& title, const QString& label, const QString& proposed,
                            bool (*valid)(const QString&), QString (*invalid)(const QString&)) {
        std::optional<QString> answer = platform_.questions.ask(this, title, label, proposed);
        if (answer && !valid(answer->trimmed())) {
            platform_.messages.show(this, invalid(answer->trimmed()), title, MessageIcon::None);
            answer.reset();
        }
        return answer ? std::optional<QString>(answer->trimmed()) : std::nullopt;
    };
    const QString address = check_.address;
    if (baseOf_ != address)
        base_.clear();
    if (needs(fixes, audit::PageFix::Need::BaseUrl) && base_.isEmpty()) {
        const std::optional<QString> base =
            ask(checktext::kBaseTitle, checktext::kBaseLabel, checktext::kBaseProposed, isBaseAddress,
                checktext::notAnAddress);
        if (!base)
            return std::nullopt;
        base_ = *base;
        baseOf_ = address;
    }
    if (needs(fixes, audit::PageFix::Need::Lang) && lang_.isEmpty()) {
        const std::optional<QString> lang = ask(
            checktext::kLangTitle, checktext::kLangLabel, {},
            [](const QString& text) { return web::hasLanguageSubtag(text); }, checktext::notALanguage);
        if (!lang)
            return std::nullopt;
        lang_ = *lang;
    }
    return audit::FixOptions{.lang = lang_, .baseUrl = isBaseAddress(address) ? address : base_, .rules = {}};
}

void CheckWindow::startFix(const QList<audit::PageFix>& fixes, const std::optional<audit::Finding>& only) {
    if (!panel_ || fixes.isEmpty())
        return;
    const std::optional<audit::FixOptions> options = fixOptions(fixes);
    if (!options)
        return;
    fixJob_->start([snapshot = panel_->pageSnapshotSource(), config = config(), options = *options,
                    only](const Job::Run&) { return repairSnapshot(snapshot(), config, options, only); },
                   [this, at = changes_](const SnapshotRepair& repair) {
                       if (at != changes_ || !panel_)
                           return; // typed into meanwhile: the places found may have moved
                       if (!repair.edits.isEmpty())
                           panel_->editPage(repair.edits);
                       QStringList undone;
                       for (const audit::PageFix& fix : repair.undone)
                           if (!undone.contains(fix.rule))
                               undone << fix.rule;
                       if (!undone.isEmpty())
                           platform_.messages.show(this, checktext::notFixed(undone),
                                                   checktext::kNotFixedTitle, MessageIcon::None);
                   });
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

// Shows the item's block in the page box; the focus comes back to the list,
// so that the arrow keys walk the items.
void CheckWindow::itemSelected(const QModelIndex& index) {
    if (!panel_ || !index.isValid())
        return;
    const audit::StructuredItemFacts& item = items_->item(index.row());
    panel_->selectInPage(item.offset, item.length);
    ui_->lstCheckItems->setFocus();
}

} // namespace headwise
