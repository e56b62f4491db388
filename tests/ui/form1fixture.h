#pragma once

#include "doubles.h"
#include "form1.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

namespace headwise::testing {

// A main window on recording doubles, with its controls found by name.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override { start(); }
    void TearDown() override { window.reset(); }

    void start() {
        window = std::make_unique<Form1>(Platform{settings, messages, files, shell, fetcher, programs});
        window->show();
    }

    template <typename T = QWidget> T* find(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << "no control named " << name;
        return widget;
    }

    QStringList visiblePanels() const {
        QStringList names;
        for (const char* name : {"FraInfo", "FraAnalyze", "FraCreate", "FraExtract"})
            if (find<QGroupBox>(name)->isVisible())
                names << QString::fromLatin1(name);
        return names;
    }

    MemorySettings settings;
    RecordingMessageBoxes messages;
    ScriptedFileDialogs files;
    RecordingShell shell;
    ScriptedPageFetcher fetcher;
    RecordingProgramStarter programs;
    std::unique_ptr<Form1> window;
};

} // namespace headwise::testing
