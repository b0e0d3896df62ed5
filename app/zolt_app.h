// The application object: start-up in its fixed order, help, and exit.
#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

class CMainFrame;
class HelpKeyFilter;
class ScreenFitFilter;

class CZOLTApp
{
public:
    CZOLTApp();
    ~CZOLTApp();

    // Runs start-up; false when the program must end at once (a copy already runs, the command
    // line asked only for help or was wrong, the working directory is unusable, or the main
    // window could not be created). StartExitCode() then gives the process exit code.
    bool InitInstance();
    int StartExitCode() const { return startExitCode_; }

    // Returns the process exit code.
    int ExitInstance(int code);

    CMainFrame* GetMainFrame() const { return frame_.get(); }

    // Returns true unless another copy of the program runs for this user; the first copy keeps
    // the lock for its whole run. A lock that cannot be created or read does not stop the
    // program: LockNotice() then says why, and the program goes on without it.
    bool IsFirstInstance();
    const QString& LockNotice() const { return lockNotice_; }

    // Where the single-instance lock lives: $ZOLT_LOCK_DIR when set, else the runtime folder.
    static QString LockPath();

    // What to tell the user when the lock at `path` cannot be had for `reason` (English and
    // Italian: it is said before the texts are read).
    static QString LockFileNotice(const QString& path, const QString& reason);

    // The program's command line: --workdir DIR and --help, beside the platform's own options.
    struct CommandLine
    {
        QString workDir;
        bool help = false;
        QString wrong;      // an argument the program does not know
        QString needsValue; // an option given without its value
        bool Runs() const { return !help && wrong.isEmpty() && needsValue.isEmpty(); }
    };
    static CommandLine ReadCommandLine(const QStringList& args);

    // Prints the help, or what is wrong with the command line; returns the exit code (0, 2).
    // Needs only a core application, so that it works without a display.
    static int AnswerCommandLine(const CommandLine& line);

    // Chooses the working directory (`option` from --workdir, else the current folder or the
    // per-user one), makes it ready and enters it. Returns false after telling the user, in a
    // box naming the folder, when it cannot be created or written.
    static bool EnterWorkDir(const QString& option);

    // The message for a working directory `folder` that cannot be used for `reason`: in the
    // current language when the texts can be read, else in English and Italian.
    static QString WorkDirFailureText(const QString& folder, const QString& reason);

    // Names the program's own files (pictures, help) that are missing or damaged in the
    // installation, "" when all are in order; a workshop's own files are not judged.
    static QString DataFilesNotice();

    // Names the application and gives it its window icon (resource 128).
    static void ConfigureApplication();

    // Returns what to tell the user at start-up when the text file at `textsPath` is missing,
    // cannot be read or holds no texts (in English and Italian, naming where it was looked
    // for), or "" when it is in order.
    static QString TextsFileNotice(const std::string& textsPath);

    // What to tell the user when the working directory's own text file cannot be used and the
    // installed one stands in for it, or "" when there is nothing to say.
    static QString FolderTextsNotice();

private:
    void RegisterControls();
    int startExitCode_ = 0;
    QString lockNotice_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<HelpKeyFilter> helpKeys_;
    std::unique_ptr<ScreenFitFilter> screenFit_;
};
