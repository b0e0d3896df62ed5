// The search for the tester from the command line.
#include "tools/zoltctl/ports_command.h"

#include "core/app_config.h"
#include "core/messages.h"
#include "link/link_api.h"
#include "link/link_session.h"
#include "tools/zoltctl/output.h"

#include <QFile>

#include <cstdio>

namespace zoltctl {

namespace {

// The port dialog's words for the state of a device and the outcome of a search.
std::string Word(int number)
{
    return AppConfig.Text(kDeviceTextsSection, number);
}

std::string Local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

std::string OutcomeText(const TesterFinder::Result& result)
{
    switch (result.outcome) {
    case TesterFinder::Outcome::NoPermission:
        return PortReasonText(AppConfig, proto::PortReason::kNoPermission,
                              Escaped(Local(result.device)));
    case TesterFinder::Outcome::Failed:
        return Word(FinderOutcomeText(result.outcome)) + ": " + result.detail;
    default:
        return Word(FinderOutcomeText(result.outcome));
    }
}

void PrintList(std::FILE* out, const PortSearch& search)
{
    for (std::size_t i = 0; i < search.devices.size(); ++i) {
        const SerialDevice& d = search.devices[i];
        std::string about;
        for (const QString& part : {d.description, d.manufacturer, d.serialNumber, d.UsbId()})
            if (!part.isEmpty())
                about += (about.empty() ? "" : ", ") + Escaped(part.toStdString());
        std::string line = Escaped(Local(d.path));
        if (!about.empty())
            line += " (" + about + ")";
        if (!d.stableLink.isEmpty())
            line += " = " + Escaped(Local(d.stableLink));
        line += ": ";
        line += OutcomeText(search.results[i]);
        std::fprintf(out, "%s\n", line.c_str());
    }
}

} // namespace

bool SearchPorts(QCoreApplication& app, const SerialDeviceSeam& seam, PortSearch& search,
                 std::string& error)
{
    search.devices = ListSerialDevices(seam);
    search.results.clear();
    QString why;
    std::unique_ptr<LinkApi> api = LoadLinkLibrary(&why);
    if (!api) {
        error = why.toStdString();
        return false;
    }
    // Every device is tried as the port dialog tries it; one that is missing or forbidden
    // comes back so without anything sent.
    QStringList paths;
    for (const SerialDevice& d : search.devices)
        paths << d.path;
    TesterFinder finder(*api);
    QObject::connect(
        &finder, &TesterFinder::Finished, &app, [&] { app.exit(0); }, Qt::QueuedConnection);
    if (!finder.Start(paths)) {
        error = "the link library gives no link";
        return false;
    }
    app.exec();
    search.results = finder.Results();
    return true;
}

void PrintPorts(const PortSearch& search)
{
    if (search.devices.empty()) {
        std::printf("%s\n", Say(kNoSerialDevices).c_str());
        return;
    }
    PrintList(stdout, search);
    int answered = 0;
    for (const TesterFinder::Result& r : search.results)
        answered += r.outcome == TesterFinder::Outcome::Answered;
    std::printf("%s\n", Say(kPortsSummary,
                            {std::to_string(answered), std::to_string(search.devices.size())})
                            .c_str());
}

std::string TheOneThatAnswered(const PortSearch& search)
{
    std::vector<QString> answered;
    for (const TesterFinder::Result& r : search.results)
        if (r.outcome == TesterFinder::Outcome::Answered)
            answered.push_back(r.device);
    if (answered.size() == 1) {
        PrintError(Say(kAutoPort, {Escaped(Local(answered.front()))}));
        return Local(answered.front());
    }
    if (search.devices.empty()) {
        PrintError(Say(kNoSerialDevices));
        return {};
    }
    PrintError(Say(answered.empty() ? kNoneAnswered : kSeveralAnswered));
    PrintList(stderr, search);
    return {};
}

} // namespace zoltctl
