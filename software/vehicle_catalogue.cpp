// Loading and extending the vehicle and ECU catalogue.
#include "software/vehicle_catalogue.h"

#include "core/app_config.h"
#include "core/profile_plus.h"
#include "platform/profile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

std::string ReadValue(const platform::ProfileSnapshot& catalogue, const char* section,
                      const std::string& key)
{
    char value[kValueSize];
    catalogue.GetString(section, key.c_str(), kAbsentValue, value, sizeof value);
    return value;
}

// Reads a count as the platform does; a negative count means none.
int ReadCount(const platform::ProfileSnapshot& catalogue, const char* section, const char* key)
{
    int count = static_cast<int>(catalogue.GetInt(section, key, 0));
    return count < 0 ? 0 : count;
}

} // namespace

int LoadVehicleCatalogue()
{
    // All keys are read from one version of the file, checked once.
    const platform::ProfileSnapshot catalogue(AppConfig.ecuCatalogPath.c_str());
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
    int count = ReadCount(catalogue, kVehiclesSection, "nV");
    if (count <= 0)
        return 1;
    if (count > kMaxVehicles)
        count = kMaxVehicles;
    VehicleCatalogue.vehicleCount = count;

    for (int b = 0; b < count; ++b) {
        std::string name = ReadValue(catalogue, kVehiclesSection, NumberedKey("car", b));
        if (name.empty() || name == kAbsentValue)
            continue;
        VehicleEntry& vehicle = VehicleCatalogue.vehicles[b];
        vehicle.name = name;
        int ecuCount = ReadCount(catalogue, name.c_str(), "nE");
        vehicle.ecuCount = ecuCount > kMaxEcus ? kMaxEcus : ecuCount;
        for (int e = 0; e < vehicle.ecuCount; ++e) {
            vehicle.ecus[e].fileName = ReadValue(catalogue, name.c_str(), NumberedKey("ecu", e));
            vehicle.ecus[e].name = ReadValue(catalogue, name.c_str(), NumberedKey("name", e));
        }
    }
    return 1;
}

StringList ReadNumberedKeys(const char* section, const char* prefix, const char* path,
                            ErrorReport* failure)
{
    StringList values;
    char value[kNumberedValueSize];
    for (int number = 0;; ++number) {
        std::string key = NumberedKey(prefix, number);
        GetPrivateProfileStringPlus(section, key.c_str(), kAbsentKey, value, kNumberedValueSize - 1,
                                    path, failure);
        if (std::strcmp(value, kAbsentKey) == 0)
            break;
        values.AddTail(value);
    }
    return values;
}

bool AddEcuSoftware(const std::string& catalogPath, const char* vehicle, const char* fileName,
                    const char* displayName, ErrorReport* failure)
{
    const char* path = catalogPath.c_str();
    // Every key goes into the file in one replace, so a failure part-way never leaves a vehicle
    // counted with an ECU whose keys are missing.
    std::vector<platform::ProfileEntry> writes;

    StringList vehicles = ReadNumberedKeys(kVehiclesSection, "car", path, failure);
    int found = vehicles.Find(vehicle, 0, false);
    // The vehicle's section is named as the catalogue spells it: the ECU keys are read back with
    // the strict reader, whose section names compare exactly.
    std::string section = found >= 0 ? vehicles.GetAt(found) : std::string(vehicle);
    if (found < 0) {
        int number = vehicles.GetCount();
        writes.push_back({kVehiclesSection, "nV", std::to_string(number + 1)});
        writes.push_back({kVehiclesSection, NumberedKey("car", number), vehicle});
    }

    int n = ReadCount(platform::ProfileSnapshot(path), section.c_str(), "nE");
    StringList files = ReadNumberedKeys(section.c_str(), "ecu", path, failure);
    if (files.Find(fileName, 0, false) < 0) {
        writes.push_back({section, "nE", std::to_string(n + 1)});
        writes.push_back({section, NumberedKey("ecu", n), fileName});
        writes.push_back({section, NumberedKey("name", n), displayName});
    }
    return writes.empty() || platform::writeProfileEntries(writes, path);
}
