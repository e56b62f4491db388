#include "extractpanel.h"

#include "appinfo.h"
#include "backgroundwork.h"
#include "editortext.h"
#include "keywords.h"
#include "messagebox.h"
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
    : QGroupBox(parent), ui(std::make_unique<Ui::ExtractPanel>()), names_(new QStringListModel(this)) {
    ui->setupUi(this);
    ui->lstNames->setModel(names_);
    loader_ =
        new PageLoader(this, QStringLiteral("Timer2"), ui->txtUrl2, [this] { return !Text22.isEmpty(); });
    work_ = &loader_->work();

    connect(ui->cmdFile2, &QPushButton::clicked, this, &ExtractPanel::cmdFile2_Click);
    connect(ui->txtGetSrc2, &QPushButton::clicked, this, &ExtractPanel::txtGetSrc2_Click);
    connect(loader_->watchdog(), &QTimer::timeout, this, &ExtractPanel::Timer2_Timer);
    connect(ui->cmdRemove, &QPushButton::clicked, this, &ExtractPanel::cmdRemove_Click);
    connect(ui->cmdAdd, &QPushButton::clicked, this, &ExtractPanel::cmdAdd_Click);
    connect(ui->Command3, &QPushButton::clicked, this, &ExtractPanel::Command3_Click);
    connect(ui->txtKeywords2, &QPlainTextEdit::textChanged, this, &ExtractPanel::txtKeywords2_Change);
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
    ui->txtUrl2->setText(url);
}

void ExtractPanel::abandonWork() {
    work_->abandon();
}

void ExtractPanel::setProgress(const QString& caption) {
    ui->lblProgress->setText(caption);
    emit progressChanged(caption);
}

bool ExtractPanel::showProgress(const QString& caption, quint64 generation) {
    setProgress(caption);
    return loader_->pause(generation);
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
    work_->abandon();
    setBusy(false);
    Text22.clear();
    ui->txtFile2->clear();
    setWords({});
    ui->txtKeywords2->clear();
    const std::optional<DecodedPage> page = loader_->readFile(path);
    if (!page)
        return;
    Text22 = page->text;
    ui->txtFile2->setText(path);
    cmdRemHtml_Click();
}

void ExtractPanel::txtGetSrc2_Click() {
    if (!loader_->platform())
        return;
    const QString url = ui->txtUrl2->text();
    if (!loader_->acceptAddress(url))
        return;
    // A new load supersedes one still under way; the older answer is dropped.
    work_->abandon();
    const quint64 generation = work_->generation();
    setBusy(true);
    Text22.clear();
    ui->txtKeywords2->clear();
    setWords({});
    if (!showProgress(text::scanning, generation))
        return;
    // The wait lets the watchdog report a silent server while the fetch goes on.
    const std::optional<QString> page =
        loader_->fetch([url](PageFetcher& fetcher) { return fetcher.GetPageSource(url); });
    if (!page)
        return; // superseded, or the window is closing
    Text22 = *page;
    if (loader_->settle(generation))
        cmdRemHtml_Click();
    else if (work_->generation() == generation)
        setBusy(false);
}

void ExtractPanel::Timer2_Timer() {
    if (loader_->watchdogFired())
        setProgress(text::idle);
}

// Each stage's text work runs off the GUI thread on copies; the panel waits
// for it as it waits between stages.
void ExtractPanel::cmdRemHtml_Click() {
    const quint64 generation = work_->generation();
    if (!showProgress(text::removingHtml, generation))
        return;
    const std::optional<QString> stripped = work_->run([page = Text22] { return stripHtml(page); });
    if (!stripped)
        return;
    Text22 = *stripped;
    if (loader_->pause(generation))
        cmdGetEm_Click();
}

void ExtractPanel::cmdGetEm_Click() {
    const quint64 generation = work_->generation();
    if (!showProgress(text::loadingList, generation))
        return;
    // Joined on the worker too: a million words copied is a long stretch.
    const std::optional<QStringList> found =
        work_->run([page = Text22, list = words()] { return list + wordList(page); });
    if (!found)
        return;
    setWords(*found);
    if (!loader_->pause(generation))
        return;
    ui->lblCount->setText(text::wordsFoundSoFar(names_->rowCount()));
    if (loader_->pause(generation))
        cmdLess4_Click();
}

void ExtractPanel::cmdLess4_Click() {
    const quint64 generation = work_->generation();
    if (!showProgress(text::removingRedundant, generation))
        return;
    const std::optional<QStringList> kept = work_->run([list = words()]() mutable {
        removeRedundantWords(list);
        return list;
    });
    if (!kept)
        return;
    setWords(*kept);
    ui->lblCount->setText(text::wordsFoundSoFar(names_->rowCount()));
    if (loader_->pause(generation))
        cmdDoubles_Click();
}

void ExtractPanel::cmdDoubles_Click() {
    const quint64 generation = work_->generation();
    if (!showProgress(text::removingDuplicates, generation))
        return;
    const std::optional<QStringList> unique = work_->run([list = words()]() mutable {
        ClearDoubles(list);
        return list;
    });
    if (!unique)
        return;
    setWords(*unique);
    ui->lblCount->setText(text::wordsFound(names_->rowCount()));
    setProgress(text::finished + ui->lblCount->text());
    setBusy(false);
    if (loader_->pause(generation) && names_->rowCount() > 0)
        ui->cmdRemove->setEnabled(true);
}

void ExtractPanel::cmdCount_Click() {
    if (const auto& platform = loader_->platform())
        platform->messages.show(window(), QString::number(CountCommas(crLfText(ui->txtKeywords2))),
                                applicationTitle(), MessageIcon::None);
}

void ExtractPanel::cmdRemove_Click() {
    QList<int> rows;
    for (const QModelIndex& index : ui->lstNames->selectionModel()->selectedIndexes())
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
    ui->lblCount->setText(text::wordsFound(names_->rowCount()));
    setProgress(text::finished + ui->lblCount->text());
}

void ExtractPanel::cmdAdd_Click() {
    const QStringList list = words();
    if (list.isEmpty())
        return;
    ui->txtKeywords2->setPlainText(keywordText(list));
}

void ExtractPanel::Command3_Click() {
    emit keywordsChosen(crLfText(ui->txtKeywords2));
    emit createRequested();
    ui->txtUrl2->clear();
    ui->txtFile2->clear();
    setWords({});
    ui->txtKeywords2->clear();
}

void ExtractPanel::txtKeywords2_Change() {
    ui->Label11->setVisible(!ui->txtKeywords2->document()->isEmpty());
}

} // namespace headwise
