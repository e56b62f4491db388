#pragma once

#include "controls.h"
#include "doubles.h"
#include "ui/form1.h"
#include "ui/job.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace headwise::testing {

// A main window on recording doubles, with its controls found by name.
class Form1Test : public ::testing::Test, protected PlatformDoubles {
protected:
    void SetUp() override { start(); }
    void TearDown() override { window.reset(); }

    // What the window is built on; a test on a real fetch hands in its own.
    virtual Platform windowPlatform() { return platform(); }

    void start() {
        window = std::make_unique<Form1>(windowPlatform());
        window->show();
    }

    template <typename T = QWidget> T* find(const char* name) const {
        return findControl<T>(window.get(), name);
    }

    QStringList visiblePanels() const {
        QStringList names;
        for (const char* name : {"FraInfo", "FraAnalyze", "FraCreate", "FraExtract"})
            if (find<QGroupBox>(name)->isVisible())
                names << QString::fromLatin1(name);
        return names;
    }

    // Waits until no job of the window runs: a load, its listing and report,
    // the Extract chain, an audit.
    bool idle() const {
        return QTest::qWaitFor(
            [this] {
                const QList<Job*> jobs = window->findChildren<Job*>();
                return std::none_of(jobs.begin(), jobs.end(), [](const Job* job) { return job->running(); });
            },
            20000);
    }

    // Presses a button and waits until the work it started has ended.
    void press(const char* name) const {
        find<QPushButton>(name)->click();
        EXPECT_TRUE(idle()) << name;
    }

    std::unique_ptr<Form1> window;
};

} // namespace headwise::testing
