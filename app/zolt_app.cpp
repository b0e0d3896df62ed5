// Start-up and exit of the program.
#include "app/zolt_app.h"

#include "app/app_constants.h"
#include "app/help_dispatch.h"
#include "app/help_key_filter.h"
#include "app/main_frame.h"
#include "app/pictures.h"
#include "app/qt_translations.h"
#include "app/screen_fit.h"
#include "app/splash_dlg.h"
#include "app/zolt_view.h"
#include "core/app_config.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "core/work_dir.h"
#include "ui/dib_picture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>

// The desktop entry the program's windows belong to.
#ifndef ZOLT_APP_ID
#define ZOLT_APP_ID "zolt"
#endif

namespace {

// Text `number` of `section` with its "%s" filled by `value`; "" when it is missing.
QString Filled(const char* section, int number, const QString& value)
{
    const std::string text = AppConfig.Text(section, number);
    if (text == kTextNotFound)
        return {};
    return QString::fromStdString(FillText(text, {value.toStdString()}));
}

void PrintLine(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

// Whether the file at `path` is a sound copy of an installed picture or help file.
bool SoundDataFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    if (path.endsWith(QLatin1String(".CHM"), Qt::CaseInsensitive)) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) && file.read(4) == "ITSF";
    }
    int width = 0, height = 0;
    return CDibPicture::Measure(path.toStdString(), width, height) == 1;
}

} // namespace

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
    const QString path = LockPath();
    lock_ = std::make_unique<QLockFile>(path);
    // A lock left by a copy that crashed is taken over once its process is gone.
    lock_->setStaleLockTime(0);
    lockNotice_.clear();
    if (lock_->tryLock(0))
        return true;
    QLockFile::LockError error = lock_->error();
    if (error == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        // A copy starting at this moment may not have written its details yet.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (lock_->getLockInfo(&pid, &host, &application)) {
                lock_.reset();
                return false; // a running copy: end silently
            }
            QThread::msleep(100);
        }
        // Details that stay unreadable are a damaged file, not a running copy: start afresh.
        if (lock_->removeStaleLockFile() && lock_->tryLock(0))
            return true;
        error = lock_->error();
    }
    lock_.reset();
    // Any other failure is said and worked around: a missing runtime folder must not keep the
    // workshop from working.
    QString reason;
    if (error == QLockFile::LockFailedError)
        reason = QStringLiteral("the lock file is damaged / il file di blocco è danneggiato");
    else if (!QFileInfo(QFileInfo(path).path()).isDir())
        reason = qt_error_string(ENOENT);
    else if (error == QLockFile::PermissionError)
        reason = qt_error_string(EACCES);
    else
        reason = QStringLiteral("unknown error / errore sconosciuto");
    lockNotice_ = LockFileNotice(path, reason);
    return true;
}

QString CZOLTApp::LockFileNotice(const QString& path, const QString& reason)
{
    return QString("The lock that keeps a second copy of ZOLT from starting cannot be created:\n"
                   "%1\n(%2)\n"
                   "ZOLT goes on without it: do not start it a second time meanwhile.\n\n"
                   "Il blocco che impedisce l'avvio di una seconda copia di ZOLT non si può "
                   "creare:\n%1\n(%2)\n"
                   "ZOLT prosegue senza: nel frattempo non avviarlo una seconda volta.")
        .arg(path, reason);
}

void CZOLTApp::RegisterControls()
{
    // The registration tool lies beside the program or in its private folder; without it
    // nothing is registered and nothing is said, as with any failed registration.
    const QString tool = PrivateFilePath("regsvr");
    if (tool.isEmpty() || !QFileInfo(tool).isExecutable())
        return;
    for (const char* library : {"KROButton.ocx", "KroLabel.ocx"}) {
        const QString path = PrivateFilePath(library);
        if (!path.isEmpty())
            QProcess::startDetached(tool, {"/s", path});
    }
}

CZOLTApp::CommandLine CZOLTApp::ReadCommandLine(const QStringList& args)
{
    // The platform's own options, which the GUI application takes for itself.
    static const QStringList kQtWithValue{"-platform",
                                          "-platformpluginpath",
                                          "-platformtheme",
                                          "-plugin",
                                          "-qwindowgeometry",
                                          "-qwindowicon",
                                          "-qwindowtitle",
                                          "-session",
                                          "-style",
                                          "-stylesheet",
                                          "-display",
                                          "-geometry",
                                          "-title",
                                          "-name",
                                          "-font",
                                          "-fn",
                                          "-bg",
                                          "-fg",
                                          "-btn",
                                          "-visual",
                                          "-im"};
    static const QStringList kQtFlags{"-reverse", "-widgetcount", "-nograb",
                                      "-dograb",  "-sync",        "-cmap"};
    CommandLine line;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--workdir" || arg == "--workdir=") {
            if (arg == "--workdir" && i + 1 < args.size() && !args[i + 1].isEmpty()) {
                line.workDir = args[++i];
            } else {
                line.needsValue = "--workdir";
                return line;
            }
        } else if (arg.startsWith("--workdir=")) {
            line.workDir = arg.mid(10);
        } else if (kQtWithValue.contains(arg) && i + 1 < args.size()) {
            ++i;
        } else if (kQtFlags.contains(arg) ||
                   (arg.contains('=') && kQtWithValue.contains(arg.section('=', 0, 0)))) {
            continue;
        } else {
            line.wrong = arg;
            return line;
        }
    }
    return line;
}

int CZOLTApp::AnswerCommandLine(const CommandLine& line)
{
    // Said in the language of the folder the program would use.
    LoadConfigurationForMessages(
        ChooseWorkDir(line.workDir, QDir::currentPath()).path.toStdString());
    if (line.wrong.isEmpty() && line.needsValue.isEmpty()) {
        PrintLine(stdout, "zolt [--workdir DIR]\nzolt --help\n");
        PrintLine(stdout, "  --workdir DIR  " + UiText("ZOLTCTL", 56) + "\n");
        PrintLine(stdout, UiText("ZOLTCTL", 57));
        return 0;
    }
    const QString text = line.wrong.isEmpty() ? Filled("ZOLTCTL", 19, line.needsValue)
                                              : Filled("ZOLTCTL", 18, line.wrong);
    PrintLine(stderr, "zolt: " + (text.isEmpty() ? line.wrong + line.needsValue : text));
    return 2;
}

bool CZOLTApp::EnterWorkDir(const QString& option)
{
    const WorkDirChoice choice = ChooseWorkDir(option, QDir::currentPath());
    QString reason = PrepareWorkDir(choice);
    if (reason.isEmpty() && !QDir::setCurrent(choice.path))
        reason = qt_error_string(errno);
    if (reason.isEmpty())
        return true;
    LoadConfigurationForMessages(choice.path.toStdString());
    const QString text = WorkDirFailureText(choice.path, reason);
    PrintLine(stderr, "zolt: " + text);
    const std::string title = TextOr(AppConfig.Text(kErrorSection, ErrorText::kTitle), "ZOLT");
    ShowMessageText(AppConfig.textsPath.c_str(), title.c_str(), text.toStdString().c_str(),
                    kStyleError, 0);
    return false;
}

QString CZOLTApp::WorkDirFailureText(const QString& folder, const QString& reason)
{
    const QString text = Filled(kErrorSection, ErrorText::kWorkDirUnusable, folder);
    if (!text.isEmpty())
        return text + "\n\n" + reason;
    return QString("ZOLT cannot create or write its working folder:\n%1\n(%2)\n"
                   "Check the folder's permissions and the free space on the disk, or start "
                   "ZOLT with --workdir and another folder.\n\n"
                   "ZOLT non può creare o scrivere la sua cartella di lavoro:\n%1\n(%2)\n"
                   "Controllare i permessi della cartella e lo spazio libero sul disco, oppure "
                   "avviare ZOLT con --workdir e un'altra cartella.")
        .arg(folder, reason);
}

QString CZOLTApp::DataFilesNotice()
{
    const QString installed = InstalledDataDir();
    if (installed.isEmpty() || !QFileInfo(installed).isDir())
        return {}; // not an installed program: nothing to judge
    const QString help = QFileInfo(QString::fromStdString(HelpDispatch::HelpFilePath())).fileName();
    QStringList notices;
    for (const QString& name :
         {QString("LOGO.BMP"), QString("LOGOINIT.BMP"), QString("LogoPrn.Bmp"), help}) {
        if (QFileInfo::exists(QDir(QString::fromStdString(AppConfig.workDir)).filePath(name)))
            continue; // the workshop's own
        const QString path = QDir(installed).filePath(name);
        if (SoundDataFile(path))
            continue;
        QString text = Filled(kErrorSection, ErrorText::kDataFileDamaged, path);
        if (text.isEmpty())
            text = QString("The program's file %1 is missing or damaged: reinstall ZOLT.\n"
                           "Il file del programma %1 manca o è danneggiato: reinstallare ZOLT.")
                       .arg(path);
        notices << text;
    }
    return notices.join("\n\n");
}

QString CZOLTApp::FolderTextsNotice()
{
    const std::string own = JoinPath(AppConfig.workDir, "SWBASE.TXT");
    if (AppConfig.textsPath == own || !QFileInfo::exists(QString::fromStdString(own)))
        return {};
    return Filled(kErrorSection, ErrorText::kFolderTextsUnusable, QString::fromStdString(own));
}

void CZOLTApp::ConfigureApplication()
{
    QCoreApplication::setApplicationName(kMainWindowClass);
    QGuiApplication::setDesktopFileName(ZOLT_APP_ID);
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
    const CommandLine line = ReadCommandLine(QCoreApplication::arguments());
    if (!line.Runs()) {
        startExitCode_ = AnswerCommandLine(line);
        return false;
    }
    if (!IsFirstInstance())
        return false;
    // Before anything is written: an unusable folder ends the program with nothing done.
    if (!EnterWorkDir(line.workDir)) {
        startExitCode_ = 1;
        return false;
    }
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

    // The program may go on without its texts or pictures; the user learns why, in one box.
    QStringList notices{lockNotice_};
    const QString texts = TextsFileNotice(AppConfig.textsPath);
    notices << (texts.isEmpty() ? FolderTextsNotice() : texts) << DataFilesNotice();
    notices.removeAll(QString());
    if (!notices.isEmpty())
        QMessageBox::warning(nullptr, "ZOLT", notices.join("\n\n"));

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
    // For scripted checks of an installation: say that the main window is up, then end.
    if (qEnvironmentVariableIsSet("ZOLT_QUIT_WHEN_READY"))
        QTimer::singleShot(0, frame_.get(), [this] {
            PrintLine(stdout, QString("main window shown: %1 in %2")
                                  .arg(frame_->isVisible() ? frame_->windowTitle() : "-",
                                       QString::fromStdString(AppConfig.workDir)));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    return true;
}

int CZOLTApp::ExitInstance(int code)
{
    frame_.reset();
    AppConfig.classRegistered = false;
    lock_.reset();
    return code;
}
