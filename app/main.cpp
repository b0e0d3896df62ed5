// ZOLT: the diagnosis tester manager.
#include "app/zolt_app.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[])
{
    // Help and a wrong command line are answered on the terminal, without opening a display.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (const CZOLTApp::CommandLine line = CZOLTApp::ReadCommandLine(args); !line.Runs()) {
        QCoreApplication core(argc, argv);
        return CZOLTApp::AnswerCommandLine(line);
    }
    QApplication application(argc, argv);
    CZOLTApp theApp;
    if (!theApp.InitInstance())
        return theApp.StartExitCode();
    return theApp.ExitInstance(application.exec());
}
