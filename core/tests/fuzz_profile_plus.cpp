// Fuzzes the strict profile reader with arbitrary profile text and names. Every read is made
// with the lines kept from an earlier read and, as the reference, line by line from the file;
// both must give the same result and bytes.
#include "core/profile_plus.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "platform/profile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string& ProfilePath()
{
    static std::string path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                   "/zolt-fuzz-profile-plus-" + std::to_string(getpid()) + ".ini";
    return path;
}

// The profile goes when the run ends, so runs leave nothing in /tmp.
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

struct Query
{
    std::string section;
    std::string key;
};

// The result and the bytes of one read into exactly outSize + 1 bytes, so that an overrun is
// caught.
std::string Read(const Query& q, const std::string& defaultText, unsigned outSize)
{
    char* out = new char[outSize + 1];
    std::memset(out, 0xA5, outSize + 1);
    int result = GetPrivateProfileStringPlus(q.section.c_str(), q.key.c_str(), defaultText.c_str(),
                                             out, outSize, ProfilePath().c_str());
    if (result >= 0 &&
        (static_cast<unsigned>(result) > outSize || std::strlen(out) != unsigned(result)))
        __builtin_trap();
    if (result < -3 || result == -1)
        __builtin_trap();
    std::string bytes = std::to_string(result) + ":" + std::string(out, outSize + 1);
    delete[] out;
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static long stamp = [] {
        std::atexit(RemoveProfile);
        return 1000000000L;
    }();

    std::vector<Query> queries(1);
    queries[0].section = Take(data, size, "S");
    queries[0].key = Take(data, size, "k");
    std::string defaultText = Take(data, size, "()--()");
    unsigned outSize = 804;
    if (size > 0) {
        outSize = data[0];
        ++data;
        --size;
    }
    queries.push_back({queries[0].section, "k"});
    queries.push_back({"S", queries[0].key});
    queries.push_back({"S", "k"});

    const std::string& path = ProfilePath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    // Each content gets a time of its own, long past, so that its lines are kept and used.
    timespec times[2] = {{++stamp, 0}, {stamp, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);

    std::vector<std::string> cached;
    platform::setProfileCacheEnabled(true);
    for (const Query& q : queries)
        cached.push_back(Read(q, defaultText, outSize));
    // Again, now from the kept lines.
    for (std::size_t i = 0; i < queries.size(); ++i)
        if (Read(queries[i], defaultText, outSize) != cached[i])
            __builtin_trap();
    platform::setProfileCacheEnabled(false);
    for (std::size_t i = 0; i < queries.size(); ++i)
        if (Read(queries[i], defaultText, outSize) != cached[i])
            __builtin_trap();
    platform::setProfileCacheEnabled(true);
    RemoveProfile();
    return 0;
}
