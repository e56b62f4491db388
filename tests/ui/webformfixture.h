#pragma once

#include "../integration/pageserverprocess.h"
#include "backgroundwork.h"
#include "doubles.h"
#include "form1.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace headwise::testing {

// A main window whose fetch is a real one, aimed at the local page server.
// The test names the fetcher, so each can set its own limits.
class WebFormTest : public ::testing::Test {
protected:
    virtual PageFetcher& pageFetcher() = 0;

    void SetUp() override {
        port = server.start();
        ASSERT_GT(port, 0) << "the page server did not start";
        window = std::make_unique<Form1>(Platform{settings, messages, files, shell, pageFetcher(), programs});
        window->show();
    }
    // A fetch the window walked away from still uses the fetcher on its own
    // thread; the fetcher must outlive it. Its limits bound the wait.
    void TearDown() override {
        window.reset();
        EXPECT_TRUE(QTest::qWaitFor([] { return backgroundWorkRunning() == 0; }, 20000));
    }

    QString url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
    }

    PageServerProcess server;
    int port = 0;
    MemorySettings settings;
    RecordingMessageBoxes messages;
    ScriptedFileDialogs files;
    RecordingShell shell;
    RecordingProgramStarter programs;
    std::unique_ptr<Form1> window;
};

} // namespace headwise::testing
