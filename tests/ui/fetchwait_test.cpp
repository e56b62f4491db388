#include "analyzepanel.h"
#include "curlpagefetcher.h"
#include "extractpanel.h"
#include "fetchnotices.h"
#include "webformfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
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

    // Types the address and clicks the panel's fetch button; how long the click held.
    qint64 go(const char* path) {
        setUrl(path);
        QElapsedTimer clock;
        clock.start();
        goButton()->click();
        return clock.elapsed();
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

    CurlPageFetcher webFetcher{2s, 3s, 6s, 4 * 1024 * 1024};
    QWidget* panel = nullptr;
    QTimer* timer = nullptr;
};

TEST_P(FetchWaitTest, WatchdogSpeaksWhileTheServerIsSilentAndTheLateAnswerIsStillUsed) {
    QString resultWhenShown = QStringLiteral("unset");
    int ticksWhileWaiting = 0;
    messages.onShow = [&](const ShownMessage&) {
        resultWhenShown = result();
        ++ticksWhileWaiting;
    };
    go("/late"); // answers after a second, ten watchdog intervals
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(ticksWhileWaiting, 1);
    EXPECT_EQ(messages.shown[0].title, fetchnotice::kCantConnectTitle);
    EXPECT_EQ(messages.shown[0].text, fetchnotice::cantConnect(url("/late")));
    EXPECT_TRUE(resultWhenShown.isEmpty()); // said while nothing had come
    // The answer is treated as one that came with the timer armed.
    EXPECT_TRUE(result().contains(QStringLiteral("arrives"))) << result().toStdString();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_P(FetchWaitTest, ASecondPressSupersedesTheFetchUnderWay) {
    // Pressed again while the first, slower, fetch waits: the second page wins
    // and the first answer, when it comes, is dropped.
    QTimer::singleShot(50, panel, [this] {
        setUrl("/redirect");
        goButton()->click();
    });
    timer->setInterval(20000);
    go("/late");
    EXPECT_TRUE(result().contains(QStringLiteral("arrived"))) << result().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([] { return backgroundWorkRunning() == 0; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(result().contains(QStringLiteral("arrived")));
    EXPECT_FALSE(result().contains(QStringLiteral("arrives")));
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_P(FetchWaitTest, ClosingTheWindowDuringASilentFetchReturnsAtOnce) {
    timer->setInterval(20000);
    QTimer::singleShot(100, window.get(), [this] { window->close(); });
    const qint64 held = go("/silent"); // the server says nothing for 20 s
    EXPECT_LT(held, 1500);
    EXPECT_TRUE(result().isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Panels, FetchWaitTest, ::testing::ValuesIn(kPanels),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
