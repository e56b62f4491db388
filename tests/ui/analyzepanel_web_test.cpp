#include "core/page/pagefile.h"
#include "net/curlpagefetcher.h"
#include "testfiles.h"
#include "ui/analyzepanel.h"
#include "ui/checkwindow.h"
#include "ui/fetchnotices.h"
#include "ui/serppreview.h"
#include "webformfixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::testing;
using namespace std::chrono_literals;

namespace {

// The Analyze panel on the real fetch with short limits, against servers that
// never finish a page or send bytes no page should hold.
class AnalyzeWebTest : public WebFormTest {
protected:
    PageFetcher& pageFetcher() override { return webFetcher; }

    void SetUp() override {
        WebFormTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        window->cmdAnalyze_Click();
        panel = find<AnalyzePanel>("FraAnalyze");
        ASSERT_NE(panel, nullptr);
        timer1 = findControl<QTimer>(panel, "Timer1");
        ASSERT_NE(timer1, nullptr);
        timer1->setInterval(100);
    }

    // Types the address, clicks "&Go" and waits until the load has ended.
    void go(const char* path) {
        findControl<QLineEdit>(panel, "txtUrl")->setText(url(path));
        auto* button = findControl<QPushButton>(panel, "txtGetSrc");
        EXPECT_EQ(button->text(), "&Go");
        EXPECT_TRUE(button->isEnabled());
        button->click();
        EXPECT_TRUE(idle());
    }

    QString pageText() const { return findControl<QPlainTextEdit>(panel, "Text")->toPlainText(); }

    CurlPageFetcher webFetcher{2s, 500ms, 1500ms, 4 * 1024 * 1024};
    AnalyzePanel* panel = nullptr;
    QTimer* timer1 = nullptr;
};

TEST_F(AnalyzeWebTest, PagesThatNeverEndLeaveTheBoxEmptyAndSayCantConnect) {
    // Each ends at a different limit: the stall, the total time, the size cap.
    for (const char* path : {"/stall", "/endless-slow", "/endless-fast"}) {
        SCOPED_TRACE(path);
        messages.shown.clear();
        go(path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.shown.isEmpty(); }, 5000));
        EXPECT_TRUE(pageText().isEmpty());
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, fetchnotice::kCantConnectTitle);
        EXPECT_EQ(messages.shown[0].text, fetchnotice::cantConnect(url(path)));
        EXPECT_FALSE(timer1->isActive());
    }

    // The window is still usable: the next page arrives and nothing else is said.
    messages.shown.clear();
    go("/small");
    EXPECT_TRUE(pageText().contains("tiny"));
    EXPECT_FALSE(timer1->isActive()); // so no later tick can report a failure
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(AnalyzeWebTest, InvalidBytesAndNulsReachThePageBoxAndTheScannersSurvive) {
    for (const char* path : {"/binary", "/binary-utf8", "/binary-utf16"}) {
        SCOPED_TRACE(path);
        messages.shown.clear();
        go(path);
        EXPECT_FALSE(pageText().isEmpty());
        EXPECT_FALSE(timer1->isActive());
        // Nothing in it is a tag: the report of missing tags is the one box expected.
        for (const ShownMessage& shown : messages.shown)
            EXPECT_NE(shown.title, fetchnotice::kCantConnectTitle);
    }
}

TEST_F(AnalyzeWebTest, EditedFetchedPageSavesInTheCharsetItWasReadWith) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* path;
        QByteArray savedText; // how the page's own characters are saved
    } cases[] = {
        {"/cp1252", "\x93"
                    "caf\xe9\x94 \x80 5"}, // its meta tag's charset
        {"/declared", "caf\xe9"},          // the HTTP charset before its meta tag
    };
    auto* box = panel->findChild<QPlainTextEdit*>(QStringLiteral("Text"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        go(c.path);
        box->moveCursor(QTextCursor::End);
        box->textCursor().insertText(QStringLiteral("\u0141")); // in neither charset
        const QString edited = panel->pageText();
        const QString out = dir.filePath(QStringLiteral("saved.htm"));
        files.prepareAnswer(out);
        panel->findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();

        const QByteArray saved = readTestFile(out);
        EXPECT_TRUE(saved.contains(c.savedText)) << saved.toStdString();
        EXPECT_TRUE(saved.endsWith("&#321;")) << saved.toStdString();
        const std::optional<DecodedPage> reloaded = readPageFile(out, kMaxPageBytes).page;
        ASSERT_TRUE(reloaded);
        EXPECT_EQ(reloaded->text,
                  QString(edited).replace(QStringLiteral("\u0141"), QStringLiteral("&#321;")));
    }
}

} // namespace

namespace {

TEST_F(AnalyzeWebTest, PageCheckAuditsAFetchedPageUnderItsAddress) {
    go("/site/");
    ASSERT_TRUE(pageText().contains(QStringLiteral("<title>Home</title>")));
    find<QAction>("mnuCheck")->trigger();
    auto* check = window->findChild<CheckWindow*>(QStringLiteral("frmCheck"));
    ASSERT_NE(check, nullptr);
    auto* serp = findControl<SerpPreview>(check, "serpPreview");
    QTRY_COMPARE(serp->preview().linkLine, QStringLiteral("Home"));
    EXPECT_EQ(serp->preview().addressLine, url("/site/"));
    QThreadPool::globalInstance()->waitForDone();
}

} // namespace
