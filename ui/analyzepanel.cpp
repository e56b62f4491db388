#include "analyzepanel.h"

#include "editortext.h"
#include "linebreaks.h"
#include "pagefile.h"
#include "pagereport.h"
#include "pagesaver.h"
#include "tagblock.h"
#include "ui_analyzepanel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace headwise {
namespace {

// Every text this panel shows, in one place.
namespace text {
const QString kSaveTitle = QStringLiteral("Save Page");
const QString kFetchedPageName = QStringLiteral("page.htm");
const QString kSaveFailedTitle = QStringLiteral("Save Failed");
const QString kSaveFailed = QStringLiteral("The page could not be saved to ");
} // namespace text

const QColor kMissingColour(255, 0, 0);
const QColor kFoundColour(0, 0, 0);

QString boxText(const QWidget* box) {
    if (auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text();
    return crLfText(static_cast<const QPlainTextEdit*>(box));
}

void setBoxText(QWidget* box, const QString& crlfText) {
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->setText(crlfText);
    else
        static_cast<QPlainTextEdit*>(box)->setPlainText(toLf(crlfText));
}

// Cheap on a large box: the length is compared before any text is built.
bool boxHolds(const QWidget* box, const QString& message) {
    if (auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text() == message;
    const QTextDocument* doc = static_cast<const QPlainTextEdit*>(box)->document();
    return doc->characterCount() == message.size() + 1 && doc->toRawText() == message;
}

void setTextColour(QWidget* box, const QColor& colour) {
    QPalette palette = box->palette();
    if (palette.color(QPalette::Text) == colour && palette.color(QPalette::Base) == Qt::white)
        return;
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::Base, Qt::white);
    box->setPalette(palette);
}

} // namespace

AnalyzePanel::AnalyzePanel(QWidget* parent) : QGroupBox(parent), ui(std::make_unique<Ui::AnalyzePanel>()) {
    ui->setupUi(this);
    loader_ = new PageLoader(this, QStringLiteral("Timer1"), ui->txtUrl, [this] { return hasPage(); });

    rows_ = {{{ScannedTag::Title, ui->txtTitle, ui->txtTitleCnt},
              {ScannedTag::Keywords, ui->txtKeywords, ui->txtKeywordsCnt},
              {ScannedTag::Description, ui->txtDesc, ui->txtDescCnt},
              {ScannedTag::Robots, ui->txtRobots, ui->txtRobotsCnt},
              {ScannedTag::Rating, ui->txtRating, ui->txtRatingCnt},
              {ScannedTag::Revisit, ui->txtRevisit, ui->txtRevisitCnt}}};
    for (const ResultRow& row : rows_) {
        setTextColour(row.box, kFoundColour);
        if (auto* line = qobject_cast<QLineEdit*>(row.box))
            connect(line, &QLineEdit::textChanged, this, [this, &row] { resultBox_Change(row); });
        else
            connect(static_cast<QPlainTextEdit*>(row.box), &QPlainTextEdit::textChanged, this,
                    [this, &row] { resultBox_Change(row); });
    }

    connect(ui->Text, &QPlainTextEdit::textChanged, this, &AnalyzePanel::Text_Change);
    connect(ui->txtUrl, &QLineEdit::textChanged, this, &AnalyzePanel::txtUrl_Change);
    connect(ui->txtGetSrc, &QPushButton::clicked, this, &AnalyzePanel::txtGetSrc_Click);
    connect(ui->cmdFile, &QPushButton::clicked, this, &AnalyzePanel::cmdFile_Click);
    connect(ui->cmdSave, &QPushButton::clicked, this, &AnalyzePanel::cmdSave_Click);
    connect(ui->cmdCut, &QPushButton::clicked, this, &AnalyzePanel::cmdCut_Click);
    connect(loader_->watchdog(), &QTimer::timeout, this, &AnalyzePanel::Timer1_Timer);
}

AnalyzePanel::~AnalyzePanel() = default;

void AnalyzePanel::setPlatform(const Platform& platform) {
    loader_->setPlatform(platform);
}

QString AnalyzePanel::address() const {
    return ui->txtUrl->text();
}

bool AnalyzePanel::hasPage() const {
    return !ui->Text->document()->isEmpty();
}

QString AnalyzePanel::pageText() const {
    if (!pageCache_)
        pageCache_ = crLfText(ui->Text);
    return *pageCache_;
}

void AnalyzePanel::setPage(const QString& text) {
    ui->Text->setPlainText(toLf(text));
    pageCache_ = toCrLf(text);
}

void AnalyzePanel::Text_Change() {
    // Runs on every keystroke in a page of any size: no text is built here.
    pageCache_.reset();
    const bool filled = hasPage();
    ui->Label10->setVisible(filled);
    ui->cmdSave->setEnabled(filled);
    emit pageTextChanged(filled);
    emit pageChanged();
}

void AnalyzePanel::txtUrl_Change(const QString& text) {
    emit urlChanged(text);
}

void AnalyzePanel::resultBox_Change(const ResultRow& row) {
    setTextColour(row.box, boxHolds(row.box, missingMessage(row.tag)) ? kMissingColour : kFoundColour);
}

const AnalyzePanel::ResultRow& AnalyzePanel::rowFor(ScannedTag tag) const {
    return rows_[static_cast<std::size_t>(tag)];
}

bool AnalyzePanel::ListMetaTags() {
    const MetaTagListing listing = headwise::listMetaTags(pageText());
    ui->txtScript->setPlainText(toLf(listing.script));
    return !listing.failed;
}

void AnalyzePanel::runScanner(ScannedTag tag) {
    const ResultRow& row = rowFor(tag);
    const ScanResult result = scanTag(tag, pageText());
    setBoxText(row.box, result.boxText);
    row.counter->setText(QString::number(result.count));
}

void AnalyzePanel::ReportMissingTags() {
    for (ScannedTag tag : kReportOrder) {
        const ResultRow& row = rowFor(tag);
        const TagReport report = reportTag(tag, scanTag(tag, pageText()));
        setBoxText(row.box, report.boxText);
        row.counter->setText(QString::number(report.count));
        if (tag != kReportOrder.back())
            QCoreApplication::processEvents();
    }
}

void AnalyzePanel::listAndReport() {
    // An unclosed "<meta" only ends the listing: stopping before the report
    // would leave the previous page's results standing beside this page.
    ListMetaTags();
    QCoreApplication::processEvents();
    ReportMissingTags();
}

void AnalyzePanel::txtGetSrc_Click() {
    const QString url = ui->txtUrl->text();
    setPage(QString());
    for (const ResultRow& row : rows_) {
        setBoxText(row.box, QString());
        row.counter->clear();
    }
    if (!loader_->acceptAddress(url))
        return;
    setPage(loader_->fetch(url));
    encoding_ = fetchedPageEncoding();
    pageFromWeb_ = true;
    address_ = url;
    if (loader_->settle())
        listAndReport();
}

void AnalyzePanel::Timer1_Timer() {
    loader_->watchdogFired();
}

bool AnalyzePanel::loadPageFile(const QString& path) {
    const std::optional<DecodedPage> page = loader_->readFile(path);
    if (!page)
        return false;
    setPage(page->text);
    encoding_ = page->encoding;
    pageFromWeb_ = false;
    address_ = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
    return true;
}

void AnalyzePanel::cmdFile_Click() {
    const QString path = loader_->choosePageFile();
    if (path.isEmpty() || !loadPageFile(path))
        return;
    ui->txtFile->setText(path);
    listAndReport();
}

void AnalyzePanel::Command1_Click() {
    if (loadPageFile(ui->txtFile->text()))
        listAndReport();
}

void AnalyzePanel::cmdSave_Click() {
    if (!loader_->platform() || !hasPage())
        return;
    const QString proposed =
        pageFromWeb_ || ui->txtFile->text().isEmpty() ? text::kFetchedPageName : ui->txtFile->text();
    saveOrReport(*loader_->platform(), window(),
                 {.title = text::kSaveTitle,
                  .proposedPath = proposed,
                  .filter = pageDialogFilter(),
                  .failedTitle = text::kSaveFailedTitle,
                  .failed = text::kSaveFailed},
                 pageText(), encoding_);
}

void AnalyzePanel::cmdCut_Click() {
    QTextCursor cursor = ui->Text->textCursor();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
}

void AnalyzePanel::insertAt(qsizetype crlfOffset, const QString& crlfText) {
    // Editor positions count one character per line break.
    QTextCursor cursor(ui->Text->document());
    cursor.setPosition(int(lfOffset(pageText(), crlfOffset)));
    ui->Text->setTextCursor(cursor);
    cursor.insertText(toLf(crlfText));
    ui->Text->setTextCursor(cursor);
}

void AnalyzePanel::insertTagBlock(const QString& crlfBlock) {
    const TagBlockInsertion insertion = tagBlockInsertion(pageText(), crlfBlock);
    insertAt(insertion.at, insertion.text);
    QCoreApplication::processEvents();
    ListMetaTags(); // a failed listing still leaves the report to run
    QCoreApplication::processEvents();
    ReportMissingTags();
}

void AnalyzePanel::selectPageRange(qsizetype offset, qsizetype length) {
    const QString page = pageText();
    const qsizetype from = std::clamp<qsizetype>(offset, 0, page.size());
    const qsizetype to = from + std::clamp<qsizetype>(length, 0, page.size() - from);
    QTextCursor cursor(ui->Text->document());
    cursor.setPosition(int(lfOffset(page, from)));
    cursor.setPosition(int(lfOffset(page, to)), QTextCursor::KeepAnchor);
    ui->Text->setTextCursor(cursor);
    ui->Text->ensureCursorVisible();
    emit showRequested();
    ui->Text->setFocus();
}

PageSnapshot AnalyzePanel::pageSnapshot() const {
    return {ui->Text->toPlainText(), encoding_, address_};
}

void AnalyzePanel::selectInPage(qsizetype position, qsizetype length) {
    QTextCursor cursor(ui->Text->document());
    const int end = ui->Text->document()->characterCount() - 1;
    cursor.setPosition(int(std::clamp<qsizetype>(position, 0, end)));
    cursor.setPosition(int(std::clamp<qsizetype>(position + length, 0, end)), QTextCursor::KeepAnchor);
    ui->Text->setTextCursor(cursor);
    ui->Text->ensureCursorVisible();
    ui->Text->setFocus();
}

void AnalyzePanel::cmdInsert_Click() {
    QStringList texts;
    for (ScannedTag tag : {ScannedTag::Keywords, ScannedTag::Description, ScannedTag::Robots,
                           ScannedTag::Rating, ScannedTag::Revisit})
        texts << boxText(rowFor(tag).box);
    insertAt(insertionPoint(pageText()), insertScanText(texts));
}

void AnalyzePanel::Command2_Click() {
    const QString script = crLfText(ui->txtScript);
    const QString page = pageText();
    const QString replaced = removeMetaBlock(page, script);
    if (replaced.size() != page.size())
        setPage(replaced);
}

} // namespace headwise
