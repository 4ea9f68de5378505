// Test entry point for the core tests: a QCoreApplication gives sockets and timers an
// event loop; every process starts in a fresh, private settings folder.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "common/TestSupport.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    brumble::test::UsePrivateRuntimeFolders();
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
