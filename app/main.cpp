// ZOLT: the diagnosis tester manager.
#include "app/zolt_app.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    CZOLTApp theApp;
    if (!theApp.InitInstance())
        return 0;
    return theApp.ExitInstance(application.exec());
}
