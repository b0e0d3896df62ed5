// The link library loaded with QLibrary, every entry point resolved by its ordinal.
#include "link/link_api.h"

#include "core/work_dir.h"
#include "linklib/commvelanto.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

namespace {

class LibraryLinkApi : public LinkApi
{
public:
    std::unique_ptr<QLibrary> library;
    LinkInitFn init = nullptr;
    LinkReleaseFn release = nullptr;
    LinkOpenDeviceFn openDevice = nullptr;
    LinkClosePortFn closePort = nullptr;
    LinkReceiveFn receive = nullptr;
    LinkSendFn send = nullptr;
    LinkTextFn version = nullptr;
    LinkTextFn date = nullptr;
    LinkCancelFn cancel = nullptr;
    LinkPortErrorFn portError = nullptr;
    LinkPortErrorReasonFn portErrorReason = nullptr;

    int Init(QObject* window, int reserved) override { return init(window, reserved); }
    int Release(int linkId) override { return release(linkId); }
    int OpenDevice(int linkId, const std::string& device, int baud, unsigned char* area) override
    {
        return openDevice(linkId, device.c_str(), baud, area);
    }
    void ClosePort(int linkId) override { closePort(linkId); }
    int Receive(QObject** window, int linkId, unsigned char* response, int* length) override
    {
        void* handle = nullptr;
        const int result = receive(&handle, linkId, response, length);
        if (window)
            *window = static_cast<QObject*>(handle);
        return result;
    }
    int Send(QObject* window, int linkId, const unsigned char* frame, int size) override
    {
        return send(window, linkId, frame, size);
    }
    std::string Version() override { return Text(version()); }
    std::string Date() override { return Text(date()); }
    void Cancel(int linkId) override { cancel(linkId); }
    std::string PortError(int linkId) override { return portError ? Text(portError(linkId)) : ""; }
    int PortErrorReason(int linkId) override
    {
        return portErrorReason ? portErrorReason(linkId) : 0;
    }

private:
    static std::string Text(const char* text) { return text ? text : ""; }
};

template <typename Fn> bool Resolve(LinkProcAddressFn lookup, int ordinal, Fn& out)
{
    out = reinterpret_cast<Fn>(lookup(ordinal));
    return out != nullptr;
}

} // namespace

QString DefaultLinkLibraryPath()
{
    const QString fromEnvironment = qEnvironmentVariable("ZOLT_LINK_LIBRARY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    // Beside the program in the build tree, in the private folder once installed; tests run
    // from a folder beside bin/.
    QString found = PrivateFilePath("libCOMMVELANTO.so");
    if (found.isEmpty() && QCoreApplication::instance())
        found = QCoreApplication::applicationDirPath() + "/../bin/libCOMMVELANTO.so";
    if (QFileInfo::exists(found))
        return QFileInfo(found).canonicalFilePath();
    return QStringLiteral("COMMVELANTO");
}

std::unique_ptr<LinkApi> LoadLinkLibrary(QString* error, const QString& path)
{
    auto api = std::make_unique<LibraryLinkApi>();
    api->library = std::make_unique<QLibrary>(path.isEmpty() ? DefaultLinkLibraryPath() : path);
    if (!api->library->load()) {
        if (error)
            *error = api->library->errorString();
        return nullptr;
    }
    auto lookup = reinterpret_cast<LinkProcAddressFn>(api->library->resolve("LinkProcAddress"));
    const bool complete = lookup && Resolve(lookup, kOrdinalLinkInit, api->init) &&
                          Resolve(lookup, kOrdinalLinkRelease, api->release) &&
                          Resolve(lookup, kOrdinalLinkOpenDevice, api->openDevice) &&
                          Resolve(lookup, kOrdinalLinkClosePort, api->closePort) &&
                          Resolve(lookup, kOrdinalLinkReceive, api->receive) &&
                          Resolve(lookup, kOrdinalLinkSend, api->send) &&
                          Resolve(lookup, kOrdinalLinkVersion, api->version) &&
                          Resolve(lookup, kOrdinalLinkDate, api->date) &&
                          Resolve(lookup, kOrdinalLinkCancel, api->cancel);
    if (!complete) {
        if (error)
            *error = QStringLiteral("%1: an entry point of the link library is missing")
                         .arg(api->library->fileName());
        return nullptr;
    }
    Resolve(lookup, kOrdinalLinkPortError, api->portError); // optional
    Resolve(lookup, kOrdinalLinkPortErrorReason, api->portErrorReason);
    return api;
}
