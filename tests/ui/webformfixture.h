#pragma once

#include "form1fixture.h"
#include "serverprocess.h"

#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace headwise::testing {

// A main window whose fetch is a real one, aimed at the local page server.
// The test names the fetcher, so each can set its own limits.
class WebFormTest : public Form1Test {
protected:
    virtual PageFetcher& pageFetcher() = 0;
    Platform windowPlatform() override { return platform(pageFetcher()); }

    void SetUp() override {
        port = server.start();
        ASSERT_GT(port, 0) << "the page server did not start";
        Form1Test::SetUp();
    }
    // The window's fetches stop as it goes, and end before the fetcher does.
    void TearDown() override {
        Form1Test::TearDown();
        EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(20000));
    }

    QString url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
    }

    PageServerProcess server;
    int port = 0;
};

} // namespace headwise::testing
