// The Brenvik mesh viewer.
#include "app/tavro.h"
#include "render/hugepagestart.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv)
{
    startWithHugePages(argv);
    QApplication qtApp(argc, argv);
    // Qt sets the locale from the environment; numbers are always read and
    // written with '.'.
    std::setlocale(LC_NUMERIC, "C");

    CTavroApp theApp;
    return theApp.Run();
}
