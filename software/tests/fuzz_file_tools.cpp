// Fuzz target for the expanding copy: any source, SZDD-looking or not, must copy, expand or
// fail cleanly, and a failed copy must leave no destination behind.
#include "software/file_tools.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string& FolderPath()
{
    static std::string folder;
    return folder;
}

// The work folder and its two files go when the run ends, so runs leave nothing in /tmp.
void RemoveFolder()
{
    ::unlink((FolderPath() + "/SOURCE").c_str());
    ::unlink((FolderPath() + "/DEST").c_str());
    ::rmdir(FolderPath().c_str());
}

std::string Folder()
{
    static const bool made = [] {
        char name[] = "/tmp/fuzz_file_tools.XXXXXX";
        if (!mkdtemp(name))
            std::abort();
        FolderPath() = name;
        std::atexit(RemoveFolder);
        return true;
    }();
    (void)made;
    return FolderPath();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string source = Folder() + "/SOURCE";
    std::string destination = Folder() + "/DEST";
    std::FILE* file = std::fopen(source.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    ::unlink(destination.c_str());

    int result = CFileTools::CopyFileExpanding(source.c_str(), destination.c_str());
    bool exists = ::access(destination.c_str(), F_OK) == 0;
    bool szdd = size >= 4 && std::memcmp(data, "SZ", 2) == 0;
    if (result == CFileTools::kCopyFailed && (exists || !szdd))
        std::abort();
    if (result == CFileTools::kCopied && !exists)
        std::abort();
    if (result != CFileTools::kCopied && result != CFileTools::kCopyFailed)
        std::abort();
    return 0;
}
