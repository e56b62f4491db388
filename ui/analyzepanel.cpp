#include "analyzepanel.h"

#include "backgroundwork.h"
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

// A few milliseconds of layout each in the page box; smaller pieces add
// more to the whole fill (a paint each) than they take off the longest stall.
constexpr qsizetype kPagePieceChars = 256 * 1024;

// A page as the box and the scanners take it, built off the GUI thread.
struct PreparedPage {
    QString lf;
    QString crlf;
};

PreparedPage preparePage(const QString& text) {
    return {toLf(text), toCrLf(text)};
}

// Where the next piece of the box's text ends: after a line break, so that
// no line is laid out twice; a line longer than a piece goes in whole.
qsizetype pieceEnd(const QString& text, qsizetype from) {
    const qsizetype limit = std::min(text.size(), from + kPagePieceChars);
    if (limit == text.size())
        return limit;
    const qsizetype last = QStringView(text).sliced(from, limit - from).lastIndexOf(QLatin1Char('\n'));
    if (last >= 0)
        return from + last + 1;
    const qsizetype next = text.indexOf(QLatin1Char('\n'), limit);
    return next < 0 ? text.size() : next + 1;
}

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
    work_ = &loader_->work();

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

void AnalyzePanel::abandonWork() {
    work_->abandon();
}

bool AnalyzePanel::hasPage() const {
    return !ui->Text->document()->isEmpty();
}

QString AnalyzePanel::pageText() const {
    if (!pageCache_)
        pageCache_ = crLfText(ui->Text);
    return *pageCache_;
}

std::optional<QString> AnalyzePanel::pageTextForWork() {
    if (pageCache_)
        return *pageCache_;
    const quint64 version = pageVersion_;
    // The copy is a plain memory copy; the conversion is the long part.
    std::optional<QString> text =
        work_->run([raw = ui->Text->document()->toRawText()] { return documentTextToCrLf(raw); });
    if (text && version == pageVersion_)
        pageCache_ = *text;
    return text;
}

bool AnalyzePanel::setPage(const QString& lfText, const QString& crlfText) {
    const quint64 generation = work_->generation();
    QPlainTextEdit* box = ui->Text;
    qsizetype end = pieceEnd(lfText, 0);
    box->setPlainText(end == lfText.size() ? lfText : lfText.left(end));
    // Read-only keeps typing out, not the panel's own buttons (Cut, Insert
    // Tags ...); after such an edit the box no longer holds crlfText.
    quint64 ownVersion = pageVersion_;
    bool editedMeanwhile = false;
    if (end < lfText.size()) {
        // As with one setPlainText: nothing to undo afterwards, the caret at the start.
        QTextDocument* doc = box->document();
        doc->setUndoRedoEnabled(false);
        const bool readOnly = box->isReadOnly();
        box->setReadOnly(true); // no typing into a half-filled page
        QTextCursor cursor(doc);
        while (end < lfText.size()) {
            if (!loader_->pause(generation))
                break;
            editedMeanwhile = editedMeanwhile || pageVersion_ != ownVersion;
            const qsizetype from = end;
            end = pieceEnd(lfText, from);
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(lfText.mid(from, end - from));
            ownVersion = pageVersion_;
        }
        box->setReadOnly(readOnly);
        doc->setUndoRedoEnabled(true);
        if (end < lfText.size())
            return false;
    }
    if (!editedMeanwhile)
        pageCache_ = crlfText;
    return true;
}

void AnalyzePanel::Text_Change() {
    // Runs on every keystroke in a page of any size: no text is built here.
    pageCache_.reset();
    ++pageVersion_;
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

// The scans run off the GUI thread on a copy of the page; the panel waits as
// it waits between them.
template <typename Work>
auto AnalyzePanel::onPageText(Work work) -> std::optional<std::invoke_result_t<Work, const QString&>> {
    for (;;) {
        const quint64 version = pageVersion_;
        const std::optional<QString> page = pageTextForWork();
        if (!page)
            return std::nullopt;
        auto result = work_->run([work, page = *page] { return work(page); });
        if (!result || version == pageVersion_)
            return result;
    }
}

bool AnalyzePanel::ListMetaTags() {
    const std::optional<MetaTagListing> listing =
        onPageText([](const QString& page) { return headwise::listMetaTags(page); });
    if (!listing)
        return false;
    ui->txtScript->setPlainText(toLf(listing->script));
    return !listing->failed;
}

bool AnalyzePanel::runScanner(ScannedTag tag) {
    const ResultRow& row = rowFor(tag);
    const std::optional<ScanResult> result =
        onPageText([tag](const QString& page) { return scanTag(tag, page); });
    if (!result)
        return false;
    setBoxText(row.box, result->boxText);
    row.counter->setText(QString::number(result->count));
    return true;
}

void AnalyzePanel::ReportMissingTags() {
    const quint64 generation = work_->generation();
    for (ScannedTag tag : kReportOrder) {
        const ResultRow& row = rowFor(tag);
        const std::optional<TagReport> report =
            onPageText([tag](const QString& page) { return reportTag(tag, scanTag(tag, page)); });
        if (!report)
            return;
        setBoxText(row.box, report->boxText);
        row.counter->setText(QString::number(report->count));
        if (tag != kReportOrder.back() && !loader_->pause(generation))
            return;
    }
}

void AnalyzePanel::listAndReport() {
    const quint64 generation = work_->generation();
    // An unclosed "<meta" only ends the listing: stopping before the report
    // would leave the previous page's results standing beside this page.
    ListMetaTags();
    if (loader_->pause(generation))
        ReportMissingTags();
}

void AnalyzePanel::txtGetSrc_Click() {
    // A new load supersedes a fetch still under way: its answer, if it ever
    // comes, is dropped rather than mixed with this one.
    work_->abandon();
    const QString url = ui->txtUrl->text();
    setPage(QString(), QString());
    for (const ResultRow& row : rows_) {
        setBoxText(row.box, QString());
        row.counter->clear();
    }
    if (!loader_->acceptAddress(url))
        return;
    const quint64 generation = work_->generation();
    // The wait lets the watchdog's tick report a silent server while the fetch goes on.
    const auto page = loader_->fetch([url](PageFetcher& fetcher) {
        FetchedPage fetched = fetcher.fetchPage(url);
        return std::pair{preparePage(fetched.page.text), std::move(fetched)};
    });
    if (!page || !setPage(page->first.lf, page->first.crlf))
        return; // superseded, or the window is closing
    loaded_ = std::move(page->second.page);
    served_ = std::move(page->second);
    pageFromWeb_ = true;
    address_ = url;
    if (loader_->settle(generation))
        listAndReport();
}

void AnalyzePanel::Timer1_Timer() {
    loader_->watchdogFired();
}

bool AnalyzePanel::loadPageFile(const QString& path) {
    const quint64 generation = work_->generation();
    std::optional<DecodedPage> page = loader_->readFile(path);
    if (!page)
        return false;
    const std::optional<PreparedPage> prepared =
        work_->run([text = page->text] { return preparePage(text); });
    if (!prepared || work_->generation() != generation)
        return false;
    work_->abandon(); // a fetch still under way must not replace this page later
    if (!setPage(prepared->lf, prepared->crlf))
        return false;
    loaded_ = std::move(*page);
    served_ = {};
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
                 pageBytesToSave(pageText(), loaded_));
}

void AnalyzePanel::cmdCut_Click() {
    QTextCursor cursor = ui->Text->textCursor();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
}

void AnalyzePanel::insertAt(qsizetype editorPosition, const QString& crlfText) {
    QTextCursor cursor(ui->Text->document());
    cursor.setPosition(int(editorPosition));
    ui->Text->setTextCursor(cursor);
    cursor.insertText(toLf(crlfText));
    ui->Text->setTextCursor(cursor);
}

// Editor positions count one character per line break, so the insertion point
// is found in the editor's own text ("<head>" holds no line break).
void AnalyzePanel::insertTagBlock(const QString& crlfBlock) {
    // The place is found and the new text spliced off the GUI thread in the
    // box's CR LF text, which the scans then read without another pass over
    // the whole box.
    const quint64 generation = work_->generation();
    const quint64 version = pageVersion_;
    const std::optional<QString> page = pageTextForWork();
    if (!page || work_->generation() != generation)
        return;
    std::optional<TagBlockSplice> splice =
        work_->run([page = *page, crlfBlock] { return spliceTagBlock(page, crlfBlock); });
    if (!splice || work_->generation() != generation)
        return;
    if (version != pageVersion_) // typed into meanwhile: the place found may have moved
        splice = spliceTagBlock(pageText(), crlfBlock);
    insertAt(splice->insertion.at, splice->insertion.text);
    pageCache_ = std::move(splice->page);
    if (!loader_->pause(generation))
        return;
    ListMetaTags(); // a failed listing still leaves the report to run
    if (loader_->pause(generation))
        ReportMissingTags();
}

PageSnapshot AnalyzePanel::pageSnapshot() const {
    return pageSnapshotSource()();
}

std::function<PageSnapshot()> AnalyzePanel::pageSnapshotSource() const {
    // The CR LF text the scans read is at hand after a load or an insertion;
    // only after typing is the document's own text copied.
    QString text = pageCache_ ? *pageCache_ : ui->Text->document()->toRawText();
    PageSnapshot snapshot{.text = {},
                          .encoding = loaded_.encoding,
                          .address = address_,
                          .httpStatus = served_.status,
                          .httpCharset = served_.charset,
                          .headers = served_.headers};
    return [text = std::move(text), snapshot = std::move(snapshot)]() mutable {
        snapshot.text = documentPlainText(text);
        return snapshot;
    };
}

void AnalyzePanel::selectInPage(qsizetype position, qsizetype length) {
    QTextCursor cursor(ui->Text->document());
    const int end = ui->Text->document()->characterCount() - 1;
    cursor.setPosition(int(std::clamp<qsizetype>(position, 0, end)));
    cursor.setPosition(int(std::clamp<qsizetype>(position + length, 0, end)), QTextCursor::KeepAnchor);
    ui->Text->setTextCursor(cursor);
    ui->Text->ensureCursorVisible();
    emit showRequested();
    ui->Text->setFocus();
}

void AnalyzePanel::cmdInsert_Click() {
    QStringList texts;
    for (ScannedTag tag : {ScannedTag::Keywords, ScannedTag::Description, ScannedTag::Robots,
                           ScannedTag::Rating, ScannedTag::Revisit})
        texts << boxText(rowFor(tag).box);
    insertAt(insertionPoint(ui->Text->document()->toRawText()), insertScanText(texts));
}

void AnalyzePanel::Command2_Click() {
    const QString script = crLfText(ui->txtScript);
    const QString page = pageText();
    const QString replaced = removeMetaBlock(page, script);
    if (replaced.size() != page.size())
        setPage(toLf(replaced), replaced);
}

} // namespace headwise
