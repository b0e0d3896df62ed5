// Loading of the process-wide settings.
#include "core/app_config.h"
#include "core/app_settings.h"
#include "core/work_dir.h"

#include "platform/profile.h"

#include <cstdio>
#include <cstring>

AppConfigData AppConfig;

std::string JoinPath(const std::string& dir, const char* name)
{
    return dir + "/" + name;
}

int LoadConfiguration(const std::string& workDir)
{
    static_cast<Workspace&>(AppConfig) = WorkspaceAt(workDir);
    // Pictures and texts of the working directory win; the installed ones stand in for them.
    AppConfig.logoPath = DataFilePath(workDir, "LOGO.BMP");
    AppConfig.splashPath = DataFilePath(workDir, "LOGOINIT.BMP");

    char value[200];
    GetPrivateProfileStringA(kConfigSection, "lingua", "()----()", value, sizeof value,
                             AppConfig.profilePath.c_str());

    // The codes compare exactly: "ing" is not English.
    static const struct
    {
        const char* code;
        std::uint8_t index;
    } kLanguages[] = {{"ITA", 0}, {"SPA", 4}, {"TED", 3}, {"FRA", 2}, {"ING", 1}, {"GRE", 5}};
    AppConfig.language = 0;
    if (std::strcmp(value, "()----()") != 0)
        for (const auto& lang : kLanguages)
            if (std::strcmp(value, lang.code) == 0) {
                AppConfig.language = lang.index;
                break;
            }
    // Which language file holds texts depends on the language.
    AppConfig.textsPath = TextsFilePath(workDir);

    GetPrivateProfileStringA(kConfigSection, "porta_com", "()----()", value, sizeof value,
                             AppConfig.profilePath.c_str());
    AppConfig.comPort = 1;
    if (std::strlen(value) == 4 && std::strncmp(value, "COM", 3) == 0 && value[3] >= '1' &&
        value[3] <= '6')
        AppConfig.comPort = std::uint8_t(value[3] - '0');
    return 1;
}

bool SaveLanguage(int language)
{
    return WritePrivateProfileStringA(kConfigSection, "lingua", kLanguageCodes[language % 6],
                                      AppConfig.profilePath.c_str());
}

bool SaveComPort(int port)
{
    char value[8];
    std::snprintf(value, sizeof value, "COM%d", port);
    return WritePrivateProfileStringA(kConfigSection, "porta_com", value,
                                      AppConfig.profilePath.c_str());
}

bool SaveComDevice(int port, const std::string& device)
{
    char key[8];
    std::snprintf(key, sizeof key, "COM%d", port);
    return WritePrivateProfileStringA("PORTE_COM", key, device.c_str(),
                                      AppConfig.profilePath.c_str());
}

std::string InstallFolder()
{
    char folder[261];
    GetPrivateProfileStringA(kConfigSection, "dir_inst", "", folder, sizeof folder,
                             AppConfig.profilePath.c_str());
    return folder;
}

bool SaveInstallFolder(const std::string& folder)
{
    return WritePrivateProfileStringA(kConfigSection, "dir_inst", folder.c_str(),
                                      AppConfig.profilePath.c_str());
}
