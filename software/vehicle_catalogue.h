// The vehicle and ECU catalogue: which ECUs each vehicle has and which software file belongs to
// each, kept in "ECU.INI" in the working directory and loaded into one process-wide table.
#pragma once

#include "core/messages.h"
#include "core/string_list.h"

#include <array>
#include <string>

inline constexpr int kMaxVehicles = 100;
inline constexpr int kMaxEcus = 30;

inline constexpr const char* kVehiclesSection = "VEICOLI";

struct EcuEntry
{
    std::string name;     // display name
    std::string fileName; // software file in the working directory, BASE.EXT_SIZE
};

struct VehicleEntry
{
    std::string name; // also the name of the vehicle's section in "ECU.INI"
    int ecuCount = 0;
    std::array<EcuEntry, kMaxEcus> ecus;
};

struct VehicleCatalogueData
{
    int vehicleCount = 0;
    std::array<VehicleEntry, kMaxVehicles> vehicles;
};

// The catalogue as last loaded; reloaded by LoadVehicleCatalogue, never by AddEcuSoftware.
extern VehicleCatalogueData VehicleCatalogue;

// Fills VehicleCatalogue from AppConfig.ecuCatalogPath. A missing file or key gives an empty
// catalogue, a vehicle without ECUs, or the text "()----()" for an absent ECU key. Always 1.
int LoadVehicleCatalogue();

// Records in the catalogue at `catalogPath` ("ECU.INI") that `vehicle` has an ECU with software file `fileName` and display name
// `displayName`, adding the vehicle when it is new. Names compare without regard to case; an ECU
// whose software file is already listed is left as it is. All keys are written in one atomic
// replace of the file: on failure (false) the file is left as it was. A catalogue that exists but
// cannot be read is described in `failure`, when given.
bool AddEcuSoftware(const std::string& catalogPath, const char* vehicle, const char* fileName,
                    const char* displayName, ErrorReport* failure = nullptr);

// Returns the values of the keys <prefix>0, <prefix>1, ... of `section` in the profile at
// `path`, read with the strict profile reader, up to the first key that is absent or empty. A
// file that exists but cannot be read is described in `failure`, when given.
StringList ReadNumberedKeys(const char* section, const char* prefix, const char* path,
                            ErrorReport* failure = nullptr);
