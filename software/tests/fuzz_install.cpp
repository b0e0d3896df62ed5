// Fuzz target for the installation: up to four fuzzed description files are installed into a
// scratch working directory, beside software files that include names of the program's own
// files. After each run no file of the working directory other than a software file may have
// been created or changed (the catalogue apart), none may be gone, and every description
// reported installed has its software in place and listed in the catalogue. Writes of the copy
// or of the catalogue fail at a point the input chooses.
#include "core/app_config.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "platform/profile.h"
#include "software/file_tools.h"
#include "software/install_engine.h"
#include "software/vehicle_catalogue.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string& Scratch()
{
    static std::string folder;
    return folder;
}

void Empty(const std::string& folder)
{
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                ::unlink((folder + "/" + name).c_str());
        }
        ::closedir(dir);
    }
}

void RemoveScratch()
{
    Empty(Scratch() + "/WORK");
    Empty(Scratch() + "/NEW");
    ::rmdir((Scratch() + "/WORK").c_str());
    ::rmdir((Scratch() + "/NEW").c_str());
    ::rmdir(Scratch().c_str());
}

void Put(const std::string& path, const std::string& data)
{
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }
}

// Every entry of a folder with its content ("<dir>" for anything but a regular file).
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        std::abort();
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "/" + name, data;
        struct stat status;
        if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
                char buffer[4096];
                std::size_t n;
                while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
                    data.append(buffer, n);
                std::fclose(f);
            }
        } else {
            data = "<dir>";
        }
        files[name] = data;
    }
    ::closedir(dir);
    return files;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return s;
}

// The software-file form, checked here independently of the installer: BASE.EXT_SIZE with a
// decimal size, no control character, and no name of the program's own files.
bool LooksLikeSoftware(const std::string& name)
{
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return false;
    std::size_t dot = name.find('.'), underscore = name.rfind('_');
    if (dot == 0 || dot == std::string::npos || underscore == std::string::npos ||
        underscore < dot || underscore + 1 == name.size() ||
        name.find_first_not_of("0123456789", underscore + 1) != std::string::npos)
        return false;
    for (const char* own : {"VELANTO.INI", "ECU.INI", "SWBASE.TXT", "LOGO.BMP", "LOGOINIT.BMP",
                            "LOGOPRN.BMP", "TVELANTO_ITA.CHM"})
        if (Upper(name) == own)
            return false;
    return true;
}

const char* const kOwnFiles[] = {"VELANTO.INI", "SWBASE.TXT", "LOGO.BMP", "TVELANTO_ITA.CHM",
                                 "ECU.INI"};

void Prepare(const std::string& work, const std::string& source)
{
    Empty(work);
    Empty(source);
    for (const char* own : kOwnFiles)
        Put(work + "/" + own, std::string("OWN ") + own + "\n");
    Put(work + "/ECU.INI", "[VEICOLI]\nnV=1\ncar0=PUNTO\n[PUNTO]\nnE=1\necu0=OLD.BIN_3\nname0=Old\n");
    Put(work + "/OLD.BIN_3", "old");
    // Software to install, and hostile files named like the program's own.
    for (const char* name : {"ABS.BIN_5", "abs.bin_5", "E.X_10", "OLD.BIN_3", "ECU.INI",
                             "VELANTO.INI", "swbase.txt", "LOGO.BMP", "TVELANTO_ITA.CHM", "A_1",
                             ".H.X_1", "A.B_C"})
        Put(source + "/" + name, std::string("SOFTWARE ") + name);
}

bool Listed(const std::string& car, const std::string& ecu)
{
    LoadVehicleCatalogue();
    for (int v = 0; v < VehicleCatalogue.vehicleCount; ++v) {
        const VehicleEntry& vehicle = VehicleCatalogue.vehicles[v];
        if (Upper(vehicle.name) != Upper(car))
            continue;
        for (int e = 0; e < vehicle.ecuCount; ++e)
            if (Upper(vehicle.ecus[e].fileName) == Upper(ecu))
                return true;
    }
    return false;
}

std::string Value(const std::string& file, const char* section, const char* key)
{
    char value[100];
    GetPrivateProfileStringA(section, key, "", value, sizeof value, file.c_str());
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = [] {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string name = std::string(base) + "/zolt-fuzz-install.XXXXXX";
        if (!mkdtemp(name.data()))
            std::abort();
        Scratch() = name;
        ::mkdir((name + "/WORK").c_str(), 0700);
        ::mkdir((name + "/NEW").c_str(), 0700);
        std::atexit(RemoveScratch);
        SetMessageBoxHook([](const std::string&, const std::string&, int) { return 6; });
        return true;
    }();
    (void)ready;
    const std::string work = Scratch() + "/WORK", source = Scratch() + "/NEW";
    Prepare(work, source);
    LoadConfiguration(work);
    AppConfig.textsPath = work + "/SWBASE.TXT";

    // The first two bytes choose where a write fails, the rest holds the descriptions,
    // separated by 0x02.
    int failure = size > 0 ? data[0] % 4 : 0;
    long long failAfter = size > 1 ? data[1] * 7 : 0;
    std::string text = size > 2 ? std::string(reinterpret_cast<const char*>(data) + 2, size - 2)
                                : std::string();
    std::vector<std::string> descriptions;
    for (std::size_t start = 0; descriptions.size() < 4;) {
        std::size_t end = text.find('\x02', start);
        std::string path = source + "/D" + std::to_string(descriptions.size()) + ".INSTALL";
        Put(path, text.substr(start, end == std::string::npos ? end : end - start));
        descriptions.push_back(path);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }

    const std::map<std::string, std::string> before = Snapshot(work);
    if (failure == 1)
        platform::setProfileWriteFailAfter(failAfter);
    else if (failure == 2)
        CFileTools::SetWriteFailAfter(failAfter % 8);
    std::vector<InstallOutcome> outcomes;
    for (const std::string& description : descriptions)
        outcomes.push_back(InstallDescription(description, AppConfig));
    platform::setProfileWriteFailAfter(-1);
    CFileTools::SetWriteFailAfter(-1);
    const std::map<std::string, std::string> after = Snapshot(work);

    for (const auto& [name, content] : before)
        if (!after.count(name) ||
            (name != "ECU.INI" && after.at(name) != content && !LooksLikeSoftware(name)))
            __builtin_trap();
    for (const auto& [name, content] : after)
        if (!before.count(name) && !LooksLikeSoftware(name))
            __builtin_trap();
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (!outcomes[i].installed)
            continue;
        const std::string ecu = Value(descriptions[i], "ECU", "ecu");
        const std::string car = Value(descriptions[i], "VEICOLI", "car");
        if (!after.count(ecu) || !Listed(car, ecu))
            __builtin_trap();
    }
    return 0;
}
