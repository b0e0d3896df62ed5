// `zoltctl ports` and `--port auto`: the serial devices of this machine, each tried with the
// tester's sync as the port dialog's search does.
#pragma once

#include "link/serial_devices.h"
#include "link/tester_finder.h"

#include <QCoreApplication>

#include <string>
#include <vector>

namespace zoltctl {

struct PortSearch
{
    std::vector<SerialDevice> devices;
    std::vector<TesterFinder::Result> results; // one per device, in the same order
};

// Lists the devices of `seam` and tries each of them. Returns false with the reason
// in `error` when the link library cannot be loaded or gives no link.
bool SearchPorts(QCoreApplication& app, const SerialDeviceSeam& seam, PortSearch& search,
                 std::string& error);

// One line per device: its path, what the system says of it, its stable link and the outcome.
void PrintPorts(const PortSearch& search);

// The device of `search` that answered when exactly one did; otherwise "" after printing why
// and the list on standard error.
std::string TheOneThatAnswered(const PortSearch& search);

} // namespace zoltctl
