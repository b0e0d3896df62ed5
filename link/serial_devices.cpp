// The serial devices of this machine, from Qt SerialPort and the stable links in by-id.
#include "link/serial_devices.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <map>
#include <unistd.h>

namespace {

std::vector<SerialDeviceInfo> SystemDescriptions()
{
    std::vector<SerialDeviceInfo> out;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo info;
        info.path = port.systemLocation();
        info.description = port.description();
        info.manufacturer = port.manufacturer();
        info.serialNumber = port.serialNumber();
        if (port.hasVendorIdentifier())
            info.vendorId = port.vendorIdentifier();
        if (port.hasProductIdentifier())
            info.productId = port.productIdentifier();
        out.push_back(std::move(info));
    }
    return out;
}

int SystemAccessError(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0 ? 0 : errno;
}

// Where `path` finally leads, or "" when it leads nowhere.
QString Target(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

SerialDeviceSeam SerialDeviceSeam::FromEnvironment()
{
    SerialDeviceSeam seam;
    seam.describe = SystemDescriptions;
    seam.accessError = SystemAccessError;
    if (qEnvironmentVariableIsSet("ZOLT_SERIAL_DEVICES"))
        seam.paths = qEnvironmentVariable("ZOLT_SERIAL_DEVICES").split(':', Qt::SkipEmptyParts);
    if (qEnvironmentVariableIsSet("ZOLT_SERIAL_BY_ID"))
        seam.byIdFolder = qEnvironmentVariable("ZOLT_SERIAL_BY_ID");
    return seam;
}

QString SerialDevice::UsbId() const
{
    if (vendorId < 0 || productId < 0)
        return {};
    return QStringLiteral("%1:%2")
        .arg(vendorId, 4, 16, QLatin1Char('0'))
        .arg(productId, 4, 16, QLatin1Char('0'));
}

bool SameDevice(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    const QString target = Target(a);
    return !target.isEmpty() && target == Target(b);
}

std::vector<SerialDevice> ListSerialDevices(const SerialDeviceSeam& seam)
{
    const std::vector<SerialDeviceInfo> known =
        seam.describe ? seam.describe() : std::vector<SerialDeviceInfo>{};
    std::vector<SerialDeviceInfo> chosen;
    if (seam.paths) {
        for (const QString& path : *seam.paths) {
            SerialDeviceInfo info;
            info.path = path;
            const QString target = Target(path);
            for (const SerialDeviceInfo& k : known)
                if (k.path == path || (!target.isEmpty() && Target(k.path) == target)) {
                    info = k;
                    info.path = path;
                    break;
                }
            chosen.push_back(std::move(info));
        }
    } else {
        chosen = known;
    }

    // The stable links, by the device they lead to; the first in name order wins.
    std::map<QString, QString> links;
    const QDir byId(seam.byIdFolder);
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString target = Target(link.absoluteFilePath());
        if (!target.isEmpty())
            links.emplace(target, link.absoluteFilePath());
    }

    std::vector<SerialDevice> devices;
    for (const SerialDeviceInfo& info : chosen) {
        if (std::any_of(devices.begin(), devices.end(),
                        [&](const SerialDevice& d) { return d.path == info.path; }))
            continue;
        SerialDevice device;
        device.path = info.path;
        device.description = info.description;
        device.manufacturer = info.manufacturer;
        device.serialNumber = info.serialNumber;
        device.vendorId = info.vendorId;
        device.productId = info.productId;
        const QString target = Target(info.path);
        if (target.isEmpty()) {
            device.state = SerialDevice::State::Missing;
        } else {
            if (auto link = links.find(target); link != links.end() && link->second != info.path)
                device.stableLink = link->second;
            const int error = seam.accessError ? seam.accessError(info.path) : 0;
            if (error == EACCES || error == EPERM)
                device.state = SerialDevice::State::NoPermission;
        }
        devices.push_back(std::move(device));
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.path < b.path; });
    return devices;
}
