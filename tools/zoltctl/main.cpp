// zoltctl: sends files to the tester and lists its directory from the command line, with the
// same transfer engine and link as the program's copy dialog.
#include "core/app_config.h"
#include "core/error_sink.h"
#include "link/link_session.h"
#include "software/dir_lister.h"
#include "transfer/copy_engine.h"
#include "transfer/rate_meter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kUsage =
    R"(Usage: zoltctl [--device DEV | --port N] copy [--text] [--compress] PCPATH TESTERPATH [PCPATH TESTERPATH ...]
       zoltctl [--device DEV | --port N] dir
       zoltctl --help

Talks to the diagnosis tester over the serial link, as the ZOLT program does.

Commands:
  copy        sends each PCPATH to the tester as TESTERPATH (e.g. /FN0/ABS.BIN_4096), in the
              order given, in blocks of 110 bytes; prints the progress and the outcome
  dir         lists the tester's directory /FN0 as the tester reports it, one line per entry:
              index, kind, date, version, name

Options:
  --device DEV  use the serial device DEV (e.g. /dev/ttyUSB0, or the pseudo-terminal of
                zolt-tester-sim)
  --port N      use COM port N (1-6); its device is /dev/ttyS<N-1> unless section [PORTE_COM]
                of VELANTO.INI in the current directory names another one under key COMN
  --text        (copy) drop carriage returns from the files as they are sent
  --compress    (copy) compress each file into PCPATH.ZIP first and send that file instead;
                the .ZIP files stay beside the originals
  --help        show this text

Without --device or --port, the port and its device come from VELANTO.INI in the current
directory, as for the program; the messages are in the language chosen there (SWBASE.TXT).

Exit status: 0 when every file was sent and acknowledged (copy) or the listing was read to its
end (dir); 1 otherwise, with the message the program would have shown on standard error;
2 for a wrong command line.
)";

int UsageError(const char* what)
{
    std::fprintf(stderr, "zoltctl: %s\nTry 'zoltctl --help'.\n", what);
    return 2;
}

// The language file: the working directory's, else the one this program was built with.
void FindTexts()
{
    if (QFileInfo::exists(QString::fromStdString(AppConfig.textsPath)))
        return;
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {dir + "/SWBASE.TXT", dir + "/../data/SWBASE.TXT", QStringLiteral(ZOLT_DATA_DIR)})
        if (QFileInfo::exists(candidate)) {
            AppConfig.textsPath = candidate.toStdString();
            return;
        }
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Shows the progress on one line that rewrites itself on a terminal, and as a plain line at
// every tenth of the total otherwise.
class ProgressPrinter
{
public:
    explicit ProgressPrinter(const CopyEngine& engine) : engine_(engine)
    {
        terminal_ = isatty(STDOUT_FILENO) == 1;
        clock_.start();
    }

    void Update()
    {
        rate_.Add(clock_.elapsed(), engine_.BytesRead());
        const std::uint64_t total = engine_.Total();
        const std::uint64_t left = total > engine_.BytesRead() ? total - engine_.BytesRead() : 0;
        if (terminal_) {
            if (clock_.elapsed() - lastDraw_ < 100 && left != 0)
                return;
            lastDraw_ = clock_.elapsed();
            std::printf("\r\033[K%s  %s  %s", engine_.ProgressText().c_str(),
                        BaseName(engine_.CurrentPcPath()).c_str(), rate_.Text(left).c_str());
            std::fflush(stdout);
            drawn_ = true;
            return;
        }
        const int tenth = total == 0 ? 10 : int(engine_.BytesRead() * 10 / total);
        if (tenth > lastTenth_) {
            lastTenth_ = tenth;
            std::printf("%s\n", engine_.ProgressText().c_str());
            std::fflush(stdout);
        }
    }

    void FileSent(int index)
    {
        EndLine();
        const CopyEngine::Entry& entry = engine_.Entries()[std::size_t(index)];
        std::printf("sent %s -> %s\n", entry.pcPath.c_str(), entry.testerPath.c_str());
        std::fflush(stdout);
    }

    void EndLine()
    {
        if (drawn_)
            std::printf("\n");
        drawn_ = false;
    }

private:
    const CopyEngine& engine_;
    RateMeter rate_;
    QElapsedTimer clock_;
    qint64 lastDraw_ = -1000;
    int lastTenth_ = -1;
    bool terminal_ = false;
    bool drawn_ = false;
};

int RunCopy(LinkSession& link, const std::vector<std::string>& pairs, bool text, bool compress)
{
    CopyEngine engine(link);
    engine.SetCodecDiagnostics([](const std::string&) {});
    const int files = int(pairs.size() / 2);
    for (int i = 0; i < files; ++i)
        if (engine.AddFile(pairs[2 * i], pairs[2 * i + 1], text, compress) == 0) {
            std::fprintf(stderr,
                         "zoltctl: cannot queue %s -> %s (at most %d files, tester "
                         "paths of at most %zu characters)\n",
                         pairs[2 * i].c_str(), pairs[2 * i + 1].c_str(), CopyEngine::kMaxEntries,
                         CopyEngine::kMaxPathLength);
            return 2;
        }
    ProgressPrinter printer(engine);
    QObject::connect(&engine, &CopyEngine::ProgressChanged, [&] { printer.Update(); });
    QObject::connect(&engine, &CopyEngine::FileSent, [&](int index) { printer.FileSent(index); });
    QEventLoop loop;
    QObject::connect(&engine, &CopyEngine::Finished, &loop, &QEventLoop::quit);
    if (engine.Start() && engine.CurrentState() != CopyEngine::State::Done)
        loop.exec();
    printer.EndLine();
    std::printf("%d of %d file%s sent\n", engine.FilesSent(), files, files == 1 ? "" : "s");
    return engine.Result() == CopyEngine::kResultSent ? 0 : 1;
}

int RunDir(LinkSession& link)
{
    DirLister lister(link);
    QObject::connect(&lister, &DirLister::EntryRead, [](const DirLister::Entry& e) {
        std::printf("%2u  %d  %s  %s  %s\n", e.index, e.kind, e.date.c_str(), e.version.c_str(),
                    e.name.c_str());
        std::fflush(stdout);
    });
    QEventLoop loop;
    QObject::connect(&lister, &DirLister::Finished, &loop, &QEventLoop::quit);
    if (lister.Start() && !lister.Done())
        loop.exec();
    return lister.Succeeded() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString device;
    int port = 0;
    std::string command;
    bool text = false, compress = false;
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (command.empty() && (arg == "--device" || arg == "--port")) {
            if (i + 1 >= argc)
                return UsageError((arg + " needs a value").c_str());
            const std::string value = argv[++i];
            if (arg == "--device") {
                device = QString::fromLocal8Bit(value.c_str());
            } else {
                char* end = nullptr;
                port = int(std::strtol(value.c_str(), &end, 10));
                if (end == value.c_str() || *end != '\0' || port < 1 || port > 6)
                    return UsageError("--port takes a number from 1 to 6");
            }
            continue;
        }
        if (command.empty()) {
            if (arg != "copy" && arg != "dir")
                return UsageError(("unknown command or option '" + arg + "'").c_str());
            command = arg;
            continue;
        }
        if (command == "copy" && operands.empty() && arg == "--text") {
            text = true;
            continue;
        }
        if (command == "copy" && operands.empty() && arg == "--compress") {
            compress = true;
            continue;
        }
        operands.push_back(arg);
    }
    if (command.empty())
        return UsageError("no command given");
    if (!device.isEmpty() && port != 0)
        return UsageError("give --device or --port, not both");
    if (command == "dir" && !operands.empty())
        return UsageError("dir takes no operands");
    if (command == "copy" && (operands.empty() || operands.size() % 2 != 0))
        return UsageError("copy needs pairs of PCPATH TESTERPATH");

    LoadConfiguration(QDir::currentPath().toStdString());
    FindTexts();
    StderrErrorSink errors("zoltctl");
    SetErrorSink(&errors);

    LinkSession session;
    QObject view;
    int opened;
    if (!device.isEmpty()) {
        // The link library finds a port's device in VELANTO.INI of the current directory: give
        // it one that maps COM1 to the device while the port opens.
        QTemporaryDir mapping;
        QFile ini(mapping.filePath("VELANTO.INI"));
        if (!mapping.isValid() || !ini.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "zoltctl: cannot prepare the port mapping for %s\n",
                         device.toLocal8Bit().constData());
            return 1;
        }
        ini.write("[PORTE_COM]\nCOM1=" + QFileInfo(device).absoluteFilePath().toLocal8Bit() + "\n");
        ini.close();
        const QString here = QDir::currentPath();
        QDir::setCurrent(mapping.path());
        AppConfig.comPort = 1;
        opened = session.OpenLink(&view);
        QDir::setCurrent(here);
    } else {
        if (port != 0)
            AppConfig.comPort = std::uint8_t(port);
        opened = session.OpenLink(&view);
    }
    if (opened != 0 || !session.PortOpen())
        return 1;

    const int status =
        command == "dir" ? RunDir(session) : RunCopy(session, operands, text, compress);
    session.CloseLink();
    SetErrorSink(nullptr);
    return status;
}
