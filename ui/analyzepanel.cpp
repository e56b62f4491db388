#include "analyzepanel.h"

#include "editortext.h"
#include "fetchnotices.h"
#include "filedialog.h"
#include "linebreaks.h"
#include "messagebox.h"
#include "pagefetcher.h"
#include "pagefile.h"
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

constexpr int kConnectNoticeMs = 20000;

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

AnalyzePanel::AnalyzePanel(QWidget* parent)
    : QGroupBox(parent), ui(std::make_unique<Ui::AnalyzePanel>()), timer1_(new QTimer(this)) {
    ui->setupUi(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(kConnectNoticeMs);

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
    connect(timer1_, &QTimer::timeout, this, &AnalyzePanel::Timer1_Timer);
}

AnalyzePanel::~AnalyzePanel() = default;

void AnalyzePanel::setPlatform(const Platform& platform) {
    platform_.emplace(platform);
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

void AnalyzePanel::showLoadedPage(const DecodedPage& page) {
    ui->Text->setPlainText(toLf(page.text));
    // The decoded text itself, not the editor's version of it: an editor
    // turns U+2028 and some noncharacters into line breaks.
    pageCache_ = page.text;
    loaded_ = page;
}

void AnalyzePanel::Text_Change() {
    // Runs on every keystroke in a page of any size: no text is built here.
    pageCache_.reset();
    const bool filled = hasPage();
    ui->Label10->setVisible(filled);
    ui->cmdSave->setEnabled(filled);
    emit pageChanged();
}

void AnalyzePanel::txtUrl_Change(const QString& text) {
    emit urlChanged(text);
}

void AnalyzePanel::resultBox_Change(const ResultRow& row) {
    setTextColour(row.box, boxHolds(row.box, missingMessage(row.tag)) ? kMissingColour : kFoundColour);
}

void AnalyzePanel::showMessage(const QString& text, const QString& title) {
    if (platform_)
        platform_->messages.show(window(), text, title, MessageIcon::Information);
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
        runScanner(tag);
        const ResultRow& row = rowFor(tag);
        if (reportsMissing(row.counter->text()))
            setBoxText(row.box, missingMessage(tag));
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
    if (url.size() < fetchnotice::kShortestUrl) {
        showMessage(fetchnotice::kNotValid, fetchnotice::kNotValidTitle);
        ui->txtUrl->setFocus();
        return;
    }
    timer1_->start();
    if (platform_) {
        showLoadedPage(platform_->fetcher.fetchPage(url));
        pageFromWeb_ = true;
        address_ = url;
    }
    QCoreApplication::processEvents();
    if (!hasPage())
        return; // the timer's tick tells the user
    timer1_->stop();
    listAndReport();
}

void AnalyzePanel::Timer1_Timer() {
    if (hasPage())
        return;
    // Disarmed before the box goes up: a modal box runs its own event loop,
    // and the next tick must not stack a second notice on the first.
    timer1_->stop();
    showMessage(fetchnotice::cantConnect(ui->txtUrl->text()), fetchnotice::kCantConnectTitle);
}

bool AnalyzePanel::loadPageFile(const QString& path) {
    const std::optional<DecodedPage> page = readPageFile(path);
    if (!page)
        return false;
    showLoadedPage(*page);
    pageFromWeb_ = false;
    address_ = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
    return true;
}

void AnalyzePanel::cmdFile_Click() {
    if (!platform_)
        return;
    const QString path = platform_->files.openFile(window(), pageDialogTitle(), pageDialogFilter());
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
    if (!platform_ || !hasPage())
        return;
    const QString proposed =
        pageFromWeb_ || ui->txtFile->text().isEmpty() ? text::kFetchedPageName : ui->txtFile->text();
    const QString path = platform_->files.saveFile(window(), text::kSaveTitle, proposed, pageDialogFilter());
    if (path.isEmpty())
        return;
    QString error;
    if (!writePageBytes(path, pageBytesToSave(pageText(), loaded_), &error))
        showMessage(text::kSaveFailed + path + kCrLf + error, text::kSaveFailedTitle);
}

void AnalyzePanel::cmdCut_Click() {
    QTextCursor cursor = ui->Text->textCursor();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
}

void AnalyzePanel::insertAtInsertionPoint(const QString& crlfText) {
    // Editor positions count one character per line break, so the point is
    // found in the editor's own text; "<head>" holds no line break.
    QTextCursor cursor(ui->Text->document());
    cursor.setPosition(int(insertionPoint(ui->Text->document()->toRawText())));
    ui->Text->setTextCursor(cursor);
    cursor.insertText(toLf(crlfText));
    ui->Text->setTextCursor(cursor);
}

PageSnapshot AnalyzePanel::pageSnapshot() const {
    return {ui->Text->toPlainText(), loaded_.encoding, address_};
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
    insertAtInsertionPoint(insertScanText(texts));
}

void AnalyzePanel::Command2_Click() {
    const QString script = crLfText(ui->txtScript);
    const QString page = pageText();
    const QString replaced = removeMetaBlock(page, script);
    if (replaced.size() != page.size())
        setPage(replaced);
}

} // namespace headwise
