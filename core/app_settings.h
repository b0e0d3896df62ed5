// The settings of "VELANTO.INI" that the dialogs change, section "CONFIGURAZIONE": only these
// functions (and LoadConfiguration) read or write them. Each Save returns 1 when written, 0 when
// the profile could not be written.
#pragma once

#include <string>

int SaveLanguage(int language);  // "lingua": the language's code
int SaveComPort(int port);       // "porta_com": "COM<port>"
std::string InstallFolder();     // "dir_inst", "" when absent (at most 260 bytes)
int SaveInstallFolder(const std::string& folder);
