// The main of every test program: Google Test on a Qt application object,
// a widget one for the programs that show windows, set up as the program's.
#ifdef HEADWISE_TEST_WIDGETS
#include "ui/linelengths.h"

#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef HEADWISE_TEST_WIDGETS
    // The windows are driven by name, never looked at: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TestApplication app(argc, argv);
#ifdef HEADWISE_TEST_WIDGETS
    headwise::liftLineLengthLimits(app);
#endif
    return RUN_ALL_TESTS();
}
