// Process-wide settings read at start-up from the working directory and "VELANTO.INI".
#pragma once

#include <cstdint>
#include <string>

struct AppConfigData
{
    std::string workDir;        // current directory at start-up, no separator appended
    std::string profilePath;    // workDir/VELANTO.INI
    std::string ecuCatalogPath; // workDir/ECU.INI
    std::string logoPath;       // workDir/LOGO.BMP
    std::string splashPath;     // workDir/LOGOINIT.BMP
    std::string textsPath;      // workDir/SWBASE.TXT
    std::uint8_t language = 0;  // 0..5, see kLanguageCodes
    std::uint8_t comPort = 1;   // 1..6
    bool classRegistered = false;
};

extern AppConfigData AppConfig;

// Language codes in index order; they suffix every text key and name the help files.
inline constexpr const char* kLanguageCodes[6] = {"ITA", "ING", "FRA", "TED", "SPA", "GRE"};

inline constexpr const char* kConfigSection = "CONFIGURAZIONE";

// Returns "dir/name": the program's way of forming a path in a folder.
std::string JoinPath(const std::string& dir, const char* name);

// Fills AppConfig from `workDir` and the profile there. Always returns 1: a missing profile or
// key leaves the defaults (Italian, COM1).
int LoadConfiguration(const std::string& workDir);
