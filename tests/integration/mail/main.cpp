#include "linelengths.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    headwise::liftLineLengthLimits(app); // as the program does
    return RUN_ALL_TESTS();
}
