// zoltctl's commands on the tester's software (ls, rm, purge, download, dir), run on the same
// engine as the program's tester software dialog.
#pragma once

#include "software/tester_software_engine.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

struct SoftwareCommandLine
{
    std::string command;               // "ls", "rm", "purge", "download" or "dir"
    std::vector<std::string> operands; // rm: names; download: software files
    bool replace = false;              // download --replace
    bool keep = false;                 // download --keep
};

class SoftwareCommand : public QObject
{
    Q_OBJECT

public:
    // Sends `queue` to the tester and calls `done` with the number of files the tester
    // acknowledged (the first ones of the queue).
    using CopyStarter = std::function<void(const std::vector<TesterSoftwareEngine::CopyItem>& queue,
                                           std::function<void(int filesSent)> done)>;

    SoftwareCommand(TesterSoftwareEngine& engine, SoftwareCommandLine line, CopyStarter copy,
                    QObject* parent = nullptr);

    // Starts the command; Finished follows once (possibly before Start returns).
    void Start();

    // The software's name as `ls` prints it: the file name of a whole file, the name of the
    // file before the split for complete split software, and the names of its files, as the
    // tester lists them, for incomplete software.
    static std::string DisplayName(const TesterFileTable& table, const TesterSoftwareGroup& group);
    // Whether `wanted` names `group` for `rm`: its whole name as `ls` prints it, or its BASE
    // (the name up to its first "."); never a mere beginning of either.
    static bool Names(const TesterFileTable& table, const TesterSoftwareGroup& group,
                      const std::string& wanted);

signals:
    // The exit status: 0 done, 1 failed (the reason printed).
    void Finished(int status);

private:
    void OnSettled();
    void OnFailure(const ErrorReport& report);
    void OnQuestion(const std::string& question);
    void OnCopy(const std::vector<TesterSoftwareEngine::CopyItem>& queue);
    bool DeleteNamed();
    void PrintListing() const;
    void Finish(int status);

    TesterSoftwareEngine& engine_;
    SoftwareCommandLine line_;
    CopyStarter copy_;
    int phase_ = 0; // settlements seen so far
    int deleted_ = 0;
    bool copyFailed_ = false;
    bool finished_ = false;
};
