#include "net/curlpagefetcher.h"
#include "ui/analyzepanel.h"
#include "ui/extractpanel.h"
#include "ui/fetchnotices.h"
#include "webformfixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::testing;
using namespace std::chrono_literals;

namespace {

// Both panels that fetch, each named by its controls, on the real fetch
// against the local page server, with the watchdog cut to 100 ms.
struct FetchPanel {
    const char* name;
    const char* panel;
    const char* url;
    const char* go;
    const char* timer;
};

const FetchPanel kPanels[] = {{"Analyze", "FraAnalyze", "txtUrl", "txtGetSrc", "Timer1"},
                              {"Extract", "FraExtract", "txtUrl2", "txtGetSrc2", "Timer2"}};

class FetchWaitTest : public WebFormTest, public ::testing::WithParamInterface<FetchPanel> {
protected:
    PageFetcher& pageFetcher() override { return webFetcher; }

    void SetUp() override {
        WebFormTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        if (QStringLiteral("Extract") == GetParam().name)
            window->cmdExtract_Click();
        else
            window->cmdAnalyze_Click();
        panel = window->findChild<QWidget*>(GetParam().panel);
        ASSERT_NE(panel, nullptr);
        timer = panel->findChild<QTimer*>(GetParam().timer);
        ASSERT_NE(timer, nullptr);
        timer->setInterval(100);
    }

    void setUrl(const char* path) { panel->findChild<QLineEdit*>(GetParam().url)->setText(url(path)); }
    QPushButton* goButton() const { return panel->findChild<QPushButton*>(GetParam().go); }

    void go(const char* path) {
        setUrl(path);
        goButton()->click();
    }

    // What the fetched page left in the panel: the page box or the word list.
    QString result() const {
        if (auto* box = panel->findChild<QPlainTextEdit*>(QStringLiteral("Text")))
            return box->toPlainText();
        const QAbstractItemModel* list = panel->findChild<QListView*>(QStringLiteral("lstNames"))->model();
        QStringList words;
        for (int row = 0; row < list->rowCount(); ++row)
            words << list->index(row, 0).data().toString();
        return words.join(' ');
    }

    // The silent server's 20 s outlast the stall limit only in the test that needs it.
    CurlPageFetcher webFetcher{2s, 30s, 60s, 4 * 1024 * 1024};
    QWidget* panel = nullptr;
    QTimer* timer = nullptr;
};

TEST_P(FetchWaitTest, WatchdogSpeaksWhileTheServerIsSilentAndTheLateAnswerIsStillUsed) {
    QString resultWhenShown = QStringLiteral("unset");
    messages.onShow = [&](const ShownMessage&) { resultWhenShown = result(); };
    go("/late"); // answers after a second, ten watchdog intervals
    ASSERT_TRUE(QTest::qWaitFor([&] { return result().contains(QStringLiteral("arrives")); }, 10000))
        << result().toStdString();
    ASSERT_TRUE(idle());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, fetchnotice::kCantConnectTitle);
    EXPECT_EQ(messages.shown[0].text, fetchnotice::cantConnect(url("/late")));
    EXPECT_TRUE(resultWhenShown.isEmpty()); // said while nothing had come
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_P(FetchWaitTest, ASecondPressCancelsTheFetchUnderWay) {
    // Pressed again while the first, slower, fetch waits: the second page wins
    // and the first answer never shows.
    timer->setInterval(20000);
    go("/late");
    go("/redirect");
    ASSERT_TRUE(QTest::qWaitFor([&] { return result().contains(QStringLiteral("arrived")); }, 10000))
        << result().toStdString();
    ASSERT_TRUE(idle());
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(result().contains(QStringLiteral("arrived")));
    EXPECT_FALSE(result().contains(QStringLiteral("arrives")));
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The server stays silent for 20 s and the fetcher would wait for it: only
// the cancel that comes with the window's end can stop the fetch in time.
TEST_P(FetchWaitTest, ClosingTheWindowDuringASilentFetchStopsIt) {
    timer->setInterval(20000);
    go("/silent");
    window->close();
    window.reset();
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    EXPECT_TRUE(messages.shown.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Panels, FetchWaitTest, ::testing::ValuesIn(kPanels),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
