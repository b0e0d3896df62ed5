// Loading a catalogue of 25, 50 and 100 vehicles of 30 ECUs each (the full table), with its
// parsed form kept and from the file, and one AddEcuSoftware on the full catalogue, in wall time.
#include "core/app_config.h"
#include "platform/profile.h"
#include "software/vehicle_catalogue.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::string& Folder()
{
    static std::string folder;
    return folder;
}

void RemoveFolder()
{
    ::unlink(AppConfig.ecuCatalogPath.c_str());
    ::rmdir(Folder().c_str());
}

// A catalogue as installations write it: CR LF lines, names of workshop length.
std::string Catalogue(int vehicles)
{
    std::string text = "[VEICOLI]\r\nnV=" + std::to_string(vehicles) + "\r\n";
    for (int v = 0; v < vehicles; ++v)
        text += "car" + std::to_string(v) + "=VEHICLE MODEL " + std::to_string(v) + "\r\n";
    for (int v = 0; v < vehicles; ++v) {
        text += "[VEHICLE MODEL " + std::to_string(v) + "]\r\nnE=" + std::to_string(kMaxEcus) +
                "\r\n";
        for (int e = 0; e < kMaxEcus; ++e) {
            std::string number = std::to_string(v * 100 + e);
            text += "ecu" + std::to_string(e) + "=E" + number + ".BIN_24576\r\n";
            text += "name" + std::to_string(e) + "=Engine control unit, type " + number + "\r\n";
        }
    }
    return text;
}

void WriteCatalogue(int vehicles)
{
    if (Folder().empty()) {
        char name[] = "/tmp/bench_catalogue.XXXXXX";
        if (!mkdtemp(name))
            std::abort();
        Folder() = name;
        AppConfig.ecuCatalogPath = Folder() + "/ECU.INI";
        std::atexit(RemoveFolder);
    }
    std::ofstream(AppConfig.ecuCatalogPath, std::ios::binary) << Catalogue(vehicles);
    // A file read in the very tick it was written is checked again on the next read; the
    // figures are for a catalogue at rest.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

void BM_LoadCatalogue(benchmark::State& state)
{
    const int vehicles = static_cast<int>(state.range(0));
    WriteCatalogue(vehicles);
    for (auto _ : state) {
        LoadVehicleCatalogue();
        benchmark::DoNotOptimize(VehicleCatalogue.vehicleCount);
    }
    if (VehicleCatalogue.vehicleCount != vehicles ||
        VehicleCatalogue.vehicles[vehicles - 1].ecuCount != kMaxEcus)
        state.SkipWithError("catalogue not loaded whole");
    state.counters["file_KB"] = double(Catalogue(vehicles).size()) / 1024.0;
}

// The same load with nothing kept from an earlier read, as at start-up and after an
// installation: the file is read and parsed once within each load.
void BM_LoadCatalogueCold(benchmark::State& state)
{
    const int vehicles = static_cast<int>(state.range(0));
    WriteCatalogue(vehicles);
    for (auto _ : state) {
        platform::setProfileCacheEnabled(true); // drops what was kept
        LoadVehicleCatalogue();
        benchmark::DoNotOptimize(VehicleCatalogue.vehicleCount);
    }
    if (VehicleCatalogue.vehicleCount != vehicles)
        state.SkipWithError("catalogue not loaded whole");
}

void BM_AddEcuSoftware(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        WriteCatalogue(kMaxVehicles);
        state.ResumeTiming();
        if (!AddEcuSoftware(AppConfig.ecuCatalogPath, "VEHICLE MODEL 57", "NEW.BIN_1000", "New unit"))
            state.SkipWithError("not recorded");
    }
}

} // namespace

BENCHMARK(BM_LoadCatalogue)
    ->Arg(25)
    ->Arg(50)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_LoadCatalogueCold)
    ->Arg(25)
    ->Arg(50)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_AddEcuSoftware)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

BENCHMARK_MAIN();
