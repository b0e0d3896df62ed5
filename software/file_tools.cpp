// File copy through libmspack's SZDD expansion, written to a temporary file renamed into place.
#include "software/file_tools.h"

#include "platform/profile.h"

#include <mspack.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kSystemErrorTitle = "ERRORE DI SISTEMA";

long long g_writeFailAfter = -1;

// The destination's temporary file and how much of it has been written.
struct Target
{
    int fd = -1;
    long long written = 0;
};

bool WriteAll(Target& target, const char* data, size_t size)
{
    if (g_writeFailAfter >= 0 && target.written + static_cast<long long>(size) > g_writeFailAfter) {
        errno = ENOSPC;
        return false;
    }
    while (size > 0) {
        ssize_t n = ::write(target.fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
        target.written += n;
    }
    return true;
}

ssize_t ReadSome(int fd, void* buffer, size_t size)
{
    ssize_t n;
    do
        n = ::read(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

bool CopyPlain(int source, Target& target)
{
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        ssize_t n = ReadSome(source, buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!WriteAll(target, buffer.data(), static_cast<size_t>(n)))
            return false;
    }
}

// libmspack reaches the two open files through this system: the names it is given are the
// two fixed names below, never paths, so the library cannot open anything else.
constexpr const char* kInputName = "input";
constexpr const char* kOutputName = "output";

struct PackSystem
{
    mspack_system base;
    int source;
    Target* target;
};

struct PackFile
{
    int fd;
    Target* target; // set for the output only
};

mspack_file* PackOpen(mspack_system* self, const char* name, int mode)
{
    auto* system = reinterpret_cast<PackSystem*>(self);
    if (std::strcmp(name, kInputName) == 0 && mode == MSPACK_SYS_OPEN_READ)
        return reinterpret_cast<mspack_file*>(new PackFile{system->source, nullptr});
    if (std::strcmp(name, kOutputName) == 0 && mode == MSPACK_SYS_OPEN_WRITE)
        return reinterpret_cast<mspack_file*>(new PackFile{system->target->fd, system->target});
    return nullptr;
}

void PackClose(mspack_file* file)
{
    delete reinterpret_cast<PackFile*>(file);
}

int PackRead(mspack_file* file, void* buffer, int bytes)
{
    auto* f = reinterpret_cast<PackFile*>(file);
    if (f->target || bytes < 0)
        return -1;
    size_t done = 0;
    while (done < static_cast<size_t>(bytes)) {
        ssize_t n = ReadSome(f->fd, static_cast<char*>(buffer) + done, bytes - done);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int>(done);
}

int PackWrite(mspack_file* file, void* buffer, int bytes)
{
    auto* f = reinterpret_cast<PackFile*>(file);
    if (!f->target || bytes < 0)
        return -1;
    return WriteAll(*f->target, static_cast<const char*>(buffer), static_cast<size_t>(bytes))
               ? bytes
               : -1;
}

int PackSeek(mspack_file* file, off_t offset, int mode)
{
    auto* f = reinterpret_cast<PackFile*>(file);
    int whence = mode == MSPACK_SYS_SEEK_START ? SEEK_SET
                 : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR
                                               : SEEK_END;
    return ::lseek(f->fd, offset, whence) < 0 ? -1 : 0;
}

off_t PackTell(mspack_file* file)
{
    return ::lseek(reinterpret_cast<PackFile*>(file)->fd, 0, SEEK_CUR);
}

void PackMessage(mspack_file*, const char*, ...) {}

void* PackAlloc(mspack_system*, size_t bytes)
{
    return std::malloc(bytes);
}

void PackFree(void* pointer)
{
    std::free(pointer);
}

void PackCopy(void* source, void* destination, size_t bytes)
{
    std::memmove(destination, source, bytes);
}

// Expands an SZDD source. The header states the expanded length; a source that ends early
// expands to fewer bytes, which counts as a failed copy.
bool Expand(int source, Target& target)
{
    PackSystem system{{PackOpen, PackClose, PackRead, PackWrite, PackSeek, PackTell, PackMessage,
                       PackAlloc, PackFree, PackCopy, nullptr},
                      source,
                      &target};
    msszdd_decompressor* decompressor = mspack_create_szdd_decompressor(&system.base);
    if (!decompressor)
        return false;
    bool ok = false;
    if (msszddd_header* header = decompressor->open(decompressor, kInputName)) {
        int result = decompressor->extract(decompressor, header, kOutputName);
        ok = result == MSPACK_ERR_OK && target.written == static_cast<long long>(header->length);
        decompressor->close(decompressor, header);
    }
    mspack_destroy_szdd_decompressor(decompressor);
    return ok;
}

// The two signatures libmspack expands: the usual SZDD header and the QBasic variant.
bool IsSzdd(int source)
{
    static const unsigned char kNormal[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
    static const unsigned char kQBasic[8] = {'S', 'Z', ' ', 0x88, 0xF0, 0x27, 0x33, 0xD1};
    unsigned char head[8];
    if (::pread(source, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
        return false;
    return std::memcmp(head, kNormal, 8) == 0 || std::memcmp(head, kQBasic, 8) == 0;
}

} // namespace

int CFileTools::CopyFileExpanding(const char* source, const char* destination,
                                  ErrorReport* openFailure)
{
    // Folders, devices and pipes are no software files; a pipe is not even opened for reading,
    // since that alone could block the copy.
    struct stat status;
    int in = platform::openRegularFile(source, &status);
    if (in < 0) {
        if (openFailure)
            *openFailure = *CopyFailure(kSourceNotOpened, source, destination);
        return kSourceNotOpened;
    }

    // The temporary file lies in the destination's folder so that the rename cannot cross
    // file systems; its name starts with a dot to keep it out of listings.
    std::string dest = destination;
    std::string folder = GetDirectoryPart(dest);
    if (folder.empty())
        folder = ".";
    std::string temporary =
        folder + (folder == "/" ? "" : "/") + "." + GetFileNamePart(dest) + ".XXXXXX";
    Target target;
    if (::stat(destination, &status) != 0 || !S_ISDIR(status.st_mode))
        target.fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (target.fd < 0) {
        ::close(in);
        if (openFailure)
            *openFailure = *CopyFailure(kDestinationNotCreated, source, destination);
        return kDestinationNotCreated;
    }
    ::fchmod(target.fd, 0644);

    bool ok = IsSzdd(in) ? Expand(in, target) : CopyPlain(in, target);
    ::close(in);
    ok = ::fsync(target.fd) == 0 && ok;
    ok = ::close(target.fd) == 0 && ok;
    if (ok && ::rename(temporary.c_str(), destination) == 0)
        return kCopied;
    ::unlink(temporary.c_str());
    return kCopyFailed;
}

std::optional<ErrorReport> CFileTools::CopyFailure(int result, const char* source,
                                                  const char* destination)
{
    if (result == kSourceNotOpened)
        return ErrorReport::Literal(kSystemErrorTitle,
                                    std::string("Errore apertura in lettura del file: ") + source);
    if (result == kDestinationNotCreated)
        return ErrorReport::Literal(
            kSystemErrorTitle, std::string("Errore apertura in scrittura del file: ") + destination);
    return std::nullopt;
}

std::string CFileTools::GetDirectoryPart(const std::string& path)
{
    if (path.size() < 2)
        return "";
    std::size_t slash = path.rfind('/', path.size() - 2);
    if (slash == std::string::npos)
        return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string CFileTools::GetFileNamePart(const std::string& path)
{
    if (path.size() < 2)
        return path;
    std::size_t slash = path.rfind('/', path.size() - 2);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void CFileTools::SetWriteFailAfter(long long bytes)
{
    g_writeFailAfter = bytes;
}
