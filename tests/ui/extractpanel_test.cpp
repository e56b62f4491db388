#include "form1fixture.h"
#include "printers.h"
#include "testfiles.h"

#include "ui/extractpanel.h"

#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace headwise;
using namespace headwise::testing;

namespace {

const QStringList kChainCaptions = {"Removing Html . . .", "Loading list . . .",
                                    "Removing redundant words . . .", "Removing duplicates . . ."};

// Records every caption lblProgress takes and every caption it was painted
// with, to show that each caption reached the screen before its stage worked.
class CaptionRecorder : public QObject {
public:
    CaptionRecorder(ExtractPanel* panel, QLabel* label) : label_(label) {
        connect(panel, &ExtractPanel::progressChanged, this, [this](const QString& c) { set << c; });
        label->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_ && event->type() == QEvent::Paint &&
            (painted.isEmpty() || painted.last() != label_->text()))
            painted << label_->text();
        return false;
    }
    QStringList set;
    QStringList painted;

private:
    QLabel* label_;
};

class ExtractPanelTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        window->cmdExtract_Click();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        panel = find<ExtractPanel>("FraExtract");
        recorder = std::make_unique<CaptionRecorder>(panel, find<QLabel>("lblProgress"));
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override {
        recorder.reset();
        Form1Test::TearDown();
    }

    void loadFile(const QByteArray& bytes) {
        files.prepareAnswer(writeTestFile(dir.filePath(QStringLiteral("page.htm")), bytes));
        press("cmdFile2");
    }
    QStringList names() const {
        QStringList words;
        const QAbstractItemModel* model = find<QListView>("lstNames")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            words << model->index(row, 0).data().toString();
        return words;
    }
    QString progress() const { return find<QLabel>("lblProgress")->text(); }
    QString keywords() const { return find<QPlainTextEdit>("txtKeywords2")->toPlainText(); }
    void setUrl(const QString& url) { find<QLineEdit>("txtUrl2")->setText(url); }
    void fillOtherControls() {
        loadFile("carpet floor tiles");
        find<QPlainTextEdit>("txtKeywords2")->setPlainText("typed");
        recorder->set.clear();
    }

    ExtractPanel* panel = nullptr;
    std::unique_ptr<CaptionRecorder> recorder;
    QTemporaryDir dir;
};

TEST_F(ExtractPanelTest, StartsEmptyAndIdle) {
    EXPECT_EQ(panel->size(), QSize(641, 305));
    EXPECT_EQ(progress(), "Progress");
    EXPECT_FALSE(find<QPushButton>("cmdRemove")->isEnabled());
    EXPECT_TRUE(find<QLabel>("Label11")->isHidden());
    EXPECT_FALSE(panel->rect().intersects(find<QLabel>("lblCount")->geometry()));
    EXPECT_EQ(find<QListView>("lstNames")->selectionMode(), QAbstractItemView::ExtendedSelection);
    auto* timer = findControl<QTimer>(panel, "Timer2");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 20000);
    EXPECT_FALSE(timer->isActive());
    const struct {
        const char* control;
        const char* caption;
        const char* tip;
    } buttons[] = {{"txtGetSrc2", "&Go", ""},
                   {"cmdFile2", "...", ""},
                   {"cmdRemove", "&Remove", "Select multiple words to remove using the Ctrl or Shift key"},
                   {"cmdAdd", "&>>>", "Add these words"},
                   {"Command3", "Add &These", "Add these Keywords to Tag"}};
    for (const auto& b : buttons) {
        EXPECT_EQ(find<QPushButton>(b.control)->text(), b.caption);
        EXPECT_EQ(find<QPushButton>(b.control)->toolTip(), b.tip);
    }
}

struct FileLoadCase {
    const char* name;
    QByteArray page;
    QStringList words;
    bool removeEnabled;
};

class ExtractFileLoadTest : public ExtractPanelTest, public ::testing::WithParamInterface<FileLoadCase> {};

TEST_P(ExtractFileLoadTest, RunsTheChainPaintingEveryCaption) {
    loadFile(GetParam().page);
    EXPECT_EQ(names(), GetParam().words);
    const QString finished = QStringLiteral("Finished - %1 words found").arg(GetParam().words.size());
    EXPECT_EQ(recorder->set, kChainCaptions + QStringList{finished});
    EXPECT_EQ(recorder->painted, kChainCaptions + QStringList{finished});
    EXPECT_EQ(find<QLabel>("lblCount")->text(),
              QStringLiteral("%1 words found").arg(GetParam().words.size()));
    EXPECT_EQ(find<QLineEdit>("txtFile2")->text(), dir.filePath("page.htm"));
    EXPECT_EQ(find<QPushButton>("cmdRemove")->isEnabled(), GetParam().removeEnabled);
    ASSERT_EQ(files.requests.size(), 1);
    EXPECT_EQ(files.requests[0].title, "Select a File");
    EXPECT_EQ(files.requests[0].filter,
              "Web Files (*.htm*)|*.htm*|Text Files (*.txt)|*.txt|All Files (*.*) | *.*|");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ExtractFileLoadTest,
    ::testing::Values(FileLoadCase{"Markup",
                                   "<html><body>Apple banana cherry, Damson elder apple</body></html>",
                                   {"apple", "banana", "cherry", "damson", "elder"},
                                   true},
                      FileLoadCase{"LinesAndTabs",
                                   "<p>keyword\r\ndensity\tcarpets</p>\nkeyword",
                                   {"pkeyword", "density", "carpetsp", "keyword"},
                                   true},
                      FileLoadCase{"OnlyShortWords", "<b>one two six</b>", {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractPanelTest, CancelledDialogLeavesThePanelAsItWas) {
    fillOtherControls();
    files.prepareAnswer(QString());
    press("cmdFile2");
    EXPECT_EQ(names(), QStringList({"carpet", "floor", "tiles"}));
    EXPECT_EQ(keywords(), "typed");
    EXPECT_EQ(find<QLineEdit>("txtFile2")->text(), dir.filePath("page.htm"));
    EXPECT_TRUE(recorder->set.isEmpty());
}

TEST_F(ExtractPanelTest, UnreadableFileEndsSilentlyAfterClearing) {
    fillOtherControls();
    files.prepareAnswer(dir.filePath("missing.htm"));
    press("cmdFile2");
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(keywords().isEmpty());
    EXPECT_TRUE(find<QLineEdit>("txtFile2")->text().isEmpty());
    EXPECT_TRUE(recorder->set.isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ExtractPanelTest, ListHoldsMoreThanSixteenBitsOfEntries) {
    QByteArray page;
    for (int i = 0; i < 100000; ++i)
        page += "word" + QByteArray::number(100000 + i) + ' ';
    loadFile(page);
    EXPECT_EQ(find<QListView>("lstNames")->model()->rowCount(), 100000);
    EXPECT_EQ(progress(), "Finished - 100000 words found");
}

TEST_F(ExtractPanelTest, WebLoadShowsItsCaptionBeforeTheFetchAndRunsTheChain) {
    setUrl("http://127.0.0.1/page.htm");
    fetcher.prepareBody("<b>Leather</b> goods, leather");
    QSemaphore fetching, release;
    fetcher.duringFetch = [&](const QString&) {
        fetching.release();
        release.acquire();
    };
    find<QPushButton>("txtGetSrc2")->click();
    fetching.acquire(); // the fetch is under way and holds until released
    EXPECT_EQ(recorder->painted.value(recorder->painted.size() - 1), "Scanning web page . . .");
    EXPECT_TRUE(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
    release.release();
    ASSERT_TRUE(idle());
    EXPECT_EQ(fetcher.urls, QStringList{"http://127.0.0.1/page.htm"});
    EXPECT_EQ(names(), QStringList({"bleatherb", "goods", "leather"}));
    EXPECT_EQ(recorder->set, QStringList{"Scanning web page . . ."} + kChainCaptions +
                                 QStringList{"Finished - 3 words found"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(panel->watchdog()->isActive());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ExtractPanelTest, FailedWebLoadReportsAfterTheWatchdogInterval) {
    fillOtherControls();
    panel->watchdog()->setInterval(500);
    setUrl("http://127.0.0.1/none.htm");
    press("txtGetSrc2");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(keywords().isEmpty());
    EXPECT_EQ(progress(), "Scanning web page . . .");
    setUrl("http://127.0.0.1/edited.htm"); // the notice names the address as it reads then
    bool watchdogStoppedWhileShown = false;
    messages.onShow = [&](const ShownMessage&) {
        watchdogStoppedWhileShown = !panel->watchdog()->isActive();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.shown.isEmpty(); }, 5000));
    EXPECT_EQ(messages.shown[0].title, "Can't Connect");
    EXPECT_EQ(messages.shown[0].text, "Could not conect to     \r\nhttp://127.0.0.1/edited.htm");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_TRUE(watchdogStoppedWhileShown);
    EXPECT_EQ(progress(), "Progress");
    EXPECT_EQ(recorder->set, QStringList({"Scanning web page . . .", "Progress"}));
    EXPECT_FALSE(panel->watchdog()->isActive());
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(ExtractPanelTest, FileLoadDisarmsTheWatchdogOfAFailedWebLoad) {
    panel->watchdog()->setInterval(500);
    setUrl("http://127.0.0.1/none.htm");
    press("txtGetSrc2");
    ASSERT_TRUE(panel->watchdog()->isActive());
    files.prepareAnswer(dir.filePath("missing.htm")); // clears the scratch text, loads nothing
    press("cmdFile2");
    EXPECT_FALSE(panel->watchdog()->isActive());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ExtractPanelTest, ShortAddressIsRefusedAndClearsNothing) {
    fillOtherControls();
    setUrl("abcdefghij");
    press("txtGetSrc2");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Not Valid");
    EXPECT_EQ(messages.shown[0].text,
              "Please enter a valid URL    \r\n\r\nSyntax should be http://www.example.com     ");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(QApplication::focusWidget(), find<QLineEdit>("txtUrl2"));
    EXPECT_TRUE(fetcher.urls.isEmpty());
    EXPECT_FALSE(panel->watchdog()->isActive());
    EXPECT_EQ(names(), QStringList({"carpet", "floor", "tiles"}));
    EXPECT_EQ(keywords(), "typed");

    setUrl("abcdefghijk"); // one more character is enough, whatever it says
    press("txtGetSrc2");
    EXPECT_EQ(fetcher.urls, QStringList{"abcdefghijk"});
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(panel->watchdog()->isActive());
}

struct RemoveCase {
    const char* name;
    int entries;
    QList<int> selected;
};

class ExtractRemoveTest : public ExtractPanelTest, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(ExtractRemoveTest, RemovesTheSelectedEntriesKeepingTheOrder) {
    QByteArray page;
    QStringList expected;
    for (int i = 0; i < GetParam().entries; ++i) {
        const QByteArray word = "sample" + QByteArray::number(1000 + i);
        page += word + ' ';
        if (!GetParam().selected.contains(i))
            expected << QString::fromLatin1(word);
    }
    loadFile(page);
    auto* list = find<QListView>("lstNames");
    for (int row : GetParam().selected)
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
    press("cmdRemove");
    EXPECT_EQ(names(), expected);
    EXPECT_EQ(progress(), QStringLiteral("Finished - %1 words found").arg(expected.size()));
    EXPECT_EQ(find<QLabel>("lblCount")->text(), QStringLiteral("%1 words found").arg(expected.size()));
}

QList<int> everyOtherRow(int count) {
    QList<int> rows;
    for (int row = 0; row < count; row += 2)
        rows << row;
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Selections, ExtractRemoveTest,
                         ::testing::Values(RemoveCase{"SecondAndFourthOfFive", 5, {1, 3}},
                                           RemoveCase{"ARun", 6, {2, 3, 4}}, RemoveCase{"Nothing", 3, {}},
                                           RemoveCase{"ScatteredAcrossALongList", 400, everyOtherRow(400)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractPanelTest, CopyReplacesTheKeywordBoxOnlyWhenTheListHoldsWords) {
    find<QPlainTextEdit>("txtKeywords2")->setPlainText("typed");
    press("cmdAdd");
    EXPECT_EQ(keywords(), "typed");
    loadFile("carpet floor tiles");
    find<QPlainTextEdit>("txtKeywords2")->setPlainText("typed");
    press("cmdAdd");
    EXPECT_EQ(keywords(), "carpet, floor, tiles");
}

struct AddTheseCase {
    const char* name;
    QString text5;
    QString keywords;
    QString result;
};

class ExtractAddTheseTest : public ExtractPanelTest, public ::testing::WithParamInterface<AddTheseCase> {};

TEST_P(ExtractAddTheseTest, ExtendsTheCreateKeywordsAndClearsThePanel) {
    loadFile("carpet floor tiles");
    setUrl("http://127.0.0.1/x.htm");
    find<QLineEdit>("Text5")->setText(GetParam().text5);
    find<QPlainTextEdit>("txtKeywords2")->setPlainText(GetParam().keywords);
    const QString caption = progress();
    press("Command3");
    EXPECT_EQ(find<QLineEdit>("Text5")->text(), GetParam().result);
    EXPECT_EQ(visiblePanels(), QStringList{"FraCreate"});
    EXPECT_TRUE(find<QLineEdit>("txtUrl2")->text().isEmpty());
    EXPECT_TRUE(find<QLineEdit>("txtFile2")->text().isEmpty());
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(keywords().isEmpty());
    EXPECT_EQ(progress(), caption);
    EXPECT_TRUE(find<QPushButton>("cmdRemove")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ExtractAddTheseTest,
    ::testing::Values(AddTheseCase{"Appended", "rugs", "carpet, floor", "rugs, carpet, floor"},
                      AddTheseCase{"IntoEmptyField", "", "carpet, floor", "carpet, floor"},
                      AddTheseCase{"EmptyKeywordBox", "rugs", "", "rugs, "},
                      AddTheseCase{"NoBreakSpaceKept", "", QStringLiteral("caf\u00e9\u00a0cr\u00e8me"),
                                   QStringLiteral("caf\u00e9\u00a0cr\u00e8me")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractPanelTest, HintFollowsTheKeywordBox) {
    auto* box = find<QPlainTextEdit>("txtKeywords2");
    auto* hint = find<QLabel>("Label11");
    box->setFocus();
    QTest::keyClicks(box, "r");
    EXPECT_TRUE(hint->isVisible());
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_TRUE(hint->isHidden());
}

TEST_F(ExtractPanelTest, CountShowsTheCommasOfTheKeywordBox) {
    const struct {
        const char* keywords;
        const char* shown;
    } cases[] = {{"a, b, c", "2"}, {"abc", "0"}, {"", "-1"}};
    for (const auto& c : cases) {
        find<QPlainTextEdit>("txtKeywords2")->setPlainText(c.keywords);
        panel->cmdCount_Click();
        ASSERT_FALSE(messages.shown.isEmpty());
        EXPECT_EQ(messages.shown.last().text, c.shown);
        EXPECT_EQ(messages.shown.last().title, "Headwise");
        EXPECT_EQ(messages.shown.last().icon, MessageIcon::None);
    }
}

} // namespace
