// Starting and stopping the simulator process.
#include "tools/tester_sim/tester_sim_process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

TesterSimProcess::TesterSimProcess(QString executable) : executable_(std::move(executable))
{
    if (executable_.isEmpty())
        executable_ = qEnvironmentVariable("ZOLT_TESTER_SIM");
    if (executable_.isEmpty()) {
        const QString dir = QCoreApplication::applicationDirPath();
        for (const QString& candidate : {dir + "/zolt-tester-sim", dir + "/../bin/zolt-tester-sim"})
            if (QFileInfo(candidate).isExecutable()) {
                executable_ = candidate;
                break;
            }
    }
    process_.setProcessChannelMode(QProcess::SeparateChannels);
}

TesterSimProcess::~TesterSimProcess()
{
    Stop();
}

bool TesterSimProcess::Start(const QString& fsDir, const QString& link, const QStringList& options,
                             int timeoutMs)
{
    if (executable_.isEmpty())
        return false;
    process_.start(executable_, QStringList{"--fs", fsDir, "--pty", link} + options);
    if (!process_.waitForStarted(timeoutMs))
        return false;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (QFileInfo(link).isSymLink() && QFileInfo(link).exists())
            return true;
        if (process_.state() == QProcess::NotRunning)
            return false;
        process_.waitForReadyRead(10);
    }
    return false;
}

void TesterSimProcess::Command(const QByteArray& line)
{
    process_.write(line + "\n");
    process_.waitForBytesWritten(1000);
}

int TesterSimProcess::Stop(int timeoutMs)
{
    if (process_.state() == QProcess::NotRunning)
        return process_.exitCode();
    process_.terminate();
    if (!process_.waitForFinished(timeoutMs)) {
        process_.kill();
        process_.waitForFinished(timeoutMs);
    }
    return process_.exitCode();
}

bool TesterSimProcess::Running() const
{
    return process_.state() != QProcess::NotRunning;
}

QByteArray TesterSimProcess::ErrorOutput()
{
    errors_ += process_.readAllStandardError();
    return errors_;
}
