// Where the program's files lie and which language it speaks: the context the program hands to
// its engines and dialogs, so that none of them reads a process-wide setting behind its back.
#pragma once

#include <cstdint>
#include <string>

// Language codes in index order; they suffix every text key and name the help files.
inline constexpr const char* kLanguageCodes[6] = {"ITA", "ING", "FRA", "TED", "SPA", "GRE"};

struct Workspace
{
    std::string workDir;        // the working directory, no separator appended
    std::string profilePath;    // VELANTO.INI
    std::string ecuCatalogPath; // ECU.INI
    std::string logoPath;       // LOGO.BMP
    std::string splashPath;     // LOGOINIT.BMP
    std::string textsPath;      // SWBASE.TXT
    std::uint8_t language = 0;  // 0..5, see kLanguageCodes
    std::uint8_t comPort = 1;   // 1..6

    // Text `number` of `section` in this workspace's language, or "()----()" when missing.
    std::string Text(const char* section, int number) const;
    // "workDir/name".
    std::string Path(const std::string& name) const;
};

// A workspace rooted at `dir` with the program's file names and the given language.
Workspace WorkspaceAt(const std::string& dir, int language = 0);
