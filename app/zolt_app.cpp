// Start-up and exit of the program.
#include "app/zolt_app.h"

#include "app/app_constants.h"
#include "app/help_key_filter.h"
#include "app/main_frame.h"
#include "app/splash_dlg.h"
#include "app/zolt_view.h"
#include "core/app_config.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

CZOLTApp::CZOLTApp() = default;
CZOLTApp::~CZOLTApp() = default;

QString CZOLTApp::LockPath()
{
    QString dir = qEnvironmentVariable("ZOLT_LOCK_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QString("%1.lock").arg(kMainWindowClass));
}

bool CZOLTApp::IsFirstInstance()
{
    lock_ = std::make_unique<QLockFile>(LockPath());
    // A lock left by a copy that crashed is taken over once its process is gone.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    lock_.reset();
    return false;
}

void CZOLTApp::RegisterControls()
{
    // The registration tool lies beside the program; without it nothing is registered and
    // nothing is said, as with any failed registration.
    const QString dir = QCoreApplication::applicationDirPath();
    const QString tool = QDir(dir).filePath("regsvr");
    if (!QFileInfo(tool).isExecutable())
        return;
    for (const char* library : {"KROButton.ocx", "KroLabel.ocx"})
        QProcess::startDetached(tool, {"/s", QDir(dir).filePath(library)});
}

bool CZOLTApp::InitInstance()
{
    if (!IsFirstInstance())
        return false;
    RegisterControls();
    QCoreApplication::setApplicationName(kMainWindowClass);
    QGuiApplication::setApplicationDisplayName(kAppTitle);
    AppConfig.classRegistered = true;
    LoadConfiguration(QDir::currentPath().toStdString());

    {
        CSplashDlg splash(AppConfig.splashPath);
        splash.exec();
    }

    helpKeys_ = std::make_unique<HelpKeyFilter>();
    qApp->installEventFilter(helpKeys_.get());
    frame_ = std::make_unique<CMainFrame>();
    auto* view = new CZOLTView(frame_.get());
    if (!view->Create()) {
        delete view;
        frame_.reset();
        return false;
    }
    frame_->SetView(view);
    // Without a window manager (a bare virtual display) "maximised" would mean nothing.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        frame_->setGeometry(screen->availableGeometry());
    frame_->showMaximized();
    return true;
}

int CZOLTApp::ExitInstance(int code)
{
    frame_.reset();
    AppConfig.classRegistered = false;
    lock_.reset();
    return code;
}
