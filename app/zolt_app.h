// The application object: start-up in its fixed order, help, and exit.
#pragma once

#include <QLockFile>
#include <QString>
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

    // Runs start-up; false when the program must end at once (a copy already runs, or the main
    // window could not be created).
    bool InitInstance();

    // Returns the process exit code.
    int ExitInstance(int code);

    CMainFrame* GetMainFrame() const { return frame_.get(); }

    // Returns true when no other copy of the program runs for this user; the first copy keeps
    // the lock for its whole run.
    bool IsFirstInstance();

    // Where the single-instance lock lives: $ZOLT_LOCK_DIR when set, else the runtime folder.
    static QString LockPath();

    // Names the application and gives it its window icon (resource 128).
    static void ConfigureApplication();

    // Returns what to tell the user at start-up when the text file at `textsPath` is missing,
    // cannot be read or holds no texts (in English and Italian, naming where it was looked
    // for), or "" when it is in order.
    static QString TextsFileNotice(const std::string& textsPath);

private:
    void RegisterControls();

    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<HelpKeyFilter> helpKeys_;
    std::unique_ptr<ScreenFitFilter> screenFit_;
};
