#include "ui/analyzepanel.h"

#include "core/page/linebreaks.h"
#include "core/page/pagefile.h"
#include "core/page/pagereport.h"
#include "core/page/tagblock.h"
#include "ui/editortext.h"
#include "ui/pagesaver.h"
#include "ui_analyzepanel.h"

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

AnalyzePanel::AnalyzePanel(QWidget* parent) : QGroupBox(parent), ui_(std::make_unique<Ui::AnalyzePanel>()) {
    ui_->setupUi(this);
    loader_ = new PageLoader(this, QStringLiteral("Timer1"), ui_->txtUrl, [this] { return hasPage(); });
    loadJob_ = &loader_->job();
    fileJob_ = new Job(this, QStringLiteral("analyzeFile"));
    scanJob_ = new Job(this, QStringLiteral("analyzeScan"));

    rows_ = {{{ScannedTag::Title, ui_->txtTitle, ui_->txtTitleCnt},
              {ScannedTag::Keywords, ui_->txtKeywords, ui_->txtKeywordsCnt},
              {ScannedTag::Description, ui_->txtDesc, ui_->txtDescCnt},
              {ScannedTag::Robots, ui_->txtRobots, ui_->txtRobotsCnt},
              {ScannedTag::Rating, ui_->txtRating, ui_->txtRatingCnt},
              {ScannedTag::Revisit, ui_->txtRevisit, ui_->txtRevisitCnt}}};
    for (const ResultRow& row : rows_) {
        setTextColour(row.box, kFoundColour);
        if (auto* line = qobject_cast<QLineEdit*>(row.box))
            connect(line, &QLineEdit::textChanged, this, [this, &row] { resultBox_Change(row); });
        else
            connect(static_cast<QPlainTextEdit*>(row.box), &QPlainTextEdit::textChanged, this,
                    [this, &row] { resultBox_Change(row); });
    }

    connect(ui_->Text, &QPlainTextEdit::textChanged, this, &AnalyzePanel::Text_Change);
    connect(ui_->txtUrl, &QLineEdit::textChanged, this, &AnalyzePanel::txtUrl_Change);
    connect(ui_->txtGetSrc, &QPushButton::clicked, this, &AnalyzePanel::txtGetSrc_Click);
    connect(ui_->cmdFile, &QPushButton::clicked, this, &AnalyzePanel::cmdFile_Click);
    connect(ui_->cmdSave, &QPushButton::clicked, this, &AnalyzePanel::cmdSave_Click);
    connect(ui_->cmdCut, &QPushButton::clicked, this, &AnalyzePanel::cmdCut_Click);
    connect(loader_->watchdog(), &QTimer::timeout, this, &AnalyzePanel::Timer1_Timer);
}

AnalyzePanel::~AnalyzePanel() = default;

void AnalyzePanel::setPlatform(const Platform& platform) {
    loader_->setPlatform(platform);
}

QString AnalyzePanel::address() const {
    return ui_->txtUrl->text();
}

void AnalyzePanel::cancelWork() {
    endFill();
    fill_ = {};
    loader_->cancel();
    fileJob_->cancel();
    scanJob_->cancel();
}

bool AnalyzePanel::hasPage() const {
    return !ui_->Text->document()->isEmpty();
}

QString AnalyzePanel::pageText() const {
    if (!pageCache_)
        pageCache_ = crLfText(ui_->Text);
    return *pageCache_;
}

void AnalyzePanel::setPage(const QString& lfText, const QString& crlfText, std::function<void()> then) {
    endFill(); // a fill cut short by a cancel
    fill_ = {};
    QPlainTextEdit* box = ui_->Text;
    const qsizetype end = pieceEnd(lfText, 0);
    box->setPlainText(end == lfText.size() ? lfText : lfText.left(end));
    if (end == lfText.size()) {
        pageCache_ = crlfText;
        if (then)
            then();
        return;
    }
    // As with one setPlainText: nothing to undo afterwards, the caret at the
    // start. Read-only keeps typing out, not the panel's own buttons (Cut,
    // Insert Tags ...); after such an edit the box no longer holds crlfText.
    box->document()->setUndoRedoEnabled(false);
    fill_ = {.lf = lfText,
             .crlf = crlfText,
             .end = end,
             .version = pageVersion_,
             .edited = false,
             .readOnly = box->isReadOnly(),
             .then = std::move(then)};
    box->setReadOnly(true); // no typing into a half-filled page
    loadJob_->then([this] { fillNextPiece(); });
}

void AnalyzePanel::fillNextPiece() {
    fill_.edited = fill_.edited || pageVersion_ != fill_.version;
    const qsizetype from = fill_.end;
    fill_.end = pieceEnd(fill_.lf, from);
    QTextCursor cursor(ui_->Text->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(fill_.lf.mid(from, fill_.end - from));
    fill_.version = pageVersion_;
    if (fill_.end < fill_.lf.size()) {
        loadJob_->then([this] { fillNextPiece(); });
        return;
    }
    endFill();
    if (!fill_.edited)
        pageCache_ = fill_.crlf;
    std::function<void()> then = std::move(fill_.then);
    fill_ = {};
    if (then)
        then();
}

void AnalyzePanel::endFill() {
    if (fill_.lf.isEmpty())
        return;
    ui_->Text->setReadOnly(fill_.readOnly);
    ui_->Text->document()->setUndoRedoEnabled(true);
}

void AnalyzePanel::Text_Change() {
    // Runs on every keystroke in a page of any size: no text is built here.
    pageCache_.reset();
    ++pageVersion_;
    const bool filled = hasPage();
    ui_->Label10->setVisible(filled);
    ui_->cmdSave->setEnabled(filled);
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

// The scans run off the GUI thread on a copy of the page, made there from the
// box's raw text unless the CR LF text is at hand; a box typed into meanwhile
// is scanned again, so that what is shown belongs to the text shown.
template <typename Work, typename Done> void AnalyzePanel::onPageText(Job& job, Work work, Done done) {
    const quint64 version = pageVersion_;
    const bool cached = pageCache_.has_value();
    QString source = cached ? *pageCache_ : ui_->Text->document()->toRawText();
    job.start(
        [source = std::move(source), cached, work](const Job::Run&) {
            QString page = cached ? source : documentTextToCrLf(source);
            auto result = work(page);
            return std::pair{std::move(page), std::move(result)};
        },
        [this, &job, version, work, done](auto result) {
            if (version != pageVersion_) {
                onPageText(job, work, done);
                return;
            }
            pageCache_ = std::move(result.first);
            done(std::move(result.second));
        });
}

void AnalyzePanel::listMetaTags() {
    onPageText(
        *scanJob_, [](const QString& page) { return headwise::listMetaTags(page); },
        [this](const MetaTagListing& listing) { showListing(listing); });
}

void AnalyzePanel::showListing(const MetaTagListing& listing) {
    ui_->txtScript->setPlainText(toLf(listing.script));
}

void AnalyzePanel::runScanner(ScannedTag tag) {
    onPageText(
        *scanJob_, [tag](const QString& page) { return scanTag(tag, page); },
        [this, tag](const ScanResult& result) {
            const ResultRow& row = rowFor(tag);
            setBoxText(row.box, result.boxText);
            row.counter->setText(QString::number(result.count));
        });
}

void AnalyzePanel::reportMissingTags() {
    onPageText(
        *scanJob_,
        [](const QString& page) {
            return reportScans({}, [&page](ScannedTag tag) { return scanTag(tag, page); }).tags;
        },
        [this](const QList<TagReport>& tags) { showReport(*scanJob_, tags, 0); });
}

// One box per turn of the event loop, in the report's order.
void AnalyzePanel::showReport(Job& job, const QList<TagReport>& tags, qsizetype next) {
    const ResultRow& row = rowFor(tags[next].tag);
    setBoxText(row.box, tags[next].boxText);
    row.counter->setText(QString::number(tags[next].count));
    if (next + 1 < tags.size())
        job.then([this, &job, tags, next] { showReport(job, tags, next + 1); });
}

void AnalyzePanel::listAndReport() {
    // An unclosed "<meta" only ends the listing: the report still follows, or
    // the previous page's results would stand beside this page.
    onPageText(
        *loadJob_, [](const QString& page) { return reportPage(page); },
        [this](const PageReport& report) {
            showListing(report.listing);
            loadJob_->then([this, tags = report.tags] { showReport(*loadJob_, tags, 0); });
        });
}

void AnalyzePanel::txtGetSrc_Click() {
    fetchPage(ui_->txtUrl->text(), {});
}

void AnalyzePanel::openPage(const QString& fileOrAddress, std::function<void()> then) {
    emit showRequested();
    if (hasScheme(fileOrAddress)) {
        ui_->txtUrl->setText(fileOrAddress);
        fetchPage(fileOrAddress, std::move(then));
        return;
    }
    openPageFile(fileOrAddress, [this, fileOrAddress, then = std::move(then)] {
        ui_->txtFile->setText(fileOrAddress);
        listAndReport();
        if (then)
            then();
    });
}

void AnalyzePanel::fetchPage(const QString& url, std::function<void()> then) {
    // A new load cancels a fetch still under way: its answer is dropped
    // rather than mixed with this one.
    cancelWork();
    setPage(QString(), QString(), {});
    for (const ResultRow& row : rows_) {
        setBoxText(row.box, QString());
        row.counter->clear();
    }
    if (!loader_->acceptAddress(url))
        return;
    // The watchdog's tick reports a silent server while the fetch goes on.
    loader_->fetch(
        [url](PageFetcher& fetcher, std::stop_token stop) {
            FetchedPage fetched = fetcher.fetchPage(url, std::move(stop));
            return std::pair{preparePage(fetched.page.text), std::move(fetched)};
        },
        [this, url, then = std::move(then)](std::pair<PreparedPage, FetchedPage> page) {
            const PreparedPage prepared = std::move(page.first);
            setPage(prepared.lf, prepared.crlf,
                    [this, url, then, fetched = std::move(page.second)]() mutable {
                        loaded_ = std::move(fetched.page);
                        served_ = std::move(fetched);
                        pageFromWeb_ = true;
                        address_ = url;
                        if (loader_->settle())
                            loadJob_->then([this, then] {
                                listAndReport();
                                if (then)
                                    then();
                            });
                    });
        });
}

void AnalyzePanel::Timer1_Timer() {
    loader_->watchdogFired();
}

void AnalyzePanel::openPageFile(const QString& path, std::function<void()> then) {
    // A file that cannot be read leaves everything as it was, a fetch under way included.
    fileJob_->start(
        [path](const Job::Run&) {
            LoadedPage loaded = loadPageFile(path, kMaxPageBytes);
            std::optional<PreparedPage> prepared;
            if (loaded.page)
                prepared = preparePage(loaded.page->text);
            return std::pair{std::move(loaded.page), std::move(prepared)};
        },
        [this, path, then](std::pair<std::optional<DecodedPage>, std::optional<PreparedPage>> read) {
            if (!read.first)
                return;
            loader_->cancel(); // a fetch still under way must not replace this page later
            scanJob_->cancel();
            setPage(read.second->lf, read.second->crlf,
                    [this, path, then, page = std::move(*read.first)]() mutable {
                        loaded_ = std::move(page);
                        served_ = {};
                        pageFromWeb_ = false;
                        address_ = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
                        then();
                    });
        });
}

void AnalyzePanel::cmdFile_Click() {
    const QString path = loader_->choosePageFile();
    if (path.isEmpty())
        return;
    openPageFile(path, [this, path] {
        ui_->txtFile->setText(path);
        listAndReport();
    });
}

void AnalyzePanel::Command1_Click() {
    openPageFile(ui_->txtFile->text(), [this] { listAndReport(); });
}

void AnalyzePanel::cmdSave_Click() {
    if (!loader_->platform() || !hasPage())
        return;
    const QString proposed =
        pageFromWeb_ || ui_->txtFile->text().isEmpty() ? text::kFetchedPageName : ui_->txtFile->text();
    saveOrReport(*loader_->platform(), window(),
                 {.title = text::kSaveTitle,
                  .proposedPath = proposed,
                  .filter = pageDialogFilter(),
                  .failed = text::kSaveFailed},
                 pageBytesToSave(pageText(), loaded_));
}

void AnalyzePanel::cmdCut_Click() {
    QTextCursor cursor = ui_->Text->textCursor();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
}

void AnalyzePanel::insertAt(qsizetype editorPosition, const QString& crlfText) {
    QTextCursor cursor(ui_->Text->document());
    cursor.setPosition(int(editorPosition));
    ui_->Text->setTextCursor(cursor);
    cursor.insertText(toLf(crlfText));
    ui_->Text->setTextCursor(cursor);
}

// Editor positions count one character per line break, so the insertion point
// is found in the editor's own text ("<head>" holds no line break).
void AnalyzePanel::insertTagBlock(const QString& crlfBlock) {
    // The place is found and the new text spliced off the GUI thread in the
    // box's CR LF text, which the scans then read without another pass over
    // the whole box.
    const quint64 version = pageVersion_;
    onPageText(
        *loadJob_, [crlfBlock](const QString& page) { return spliceTagBlock(page, crlfBlock); },
        [this, version, crlfBlock](TagBlockSplice splice) {
            if (version != pageVersion_) // typed into meanwhile: the place found may have moved
                splice = spliceTagBlock(pageText(), crlfBlock);
            insertAt(splice.insertion.at, splice.insertion.text);
            pageCache_ = std::move(splice.page);
            loadJob_->then([this] { listAndReport(); });
        });
}

PageSnapshot AnalyzePanel::pageSnapshot() const {
    return pageSnapshotSource()();
}

std::function<PageSnapshot()> AnalyzePanel::pageSnapshotSource() const {
    // The CR LF text the scans read is at hand after a load or an insertion;
    // only after typing is the document's own text copied.
    QString text = pageCache_ ? *pageCache_ : ui_->Text->document()->toRawText();
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
    QTextCursor cursor(ui_->Text->document());
    const int end = ui_->Text->document()->characterCount() - 1;
    cursor.setPosition(int(std::clamp<qsizetype>(position, 0, end)));
    cursor.setPosition(int(std::clamp<qsizetype>(position + length, 0, end)), QTextCursor::KeepAnchor);
    ui_->Text->setTextCursor(cursor);
    ui_->Text->ensureCursorVisible();
    emit showRequested();
    ui_->Text->setFocus();
}

void AnalyzePanel::editPage(const QList<TextEdit>& edits) {
    QTextCursor cursor(ui_->Text->document());
    cursor.beginEditBlock();
    // From the last, so that each edit's position is still as counted.
    for (auto edit = edits.crbegin(); edit != edits.crend(); ++edit) {
        cursor.setPosition(int(edit->offset));
        cursor.setPosition(int(edit->offset + edit->length), QTextCursor::KeepAnchor);
        cursor.insertText(edit->replacement);
    }
    cursor.endEditBlock();
}

void AnalyzePanel::cmdInsert_Click() {
    QStringList texts;
    for (ScannedTag tag : {ScannedTag::Keywords, ScannedTag::Description, ScannedTag::Robots,
                           ScannedTag::Rating, ScannedTag::Revisit})
        texts << boxText(rowFor(tag).box);
    insertAt(insertionPoint(ui_->Text->document()->toRawText()), insertScanText(texts));
}

void AnalyzePanel::Command2_Click() {
    const QString script = crLfText(ui_->txtScript);
    const QString page = pageText();
    const QString replaced = removeMetaBlock(page, script);
    if (replaced.size() != page.size())
        setPage(toLf(replaced), replaced, {});
}

} // namespace headwise
