// Fuzzes the profile reader and writer with arbitrary file contents. Every read is made twice,
// with the parsed form kept and with the file parsed again for the call, and both must give the
// same bytes; the buffers are heap blocks of exactly the size passed, so that any write past
// them is caught.
#include "platform/profile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string& ProfilePath()
{
    static const std::string path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                   "/zolt-fuzz-profile-" + std::to_string(getpid()) + ".ini";
    return path;
}

void RemoveProfile()
{
    ::unlink(ProfilePath().c_str());
}

struct Query
{
    const char* section;
    const char* key;
    unsigned size;
};

// The bytes a read leaves in a buffer of exactly `size` bytes, prefixed by its result.
std::string Read(const Query& q, const char* path)
{
    std::unique_ptr<char[]> out(new char[q.size]);
    std::memset(out.get(), 0xA5, q.size);
    unsigned n = GetPrivateProfileStringA(q.section, q.key, "d ", out.get(), q.size, path);
    if (q.size > 0 && n >= q.size)
        __builtin_trap();
    if (q.size > 0 && q.section && q.key && out[n] != '\0')
        __builtin_trap();
    return std::to_string(n) + ":" + std::string(out.get(), q.size);
}

// Reads every query with the cache on, then off, and traps on any difference.
void CompareReads(const std::vector<Query>& queries, const char* path)
{
    std::vector<std::string> cached;
    platform::setProfileCacheEnabled(true);
    for (const Query& q : queries)
        cached.push_back(Read(q, path));
    const unsigned cachedInt = GetPrivateProfileIntA("S", "n", 5, path);
    platform::setProfileCacheEnabled(false);
    for (std::size_t i = 0; i < queries.size(); ++i)
        if (Read(queries[i], path) != cached[i])
            __builtin_trap();
    if (GetPrivateProfileIntA("S", "n", 5, path) != cachedInt)
        __builtin_trap();
    platform::setProfileCacheEnabled(true);
}

// The name between the first "[" and the next "]" of the input, and the text before the first
// "=" of the line after it, so that names of the file itself are looked up.
void NamesOf(const std::string& text, std::string& section, std::string& key)
{
    std::size_t open = text.find('[');
    std::size_t close = open == std::string::npos ? open : text.find(']', open);
    if (close == std::string::npos)
        return;
    section = text.substr(open + 1, close - open - 1);
    std::size_t line = text.find_first_of("\r\n", close);
    if (line == std::string::npos)
        return;
    std::size_t eq = text.find('=', line);
    if (eq != std::string::npos)
        key = text.substr(line + 1, eq - line - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    static long stamp = [] {
        std::atexit(RemoveProfile);
        return 1000000000L;
    }();
    const std::string& path = ProfilePath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    // Each content gets a time of its own, long past, so that its parsed form is kept and used.
    timespec times[2] = {{++stamp, 0}, {stamp, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);

    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string first = size > 0 ? std::string(1, char(data[0])) : "S";
    std::string section = "S", key = "k";
    NamesOf(text, section, key);
    std::vector<Query> queries;
    for (const char* s : {first.c_str(), "s", section.c_str()})
        for (const char* k : {"K", "n", key.c_str()})
            for (unsigned n : {0u, 1u, 5u, 200u})
                queries.push_back({s, k, n});
    // Lists into every small size.
    for (unsigned n = 0; n <= 16; ++n) {
        queries.push_back({nullptr, nullptr, n});
        queries.push_back({section.c_str(), nullptr, n});
    }
    CompareReads(queries, path.c_str());

    WritePrivateProfileStringA("S", "k", "value", path.c_str());
    WritePrivateProfileStringA(section.c_str(), key.c_str(), "v2", path.c_str());
    CompareReads(queries, path.c_str());
    // The fuzzer ends with _Exit, so each run cleans up after itself.
    RemoveProfile();
    return 0;
}
