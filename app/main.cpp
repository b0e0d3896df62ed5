// ZOLT: the diagnosis tester manager.
#include "app/zolt_app.h"
#include "core/error_sink.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Failures reported below the dialogs appear in the program's message box.
    MessageBoxErrorSink errorBoxes;
    SetErrorSink(&errorBoxes);
    CZOLTApp theApp;
    if (!theApp.InitInstance()) {
        SetErrorSink(nullptr);
        return theApp.StartExitCode();
    }
    const int result = theApp.ExitInstance(application.exec());
    SetErrorSink(nullptr);
    return result;
}
