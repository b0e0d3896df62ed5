// Serial devices opened with termios; the reasons for a failure are worded for the user.
#include "linklib/serial_device.h"

#include "platform/serial_ports.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace serial {

namespace {

speed_t SpeedFor(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B0;
    }
}

std::string Describe(const std::string& device, int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
        return device + ": the device does not exist or no hardware answers behind it.";
    case EBUSY:
    case EWOULDBLOCK:
        return device + ": the device is busy, another program is using it.";
    case EACCES:
    case EPERM:
        return device + ": permission denied. The user must be a member of the \"dialout\" "
                        "group (sudo usermod -aG dialout $USER, then log in again).";
    case ENOTTY:
        return device + ": this is not a serial device.";
    case EINVAL:
        return device + ": the requested rate is not supported.";
    default:
        return device + ": " + std::strerror(error) + ".";
    }
}

} // namespace

std::string DeviceForPort(int port, const char* profilePath)
{
    return SerialDeviceForPort(port, profilePath);
}

bool IsSupportedRate(int baud)
{
    return SpeedFor(baud) != B0;
}

int ConfigureRaw(int fd, int baud)
{
    const speed_t speed = SpeedFor(baud);
    if (speed == B0)
        return EINVAL;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return errno;
    cfmakeraw(&tio);
    tio.c_cflag &= ~tcflag_t(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        return errno;
    return 0;
}

bool RequestLowLatency(int fd)
{
    serial_struct settings{};
    if (::ioctl(fd, TIOCGSERIAL, &settings) != 0)
        return false;
    if (settings.flags & ASYNC_LOW_LATENCY)
        return true;
    settings.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &settings) == 0;
}

proto::PortReason ReasonFor(int error)
{
    using proto::PortReason;
    switch (error) {
    case 0:
        return PortReason::kNone;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
        return PortReason::kMissing;
    case EBUSY:
    case EWOULDBLOCK:
        return PortReason::kBusy;
    case EACCES:
    case EPERM:
        return PortReason::kNoPermission;
    case ENOTTY:
        return PortReason::kNotSerial;
    case EINVAL:
        return PortReason::kBadRate;
    default:
        return PortReason::kOther;
    }
}

OpenResult OpenDevice(const std::string& device, int baud)
{
    OpenResult result;
    auto fail = [&](int error, int fd) {
        result.error = error;
        result.why = Describe(device, error);
        if (fd >= 0)
            ::close(fd);
        return result;
    };
    if (!IsSupportedRate(baud))
        return fail(EINVAL, -1);
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(errno, -1);
    // Other serial programs take an advisory lock or exclusive mode; honour and take both.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? EBUSY : errno, fd);
    if (const int error = ConfigureRaw(fd, baud))
        return fail(error, fd);
    ::ioctl(fd, TIOCEXCL);
    // A USB adapter may otherwise hold received bytes up to 16 ms, which on a stop-and-wait
    // line adds to every block.
    result.lowLatency = RequestLowLatency(fd);
    tcflush(fd, TCIOFLUSH);
    result.fd = fd;
    return result;
}

void CloseDevice(int fd)
{
    if (fd < 0)
        return;
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

} // namespace serial
