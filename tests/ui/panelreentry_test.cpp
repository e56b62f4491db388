#include "form1fixture.h"
#include "ui/analyzepanel.h"
#include "ui/extractpanel.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::testing;

namespace {

// A press that starts work while earlier work on the same panel still runs:
// the newer work wins whole, the older is cancelled where it is.
class PanelReentryTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        ASSERT_TRUE(dir.isValid());
    }
    QString writeFile(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QStringList names() const {
        QStringList words;
        const QAbstractItemModel* model = find<QListView>("lstNames")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            words << model->index(row, 0).data().toString();
        return words;
    }
    QTemporaryDir dir;
};

// Each case presses a work-starting button again at one caption of the chain
// running on the first file.
struct ChainCase {
    const char* caption;
    const char* button;
};

class ExtractChainReentryTest : public PanelReentryTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(ExtractChainReentryTest, APressDuringTheChainWinsWholeAndTheFirstStops) {
    window->cmdExtract_Click();
    auto* panel = find<ExtractPanel>("FraExtract");
    const QString first = writeFile("first.htm", "alpha alpha beta gamma");
    const QString second = writeFile("second.htm", "carpet floor carpet");
    if (QStringLiteral("txtGetSrc2") == GetParam().button)
        fetcher.prepareBody(QStringLiteral("carpet floor carpet"));
    find<QLineEdit>("txtUrl2")->setText(QStringLiteral("http://127.0.0.1/second.htm"));
    QStringList captions;
    bool pressed = false;
    QObject::connect(panel, &ExtractPanel::progressChanged, [&](const QString& caption) {
        captions << caption;
        if (pressed || caption != QString::fromLatin1(GetParam().caption))
            return;
        pressed = true;
        if (QStringLiteral("cmdFile2") == GetParam().button)
            files.prepareAnswer(second);
        find<QPushButton>(GetParam().button)->click();
    });
    files.prepareAnswer(first);
    find<QPushButton>("cmdFile2")->click();

    ASSERT_TRUE(idle());
    ASSERT_TRUE(pressed);
    EXPECT_EQ(names(), QStringList({"carpet", "floor"}));
    EXPECT_EQ(captions.last(), "Finished - 2 words found");
    EXPECT_EQ(captions.count("Finished - 2 words found"), 1);
    EXPECT_FALSE(captions.join('|').contains("Finished - 3")); // the first file's end never shows
    EXPECT_EQ(find<QLabel>("lblCount")->text(), "2 words found");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(panel->watchdog()->isActive());
}

INSTANTIATE_TEST_SUITE_P(Presses, ExtractChainReentryTest,
                         ::testing::Values(ChainCase{"Removing Html . . .", "cmdFile2"},
                                           ChainCase{"Loading list . . .", "cmdFile2"},
                                           ChainCase{"Removing redundant words . . .", "cmdFile2"},
                                           ChainCase{"Removing duplicates . . .", "cmdFile2"},
                                           ChainCase{"Loading list . . .", "txtGetSrc2"},
                                           ChainCase{"Removing duplicates . . .", "txtGetSrc2"}),
                         [](const auto& info) {
                             return std::string(info.param.button) + "_" + std::to_string(info.index);
                         });

TEST_F(PanelReentryTest, ALoadDuringTheReportLeavesOnlyTheSecondPagesResults) {
    window->cmdAnalyze_Click();
    const QString first =
        writeFile("first.htm", "<title>First</title><META NAME=\"Keywords\" Content=\"one\">");
    const QString second =
        writeFile("second.htm", "<title>Second</title><META NAME=\"Robots\" Content=\"ALL\">");
    bool pressed = false;
    // The title is reported first; the second load comes in the pause after it.
    QObject::connect(find<QLineEdit>("txtTitleCnt"), &QLineEdit::textChanged, [&] {
        if (pressed)
            return;
        pressed = true;
        files.prepareAnswer(second);
        QTimer::singleShot(0, find<QPushButton>("cmdFile"), &QPushButton::click);
    });
    files.prepareAnswer(first);
    find<QPushButton>("cmdFile")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return find<QLineEdit>("txtFile")->text() == second; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return find<QPlainTextEdit>("txtRevisit")->toPlainText().startsWith("Missing"); }, 5000));
    EXPECT_EQ(find<QLineEdit>("txtTitle")->text(), "<title>Second</title>");
    EXPECT_EQ(find<QPlainTextEdit>("txtKeywords")->toPlainText(), "Missing Keyword Tag or incorrect syntax");
    EXPECT_EQ(find<QPlainTextEdit>("txtRobots")->toPlainText(), "<META NAME=\"Robots\" Content=\"ALL\">\n");
    EXPECT_EQ(find<QPlainTextEdit>("Text")->toPlainText(),
              "<title>Second</title><META NAME=\"Robots\" Content=\"ALL\">");
}

// A page far larger than one piece of the page box, with lines of every kind.
TEST_F(PanelReentryTest, ALargePageFillsTheBoxExactlyWithNothingToUndo) {
    window->cmdAnalyze_Click();
    QByteArray page = "<html><head><title>Big</title>\r\n";
    for (int i = 0; page.size() < 900 * 1024; ++i)
        page += "<p>paragraph " + QByteArray::number(i) + (i % 7 == 0 ? "\n" : "\r\n");
    page += QByteArray(300 * 1024, 'x') + "\r\n</html>"; // one line longer than a piece
    files.prepareAnswer(writeFile("big.htm", page));
    auto* box = find<QPlainTextEdit>("Text");
    int changes = 0;
    QObject::connect(box, &QPlainTextEdit::textChanged, [&] { ++changes; });
    find<QPushButton>("cmdFile")->click();
    ASSERT_TRUE(idle());
    QString expected = QString::fromLatin1(page);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(box->toPlainText(), expected);
    EXPECT_GT(changes, 0);
    EXPECT_FALSE(box->isReadOnly());
    EXPECT_FALSE(box->document()->isUndoAvailable());
    EXPECT_EQ(box->textCursor().position(), 0);
    EXPECT_EQ(find<QLineEdit>("txtTitle")->text(), "<title>Big</title>");
    EXPECT_EQ(find<AnalyzePanel>("FraAnalyze")->pageText(), QString(expected).replace("\n", "\r\n"));

    // Typing is undone back to exactly the loaded page.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A);
    ASSERT_TRUE(box->document()->isUndoAvailable());
    box->undo();
    EXPECT_EQ(box->toPlainText(), expected);
}

// A panel button that edits the page while a large page is still filling the
// box: the edit stays, and what the scans read and a save writes is the box.
struct FillEditCase {
    const char* name;
    std::function<void(QWidget* window)> edit;
};

class EditDuringFill : public PanelReentryTest, public ::testing::WithParamInterface<FillEditCase> {};

TEST_P(EditDuringFill, TheEditStaysInWhatIsScannedAndSaved) {
    window->cmdAnalyze_Click();
    QByteArray page = "<html><head><title>Big</title>\r\n";
    while (page.size() < 2 * 1024 * 1024)
        page += "<p>paragraph text here</p>\r\n";
    files.prepareAnswer(writeFile("big.htm", page));
    auto* box = find<QPlainTextEdit>("Text");
    bool edited = false;
    QObject::connect(box, &QPlainTextEdit::textChanged, [&] {
        if (edited || box->document()->isEmpty())
            return;
        edited = true;
        QTimer::singleShot(0, [&] { GetParam().edit(window.get()); });
    });
    find<QPushButton>("cmdFile")->click();
    ASSERT_TRUE(idle());
    ASSERT_TRUE(edited);
    const QString shown = box->toPlainText().replace("\n", "\r\n");
    EXPECT_NE(shown, QString::fromLatin1(page));
    EXPECT_EQ(find<AnalyzePanel>("FraAnalyze")->pageText(), shown);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, EditDuringFill,
    ::testing::Values(FillEditCase{"Cut",
                                   [](QWidget* w) {
                                       auto* box = w->findChild<QPlainTextEdit*>("Text");
                                       QTextCursor cursor(box->document());
                                       cursor.setPosition(6, QTextCursor::KeepAnchor); // "<html>"
                                       box->setTextCursor(cursor);
                                       w->findChild<QPushButton*>("cmdCut")->click();
                                   }},
                      FillEditCase{"InsertTags",
                                   [](QWidget* w) {
                                       w->findChild<AnalyzePanel*>("FraAnalyze")
                                           ->insertTagBlock(
                                               QStringLiteral("<META NAME=\"Robots\" Content=\"ALL\">"));
                                   }}),
    [](const auto& info) { return std::string(info.param.name); });

// A file opened while a fetch waits cancels the fetch, and its watchdog with
// it: the fetch's answer never shows, and no "Can't Connect" comes later.
TEST_F(PanelReentryTest, AFileLoadDuringAFetchEndsItsWatchdog) {
    window->cmdAnalyze_Click();
    auto* watchdog = find<QTimer>("Timer1");
    fetcher.prepareBody(QStringLiteral("<title>web</title>"));
    QSemaphore fetching, release;
    fetcher.duringFetch = [&](const QString&) {
        fetching.release();
        release.acquire();
    };
    find<QLineEdit>("txtUrl")->setText(QStringLiteral("http://127.0.0.1/x.htm"));
    find<QPushButton>("txtGetSrc")->click();
    fetching.acquire();
    ASSERT_TRUE(watchdog->isActive());
    files.prepareAnswer(writeFile("f.htm", "<title>file</title>"));
    find<QPushButton>("cmdFile")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find<QPlainTextEdit>("Text")->document()->isEmpty(); }, 10000));
    EXPECT_FALSE(watchdog->isActive());
    release.release();
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    ASSERT_TRUE(idle());
    EXPECT_EQ(find<QPlainTextEdit>("Text")->toPlainText(), "<title>file</title>");
    EXPECT_FALSE(watchdog->isActive());
    EXPECT_TRUE(messages.shown.isEmpty());
}

} // namespace
