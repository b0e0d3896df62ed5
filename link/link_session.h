// The program's link to the tester for the whole run: it loads and initialises the link
// library, opens, reopens and closes the serial port, and owns the hidden link window.
//
//   LinkSession session;                      // or LinkSession(std::move(fakeApi)) in tests
//   if (session.OpenLink(view) != 0) quit;    // messages already shown
//   BuildRequest(3); SendRequest(requester);  // free functions act on the current session
//   session.ReopenPort(2);                    // after the user picked COM2
//   session.CloseLink();                      // also done by the destructor
//
// Works with only a QCoreApplication: the view may be any QObject (a widget is shown and
// focused on library events 1 and 2; event 4 reaches it as a LinkMessageEvent).
#pragma once

#include "link/link_api.h"
#include "link/link_window.h"

#include <QPointer>

#include <cstdint>
#include <functional>
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
    // shown). The session becomes the current one.
    int OpenLink(QObject* view);
    // Closes the port, destroys the link window and releases the library (message 6 when that
    // fails). Safe to call twice.
    void CloseLink();
    // Switches to COM<port> at the start-up rate of 19200 baud when `port` differs from the
    // port in use; shows message 2 on failure and then, either way, notice 55. Returns false
    // when nothing was done because the port is unchanged.
    bool ReopenPort(int port);

    // The platform notice box (exclamation icon) used for notice 55; tests replace it.
    using NoticeHandler = std::function<void(const std::string& text)>;
    void SetNoticeHandler(NoticeHandler handler) { notice_ = std::move(handler); }

    LinkWindow* Window() const { return window_.get(); }
    LinkApi* Api() const { return api_.get(); }
    int LinkId() const { return linkId_; }
    bool PortOpen() const { return portOpen_; }
    bool LinkFailed() const { return linkFailed_; }
    int Port() const { return port_; }
    QObject* ViewWindow() const { return viewWindow_; }

    // The session the free functions below act on: the last one opened and not yet closed.
    static LinkSession* Current();

private:
    bool OpenPort(int port);
    void ShowPortError(const std::string& why);

    std::unique_ptr<LinkApi> api_;
    std::unique_ptr<LinkWindow> window_;
    int linkId_ = -1;
    bool portOpen_ = false;
    bool linkFailed_ = false;
    bool open_ = false;
    int port_ = 0; // the port last opened or tried
    QPointer<QObject> viewWindow_;
    NoticeHandler notice_;
};

// The design's primitives on the current session's link window; 0 when there is none.
int BuildRequest(int type, const std::uint8_t* data = nullptr, int length = 0);
int SendRequest(QObject* requester);
int EndExchange();
int RetryNow();
// The last frame delivered to a requester, or null without a session.
const std::uint8_t* LinkResponse();
