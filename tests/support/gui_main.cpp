// Test entry point for the tests that need a display: one QApplication for the
// whole program, then GoogleTest.
#include <QApplication>
#include <clocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Numbers are always read and written with '.', whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
