#include "net/curlpagefetcher.h"
#include "ui/extractpanel.h"
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

    // The fetch runs on a thread of its own while the watchdog is armed;
    // how a tick during that wait behaves is covered in fetchwait_test.cpp.
    CurlPageFetcher webFetcher{2s, 10s, 60s};
    ExtractPanel* panel = nullptr;
};

TEST_F(ExtractWebTest, PageFromALocalServerFillsTheListAndIsNeverReportedAsFailed) {
    QStringList captions;
    QObject::connect(panel, &ExtractPanel::progressChanged, [&](const QString& c) { captions << c; });
    find<QLineEdit>("txtUrl2")->setText(url("/redirect"));
    press("txtGetSrc2");

    const QAbstractItemModel* list = find<QListView>("lstNames")->model();
    QStringList words;
    for (int row = 0; row < list->rowCount(); ++row)
        words << list->index(row, 0).data().toString();
    EXPECT_EQ(words, QStringList({"parrived", "after", "redirectsp"}));
    EXPECT_EQ(captions, QStringList({"Scanning web page . . .", "Removing Html . . .", "Loading list . . .",
                                     "Removing redundant words . . .", "Removing duplicates . . .",
                                     "Finished - 3 words found"}));
    EXPECT_FALSE(panel->watchdog()->isActive());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
