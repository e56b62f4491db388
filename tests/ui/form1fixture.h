#pragma once

#include "controls.h"
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

    std::unique_ptr<Form1> window;
};

} // namespace headwise::testing
