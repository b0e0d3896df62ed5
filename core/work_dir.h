// Which folder the program and zoltctl work in, and where their own read-only files are found.
#pragma once

#include <QString>

#include <string>

struct WorkDirChoice
{
    enum class Reason
    {
        Option,        // given with --workdir
        CurrentFolder, // the current folder holds "VELANTO.INI" or "ECU.INI"
        PerUserFolder  // $XDG_DATA_HOME/zolt
    };
    QString path; // absolute, cleaned
    Reason reason = Reason::PerUserFolder;
};

// Returns the working directory: `option` when it is not empty; else `current` when it holds
// "VELANTO.INI" or "ECU.INI"; else $XDG_DATA_HOME/zolt (~/.local/share/zolt when unset).
WorkDirChoice ChooseWorkDir(const QString& option, const QString& current);

// Makes the chosen folder ready for work: the per-user folder is created when missing and given
// an empty catalogue and a "VELANTO.INI" for the desktop's language where they are missing;
// every folder must exist and take a new file. Returns "" when ready, else why not (the
// system's words); nothing is written anywhere else.
QString PrepareWorkDir(const WorkDirChoice& choice);

// The profile's language code for a locale name such as "de_DE.UTF-8" or "pt-BR": Italian,
// English, French, German, Spanish and Greek have their own, anything else is English.
const char* LanguageCodeForLocale(const QString& locale);

// The code for the desktop's language (its first user-interface language).
const char* DesktopLanguageCode();

// Fills AppConfig from `workDir` as LoadConfiguration does, for what is said before the folder
// is ready or when it cannot be: where it has no "VELANTO.INI" yet, in the desktop's language.
void LoadConfigurationForMessages(const std::string& workDir);

// The folder of the installed read-only data ("share/zolt" reached from the program's folder),
// or $ZOLT_SHARE_DIR when set.
QString InstalledDataDir();

// Returns the path of data file `name`: in `workDir` when it is there, else in the installed
// data when it is there, else in `workDir` (so that a missing file is named where a workshop
// would put its own).
std::string DataFilePath(const std::string& workDir, const char* name);

// Whether `path` is a regular, readable language file that holds the program's texts in the
// current language.
bool TextsFileUsable(const std::string& path);

// The language file to read: the working directory's when it is usable, else the installed one
// when that is usable, else the working directory's (missing or unusable, to be reported).
std::string TextsFilePath(const std::string& workDir);

// The path of one of the program's private files (the link library, the control libraries, the
// registration tool): beside the program, or in the installed private folder; "" when in
// neither.
QString PrivateFilePath(const char* name);
