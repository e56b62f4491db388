#include "ui/sitecheckwindow.h"

#include "core/audit/engine/pathglob.h"
#include "core/audit/report/baseline.h"
#include "core/page/lineindex.h"
#include "core/page/pagefile.h"
#include "net/pagefetcher.h"
#include "net/siteaudit/siteaudit.h"
#include "platform/filedialog.h"
#include "platform/settingsstore.h"
#include "ui/analyzepanel.h"
#include "ui/fetchnotices.h"
#include "ui/findingsmodel.h"
#include "ui/sitechecktexts.h"
#include "ui/sitepagesmodel.h"
#include "ui_frmsitecheck.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <mutex>

namespace headwise {
namespace {

constexpr int kFeedIntervalMs = 100; // the table takes new pages at most this often
constexpr int kRememberedInputs = 10;
constexpr int kProblemsShown = 5;
const QString kSettingsGroup = QStringLiteral("SiteCheck");

QString inputKey(int i) {
    return QStringLiteral("Input%1").arg(i + 1);
}

// The report format an export's file name asks for.
audit::ReportFormat exportFormat(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("json"))
        return audit::ReportFormat::Json;
    if (suffix == QLatin1String("sarif"))
        return audit::ReportFormat::Sarif;
    if (suffix == QLatin1String("xml"))
        return audit::ReportFormat::Junit;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return audit::ReportFormat::Html;
    return audit::ReportFormat::Csv;
}

// Where a finding's piece stands in the Analyze panel's text, found by its
// line and column: the panel's line breaks may differ from the file's.
std::pair<qsizetype, qsizetype> placeIn(const QString& text, const audit::Finding& finding) {
    const LineIndex lines(text);
    if (finding.line < 1 || finding.line > lines.lineCount())
        return {-1, 0};
    const qsizetype at = std::min(text.size(), lines.lineStart(finding.line - 1) + finding.column - 1);
    QString source = finding.source;
    source.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const qsizetype length = source.isEmpty() ? finding.length : source.size();
    return {at, std::min(length, text.size() - at)};
}

} // namespace

struct SiteCheckWindow::Feed {
    std::mutex mutex;
    QList<SitePagesModel::Row> rows; // pages audited since the window last took them
    qsizetype done = 0, known = 0;
    QString current;
};

SiteCheckWindow::SiteCheckWindow(const Platform& platform, AnalyzePanel* panel, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), panel_(panel),
      ui_(std::make_unique<Ui::SiteCheckWindow>()), pages_(new SitePagesModel(this)),
      filter_(new SitePagesFilter(this)), findings_(new FindingsModel(this)), feedTimer_(new QTimer(this)),
      auditJob_(new Job(this, QStringLiteral("siteAudit"))) {
    namespace text = sitechecktext;
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(text::kCaption);
    ui_->lblSiteInput->setText(text::kInputLabel);
    ui_->cmdSiteFolder->setText(text::kFolder);
    ui_->txtSiteRoot->setPlaceholderText(text::kRootHint);
    ui_->txtSiteRoot->setToolTip(text::kRootTip);
    ui_->lblSiteSitemap->setText(text::kSitemapLabel);
    ui_->txtSiteSitemap->setPlaceholderText(text::kSitemapHint);
    ui_->lblSiteConfig->setText(text::kConfigLabel);
    ui_->txtSiteConfig->setPlaceholderText(text::kConfigHint);
    ui_->lblSiteMaxPages->setText(text::kMaxPagesLabel);
    ui_->spinSiteMaxPages->setSuffix(text::kMaxPagesSuffix);
    ui_->cmdSiteStart->setText(text::kStart);
    ui_->lblSitePages->setText(text::kPagesLabel);
    ui_->lblSiteFilter->setText(text::kFilterLabel);
    ui_->txtSiteFilter->setPlaceholderText(text::kFilterHint);
    ui_->cmdSiteAllPages->setText(text::kAllPages);
    ui_->lblSiteFindings->setText(text::kFindingsLabel);
    ui_->cmdSiteExport->setText(text::kExport);
    ui_->cmdSiteBaseline->setText(text::kSaveBaseline);
    showProgress(0, 0);
    showMessage(QString());

    filter_->setSourceModel(pages_);
    QTableView* table = ui_->tblSitePages;
    table->setModel(filter_);
    // Rows of one height and columns sized once: nothing measures 20,000 rows.
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(SitePagesModel::PageColumn, 260);
    table->setColumnWidth(SitePagesModel::TitleColumn, 220);
    table->setColumnWidth(SitePagesModel::CanonicalColumn, 180);
    table->sortByColumn(-1, Qt::AscendingOrder); // in the order read until a header is clicked
    ui_->lstSiteFindings->setModel(findings_);
    ui_->lstSiteFindings->header()->setSectionResizeMode(FindingsModel::MessageColumn, QHeaderView::Stretch);
    ui_->lstSiteFindings->header()->setSectionResizeMode(FindingsModel::RuleColumn,
                                                         QHeaderView::ResizeToContents);
    ui_->lstSiteFindings->header()->setStretchLastSection(false);

    feedTimer_->setInterval(kFeedIntervalMs);
    connect(feedTimer_, &QTimer::timeout, this, &SiteCheckWindow::takeFeed);
    connect(ui_->cmdSiteStart, &QPushButton::clicked, this, &SiteCheckWindow::cmdSiteStart_Click);
    // Enter in the address starts a run, as the Start button beside it would.
    connect(ui_->cboSiteInput->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (!running())
            start();
    });
    connect(ui_->cmdSiteFolder, &QPushButton::clicked, this, &SiteCheckWindow::cmdSiteFolder_Click);
    connect(ui_->cmdSiteExport, &QPushButton::clicked, this, &SiteCheckWindow::cmdSiteExport_Click);
    connect(ui_->cmdSiteBaseline, &QPushButton::clicked, this, &SiteCheckWindow::cmdSiteBaseline_Click);
    connect(ui_->cmdSiteAllPages, &QPushButton::clicked, this, [this] { filterByRule(QString()); });
    connect(ui_->txtSiteFilter, &QLineEdit::textChanged, filter_, &SitePagesFilter::setText);
    connect(ui_->chartSiteRules, &SiteRuleChart::ruleClicked, this, &SiteCheckWindow::filterByRule);
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &SiteCheckWindow::pageSelected);
    connect(table, &QTableView::activated, this, &SiteCheckWindow::pageActivated);
    connect(ui_->lstSiteFindings, &QTreeView::activated, this, &SiteCheckWindow::findingActivated);
    restoreInputs();
}

SiteCheckWindow::~SiteCheckWindow() = default;

bool SiteCheckWindow::running() const {
    return auditJob_->running();
}

void SiteCheckWindow::cmdSiteStart_Click() {
    if (running()) {
        // What was read stays: the result still arrives, soon.
        auditJob_->requestStop();
        showMessage(sitechecktext::kStopping);
        return;
    }
    start();
}

void SiteCheckWindow::cmdSiteFolder_Click() {
    const QString folder = platform_.files.openFolder(this, sitechecktext::kFolderTitle);
    if (!folder.isEmpty())
        ui_->cboSiteInput->setCurrentText(QDir::toNativeSeparators(folder));
}

void SiteCheckWindow::start() {
    namespace text = sitechecktext;
    const QString input = ui_->cboSiteInput->currentText().trimmed();
    const bool web = hasScheme(input);
    if (input.isEmpty()) {
        showMessage(text::kNoInput);
        return;
    }
    if (web && (input.size() < fetchnotice::kShortestUrl || !isFetchedAddress(input))) {
        showMessage(fetchnotice::kNotValid.simplified());
        return;
    }
    const QFileInfo folder(input);
    if (!web && (!folder.isDir() || !folder.isReadable() || !folder.isExecutable())) {
        showMessage(text::notAFolder(input));
        return;
    }
    // A crawl has no tree on disk: the root is for a folder only.
    const QString root = web ? QString() : ui_->txtSiteRoot->text().trimmed();
    if (!root.isEmpty()) {
        const QFileInfo tree(root);
        if (!tree.isDir()) {
            showMessage(text::notAFolder(root));
            return;
        }
        const QString inside = folder.canonicalFilePath(), top = tree.canonicalFilePath();
        if (inside != top && !inside.startsWith(top + u'/')) {
            showMessage(text::notInsideRoot(input, root));
            return;
        }
    }
    QString configPath = ui_->txtSiteConfig->text().trimmed();
    if (configPath.isEmpty() && !web)
        configPath = audit::findAuditConfig(folder.absoluteFilePath());
    audit::AuditConfig config;
    if (!configPath.isEmpty()) {
        QString error;
        std::optional<audit::AuditConfig> read = audit::readAuditConfig(configPath, &error);
        if (!read) {
            showMessage(error);
            return;
        }
        config = std::move(*read);
    }

    SiteAuditRequest request;
    request.crawl = web;
    request.maxPages = ui_->spinSiteMaxPages->value();
    request.jobs = QThread::idealThreadCount();
    request.root = root;
    if (const QString sitemap = ui_->txtSiteSitemap->text().trimmed(); !sitemap.isEmpty())
        request.sitemaps.append(sitemap);

    rememberInput(input);
    config_ = config;
    site_ = {};
    pages_->reset({});
    findings_->setFindings({});
    ui_->chartSiteRules->setCounts({});
    filterByRule(QString());
    showProgress(0, 0);
    ui_->lblSiteCurrent->clear();
    ui_->lblSiteSummary->clear();
    ui_->cmdSiteExport->setEnabled(false);
    ui_->cmdSiteBaseline->setEnabled(false);
    ui_->cmdSiteStart->setText(text::kStop);
    showMessage(text::kReading);
    feed_ = std::make_shared<Feed>();
    elapsed_.start();
    feedTimer_->start();

    PageFetcher& fetcher = platform_.fetcher;
    auditJob_->start(
        [input, request, config, feed = feed_, &fetcher](const Job::Run& run) mutable {
            const ExpandedInputs expanded = expandInputs({input}, audit::PathGlobs(config.skipGlobs));
            request.targets = expanded.targets;
            SiteAuditWatch watch;
            watch.progress = [feed](qsizetype done, qsizetype known, const QString& page) {
                const std::lock_guard lock(feed->mutex);
                feed->done = done;
                feed->known = known;
                if (!page.isEmpty())
                    feed->current = page;
            };
            watch.pageSeen = [feed](const audit::PageReport& page) {
                SitePagesModel::Row row = SitePagesModel::rowOf(page);
                const std::lock_guard lock(feed->mutex);
                feed->rows.append(std::move(row));
            };
            SiteRun result;
            result.outcome = runSiteAudit(request, config, fetcher, watch, run.stop());
            result.outcome.problems = expanded.problems + result.outcome.problems;
            // The window only swaps these in: rows and counts of thousands of
            // pages are made here.
            result.rows.reserve(result.outcome.pages.size());
            for (const audit::PageReport& page : std::as_const(result.outcome.pages))
                result.rows.append(SitePagesModel::rowOf(page));
            result.counts = audit::ruleCounts(result.outcome.pages);
            return result;
        },
        [this](SiteRun result) { showOutcome(std::move(result)); });
}

void SiteCheckWindow::takeFeed() {
    QList<SitePagesModel::Row> rows;
    qsizetype done = 0, known = 0;
    QString current;
    {
        const std::lock_guard lock(feed_->mutex);
        rows.swap(feed_->rows);
        done = feed_->done;
        known = feed_->known;
        current = feed_->current;
    }
    pages_->append(std::move(rows));
    showProgress(done, known);
    ui_->lblSiteCurrent->setText(current);
    seconds_ = double(elapsed_.elapsed()) / 1000;
    showSummary();
}

void SiteCheckWindow::showOutcome(SiteRun result) {
    namespace text = sitechecktext;
    const AuditRunner::Outcome& outcome = result.outcome;
    feedTimer_->stop();
    takeFeed();
    const QString selected = selectedPage() ? selectedPage()->page : QString();
    pages_->reset(std::move(result.rows));
    site_ = outcome.site;
    ui_->chartSiteRules->setCounts(std::move(result.counts));
    showProgress(outcome.pages.size(), outcome.pages.size());
    ui_->lblSiteCurrent->clear();
    ui_->cmdSiteStart->setText(text::kStart);
    ui_->cmdSiteExport->setEnabled(!outcome.pages.isEmpty());
    ui_->cmdSiteBaseline->setEnabled(!outcome.pages.isEmpty());
    showSummary();

    QStringList lines;
    if (outcome.stopped)
        lines << text::stopped(outcome.pages.size());
    else if (outcome.pages.isEmpty())
        lines << text::kNoPages;
    lines << outcome.problems.mid(0, kProblemsShown);
    if (outcome.problems.size() > kProblemsShown)
        lines << QStringLiteral("... (%1 more)").arg(outcome.problems.size() - kProblemsShown);
    showMessage(lines.join(QLatin1Char('\n')));
    for (int row = 0; row < filter_->rowCount() && !selected.isEmpty(); ++row) {
        const QModelIndex index = filter_->index(row, 0);
        if (pages_->page(filter_->mapToSource(index).row()).page == selected) {
            ui_->tblSitePages->setCurrentIndex(index);
            break;
        }
    }
}

void SiteCheckWindow::showSummary() {
    int errors = 0, warnings = 0, notes = 0;
    for (int i = 0; i < pages_->rowCount(); ++i) {
        const SitePagesModel::Row& row = pages_->at(i);
        errors += row.errors;
        warnings += row.warnings;
        notes += int(row.report.findings.size()) - row.errors - row.warnings;
    }
    ui_->lblSiteSummary->setText(
        sitechecktext::summary(pages_->rowCount(), errors, warnings, notes, seconds_));
}

void SiteCheckWindow::showProgress(qsizetype done, qsizetype known) {
    ui_->prgSite->setRange(0, int(std::max<qsizetype>(known, 1)));
    ui_->prgSite->setValue(int(done));
    ui_->prgSite->setFormat(known > 0 ? sitechecktext::progress(done, known) : QString());
}

void SiteCheckWindow::showMessage(const QString& text) {
    ui_->lblSiteMessage->setText(text);
    ui_->lblSiteMessage->setVisible(!text.isEmpty());
}

void SiteCheckWindow::restoreInputs() {
    for (int i = 0; i < kRememberedInputs; ++i) {
        const QString input = platform_.settings.readIn(kSettingsGroup, inputKey(i), QString());
        if (!input.isEmpty())
            ui_->cboSiteInput->addItem(input);
    }
    ui_->cboSiteInput->setCurrentIndex(ui_->cboSiteInput->count() > 0 ? 0 : -1);
}

void SiteCheckWindow::rememberInput(const QString& input) {
    QStringList inputs{input};
    for (int i = 0; i < ui_->cboSiteInput->count() && inputs.size() < kRememberedInputs; ++i)
        if (ui_->cboSiteInput->itemText(i) != input)
            inputs << ui_->cboSiteInput->itemText(i);
    ui_->cboSiteInput->clear();
    ui_->cboSiteInput->addItems(inputs);
    ui_->cboSiteInput->setCurrentIndex(0);
    for (int i = 0; i < kRememberedInputs; ++i)
        platform_.settings.writeIn(kSettingsGroup, inputKey(i), inputs.value(i));
}

void SiteCheckWindow::filterByRule(const QString& rule) {
    // A second click on the same bar shows every page again.
    const QString wanted = rule == filter_->rule() ? QString() : rule;
    filter_->setRule(wanted);
    ui_->cmdSiteAllPages->setVisible(!wanted.isEmpty());
    ui_->lblSitePages->setText(wanted.isEmpty() ? sitechecktext::kPagesLabel
                                                : sitechecktext::filteredByRule(wanted));
}

const audit::PageReport* SiteCheckWindow::selectedPage() const {
    const QModelIndex current = ui_->tblSitePages->currentIndex();
    if (!current.isValid())
        return nullptr;
    return &pages_->page(filter_->mapToSource(current).row());
}

void SiteCheckWindow::pageSelected() {
    const audit::PageReport* page = selectedPage();
    findings_->setFindings(page ? page->findings : QList<audit::Finding>());
}

void SiteCheckWindow::pageActivated(const QModelIndex& index) {
    if (index.isValid())
        openInPanel(pages_->page(filter_->mapToSource(index).row()), {});
}

void SiteCheckWindow::openInPanel(const audit::PageReport& page, std::function<void()> then) {
    if (!panel_)
        return;
    const QPointer<SiteCheckWindow> self(this);
    panel_->openPage(page.page, [self, name = page.page, then = std::move(then)] {
        if (!self)
            return;
        self->opened_ = name;
        emit self->pageCheckRequested();
        if (then)
            then();
    });
}

void SiteCheckWindow::findingActivated(const QModelIndex& index) {
    const audit::PageReport* page = selectedPage();
    if (!panel_ || !page || !index.isValid())
        return;
    const audit::Finding finding = findings_->finding(index.row());
    const QPointer<AnalyzePanel> panel = panel_;
    const auto select = [panel, finding] {
        if (!panel || !finding.hasPosition())
            return;
        const auto [at, length] = placeIn(panel->pageSnapshot().text, finding);
        if (at >= 0)
            panel->selectInPage(at, length);
    };
    // The page already in the panel keeps its edits; another is loaded first.
    const QUrl inPanel(panel_->pageSnapshot().address);
    if (opened_ == page->page && (inPanel == QUrl(page->url) || inPanel == QUrl(page->page)))
        select();
    else
        openInPanel(*page, select);
}

void SiteCheckWindow::cmdSiteExport_Click() {
    const QString path = platform_.files.saveFile(this, sitechecktext::kExportTitle,
                                                  sitechecktext::kExportName, sitechecktext::kExportFilter);
    if (path.isEmpty())
        return;
    const audit::ReportContext context{&config_, audit::sourceRootOf(QDir::currentPath()),
                                       site_.present ? &site_ : nullptr};
    const QByteArray report = audit::writeReport(exportFormat(path), pages_->pages(), context);
    QString error;
    showMessage(writePageBytes(path, report, &error) ? sitechecktext::exported(path)
                                                     : sitechecktext::notExported(path, error));
}

// The run's findings as accepted, the file headwise-cli audit --baseline reads.
void SiteCheckWindow::cmdSiteBaseline_Click() {
    const QString path = platform_.files.saveFile(
        this, sitechecktext::kBaselineTitle, sitechecktext::kBaselineName, sitechecktext::kBaselineFilter);
    if (path.isEmpty())
        return;
    QString error;
    showMessage(audit::saveBaseline(path, pages_->pages(), &error) ? sitechecktext::baselineSaved(path)
                                                                   : error);
}

} // namespace headwise
