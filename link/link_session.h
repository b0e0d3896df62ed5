// The program's link to the tester for the whole run, and the exchange service its users talk
// to: it loads and initialises the link library, opens, reopens and closes the serial port,
// owns the hidden link window, and passes requests to it. Engines reach it through a
// SessionRequestLink (link/request_link.h).
//
//   LinkSession session(workspace);                 // or (workspace, std::move(fakeApi)) in tests
//   connect(&session, &LinkSession::Failed, ...);   // show, print or record the failures
//   if (session.OpenLink(view, PortTarget::Com(workspace.comPort)) != 0) quit;
//   session.ReopenPort(PortTarget::Com(2));         // after the user picked COM2
//   session.CloseLink();                            // also done by the destructor
//
// A device that goes away while open (unplugged adapter) is said once by Disconnected; the
// session then tries the same device once a second and says Reconnected once it is open again.
// Meanwhile requests fail at once. Nothing here opens a window or waits: failures go out as
// Failed. Works with only a QCoreApplication: the view may be any QObject (event 4 and the
// tester's own frames reach it as LinkMessageEvents).
#pragma once

#include "core/messages.h"
#include "link/link_api.h"
#include "link/link_window.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>

struct Workspace;

// What the link opens: COM<n> (the device "VELANTO.INI" names for it, else /dev/ttyS<n-1>), or
// a device given by its path.
struct PortTarget
{
    int com = 0;        // 1..6, or 0 for a device given by path
    std::string device; // the path, for com 0

    static PortTarget Com(int port) { return {port, {}}; }
    static PortTarget Device(std::string path) { return {0, std::move(path)}; }
    bool operator==(const PortTarget& other) const
    {
        return com == other.com && device == other.device;
    }
};

// The user's words for why `device` could not be opened: MESSAGGI_ERRORE 60 to 62 in the
// workspace's language for a device that is missing, busy or forbidden; "" for other reasons.
std::string PortReasonText(const Workspace& workspace, proto::PortReason reason,
                           const std::string& device);

class LinkSession : public QObject
{
    Q_OBJECT

public:
    // `api` null: OpenLink loads the link library (DefaultLinkLibraryPath()).
    explicit LinkSession(const Workspace& workspace, std::unique_ptr<LinkApi> api = nullptr,
                         QObject* parent = nullptr);
    ~LinkSession() override;

    // The clock of the link window's timers and of the search for a device that went away
    // (tests); takes effect at the next OpenLink.
    void SetClock(LinkClock& clock) { clock_ = &clock; }

    // Sets the link up for the view `view` and opens `target` at 19200 baud. Returns 0 (go on,
    // possibly without a port) or -1 (the program must end; Failed said why).
    int OpenLink(QObject* view, const PortTarget& target);
    // Closes the port, destroys the link window and releases the library (Failed with message 6
    // when that fails). Safe to call twice.
    void CloseLink();

    enum class Reopen
    {
        Unchanged, // the target is the one in use: nothing was done
        Opened,    // the new port is open
        Kept,   // the new port could not be opened (Failed: message 73); the old one is open again
        NoPort, // neither the new port nor the old one could be opened (Failed: message 64)
    };
    // Switches to `target` at the start-up rate of 19200 baud when it differs from the port in
    // use or now leads to another device. A port that cannot be opened leaves the device that
    // worked in use. The device that went away is no longer looked for once another port or
    // device is chosen.
    Reopen ReopenPort(const PortTarget& target);

    // The exchange primitives of the link window (link/link_window.h); without an open link
    // they build and send nothing.
    int BuildRequest(int type, const std::uint8_t* data = nullptr, int length = 0);
    int SendRequest(QObject* requester);
    int EndExchange(QObject* requester = nullptr);
    int RetryNow(QObject* requester = nullptr);
    // The line is held by an exchange in flight or being ended.
    bool Busy() const;

    LinkWindow* Window() const { return window_.get(); }
    LinkApi* Api() const { return api_.get(); }
    int LinkId() const { return linkId_; }
    bool PortOpen() const { return portOpen_; }
    // The open device went away and is looked for once a second.
    bool Reconnecting() const { return reconnecting_; }
    bool LinkFailed() const { return linkFailed_; }
    // The port last opened or tried.
    const PortTarget& Port() const { return port_; }
    // The device the port last opened or tried led to.
    const std::string& Device() const { return device_; }
    // The device `target` stands for.
    std::string DeviceFor(const PortTarget& target) const;
    QObject* ViewWindow() const { return viewWindow_; }

signals:
    // A failure the user must see, from the session or its link window.
    void Failed(const ErrorReport& report);
    // The open `device` went away (unplugged adapter, hung-up line); said once per loss.
    void Disconnected(const QString& device);
    // The device that went away is open again.
    void Reconnected(const QString& device);

private:
    // Opens `target` (the device `device`); on failure with `report` set, Failed says why.
    bool OpenPort(const PortTarget& target, const std::string& device, bool report = true);
    bool OpenDevice(const std::string& device);
    void OnDeviceLost();
    void TryReopen();
    void StopReconnecting();
    // Why `device` could not be opened, for the user.
    std::string PortFailure(const std::string& device) const;

    const Workspace& workspace_;
    std::unique_ptr<LinkApi> api_;
    LinkClock* clock_ = &LinkClock::Real();
    std::unique_ptr<LinkWindow> window_;
    int linkId_ = -1;
    bool portOpen_ = false;
    bool linkFailed_ = false;
    bool open_ = false;
    bool reconnecting_ = false;
    std::unique_ptr<LinkClock::Timer> reopenTimer_;
    PortTarget port_;
    std::string device_; // the device port_ led to when it was opened or tried; looked for
                         // while reconnecting
    QPointer<QObject> viewWindow_;
};
