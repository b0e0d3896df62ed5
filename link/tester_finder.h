// Finds the serial device the tester hangs on: tries the given devices one at a time with the
// program's sync request (type 3) at the start-up rate, one attempt with a short wait, and
// closes each device again before the next. Nothing but the sync is sent; nothing waits.
//
//   TesterFinder finder(*session.Api());
//   finder.SetOwnDevice(deviceInUse);              // the program's own port: not tried
//   connect(&finder, &TesterFinder::Tried, ...);   // one result per device, in order
//   connect(&finder, &TesterFinder::Finished, ...);
//   finder.Start({"/dev/ttyUSB0", "/dev/ttyACM0"});
#pragma once

#include "link/link_clock.h"
#include "link/serial_devices.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class LinkApi;

class TesterFinder : public QObject
{
    Q_OBJECT

public:
    // How long a device has to answer the sync.
    static constexpr int kDefaultWaitMs = 800;

    enum class Outcome
    {
        Answered,
        Silent,       // open, but nothing answered in time
        Busy,         // another program holds it
        NoPermission, // the user may not open it
        Missing,      // nothing there, or no hardware behind it
        NotSerial,    // not a serial device
        OwnPort,      // the program's own open port: not tried
        Failed,       // it could not be opened for another reason (in `detail`)
    };

    struct Result
    {
        QString device;
        Outcome outcome = Outcome::Silent;
        std::string detail; // the link library's reason when it could not be opened
    };

    explicit TesterFinder(LinkApi& api, LinkClock& clock = LinkClock::Real(),
                          QObject* parent = nullptr);
    ~TesterFinder() override;

    void SetWait(int ms) { waitMs_ = ms; }
    // The device the program holds open; it is listed as its own, not opened again.
    void SetOwnDevice(const QString& device) { ownDevice_ = device; }

    // Tries `devices` in order. Returns false (nothing started) when a search is running or
    // the link library gives no link for it (Finished follows at once in neither case).
    bool Start(const QStringList& devices);
    // Abandons the search; the device being tried is closed. No signal follows.
    void Stop();

    const std::vector<Result>& Results() const { return results_; }
    // The devices that answered.
    QStringList Answered() const;

signals:
    void Trying(const QString& device);
    void Tried(const TesterFinder::Result& result);
    void Finished();

protected:
    bool event(QEvent* event) override;

private:
    void Next();
    void Conclude(TesterFinder::Outcome outcome, std::string detail = {});
    void TakeFrames();

    LinkApi& api_;
    std::unique_ptr<LinkClock::Timer> wait_;
    int waitMs_ = kDefaultWaitMs;
    QString ownDevice_;
    QStringList devices_;
    int next_ = 0;
    int linkId_ = -1;
    bool running_ = false;
    bool open_ = false;
    QString current_;
    std::vector<Result> results_;
};

// How the port dialog and `zoltctl ports` word a device's state and a search's outcome: text
// numbers of section kDeviceTextsSection.
inline constexpr const char* kDeviceTextsSection = "DIALOGO_SELEZIONE_PORTA_SERIALE";
int DeviceStateText(SerialDevice::State state);
int FinderOutcomeText(TesterFinder::Outcome outcome);
