// Fuzzes the strict profile reader with arbitrary profile text and names.
#include "core/profile_plus.h"
#include "core/texts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string& ProfilePath()
{
    static std::string path = "/tmp/zolt-fuzz-profile-plus-" + std::to_string(getpid()) + ".ini";
    return path;
}

// The existence check's file goes when the run ends, so runs leave nothing in /tmp.
void RemoveProfile()
{
    ::unlink(ProfilePath().c_str());
}

// The input is "section\x01key\x01default\x01size byte" followed by the profile text; whatever
// is missing takes a plain value.
std::string Take(const unsigned char*& data, std::size_t& size, const char* fallback)
{
    const void* end = std::memchr(data, 1, size);
    if (!end)
        return fallback;
    std::size_t length = static_cast<const unsigned char*>(end) - data;
    std::string field(reinterpret_cast<const char*>(data), length);
    data += length + 1;
    size -= length + 1;
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    // The existence check needs a real file; the open hook then serves the input from memory.
    static const std::string path = [] {
        const std::string& p = ProfilePath();
        if (std::FILE* f = std::fopen(p.c_str(), "wb"))
            std::fclose(f);
        std::atexit(RemoveProfile);
        SetMessageBoxHook([](const std::string&, const std::string&, int) { return 6; });
        return p;
    }();

    std::string section = Take(data, size, "S");
    std::string key = Take(data, size, "k");
    std::string defaultText = Take(data, size, "()--()");
    unsigned outSize = 804;
    if (size > 0) {
        outSize = data[0];
        ++data;
        --size;
    }
    std::string text(reinterpret_cast<const char*>(data), size);
    SetProfilePlusOpenHook([&text](const char*) {
        return text.empty() ? std::fopen("/dev/null", "rb")
                            : fmemopen(text.data(), text.size(), "rb");
    });

    // Exactly outSize + 1 bytes, so that an overrun is caught.
    char* out = new char[outSize + 1];
    int result = GetPrivateProfileStringPlus(section.c_str(), key.c_str(), defaultText.c_str(), out,
                                             outSize, path.c_str());
    if (result >= 0 &&
        (static_cast<unsigned>(result) > outSize || std::strlen(out) != unsigned(result)))
        __builtin_trap();
    if (result < -3)
        __builtin_trap();
    delete[] out;
    return 0;
}
