// The program's link to the tester for the whole run, and the exchange service its users talk
// to: it loads and initialises the link library, opens, reopens and closes the serial port,
// owns the hidden link window, and passes requests to it. Engines receive the session they use.
//
//   LinkSession session;                      // or LinkSession(std::move(fakeApi)) in tests
//   if (session.OpenLink(view) != 0) quit;    // failures already reported
//   session.BuildRequest(3);                  // an engine: build, then send on its own behalf;
//   session.SendRequest(engine);              // the answer comes as a LinkMessageEvent
//   session.ReopenPort(2);                    // after the user picked COM2
//   session.CloseLink();                      // also done by the destructor
//
// Failures are reported through core/error_sink.h. Works with only a QCoreApplication: the
// view may be any QObject (event 4 and the tester's own frames reach it as LinkMessageEvents).
#pragma once

#include "link/link_api.h"
#include "link/link_window.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>

class LinkSession
{
public:
    // `api` null: OpenLink loads the link library (DefaultLinkLibraryPath()).
    explicit LinkSession(std::unique_ptr<LinkApi> api = nullptr);
    ~LinkSession();

    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Sets the link up for the view `view` and opens COM<AppConfig.comPort> at 19200 baud.
    // Returns 0 (go on, possibly without a port) or -1 (the program must end; the reason was
    // reported).
    int OpenLink(QObject* view);
    // Closes the port, destroys the link window and releases the library (message 6 when that
    // fails). Safe to call twice.
    void CloseLink();
    // Switches to COM<port> at the start-up rate of 19200 baud when `port` differs from the
    // port in use; reports message 2 on failure and then, either way, notice 55. Returns false
    // when nothing was done because the port is unchanged.
    bool ReopenPort(int port);

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
    bool LinkFailed() const { return linkFailed_; }
    int Port() const { return port_; }
    QObject* ViewWindow() const { return viewWindow_; }

private:
    bool OpenPort(int port);
    // Why COM<port> could not be opened, for the user.
    std::string PortFailure(int port) const;

    std::unique_ptr<LinkApi> api_;
    std::unique_ptr<LinkWindow> window_;
    int linkId_ = -1;
    bool portOpen_ = false;
    bool linkFailed_ = false;
    bool open_ = false;
    int port_ = 0; // the port last opened or tried
    QPointer<QObject> viewWindow_;
};
