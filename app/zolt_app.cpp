// Start-up and exit of the program.
#include "app/zolt_app.h"

#include "app/app_constants.h"
#include "app/help_key_filter.h"
#include "app/main_frame.h"
#include "app/pictures.h"
#include "app/qt_translations.h"
#include "app/screen_fit.h"
#include "app/splash_dlg.h"
#include "app/zolt_view.h"
#include "core/app_config.h"
#include "core/texts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
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

void CZOLTApp::ConfigureApplication()
{
    QCoreApplication::setApplicationName(kMainWindowClass);
    // No display name: the platform would append it to every window title, and the titles of
    // dialogs and message boxes read exactly their language texts.
    QApplication::setWindowIcon(LoadIcon("app_128"));
}

QString CZOLTApp::TextsFileNotice(const std::string& textsPath)
{
    // Said in English and Italian: without the text file there is no other language to say it in.
    const QString path = QString::fromStdString(textsPath);
    if (!QFileInfo::exists(path))
        return QString("The text file SWBASE.TXT is missing.\n"
                       "It was looked for at: %1\n"
                       "Menus, buttons and messages show \"()----()\" until it is put back.\n\n"
                       "Manca il file dei testi SWBASE.TXT.\n"
                       "È stato cercato in: %1\n"
                       "Menu, pulsanti e messaggi mostrano \"()----()\" finché non viene "
                       "rimesso al suo posto.")
            .arg(path);
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) ||
        GetText("STRINGHE_MENU", 1, textsPath.c_str()) == kTextNotFound)
        return QString("The text file SWBASE.TXT cannot be read, or does not hold the program's "
                       "texts.\n"
                       "It was looked for at: %1\n"
                       "Menus, buttons and messages show \"()----()\" until it is replaced.\n\n"
                       "Il file dei testi SWBASE.TXT non si può leggere, o non contiene i testi "
                       "del programma.\n"
                       "È stato cercato in: %1\n"
                       "Menu, pulsanti e messaggi mostrano \"()----()\" finché non viene "
                       "sostituito.")
            .arg(path);
    return {};
}

bool CZOLTApp::InitInstance()
{
    if (!IsFirstInstance())
        return false;
    RegisterControls();
    ConfigureApplication();
    AppConfig.classRegistered = true;
    LoadConfiguration(QDir::currentPath().toStdString());
    SwitchQtTranslations(AppConfig.language);
    screenFit_ = std::make_unique<ScreenFitFilter>();
    qApp->installEventFilter(screenFit_.get());

    {
        CSplashDlg splash(AppConfig.splashPath);
        splash.exec();
    }

    // The program may go on without its texts; the user learns why everything reads "()----()".
    const QString notice = TextsFileNotice(AppConfig.textsPath);
    if (!notice.isEmpty())
        QMessageBox::warning(nullptr, "ZOLT", notice);

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
