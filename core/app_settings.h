// The settings of "VELANTO.INI" that the dialogs change, sections "CONFIGURAZIONE" and
// "PORTE_COM": only these
// functions (and LoadConfiguration) read or write them. Each Save says whether the profile
// could be written.
#pragma once

#include <string>

bool SaveLanguage(int language); // "lingua": the language's code
bool SaveComPort(int port);      // "porta_com": "COM<port>"
// Section "PORTE_COM", key "COM<port>": the device that COM<port> opens.
bool SaveComDevice(int port, const std::string& device);
std::string InstallFolder(); // "dir_inst", "" when absent (at most 260 bytes)
bool SaveInstallFolder(const std::string& folder);
