#pragma once

#include "serverprocess.h"

#include <QString>
#include <gtest/gtest.h>

namespace headwise::testing {

// A suite against the page server, started once for the whole suite so that
// the blocking fetches in the test's thread have someone to talk to.
class PageServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new PageServerProcess;
        port = server_->start();
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { ASSERT_GT(port, 0) << "the page server did not start"; }

    static QString url(const char* path, const char* host = "127.0.0.1") {
        return QStringLiteral("http://%1:%2%3").arg(QLatin1String(host)).arg(port).arg(QLatin1String(path));
    }

    static inline int port = 0;

private:
    static inline PageServerProcess* server_ = nullptr;
};

} // namespace headwise::testing
