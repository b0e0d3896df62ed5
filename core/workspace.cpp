// The context of the program's work: its files and its language.
#include "core/workspace.h"

#include "core/texts.h"

std::string Workspace::Text(const char* section, int number) const
{
    return GetText(section, number, textsPath.c_str(), language);
}

std::string Workspace::Path(const std::string& name) const
{
    return workDir + "/" + name;
}

Workspace WorkspaceAt(const std::string& dir, int language)
{
    Workspace workspace;
    workspace.workDir = dir;
    workspace.profilePath = workspace.Path("VELANTO.INI");
    workspace.ecuCatalogPath = workspace.Path("ECU.INI");
    workspace.logoPath = workspace.Path("LOGO.BMP");
    workspace.splashPath = workspace.Path("LOGOINIT.BMP");
    workspace.textsPath = workspace.Path("SWBASE.TXT");
    workspace.language = std::uint8_t(language);
    return workspace;
}
