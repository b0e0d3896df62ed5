// Process-wide settings read at start-up from the working directory and "VELANTO.INI".
#pragma once

#include "core/workspace.h"

#include <cstdint>
#include <string>

// The program's own settings of its run: its workspace, and whether its window class is
// registered. Only the top of the program (start-up, the main window and its dialogs) reads
// it; engines and the link are given the Workspace they work in.
struct AppConfigData : Workspace
{
    bool classRegistered = false;
};

extern AppConfigData AppConfig;

inline constexpr const char* kConfigSection = "CONFIGURAZIONE";

// Returns "dir/name": the program's way of forming a path in a folder.
std::string JoinPath(const std::string& dir, const char* name);

// Fills AppConfig from `workDir` and the profile there. Always returns 1: a missing profile or
// key leaves the defaults (Italian, COM1).
int LoadConfiguration(const std::string& workDir);
