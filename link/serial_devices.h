// The serial devices present on this machine, described for the user: what the port dialog,
// "find the tester" and `zoltctl ports` list, through one seam that tests and unusual set-ups
// can point elsewhere.
//
//   std::vector<SerialDevice> devices = ListSerialDevices(SerialDeviceSeam::FromEnvironment());
//   for (const SerialDevice& d : devices) ... d.path, d.stableLink, d.description, d.State() ...
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// What the system says about one device (Qt SerialPort's port information).
struct SerialDeviceInfo
{
    QString path; // "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
    QString serialNumber;
    int vendorId = -1; // USB vendor and product, -1 when not known
    int productId = -1;
};

// Where the devices come from.
struct SerialDeviceSeam
{
    // The devices the system enumerates, described.
    std::function<std::vector<SerialDeviceInfo>()> describe;
    // When set, these paths are the devices considered instead of the enumeration (the
    // descriptions still apply to those the enumeration knows).
    std::optional<QStringList> paths;
    // The folder of stable links to the devices.
    QString byIdFolder = QStringLiteral("/dev/serial/by-id");
    // The errno with which the user could not open `path` for reading and writing, 0 when they
    // may.
    std::function<int(const QString& path)> accessError;

    // The system's devices, or those of $ZOLT_SERIAL_DEVICES (colon-separated paths) when it is
    // set; $ZOLT_SERIAL_BY_ID names another folder of stable links.
    static SerialDeviceSeam FromEnvironment();
};

struct SerialDevice
{
    enum class State
    {
        Present,
        Missing,      // the path leads nowhere
        NoPermission, // the user may not open it
    };

    QString path;
    // The /dev/serial/by-id link to the device, "" when there is none.
    QString stableLink;
    QString description;
    QString manufacturer;
    QString serialNumber;
    int vendorId = -1;
    int productId = -1;
    State state = State::Present;

    // What the profile should name for this device: its stable link when it has one.
    QString ProfileName() const { return stableLink.isEmpty() ? path : stableLink; }
    // "0403:6001", or "" when not a known USB device.
    QString UsbId() const;
};

// True when `a` and `b` name the same device, links followed.
bool SameDevice(const QString& a, const QString& b);

// The devices of `seam`, sorted by path; a path given twice is listed once.
std::vector<SerialDevice> ListSerialDevices(const SerialDeviceSeam& seam);
