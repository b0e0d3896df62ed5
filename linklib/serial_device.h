// Opening a serial device raw at a given rate (8 data bits, no parity, one stop bit), with a
// plain account of why it could not be opened, and the mapping of COM port numbers to devices.
#pragma once

#include "linklib/protocol.h"

#include <string>

namespace serial {

// Returns the device that COM`port` stands for: the value of key "COM<port>" in section
// "PORTE_COM" of `profilePath` when present, otherwise /dev/ttyS<port-1>.
std::string DeviceForPort(int port, const char* profilePath = "VELANTO.INI");

// Returns true when `baud` is a rate the line can be set to.
bool IsSupportedRate(int baud);

struct OpenResult
{
    int fd = -1;     // the open, non-blocking descriptor, or -1
    int error = 0;   // errno of the failing step
    std::string why; // one sentence (English) when fd is -1
    bool lowLatency = false; // the driver took the low-latency flag
};

// Why a step of opening failed, from its errno (0 for none).
proto::PortReason ReasonFor(int error);

// Opens `device` for exclusive use, non-blocking, raw, at `baud`. A device that another program
// holds (lock or exclusive mode) counts as busy. A driver that supports it is asked to pass
// received bytes on at once (low latency); one that refuses is used as it is.
OpenResult OpenDevice(const std::string& device, int baud);

// Asks the serial driver behind `fd` not to hold received bytes back (ASYNC_LOW_LATENCY).
// Returns false when the driver has no such setting (a pseudo-terminal) or refuses it.
bool RequestLowLatency(int fd);

// Sets an open descriptor raw at `baud` (8N1, no flow control, receiver on). Returns 0 or errno.
int ConfigureRaw(int fd, int baud);

// Releases a descriptor from OpenDevice.
void CloseDevice(int fd);

} // namespace serial
