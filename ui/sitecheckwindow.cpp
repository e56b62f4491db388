#include "ui/sitecheckwindow.h"

#include "core/audit/engine/pathglob.h"
#include "core/audit/engine/rule.h"
#include "core/audit/report/baseline.h"
#include "core/audit/report/csvtable.h"
#include "core/audit/report/findinggroups.h"
#include "core/page/pagefile.h"
#include "net/pagefetcher.h"
#include "net/siteaudit/siteaudit.h"
#include "platform/filedialog.h"
#include "platform/settingsstore.h"
#include "ui/analyzepanel.h"
#include "ui/fetchnotices.h"
#include "ui/findingplace.h"
#include "ui/findingsmodel.h"
#include "ui/sitechecktexts.h"
#include "ui/siteissuesmodel.h"
#include "ui/sitepagesmodel.h"
#include "ui_frmsitecheck.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <mutex>

namespace headwise {
namespace {

constexpr int kFeedIntervalMs = 100; // the table takes new pages at most this often
constexpr int kRememberedInputs = 10;
constexpr int kProblemsShown = 5;
const QString kSettingsGroup = QStringLiteral("SiteCheck");

// The broken targets list's columns, as sitechecktext::kTargetColumns names them.
enum TargetColumn { TargetNameColumn, TargetProblemColumn, TargetPagesColumn, TargetLinksColumn };

QString inputKey(int i) {
    return QStringLiteral("Input%1").arg(i + 1);
}

// What Export can write. A report format, or the page table when it has none.
struct ExportFormat {
    QString description;
    QString pattern; // of the file's name
    std::optional<audit::ReportFormat> report;
};

const QList<ExportFormat>& exportFormats() {
    namespace text = sitechecktext;
    static const QList<ExportFormat> formats = {
        {text::kExportCsv, QStringLiteral("*.csv"), audit::ReportFormat::Csv},
        {text::kExportJson, QStringLiteral("*.json"), audit::ReportFormat::Json},
        {text::kExportSarif, QStringLiteral("*.sarif"), audit::ReportFormat::Sarif},
        {text::kExportJunit, QStringLiteral("*.xml"), audit::ReportFormat::Junit},
        {text::kExportHtml, QStringLiteral("*.html"), audit::ReportFormat::Html},
        {text::kExportPageTable, QStringLiteral("*.pages.csv"), std::nullopt},
    };
    return formats;
}

QString exportFilter() {
    QStringList parts;
    for (const ExportFormat& format : exportFormats())
        parts << format.description << format.pattern;
    return parts.join(QLatin1Char('|'));
}

// The format an export's file name asks for: the longest pattern it matches
// ("x.pages.csv" is the page table, "x.csv" the findings); the findings as
// CSV for a name none matches.
const ExportFormat& exportFormatOf(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const ExportFormat* best = &exportFormats().front();
    qsizetype bestLength = 0;
    for (const ExportFormat& format : exportFormats())
        if (format.pattern.size() > bestLength && QDir::match(format.pattern, name)) {
            best = &format;
            bestLength = format.pattern.size();
        }
    return *best;
}

// A folder's published address: http, https or file, as --base-url takes it.
bool isSiteAddress(const QUrl& url) {
    return url.isValid() && (url.scheme() == QLatin1String("https") ||
                             url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("file"));
}

// Page and Title take the room there is; a number column is as wide as its
// heading or five digits. Set once: nothing measures 20,000 rows.
void sizeColumns(QTableView* table) {
    QHeaderView* header = table->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(SitePagesModel::PageColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(SitePagesModel::TitleColumn, QHeaderView::Stretch);
    const QFontMetrics metrics = header->fontMetrics();
    const int padding = 2 * metrics.horizontalAdvance(QLatin1Char('M'));
    for (const int column :
         {SitePagesModel::StatusColumn, SitePagesModel::TitleWidthColumn, SitePagesModel::DescriptionColumn,
          SitePagesModel::ErrorsColumn, SitePagesModel::WarningsColumn})
        table->setColumnWidth(column,
                              padding + std::max(metrics.horizontalAdvance(sitechecktext::kColumns[column]),
                                                 metrics.horizontalAdvance(QStringLiteral("00000"))));
    table->setColumnWidth(SitePagesModel::IndexableColumn, 160);
    table->setColumnWidth(SitePagesModel::CanonicalColumn, 180);
    table->setColumnWidth(SitePagesModel::RichResultsColumn, 180);
}

// A rule's help, what its fix does and the documents it follows, as the
// Issues tab shows them beside its row.
QString ruleHelpHtml(const audit::Rule& rule) {
    namespace text = sitechecktext;
    QString html =
        QStringLiteral("<p><b>%1</b> (%2)</p><p>%3</p>")
            .arg(rule.id.toHtmlEscaped(), audit::severityName(rule.severity), rule.help.toHtmlEscaped());
    if (rule.fixable())
        html += QStringLiteral("<p><b>%1:</b> %2</p>").arg(text::kFixHeading, rule.fixHelp.toHtmlEscaped());
    if (!rule.sources.isEmpty()) {
        html += QStringLiteral("<p><b>%1</b></p><ul>").arg(text::kSourcesHeading);
        for (const audit::RuleSource& source : rule.sources)
            html += QStringLiteral("<li><a href=\"%1\">%2</a></li>")
                        .arg(source.url.toHtmlEscaped(), source.title.toHtmlEscaped());
        html += QStringLiteral("</ul>");
    }
    return html;
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
      filter_(new SitePagesFilter(this)), findings_(new FindingsModel(this)),
      issues_(new SiteIssuesModel(this)), feedTimer_(new QTimer(this)),
      auditJob_(new Job(this, QStringLiteral("siteAudit"))) {
    namespace text = sitechecktext;
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(text::kCaption);
    ui_->lblSiteInput->setText(text::kInputLabel);
    ui_->cmdSiteFolder->setText(text::kFolder);
    ui_->txtSiteRoot->setPlaceholderText(text::kRootHint);
    ui_->txtSiteRoot->setToolTip(text::kRootTip);
    ui_->lblSiteBaseUrl->setText(text::kBaseUrlLabel);
    ui_->txtSiteBaseUrl->setPlaceholderText(text::kBaseUrlHint);
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
    ui_->cmdSiteUseBaseline->setText(text::kUseBaseline);
    ui_->cmdSiteUseBaseline->setToolTip(text::kUseBaselineTip);
    ui_->cmdSiteNoBaseline->setText(text::kNoBaseline);
    ui_->tabSite->setTabText(ui_->tabSite->indexOf(ui_->wdgSitePages), text::kPagesTab);
    ui_->tabSite->setTabText(ui_->tabSite->indexOf(ui_->wdgSiteIssues), text::kIssuesTab);
    showProgress(0, 0);
    showMessage(QString());

    filter_->setSourceModel(pages_);
    QTableView* table = ui_->tblSitePages;
    table->setModel(filter_);
    // Rows of one height and columns sized once: nothing measures 20,000 rows.
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    sizeColumns(table);
    table->sortByColumn(-1, Qt::AscendingOrder); // in the order read until a header is clicked
    ui_->lstSiteFindings->setModel(findings_);
    ui_->lstSiteFindings->header()->setSectionResizeMode(FindingsModel::MessageColumn, QHeaderView::Stretch);
    ui_->lstSiteFindings->header()->setSectionResizeMode(FindingsModel::RuleColumn,
                                                         QHeaderView::ResizeToContents);
    ui_->lstSiteFindings->header()->setStretchLastSection(false);
    ui_->lstSiteFindings->setColumnHidden(FindingsModel::FixColumn, true); // the fixes are Page Check's

    QTableView* issues = ui_->tblSiteIssues;
    issues->setModel(issues_);
    issues->verticalHeader()->hide();
    issues->horizontalHeader()->setStretchLastSection(true);
    issues->setColumnWidth(SiteIssuesModel::RuleColumn, 180);
    for (const int column : {SiteIssuesModel::PagesColumn, SiteIssuesModel::FindingsColumn,
                             SiteIssuesModel::ShareColumn, SiteIssuesModel::FixableColumn})
        issues->setColumnWidth(column, fontMetrics().horizontalAdvance(sitechecktext::kIssueColumns[column]) +
                                           fontMetrics().horizontalAdvance(QStringLiteral("00000")));
    QTableWidget* targets = ui_->tblSiteTargets;
    targets->setColumnCount(int(std::size(sitechecktext::kTargetColumns)));
    targets->setHorizontalHeaderLabels(
        QStringList(std::begin(sitechecktext::kTargetColumns), std::end(sitechecktext::kTargetColumns)));
    targets->verticalHeader()->hide();
    targets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    targets->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    targets->hide(); // until a rule with targets is chosen
    connect(issues->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &SiteCheckWindow::issueSelected);

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
    connect(ui_->cmdSiteUseBaseline, &QPushButton::clicked, this, &SiteCheckWindow::cmdSiteUseBaseline_Click);
    connect(ui_->cmdSiteNoBaseline, &QPushButton::clicked, this, &SiteCheckWindow::cmdSiteNoBaseline_Click);
    connect(ui_->cmdSiteAllPages, &QPushButton::clicked, this, [this] { filterByRule(QString()); });
    connect(ui_->txtSiteFilter, &QLineEdit::textChanged, filter_, &SitePagesFilter::setText);
    for (const auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(filter_, changed, this, &SiteCheckWindow::showCount);
    connect(filter_, &QAbstractItemModel::modelReset, this, &SiteCheckWindow::showCount);
    connect(filter_, &QAbstractItemModel::layoutChanged, this, &SiteCheckWindow::showCount);
    connect(ui_->cboSiteInput, &QComboBox::currentTextChanged, this, &SiteCheckWindow::inputChanged);
    connect(ui_->chartSiteRules, &SiteRuleChart::ruleClicked, this, &SiteCheckWindow::filterByRule);
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &SiteCheckWindow::pageSelected);
    connect(table, &QTableView::activated, this, &SiteCheckWindow::pageActivated);
    connect(ui_->lstSiteFindings, &QTreeView::activated, this, &SiteCheckWindow::findingActivated);
    restoreInputs();
    inputChanged(ui_->cboSiteInput->currentText());
    showCount();
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
    if (const QString base = ui_->txtSiteBaseUrl->text().trimmed(); !web && !base.isEmpty()) {
        request.baseUrl = QUrl(base);
        if (!isSiteAddress(request.baseUrl)) {
            showMessage(text::notABaseUrl(base));
            return;
        }
    }

    rememberInput(input);
    config_ = config;
    baseUrl_ = web ? QUrl() : request.baseUrl;
    site_ = {};
    runPages_.clear();
    runSite_ = {};
    baselineOutcome_ = {};
    pages_->reset({});
    findings_->setFindings({});
    ui_->chartSiteRules->setCounts({});
    issues_->setRules({});
    showTargets(QString());
    ui_->txtSiteBaseUrl->setPlaceholderText(text::kBaseUrlHint);
    ui_->txtSiteRuleHelp->clear();
    filterByRule(QString());
    showProgress(0, 0);
    ui_->lblSiteCurrent->clear();
    ui_->lblSiteSummary->clear();
    ui_->cmdSiteExport->setEnabled(false);
    ui_->cmdSiteBaseline->setEnabled(false);
    // The run is shown with the baseline it started with.
    ui_->cmdSiteUseBaseline->setEnabled(false);
    ui_->cmdSiteNoBaseline->setEnabled(false);
    ui_->cmdSiteStart->setText(text::kStop);
    showMessage(text::kReading);
    const QString siteRoot = SitePagesModel::siteRootOf(input);
    siteRoot_ = siteRoot;
    feed_ = std::make_shared<Feed>();
    elapsed_.start();
    feedTimer_->start();

    PageFetcher& fetcher = platform_.fetcher;
    auditJob_->start(
        [input, request, config, siteRoot, baseline = baseline_, feed = feed_,
         &fetcher](const Job::Run& run) mutable {
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
            watch.pageSeen = [feed, siteRoot](const audit::PageReport& page) {
                SitePagesModel::Row row = SitePagesModel::rowOf(page, siteRoot);
                const std::lock_guard lock(feed->mutex);
                feed->rows.append(std::move(row));
            };
            SiteRun result;
            result.outcome = runSiteAudit(request, config, fetcher, watch, run.stop());
            result.outcome.problems = expanded.problems + result.outcome.problems;
            result.shown = shownOf(result.outcome.pages, result.outcome.site, baseline, siteRoot);
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

SiteCheckWindow::SiteShown SiteCheckWindow::shownOf(QList<audit::PageReport> pages, audit::SiteSummary site,
                                                    const Baseline& baseline, const QString& siteRoot) {
    SiteShown shown;
    if (baseline)
        shown.baseline = audit::applyBaseline(pages, &site, *baseline);
    // The window only swaps these in: rows and counts of thousands of pages are made here.
    shown.rows.reserve(pages.size());
    for (const audit::PageReport& page : std::as_const(pages))
        shown.rows.append(SitePagesModel::rowOf(page, siteRoot));
    shown.counts = audit::worstFirst(audit::ruleCounts(pages));
    shown.site = std::move(site);
    return shown;
}

void SiteCheckWindow::showOutcome(SiteRun result) {
    namespace text = sitechecktext;
    const AuditRunner::Outcome& outcome = result.outcome;
    feedTimer_->stop();
    takeFeed();
    runPages_ = outcome.pages;
    runSite_ = outcome.site;
    if (outcome.site.address.from == audit::SiteAddress::From::Canonicals) {
        // The run found where the folder is published: Page Check shows its pages there too.
        baseUrl_ = QUrl(outcome.site.address.url);
        ui_->txtSiteBaseUrl->setPlaceholderText(text::inferredBaseUrl(outcome.site.address.url));
    }
    showRun(std::move(result.shown));
    showProgress(outcome.pages.size(), outcome.pages.size());
    ui_->lblSiteCurrent->clear();
    ui_->cmdSiteStart->setText(text::kStart);
    ui_->cmdSiteExport->setEnabled(!outcome.pages.isEmpty());
    ui_->cmdSiteBaseline->setEnabled(!outcome.pages.isEmpty());
    ui_->cmdSiteUseBaseline->setEnabled(true);
    ui_->cmdSiteNoBaseline->setEnabled(true);

    QStringList lines;
    if (outcome.stopped)
        lines << text::stopped(outcome.pages.size());
    else if (outcome.pages.isEmpty())
        lines << text::kNoPages;
    if (!baselineLine().isEmpty())
        lines << baselineLine();
    lines << outcome.problems.mid(0, kProblemsShown);
    if (outcome.problems.size() > kProblemsShown)
        lines << QStringLiteral("... (%1 more)").arg(outcome.problems.size() - kProblemsShown);
    showMessage(lines.join(QLatin1Char('\n')));
}

void SiteCheckWindow::showRun(SiteShown shown) {
    const QString selected = selectedPage() ? selectedPage()->page : QString();
    const QModelIndex issue = ui_->tblSiteIssues->currentIndex();
    const QString rule = issue.isValid() ? issues_->rule(issue.row()).rule : QString();
    pages_->reset(std::move(shown.rows));
    site_ = std::move(shown.site);
    baselineOutcome_ = shown.baseline;
    issues_->setRules(shown.counts);
    ui_->chartSiteRules->setCounts(std::move(shown.counts));
    showSummary();
    for (int row = 0; row < issues_->rowCount() && !rule.isEmpty(); ++row)
        if (issues_->rule(row).rule == rule) {
            ui_->tblSiteIssues->setCurrentIndex(issues_->index(row, 0));
            break;
        }
    if (!ui_->tblSiteIssues->currentIndex().isValid())
        issueSelected({});
    for (int row = 0; row < filter_->rowCount() && !selected.isEmpty(); ++row) {
        const QModelIndex index = filter_->index(row, 0);
        if (pages_->page(filter_->mapToSource(index).row()).page == selected) {
            ui_->tblSitePages->setCurrentIndex(index);
            break;
        }
    }
    pageSelected();
}

QString SiteCheckWindow::baselineLine() const {
    if (!baseline_)
        return {};
    if (!baselineOutcome_.used)
        return sitechecktext::baselineInUse(baselinePath_);
    return sitechecktext::baselineApplied(
        baselinePath_, QString::fromUtf8(audit::baselineSummaryLine(baselineOutcome_)).trimmed());
}

void SiteCheckWindow::baselineChanged() {
    ui_->cmdSiteNoBaseline->setVisible(baseline_.has_value());
    baselineOutcome_ = {};
    if (!runPages_.isEmpty())
        showRun(shownOf(runPages_, runSite_, baseline_, siteRoot_));
    showMessage(baseline_ ? baselineLine() : sitechecktext::kBaselineDropped);
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

void SiteCheckWindow::inputChanged(const QString& input) {
    // A folder is read whole and a crawl has no folder to publish: each
    // greys what it ignores.
    const QString given = input.trimmed();
    const bool web = hasScheme(given);
    const bool folder = !given.isEmpty() && !web;
    ui_->lblSiteMaxPages->setEnabled(!folder);
    ui_->spinSiteMaxPages->setEnabled(!folder);
    ui_->lblSiteBaseUrl->setEnabled(!web);
    ui_->txtSiteBaseUrl->setEnabled(!web);
}

void SiteCheckWindow::showCount() {
    const bool filtered = !filter_->rule().isEmpty() || !ui_->txtSiteFilter->text().isEmpty();
    ui_->lblSiteCount->setText(filtered ? sitechecktext::shownOf(filter_->rowCount(), pages_->rowCount())
                                        : QString());
}

void SiteCheckWindow::filterByRule(const QString& rule) {
    // A second click on the same bar shows every page again.
    showRule(rule == filter_->rule() ? QString() : rule);
}

void SiteCheckWindow::showRule(const QString& wanted) {
    filter_->setRule(wanted);
    ui_->cmdSiteAllPages->setVisible(!wanted.isEmpty());
    ui_->lblSitePages->setText(wanted.isEmpty() ? sitechecktext::kPagesLabel
                                                : sitechecktext::filteredByRule(wanted));
}

SitePageContext SiteCheckWindow::openedPage() const {
    SitePageContext context;
    for (int row = 0; row < pages_->rowCount(); ++row) {
        const SitePagesModel::Row& page = pages_->at(row);
        if (page.report.page != opened_)
            continue;
        context.name = page.report.page;
        context.url = page.report.url;
        context.config = config_;
        for (const audit::Finding& finding : page.report.findings)
            if (audit::registeredRule(finding.rule).scope != audit::RuleScope::Page)
                context.siteFindings.append(finding);
        context.address = publishedAddress(page);
        break;
    }
    return context;
}

QString SiteCheckWindow::publishedAddress(const SitePagesModel::Row& page) const {
    if (hasScheme(page.report.page))
        return page.report.url;
    if (baseUrl_.isEmpty() || page.path == page.report.page)
        return {};
    QUrl base = baseUrl_;
    if (!base.path().endsWith(QLatin1Char('/')))
        base.setPath(base.path() + QLatin1Char('/')); // a folder's address, not a file's
    return base.resolved(QUrl(page.path)).toString();
}

void SiteCheckWindow::issueSelected(const QModelIndex& current) {
    if (!current.isValid()) {
        ui_->txtSiteRuleHelp->clear();
        showTargets(QString());
        return;
    }
    const QString rule = issues_->rule(current.row()).rule;
    showRule(rule);
    showTargets(rule);
    const audit::Rule* registered = audit::findRule(rule);
    ui_->txtSiteRuleHelp->setHtml(registered ? ruleHelpHtml(*registered) : QString());
}

void SiteCheckWindow::showTargets(const QString& rule) {
    // The broken targets the run grouped for this rule, most linked first.
    QTableWidget* table = ui_->tblSiteTargets;
    table->setRowCount(0);
    for (const audit::BrokenTarget& target : std::as_const(site_.brokenTargets)) {
        if (target.rule != rule)
            continue;
        const int row = table->rowCount();
        table->insertRow(row);
        auto* name = new QTableWidgetItem(target.target);
        name->setToolTip(target.target);
        table->setItem(row, TargetNameColumn, name);
        table->setItem(row, TargetProblemColumn, new QTableWidgetItem(target.problem));
        const auto setCount = [table, row](int column, qsizetype count) {
            auto* item = new QTableWidgetItem(audit::groupedNumber(count));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, column, item);
        };
        setCount(TargetPagesColumn, target.pages);
        setCount(TargetLinksColumn, target.references);
    }
    table->setVisible(table->rowCount() > 0);
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
        const auto [at, length] = placeInText(panel->pageSnapshot().text, finding);
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
                                                  sitechecktext::kExportName, exportFilter());
    if (path.isEmpty())
        return;
    const ExportFormat& format = exportFormatOf(path);
    QString done;
    PageBytesWriter file(path);
    if (format.report) {
        const audit::ReportContext context{&config_, audit::sourceRootOf(QDir::currentPath()),
                                           site_.present ? &site_ : nullptr,
                                           baselineOutcome_.used ? &baselineOutcome_ : nullptr};
        const QList<audit::PageReport> pages = pages_->pages();
        audit::writeReport(*format.report, pages, context,
                           [&file](QByteArrayView bytes) { file.write(bytes); });
        qsizetype findings = 0;
        for (const audit::PageReport& page : pages)
            findings += page.findings.size();
        done = sitechecktext::exportedReport(path, pages.size(), findings);
    } else {
        file.write(pageTableCsv());
        done = sitechecktext::exportedTable(path, filter_->rowCount());
    }
    QString error;
    showMessage(file.commit(&error) ? done : sitechecktext::notExported(path, error));
}

QByteArray SiteCheckWindow::pageTableCsv() const {
    // The rows as the table shows them: filtered, in its order, every column.
    QStringList header;
    for (int column = 0; column < SitePagesModel::ColumnCount; ++column)
        header << pages_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    QList<QStringList> rows;
    rows.reserve(filter_->rowCount());
    for (int row = 0; row < filter_->rowCount(); ++row) {
        const int source = filter_->mapToSource(filter_->index(row, 0)).row();
        QStringList cells;
        for (int column = 0; column < SitePagesModel::ColumnCount; ++column)
            cells << pages_->cell(source, column);
        rows << cells;
    }
    return audit::csvTable(header, rows);
}

// The run's findings as accepted, the file headwise-cli audit --baseline reads.
void SiteCheckWindow::cmdSiteBaseline_Click() {
    const QString path = platform_.files.saveFile(
        this, sitechecktext::kBaselineTitle, sitechecktext::kBaselineName, sitechecktext::kBaselineFilter);
    if (path.isEmpty())
        return;
    QString error;
    // Every finding of the run, the accepted ones too, so that the new file drops only what is gone.
    showMessage(audit::saveBaseline(path, runPages_, &error) ? sitechecktext::baselineSaved(path) : error);
}

// A baseline's accepted findings are left out of what the window shows, of this run and the next.
void SiteCheckWindow::cmdSiteUseBaseline_Click() {
    const QString path =
        platform_.files.openFile(this, sitechecktext::kUseBaselineTitle, sitechecktext::kBaselineFilter);
    if (path.isEmpty())
        return;
    QString error;
    Baseline accepted = audit::loadBaseline(path, &error);
    if (!accepted) {
        showMessage(error); // the baseline in use, if any, stays
        return;
    }
    baseline_ = std::move(accepted);
    baselinePath_ = path;
    baselineChanged();
}

void SiteCheckWindow::cmdSiteNoBaseline_Click() {
    baseline_.reset();
    baselinePath_.clear();
    baselineChanged();
}

} // namespace headwise
