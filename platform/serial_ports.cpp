// Mapping of COM port numbers to serial devices.
#include "platform/serial_ports.h"

#include "platform/profile.h"

#include <cstdio>

std::string SerialDeviceForPort(int port, const char* profilePath)
{
    char key[16];
    std::snprintf(key, sizeof key, "COM%d", port);
    char value[260];
    GetPrivateProfileStringA("PORTE_COM", key, "", value, sizeof value, profilePath);
    if (value[0] != '\0')
        return value;
    return "/dev/ttyS" + std::to_string(port - 1);
}
