#include "ui/extractpanel.h"

#include "core/appinfo.h"
#include "core/keywords/keywords.h"
#include "platform/messagebox.h"
#include "ui/editortext.h"
#include "ui_extractpanel.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStringListModel>
#include <QTimer>
#include <algorithm>

namespace headwise {
namespace {

// Every text the panel shows.
namespace text {
const QString idle = QStringLiteral("Progress");
const QString scanning = QStringLiteral("Scanning web page . . .");
const QString removingHtml = QStringLiteral("Removing Html . . .");
const QString loadingList = QStringLiteral("Loading list . . .");
const QString removingRedundant = QStringLiteral("Removing redundant words . . .");
const QString removingDuplicates = QStringLiteral("Removing duplicates . . .");
const QString finished = QStringLiteral("Finished - ");
QString wordsFoundSoFar(qsizetype n) {
    return QString::number(n) + QStringLiteral(" Words found");
}
QString wordsFound(qsizetype n) {
    return QString::number(n) + QStringLiteral(" words found");
}
} // namespace text

// Beyond this many separate selected runs, rebuilding the list is cheaper
// than removing run by run.
constexpr qsizetype kMaxRunsRemovedInPlace = 64;

} // namespace

ExtractPanel::ExtractPanel(QWidget* parent)
    : QGroupBox(parent), ui_(std::make_unique<Ui::ExtractPanel>()), names_(new QStringListModel(this)) {
    ui_->setupUi(this);
    ui_->lstNames->setModel(names_);
    loader_ =
        new PageLoader(this, QStringLiteral("Timer2"), ui_->txtUrl2, [this] { return !Text22.isEmpty(); });
    job_ = &loader_->job();

    connect(ui_->cmdFile2, &QPushButton::clicked, this, &ExtractPanel::cmdFile2_Click);
    connect(ui_->txtGetSrc2, &QPushButton::clicked, this, &ExtractPanel::txtGetSrc2_Click);
    connect(loader_->watchdog(), &QTimer::timeout, this, &ExtractPanel::Timer2_Timer);
    connect(ui_->cmdRemove, &QPushButton::clicked, this, &ExtractPanel::cmdRemove_Click);
    connect(ui_->cmdAdd, &QPushButton::clicked, this, &ExtractPanel::cmdAdd_Click);
    connect(ui_->Command3, &QPushButton::clicked, this, &ExtractPanel::Command3_Click);
    connect(ui_->txtKeywords2, &QPlainTextEdit::textChanged, this, &ExtractPanel::txtKeywords2_Change);
}

ExtractPanel::~ExtractPanel() {
    setBusy(false);
}

void ExtractPanel::setPlatform(const Platform& platform) {
    loader_->setPlatform(platform);
}

QTimer* ExtractPanel::watchdog() const {
    return loader_->watchdog();
}

void ExtractPanel::setAddress(const QString& url) {
    ui_->txtUrl2->setText(url);
}

void ExtractPanel::cancelWork() {
    loader_->cancel();
}

void ExtractPanel::setProgress(const QString& caption) {
    ui_->lblProgress->setText(caption);
    // Painted now: the chain's captions can come in one turn of the event
    // loop, and each is to be seen.
    ui_->lblProgress->repaint();
    emit progressChanged(caption);
}

// A state, not a stack: however many loads asked for the hourglass, one
// return to normal ends it.
void ExtractPanel::setBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

QStringList ExtractPanel::words() const {
    return names_->stringList();
}

void ExtractPanel::setWords(const QStringList& words) {
    names_->setStringList(words);
}

void ExtractPanel::cmdFile2_Click() {
    const QString path = loader_->choosePageFile();
    if (path.isEmpty())
        return; // a cancel leaves everything as it was
    // The file replaces whatever a web load was waiting for: its answer is
    // dropped and its watchdog stopped, and its hourglass goes with it.
    loader_->cancel();
    setBusy(false);
    Text22.clear();
    ui_->txtFile2->clear();
    setWords({});
    ui_->txtKeywords2->clear();
    loader_->readFile(*job_, path, [this, path](DecodedPage page) {
        Text22 = std::move(page.text);
        ui_->txtFile2->setText(path);
        cmdRemHtml_Click();
    });
}

void ExtractPanel::txtGetSrc2_Click() {
    if (!loader_->platform())
        return;
    const QString url = ui_->txtUrl2->text();
    if (!loader_->acceptAddress(url))
        return;
    // A new load cancels one still under way; the older answer never arrives.
    loader_->cancel();
    setBusy(true);
    Text22.clear();
    ui_->txtKeywords2->clear();
    setWords({});
    setProgress(text::scanning);
    // The watchdog reports a silent server while the fetch goes on.
    loader_->fetch([url](PageFetcher& fetcher,
                         std::stop_token stop) { return fetcher.getPageSource(url, std::move(stop)); },
                   [this](const QString& page) {
                       Text22 = page;
                       if (loader_->settle())
                           cmdRemHtml_Click();
                       else
                           setBusy(false);
                   });
}

void ExtractPanel::Timer2_Timer() {
    if (loader_->watchdogFired())
        setProgress(text::idle);
}

void ExtractPanel::cmdRemHtml_Click() {
    runChain(KeywordStage::Strip);
}

void ExtractPanel::cmdGetEm_Click() {
    runChain(KeywordStage::WordList);
}

void ExtractPanel::cmdLess4_Click() {
    runChain(KeywordStage::LengthFilter);
}

void ExtractPanel::cmdDoubles_Click() {
    runChain(KeywordStage::Doubles);
}

// The chain runs off the GUI thread on copies; each stage's caption goes up
// before it and its result comes back after it, in order.
void ExtractPanel::runChain(KeywordStage from) {
    job_->start(
        [this, chain = KeywordChain{Text22, words()}, from](const Job::Run& run) mutable {
            // Only what the window shows of a stage crosses over: the text
            // after the strip, the list after the others.
            return runKeywordChain(chain, from,
                                   [this, &run](KeywordStage stage, bool done, const KeywordChain& now) {
                                       if (run.stopRequested())
                                           return false;
                                       KeywordChain shown;
                                       if (done && stage == KeywordStage::Strip)
                                           shown.text = now.text;
                                       else if (done)
                                           shown.words = now.words;
                                       run.post([this, stage, done, shown = std::move(shown)] {
                                           showStage(stage, done, shown);
                                       });
                                       return true;
                                   });
        },
        [](bool) {});
}

void ExtractPanel::showStage(KeywordStage stage, bool done, const KeywordChain& chain) {
    if (!done) {
        setProgress(stage == KeywordStage::Strip          ? text::removingHtml
                    : stage == KeywordStage::WordList     ? text::loadingList
                    : stage == KeywordStage::LengthFilter ? text::removingRedundant
                                                          : text::removingDuplicates);
        return;
    }
    if (stage == KeywordStage::Strip) {
        Text22 = chain.text;
        return;
    }
    setWords(chain.words);
    if (stage != KeywordStage::Doubles) {
        ui_->lblCount->setText(text::wordsFoundSoFar(names_->rowCount()));
        return;
    }
    ui_->lblCount->setText(text::wordsFound(names_->rowCount()));
    setProgress(text::finished + ui_->lblCount->text());
    setBusy(false);
    if (names_->rowCount() > 0)
        ui_->cmdRemove->setEnabled(true);
}

void ExtractPanel::cmdCount_Click() {
    if (const auto& platform = loader_->platform())
        platform->messages.show(window(), QString::number(countCommas(crLfText(ui_->txtKeywords2))),
                                applicationTitle(), MessageIcon::None);
}

void ExtractPanel::cmdRemove_Click() {
    QList<int> rows;
    for (const QModelIndex& index : ui_->lstNames->selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    // Contiguous runs, last first, so earlier rows keep their numbers.
    QList<std::pair<int, int>> runs; // first row, count
    for (int row : rows) {
        if (!runs.isEmpty() && runs.last().first + runs.last().second == row)
            ++runs.last().second;
        else
            runs.append({row, 1});
    }
    if (runs.size() <= kMaxRunsRemovedInPlace) {
        for (auto run = runs.crbegin(); run != runs.crend(); ++run)
            names_->removeRows(run->first, run->second);
    } else {
        const QStringList list = words();
        QStringList kept;
        kept.reserve(list.size() - rows.size());
        for (qsizetype i = 0, next = 0; i < list.size(); ++i) {
            if (next < rows.size() && rows[next] == i)
                ++next;
            else
                kept.append(list[i]);
        }
        setWords(kept);
    }
    ui_->lblCount->setText(text::wordsFound(names_->rowCount()));
    setProgress(text::finished + ui_->lblCount->text());
}

void ExtractPanel::cmdAdd_Click() {
    const QStringList list = words();
    if (list.isEmpty())
        return;
    ui_->txtKeywords2->setPlainText(keywordText(list));
}

void ExtractPanel::Command3_Click() {
    emit keywordsChosen(crLfText(ui_->txtKeywords2));
    emit createRequested();
    ui_->txtUrl2->clear();
    ui_->txtFile2->clear();
    setWords({});
    ui_->txtKeywords2->clear();
}

void ExtractPanel::txtKeywords2_Change() {
    ui_->Label11->setVisible(!ui_->txtKeywords2->document()->isEmpty());
}

} // namespace headwise
