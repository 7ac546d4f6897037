#include <QApplication>

#include <gtest/gtest.h>

// The window tests need a real application object and a display (xvfb-run).
int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
