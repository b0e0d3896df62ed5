// What the copy tests share: a working folder with a small language file, the scripted tester
// as the engine's link, the failures the engine reported (as their texts), and helpers to make
// files and run a transfer.
#pragma once

#include "core/messages.h"
#include "core/workspace.h"
#include "transfer/copy_engine.h"
#include "transfer/tests/scripted_tester.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <string>
#include <vector>

struct CopyFixture
{
    QTemporaryDir dir;
    std::vector<std::string> messages;
    ScriptedTester link;
    ScriptedTester* tester = &link;
    Workspace workspace;

    CopyFixture()
    {
        QByteArray texts = "[MESSAGGI_ERRORE]\n";
        for (int n = 1; n <= 63; ++n) {
            const QByteArray number = QByteArray::number(n);
            const bool format = n == 21 || n == 63; // formats with the file's path
            texts += "s" + number + "_ITA=E" + number + (format ? " %s\n" : "\n");
        }
        texts += "[DIALOGO_COPY_PC_TESTER]\ns1_ITA=Invio\ns3_ITA=Annulla\ns4_ITA=Byte:\n"
                 "s5_ITA=File:\n";
        WriteFile("SWBASE.TXT", texts);
        workspace = WorkspaceAt(dir.path().toStdString());
    }

    // Records the texts of `engine`'s failures in `messages`.
    void Record(CopyEngine& engine)
    {
        QObject::connect(&engine, &CopyEngine::Failed, [this](const ErrorReport& report) {
            messages.push_back(ReportText(report, workspace));
        });
    }

    std::string Path(const std::string& name) const
    {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string WriteFile(const std::string& name, const QByteArray& content) const
    {
        QFile file(QString::fromStdString(Path(name)));
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return Path(name);
    }
    // A file of `size` bytes whose content depends on `seed`, so that every position matters.
    std::string MakeFile(const std::string& name, int size, int seed = 1) const
    {
        QByteArray content(size, '\0');
        std::uint32_t x = 2463534242u + std::uint32_t(seed);
        for (int i = 0; i < size; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            content[i] = char(x);
        }
        return WriteFile(name, content);
    }
    static std::vector<std::uint8_t> Bytes(const std::string& path)
    {
        QFile file(QString::fromStdString(path));
        file.open(QIODevice::ReadOnly);
        const QByteArray all = file.readAll();
        return std::vector<std::uint8_t>(all.begin(), all.end());
    }

    // Starts `engine` and waits for its end. Returns its result, or -1 when it did not end.
    static int Run(CopyEngine& engine, int timeoutMs = 20000)
    {
        if (!engine.Start())
            return engine.Result();
        if (engine.CurrentState() != CopyEngine::State::Done) {
            QEventLoop loop;
            QObject::connect(&engine, &CopyEngine::Finished, &loop, &QEventLoop::quit);
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return engine.CurrentState() == CopyEngine::State::Done ? engine.Result() : -1;
    }
};
