#pragma once

#include <QObject>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace headwise::testing {

// The control of that name and type below root; a missing one fails the test
// with its name instead of crashing it later on a null pointer.
template <typename T = QWidget> T* findControl(const QObject* root, const char* name) {
    T* control = root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(control, nullptr) << "no control named " << name;
    return control;
}

} // namespace headwise::testing
