#include "curlpagefetcher.h"
#include "extractpanel.h"
#include "webformfixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace headwise;
using namespace headwise::testing;
using namespace std::chrono_literals;

namespace {

// The real fetch, made to outlast the watchdog: its interval runs out as the
// page comes in, so its tick falls due just as the page is looked at. The
// fetch runs on a thread of its own; the timer is started from its thread.
class OutlastingFetcher : public PageFetcher {
public:
    QString GetPageSource(const QString& url) override {
        const QString page = real.GetPageSource(url);
        if (QTimer* timer = watchdog)
            QMetaObject::invokeMethod(
                timer, [timer] { timer->start(0); }, Qt::QueuedConnection);
        return page;
    }
    FetchResult fetch(const QString& url) override { return real.fetch(url); }
    CurlPageFetcher real{2s, 10s, 60s};
    QTimer* watchdog = nullptr;
};

class ExtractWebTest : public WebFormTest {
protected:
    PageFetcher& pageFetcher() override { return webFetcher; }

    void SetUp() override {
        WebFormTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        window->cmdExtract_Click();
        panel = find<ExtractPanel>("FraExtract");
        ASSERT_NE(panel, nullptr);
    }

    OutlastingFetcher webFetcher;
    ExtractPanel* panel = nullptr;
};

TEST_F(ExtractWebTest, PageFromALocalServerFillsTheListAndIsNeverReportedAsFailed) {
    QStringList captions;
    QObject::connect(panel, &ExtractPanel::progressChanged, [&](const QString& c) { captions << c; });
    webFetcher.watchdog = panel->watchdog();
    QSignalSpy ticks(panel->watchdog(), &QTimer::timeout);
    find<QLineEdit>("txtUrl2")->setText(url("/redirect"));
    find<QPushButton>("txtGetSrc2")->click();

    const QAbstractItemModel* list = find<QListView>("lstNames")->model();
    QStringList words;
    for (int row = 0; row < list->rowCount(); ++row)
        words << list->index(row, 0).data().toString();
    EXPECT_EQ(words, QStringList({"parrived", "after", "redirectsp"}));
    EXPECT_EQ(captions, QStringList({"Scanning web page . . .", "Removing Html . . .", "Loading list . . .",
                                     "Removing redundant words . . .", "Removing duplicates . . .",
                                     "Finished - 3 words found"}));
    EXPECT_GE(ticks.count(), 1); // the tick ran, found the page and stayed silent
    EXPECT_FALSE(panel->watchdog()->isActive());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
