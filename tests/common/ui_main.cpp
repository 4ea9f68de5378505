// Test entry point for widget tests: a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "common/TestSupport.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    brumble::test::UsePrivateRuntimeFolders();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
