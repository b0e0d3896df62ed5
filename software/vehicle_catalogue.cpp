// Loading and extending the vehicle and ECU catalogue.
#include "software/vehicle_catalogue.h"

#include "core/app_config.h"
#include "core/profile_plus.h"
#include "platform/profile.h"

#include <cstdio>
#include <cstring>
#include <string>

VehicleCatalogueData VehicleCatalogue;

namespace {

constexpr const char* kAbsentValue = "()----()";
constexpr const char* kAbsentKey = "()--()";
constexpr unsigned kValueSize = 200;
constexpr unsigned kNumberedValueSize = 804;

std::string NumberedKey(const char* prefix, int number)
{
    return prefix + std::to_string(number);
}

std::string ReadValue(const char* section, const std::string& key, const char* path)
{
    char value[kValueSize];
    GetPrivateProfileStringA(section, key.c_str(), kAbsentValue, value, sizeof value, path);
    return value;
}

// Reads a count as the platform does; a negative count means none.
int ReadCount(const char* section, const char* key, const char* path)
{
    int count = static_cast<int>(GetPrivateProfileIntA(section, key, 0, path));
    return count < 0 ? 0 : count;
}

bool Write(const char* section, const std::string& key, const std::string& value, const char* path)
{
    return WritePrivateProfileStringA(section, key.c_str(), value.c_str(), path);
}

} // namespace

int LoadVehicleCatalogue()
{
    const char* path = AppConfig.ecuCatalogPath.c_str();
    VehicleCatalogue.vehicleCount = 0;
    // Every entry starts empty, so a vehicle whose "car" key is absent or empty shows as an
    // empty name with no ECUs rather than as what an earlier load left there.
    for (VehicleEntry& vehicle : VehicleCatalogue.vehicles) {
        vehicle.name.clear();
        vehicle.ecuCount = 0;
        for (EcuEntry& ecu : vehicle.ecus)
            ecu = EcuEntry{};
    }

    // The table holds 100 vehicles of 30 ECUs: counts above that are cut to the table's size
    // and the vehicles and ECUs beyond it are not loaded.
    int count = ReadCount(kVehiclesSection, "nV", path);
    if (count <= 0)
        return 1;
    if (count > kMaxVehicles)
        count = kMaxVehicles;
    VehicleCatalogue.vehicleCount = count;

    for (int b = 0; b < count; ++b) {
        std::string name = ReadValue(kVehiclesSection, NumberedKey("car", b), path);
        if (name.empty() || name == kAbsentValue)
            continue;
        VehicleEntry& vehicle = VehicleCatalogue.vehicles[b];
        vehicle.name = name;
        int ecuCount = ReadCount(name.c_str(), "nE", path);
        vehicle.ecuCount = ecuCount > kMaxEcus ? kMaxEcus : ecuCount;
        for (int e = 0; e < vehicle.ecuCount; ++e) {
            vehicle.ecus[e].fileName = ReadValue(name.c_str(), NumberedKey("ecu", e), path);
            vehicle.ecus[e].name = ReadValue(name.c_str(), NumberedKey("name", e), path);
        }
    }
    return 1;
}

StringList ReadNumberedKeys(const char* section, const char* prefix, const char* path)
{
    StringList values;
    char value[kNumberedValueSize];
    for (int number = 0;; ++number) {
        std::string key = NumberedKey(prefix, number);
        GetPrivateProfileStringPlus(section, key.c_str(), kAbsentKey, value, kNumberedValueSize - 1,
                                    path);
        if (std::strcmp(value, kAbsentKey) == 0)
            break;
        values.AddTail(value);
    }
    return values;
}

bool AddEcuSoftware(const char* vehicle, const char* fileName, const char* displayName)
{
    const char* path = AppConfig.ecuCatalogPath.c_str();
    bool ok = true;

    StringList vehicles = ReadNumberedKeys(kVehiclesSection, "car", path);
    int found = vehicles.Find(vehicle, 0, false);
    // The vehicle's section is named as the catalogue spells it: the ECU keys are read back with
    // the strict reader, whose section names compare exactly.
    std::string section = found >= 0 ? vehicles.GetAt(found) : std::string(vehicle);
    if (found < 0) {
        int number = vehicles.GetCount();
        ok = Write(kVehiclesSection, "nV", std::to_string(number + 1), path) && ok;
        ok = Write(kVehiclesSection, NumberedKey("car", number), vehicle, path) && ok;
    }

    int n = ReadCount(section.c_str(), "nE", path);
    StringList files = ReadNumberedKeys(section.c_str(), "ecu", path);
    if (files.Find(fileName, 0, false) < 0) {
        ok = Write(section.c_str(), "nE", std::to_string(n + 1), path) && ok;
        ok = Write(section.c_str(), NumberedKey("ecu", n), fileName, path) && ok;
        ok = Write(section.c_str(), NumberedKey("name", n), displayName, path) && ok;
    }
    return ok;
}
