// Installing one ECU software into the working directory and the catalogue.
#include "software/install_engine.h"

#include "platform/profile.h"
#include "software/file_tools.h"
#include "software/vehicle_catalogue.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Values of a description are read into a buffer of 100 bytes.
constexpr unsigned kDescriptionValueSize = 100;
constexpr std::size_t kMaxSizeDigits = 10;

std::string ReadDescription(const std::string& file, const char* section, const char* key)
{
    char value[kDescriptionValueSize];
    GetPrivateProfileStringA(section, key, "", value, sizeof value, file.c_str());
    return value;
}

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? char(a[i] - 32) : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? char(b[i] - 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// The files the program itself keeps in its working directory.
bool IsOwnFile(const std::string& name, const Workspace& workspace)
{
    static const char* const kOwnFiles[] = {
        "VELANTO.INI",      "ECU.INI",          "SWBASE.TXT",       "LOGO.BMP",
        "LOGOINIT.BMP",     "LogoPrn.Bmp",      "STAMPE.$$$",       "KROButton.ocx",
        "KroLabel.ocx",     "pictures",         "TVELANTO_ITA.CHM", "TVELANTO_ING.CHM",
        "TVELANTO_FRA.CHM", "TVELANTO_TED.CHM", "TVELANTO_SPA.CHM", "TVELANTO_GRE.CHM"};
    for (const char* own : kOwnFiles)
        if (EqualsNoCase(name, own))
            return true;
    for (const std::string* path :
         {&workspace.profilePath, &workspace.ecuCatalogPath, &workspace.logoPath,
          &workspace.splashPath, &workspace.textsPath})
        if (!path->empty() && EqualsNoCase(name, CFileTools::GetFileNamePart(*path)))
            return true;
    return false;
}

} // namespace

bool IsSoftwareFileName(const std::string& name, const Workspace& workspace)
{
    if (name.empty() || name.front() == ' ' || name.back() == ' ')
        return false;
    for (unsigned char c : name)
        if (IsControl(c) || c == '/' || c == '\\')
            return false;
    std::size_t dot = name.find('.');
    std::size_t underscore = name.rfind('_');
    if (dot == std::string::npos || dot == 0 || underscore == std::string::npos || underscore < dot)
        return false;
    std::string size = name.substr(underscore + 1);
    if (size.empty() || size.size() > kMaxSizeDigits ||
        size.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return !IsOwnFile(name, workspace);
}

bool IsVehicleName(const std::string& name)
{
    // Blanks at either end and a pair of quotes around the name are lost when the catalogue is
    // read; the vehicles' own section holds no ECUs.
    if (name.empty() || name.front() == ' ' || name.back() == ' ' ||
        EqualsNoCase(name, kVehiclesSection))
        return false;
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') &&
        name.back() == name.front())
        return false;
    return platform::isProfileName(name.c_str());
}

InstallOutcome InstallDescription(const std::string& description, const Workspace& workspace)
{
    InstallOutcome outcome;
    const std::string car = ReadDescription(description, kVehiclesSection, "car");
    const std::string ecu = ReadDescription(description, "ECU", "ecu");
    const std::string name = ReadDescription(description, "ECU", "name");
    // A nameless vehicle would hide the vehicles after it from later additions; a name the
    // catalogue cannot hold would corrupt it; an "ecu" that is no software file name could
    // replace the program's own files or write outside the working directory.
    if (!IsVehicleName(car) || !IsSoftwareFileName(ecu, workspace))
        return outcome;

    std::string folder = CFileTools::GetDirectoryPart(description);
    outcome.source = folder == "/" ? "/" + ecu : folder + "/" + ecu;
    outcome.destination = workspace.Path(ecu);

    // The copy goes to a hidden file first and takes the software's name only once the
    // catalogue lists it, so that a failure leaves neither a file nor an entry behind.
    struct stat status;
    std::string staged = workspace.Path("." + ecu + ".XXXXXX");
    int fd = -1;
    if (::lstat(outcome.destination.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        fd = ::mkostemp(staged.data(), O_CLOEXEC);
    if (fd < 0) {
        outcome.copyResult = CFileTools::kDestinationNotCreated;
        return outcome;
    }
    ::close(fd);
    int copied = CFileTools::CopyFileExpanding(outcome.source.c_str(), staged.c_str());
    if (copied != CFileTools::kCopied) {
        ::unlink(staged.c_str());
        outcome.copyResult = copied;
        return outcome;
    }
    ErrorReport unreadable;
    const bool recorded = AddEcuSoftware(workspace.ecuCatalogPath, car.c_str(), ecu.c_str(),
                                         name.c_str(), &unreadable);
    if (!unreadable.literal.empty())
        outcome.catalogueFailure = unreadable;
    if (!recorded || ::rename(staged.c_str(), outcome.destination.c_str()) != 0) {
        ::unlink(staged.c_str());
        return outcome;
    }
    outcome.installed = true;
    return outcome;
}

InstallEngine::InstallEngine(const Workspace& workspace, QObject* parent)
    : QObject(parent), workspace_(workspace)
{
    setObjectName(QStringLiteral("InstallEngine"));
}

bool InstallEngine::Install(const std::string& description)
{
    const InstallOutcome outcome = InstallDescription(description, workspace_);
    if (outcome.catalogueFailure)
        emit Failed(*outcome.catalogueFailure);
    if (const auto failure = CFileTools::CopyFailure(outcome.copyResult, outcome.source.c_str(),
                                                     outcome.destination.c_str()))
        emit Failed(*failure);
    return outcome.installed;
}
