// Fuzzes the profile reader and writer with arbitrary file contents.
#include "platform/profile.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const std::string& ProfilePath()
{
    static const std::string path = "/tmp/zolt-fuzz-profile-" + std::to_string(getpid()) + ".ini";
    return path;
}

void RemoveProfile()
{
    ::unlink(ProfilePath().c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::string& path = ProfilePath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    char out[200];
    // The first bytes choose the names looked up, so that entries of the file can match.
    std::string section = size > 0 ? std::string(1, char(data[0])) : "S";
    GetPrivateProfileStringA(section.c_str(), "k", "d", out, sizeof out, path.c_str());
    GetPrivateProfileStringA("S", "k", "d", out, sizeof out, path.c_str());
    GetPrivateProfileStringA("S", nullptr, "", out, sizeof out, path.c_str());
    GetPrivateProfileStringA(nullptr, nullptr, "", out, 3, path.c_str());
    GetPrivateProfileIntA("S", "n", 5, path.c_str());
    WritePrivateProfileStringA("S", "k", "value", path.c_str());
    GetPrivateProfileStringA("S", "k", "d", out, sizeof out, path.c_str());
    // The fuzzer ends with _Exit, so each run cleans up after itself.
    RemoveProfile();
    return 0;
}
