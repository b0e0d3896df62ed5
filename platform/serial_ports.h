// Where the serial ports COM1 to COM6 lead on this system.
#pragma once

#include <string>

// Returns the device COM<port> opens: the one named under key "COM<port>" of section
// "PORTE_COM" in the profile at `profilePath`, else /dev/ttyS<port-1>.
std::string SerialDeviceForPort(int port, const char* profilePath);
