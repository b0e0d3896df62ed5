// Runs zolt-tester-sim as a separate process on a pseudo-terminal, for tests, benchmarks and
// demonstrations that need a tester at the other end of the link.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

class TesterSimProcess
{
public:
    // `executable` empty: $ZOLT_TESTER_SIM, else zolt-tester-sim beside this program or in
    // ../bin from it.
    explicit TesterSimProcess(QString executable = {});
    ~TesterSimProcess();

    // Starts serving `fsDir` on a pseudo-terminal reachable as `link`, with further options
    // (e.g. {"--drop", "0.2"}). Returns true once `link` exists.
    bool Start(const QString& fsDir, const QString& link, const QStringList& options = {},
               int timeoutMs = 5000);

    // Sends one control command line ("event 4", "code27 1", ...).
    void Command(const QByteArray& line);

    // Stops the process with SIGTERM and waits for it. Returns its exit code.
    int Stop(int timeoutMs = 5000);

    bool Running() const;
    // What it printed on standard error so far.
    QByteArray ErrorOutput();
    QString Executable() const { return executable_; }

private:
    QString executable_;
    QProcess process_;
    QByteArray errors_;
};
