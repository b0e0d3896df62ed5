// zoltctl: the tester software dialog's work and the copy to the tester, from the command line,
// on the same engines and link as the program.
#include "core/app_config.h"
#include "core/texts.h"
#include "core/work_dir.h"
#include "link/link_session.h"
#include "link/request_link.h"
#include "tools/zoltctl/copy_progress.h"
#include "tools/zoltctl/output.h"
#include "tools/zoltctl/ports_command.h"
#include "tools/zoltctl/software_command.h"
#include "transfer/copy_engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace zoltctl;

namespace {

constexpr int kFailed = 1;
constexpr int kWrongCommandLine = 2;

constexpr int kHelpWorkDir = 56;
constexpr int kHelpWorkDirRule = 57;

struct Options
{
    std::string device; // exactly as given
    int port = 0;
    bool autoPort = false; // --port auto
    std::string command;
    std::vector<std::string> operands;
    bool text = false, compress = false; // copy
    bool replace = false, keep = false;  // download
};

int UsageError(const std::string& what)
{
    PrintError(what);
    std::fprintf(stderr, "%s\n", Say(kTryHelp).c_str());
    return kWrongCommandLine;
}

// Prints `text` after a column of `indent` characters, wrapped at 79 columns.
void PrintWrapped(const std::string& head, const std::string& text, std::size_t indent)
{
    std::string line = head;
    auto width = [](const std::string& s) {
        std::size_t n = 0;
        for (unsigned char c : s)
            n += (c & 0xC0) != 0x80;
        return n;
    };
    while (width(line) < indent)
        line += ' ';
    std::size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!first && width(line) + 1 + width(word) > 79) {
            std::printf("%s\n", line.c_str());
            line = std::string(indent, ' ');
            first = true;
        }
        line += (first ? "" : " ") + word;
        first = false;
        start = end + 1;
    }
    std::printf("%s\n", line.c_str());
}

void PrintHelp()
{
    const char* const synopsis[] = {
        "zoltctl [--device DEV | --port N|auto] ls",
        "zoltctl [--device DEV | --port N|auto] rm NAME...",
        "zoltctl [--device DEV | --port N|auto] purge",
        "zoltctl [--device DEV | --port N|auto] download [--replace | --keep] FILE...",
        "zoltctl [--device DEV | --port N|auto] copy [--text] [--compress] PCPATH TESTERPATH...",
        "zoltctl [--device DEV | --port N|auto] dir",
        "zoltctl ports",
        "zoltctl --help",
    };
    for (const char* line : synopsis)
        std::printf("%s\n", line);
    std::printf("\n");
    PrintWrapped("", Say(kHelpIntro), 0);
    std::printf("\n%s\n", Say(kHelpCommands).c_str());
    const std::pair<const char*, int> commands[] = {
        {"  ls", kHelpLs},       {"  rm", kHelpRm},
        {"  purge", kHelpPurge}, {"  download", kHelpDownload},
        {"  copy", kHelpCopy},   {"  dir", kHelpDir},
        {"  ports", kHelpPorts},
    };
    for (auto [name, text] : commands)
        PrintWrapped(name, Say(text), 14);
    std::printf("\n%s\n", Say(kHelpOptions).c_str());
    const std::pair<const char*, int> options[] = {
        {"  --workdir DIR", kHelpWorkDir}, {"  --device DEV", kHelpDevice},
        {"  --port N", kHelpPort},         {"  --port auto", kHelpPortAuto},
        {"  --replace", kHelpReplace},     {"  --keep", kHelpKeep},
        {"  --text", kHelpTextMode},       {"  --compress", kHelpCompress},
    };
    for (auto [name, text] : options)
        PrintWrapped(name, Say(text), 16);
    std::printf("\n");
    PrintWrapped("", Say(kHelpWorkDirRule), 0);
    std::printf("\n");
    PrintWrapped("", Say(kHelpDefaults), 0);
    std::printf("\n");
    PrintWrapped("", Say(kHelpExit), 0);
}

// The --workdir given before the command, read ahead of the rest so that even the help and the
// errors of the command line speak the language of that folder.
QString WorkDirOption(int argc, char** argv)
{
    QString option;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--workdir")
            option = QFile::decodeName(argv[++i]);
        else if (arg == "--device" || arg == "--port")
            ++i;
        else if (arg.empty() || arg[0] != '-')
            break; // the command
    }
    return option;
}

// Says once when the folder's language file cannot be used and which texts speak instead.
void NoteTexts(const std::string& workDir)
{
    const std::string own = JoinPath(workDir, "SWBASE.TXT");
    if (!TextsFileUsable(AppConfig.textsPath)) {
        const std::string places =
            Escaped(own) + ", " + Escaped(JoinPath(InstalledDataDir().toStdString(), "SWBASE.TXT"));
        PrintError("no usable text file SWBASE.TXT at " + places +
                   " / nessun file dei testi SWBASE.TXT utilizzabile in " + places);
        return;
    }
    if (AppConfig.textsPath == own || !QFileInfo::exists(QString::fromStdString(own)))
        return;
    PrintError(
        FillText(AppConfig.Text(kErrorSection, ErrorText::kFolderTextsUnusable), {Escaped(own)}));
}

// Returns the exit status for a wrong command line, or -1 when `o` holds a runnable command.
int Parse(int argc, char** argv, Options& o, bool& help)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
            return 0;
        }
        if (o.command.empty() && (arg == "--device" || arg == "--port" || arg == "--workdir")) {
            if (i + 1 >= argc || (arg == "--workdir" && !*argv[i + 1]))
                return UsageError(Say(kNeedsValue, {arg}));
            const std::string value = argv[++i];
            if (arg == "--workdir")
                continue; // taken already, by WorkDirOption
            if (arg == "--device") {
                o.device = value;
            } else if (value == "auto") {
                o.autoPort = true;
            } else {
                char* end = nullptr;
                const long port = std::strtol(value.c_str(), &end, 10);
                if (end == value.c_str() || *end != '\0' || port < 1 || port > 6)
                    return UsageError(Say(kPortRange));
                o.port = int(port);
            }
            continue;
        }
        if (o.command.empty()) {
            static const char* const known[] = {"ls",   "rm",  "purge", "download",
                                                "copy", "dir", "ports"};
            if (std::find_if(std::begin(known), std::end(known),
                             [&](const char* k) { return arg == k; }) == std::end(known))
                return UsageError(Say(kUnknownArgument, {Escaped(arg)}));
            o.command = arg;
            continue;
        }
        const bool options = o.operands.empty() && !optionsEnded;
        if (options && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (options && o.command == "copy" && (arg == "--text" || arg == "--compress")) {
            (arg == "--text" ? o.text : o.compress) = true;
            continue;
        }
        if (options && o.command == "download" && (arg == "--replace" || arg == "--keep")) {
            (arg == "--replace" ? o.replace : o.keep) = true;
            continue;
        }
        if (options && arg.size() > 1 && arg[0] == '-')
            return UsageError(Say(kUnknownArgument, {Escaped(arg)}));
        o.operands.push_back(arg);
    }
    if (o.command.empty())
        return UsageError(Say(kNoCommand));
    if (!o.device.empty() && (o.port != 0 || o.autoPort))
        return UsageError(Say(kDeviceOrPort));
    if (o.replace && o.keep)
        return UsageError(Say(kReplaceOrKeep));
    if ((o.command == "ls" || o.command == "purge" || o.command == "dir" || o.command == "ports") &&
        !o.operands.empty())
        return UsageError(Say(kNoOperands, {o.command}));
    if ((o.command == "rm" || o.command == "download") && o.operands.empty())
        return UsageError(Say(kNeedsNames, {o.command}));
    // An empty name is the beginning of every name, and the tester's root.
    if (o.command == "rm")
        for (const std::string& name : o.operands)
            if (name.find_first_not_of(" \t\r\n\f\v") == std::string::npos)
                return UsageError(Say(kEmptyName));
    if (o.command == "copy" && (o.operands.empty() || o.operands.size() % 2 != 0))
        return UsageError(Say(kCopyPairs));
    return -1;
}

// Checks the device named on the command line, exactly as given.
bool CheckDevice(const std::string& device)
{
    struct stat st
    {
    };
    if (::stat(device.c_str(), &st) != 0) {
        PrintError(Say(kNoDevice, {Escaped(device)}));
        return false;
    }
    if (!S_ISCHR(st.st_mode)) {
        PrintError(Say(kNotSerial, {Escaped(device)}));
        return false;
    }
    return true;
}

int RunCopy(const Options& o, QCoreApplication& app, LinkSession& session, FailurePrinter& printer)
{
    SessionRequestLink link(session);
    CopyEngine engine(link, AppConfig);
    QObject::connect(&engine, &CopyEngine::Failed,
                     [&](const ErrorReport& report) { printer.Print(report); });
    engine.SetCodecDiagnostics([](const std::string&) {});
    const int files = int(o.operands.size() / 2);
    for (int i = 0; i < files; ++i)
        if (!engine.AddFile(o.operands[2 * i], o.operands[2 * i + 1], o.text, o.compress)) {
            PrintError(Say(kCannotQueue, {Escaped(o.operands[2 * i + 1])}));
            return kWrongCommandLine;
        }
    CopyProgress progress(engine);
    QObject::connect(&engine, &CopyEngine::ProgressChanged, [&] { progress.Update(); });
    QObject::connect(&engine, &CopyEngine::FileSent, [&](int index) { progress.FileSent(index); });
    QObject::connect(
        &engine, &CopyEngine::Finished, &app, [&] { app.exit(0); }, Qt::QueuedConnection);
    if (engine.Start() && engine.CurrentState() != CopyEngine::State::Done)
        app.exec();
    progress.EndLine();
    std::printf(
        "%s\n",
        Say(kFilesSent, {std::to_string(engine.FilesSent()), std::to_string(files)}).c_str());
    return engine.Result() == CopyEngine::kResultSent ? 0 : kFailed;
}

int RunSoftware(const Options& o, QCoreApplication& app, LinkSession& session,
                FailurePrinter& printer)
{
    SessionRequestLink link(session);
    TesterSoftwareEngine engine(link, AppConfig);
    SessionRequestLink copyLink(session);
    SoftwareCommandLine line{o.command, o.operands, o.replace, o.keep};
    std::unique_ptr<CopyEngine> copy;
    std::unique_ptr<CopyProgress> progress;
    SoftwareCommand command(
        engine, line,
        [&](const std::vector<TesterSoftwareEngine::CopyItem>& queue,
            std::function<void(int)> done) {
            copy = std::make_unique<CopyEngine>(copyLink, AppConfig);
            QObject::connect(copy.get(), &CopyEngine::Failed,
                             [&](const ErrorReport& report) { printer.Print(report); });
            for (const TesterSoftwareEngine::CopyItem& item : queue)
                copy->AddFile(item.pcPath, item.testerPath, false, false);
            progress = std::make_unique<CopyProgress>(*copy);
            QObject::connect(copy.get(), &CopyEngine::ProgressChanged, [&] { progress->Update(); });
            QObject::connect(copy.get(), &CopyEngine::FileSent,
                             [&](int index) { progress->FileSent(index); });
            QObject::connect(
                copy.get(), &CopyEngine::Finished, &app,
                [&, done](int) {
                    progress->EndLine();
                    done(copy->FilesSent());
                },
                Qt::QueuedConnection);
            copy->Start();
        });
    int status = kFailed;
    QObject::connect(
        &command, &SoftwareCommand::Finished, &app,
        [&](int s) {
            status = s;
            app.exit(0);
        },
        Qt::QueuedConnection);
    command.Start();
    app.exec();
    engine.Stop();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The working directory by the program's own rule; it is made ready only for a command.
    const WorkDirChoice choice = ChooseWorkDir(WorkDirOption(argc, argv), QDir::currentPath());
    const std::string workDir = choice.path.toStdString();
    LoadConfigurationForMessages(workDir);
    NoteTexts(workDir);

    Options options;
    bool help = false;
    const int parsed = Parse(argc, argv, options, help);
    if (help) {
        PrintHelp();
        return 0;
    }
    if (parsed >= 0)
        return parsed;
    if (const QString reason = PrepareWorkDir(choice); !reason.isEmpty()) {
        const std::string text = FillText(
            AppConfig.Text(kErrorSection, ErrorText::kWorkDirUnusable), {Escaped(workDir)});
        PrintError(text + "\n" + reason.toStdString());
        return kFailed;
    }
    LoadConfiguration(workDir);

    if (options.command == "ports" || options.autoPort) {
        PortSearch search;
        std::string error;
        if (!SearchPorts(app, SerialDeviceSeam::FromEnvironment(), search, error)) {
            FailurePrinter().Print(ErrorReport(ErrorText::kLinkInitFailed1, error));
            return kFailed;
        }
        if (options.command == "ports") {
            PrintPorts(search);
            return 0;
        }
        options.device = TheOneThatAnswered(search);
        if (options.device.empty())
            return kFailed;
    }
    if (!options.device.empty() && !CheckDevice(options.device))
        return kFailed;
    FailurePrinter printer;
    LinkSession session(AppConfig);
    // The link's failures become lines on standard error; a device named on the command line
    // is named as the user typed it, its control bytes escaped.
    QObject::connect(&session, &LinkSession::Failed, [&](ErrorReport report) {
        if (!options.device.empty())
            for (std::size_t at = 0;
                 (at = report.detail.find(options.device, at)) != std::string::npos;) {
                const std::string shown = Escaped(options.device);
                report.detail.replace(at, options.device.size(), shown);
                at += shown.size();
            }
        printer.Print(report);
    });
    QObject view;
    const PortTarget target = !options.device.empty() ? PortTarget::Device(options.device)
                              : options.port != 0     ? PortTarget::Com(options.port)
                                                      : PortTarget::Com(AppConfig.comPort);
    const int opened = session.OpenLink(&view, target);
    if (opened != 0 || !session.PortOpen())
        return kFailed;
    // A tester that goes away ends the command: what it was doing cannot be finished, and
    // waiting for the device to come back would hang a script.
    bool gone = false;
    QObject::connect(&session, &LinkSession::Disconnected, &app, [&] {
        gone = true;
        // Named by its bytes as given or configured, not as text: a path need not be UTF-8.
        PrintError(Say(kTesterGone, {Escaped(session.Device())}));
        app.exit(0);
    });

    const int status = options.command == "copy" ? RunCopy(options, app, session, printer)
                                                 : RunSoftware(options, app, session, printer);
    session.CloseLink();
    return gone ? kFailed : status;
}
