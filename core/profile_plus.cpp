// The program's strict profile reader.
#include "core/profile_plus.h"

#include "platform/profile.h"
#include "platform/profile_cache.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// One read yields at most this many characters (a 256-byte line buffer).
constexpr std::size_t kPieceChars = 255;

ProfileOpenHook& OpenHook()
{
    static ProfileOpenHook hook;
    return hook;
}

// Opens `path` for reading without blocking on a FIFO. A folder passes the existence check but
// is no readable file: it fails like a file without read permission.
std::FILE* OpenForReading(const char* path)
{
    int fd = platform::openRegularFile(path, nullptr);
    if (fd < 0)
        return nullptr;
    std::FILE* file = fdopen(fd, "rb");
    if (!file) {
        int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The first piece of one line of the file, as the reader tests it. Every test below reads it
// as a C string, so a NUL byte ends the line's text.
struct Line
{
    std::string piece;
    bool cut = false; // the line went on past the piece; the rest was skipped

    const char* text() const { return piece.c_str(); }
};

// Reads the next line in text mode (CR LF and LF end it; a lone CR is an ordinary character).
// Only the first 255 characters are kept; the rest of a longer line is read and dropped, so a
// later piece of a long line is never taken for a header or an entry. Returns false at the end
// of the file. A NUL byte ends the line's text as far as every test below is concerned.
bool ReadLine(std::FILE* file, Line& line)
{
    std::size_t length = 0;
    bool any = false;
    line.cut = false;
    line.piece.clear();
    for (;;) {
        int c = std::getc(file);
        if (c == EOF)
            break;
        any = true;
        if (c == '\r') {
            int next = std::getc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, file);
        }
        if (length < kPieceChars) {
            line.piece += static_cast<char>(c);
            ++length;
        } else if (c != '\n') {
            line.cut = true;
        }
        if (c == '\n')
            break;
    }
    return any;
}

// Returns the length of the name at the start of `line` (up to the first of `stops`), or -1
// when the name runs into the cut end of a long line and so is not known whole.
long NameLength(const Line& line, const char* stops)
{
    std::size_t length = std::strcspn(line.text(), stops);
    if (line.cut && length == kPieceChars)
        return -1;
    return static_cast<long>(length);
}

bool NameEquals(const Line& line, const char* stops, const std::string& name)
{
    long length = NameLength(line, stops);
    return length >= 0 && static_cast<std::size_t>(length) == name.size() &&
           std::memcmp(line.text(), name.data(), name.size()) == 0;
}

bool IsBlank(const char* text)
{
    return text[std::strspn(text, "\t\r\n")] == '\0';
}

// Bytes above 127 stay in a value, so that names in UTF-8 or an 8-bit code page survive; the
// value ends at the first control character other than white space.
bool EndsValue(unsigned char c)
{
    if (c >= 0x80 || (c >= 0x20 && c != 0x7F))
        return false;
    return !(c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r');
}

// Copies `text` (`length` bytes) into `out`, cut to `size` bytes without splitting a UTF-8
// sequence. Returns the bytes copied.
int CopyOut(char* out, unsigned size, const char* text, std::size_t length)
{
    if (length > size)
        length = platform::utf8CutLength(text, length, size);
    std::memcpy(out, text, length);
    out[length] = '\0';
    return static_cast<int>(length);
}

int CopyDefault(char* out, unsigned size, const char* defaultText)
{
    return CopyOut(out, size, defaultText, std::strlen(defaultText));
}

ErrorReport OpenFailure(const char* path, int error)
{
    static const char format[] = "File %s could not be opened (modeRead) Code:%d";
    std::string text(std::strlen(format) + std::strlen(path) + 16, '\0');
    int written = std::snprintf(text.data(), text.size(), format, path, FileErrorCause(error));
    text.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return ErrorReport::Literal("GetPrivateProfileStringPlus", text);
}

// Whether `line` is the section's header: the text before the first tab, CR, LF or "="
// equals "[section]" exactly. Comment lines are never headers.
bool IsHeader(const Line& line, const std::string& header)
{
    return line.text()[0] != ';' && NameEquals(line, "\t\r\n=", header);
}

// Looks for the key in the lines after the section's header, which `next` yields in turn;
// `out` already holds the default text.
template <class NextLine>
int FindKey(NextLine next, const char* key, char* out, unsigned size)
{
    const std::string keyText(key);
    while (const Line* line = next()) {
        const char* text = line->text();
        if (text[0] == ';' || IsBlank(text))
            continue;
        if (text[0] == '[')
            return kProfileKeyMissing;
        if (!NameEquals(*line, "=\t\r\n", keyText))
            continue;
        const char* rest = text + keyText.size();
        if (*rest != '=')
            return static_cast<int>(std::strlen(out)); // a tab or the line end follows the key
        const char* value = rest + 1;
        std::size_t length = std::strcspn(value, "\t\r\n");
        std::size_t kept = 0;
        while (kept < length && !EndsValue(static_cast<unsigned char>(value[kept])))
            ++kept;
        if (kept == 0)
            return static_cast<int>(std::strlen(out));
        return CopyOut(out, size, value, kept);
    }
    return kProfileNotFound;
}

// Scans an open profile line by line for the entry; `out` already holds the default text.
int FindEntry(std::FILE* file, const std::string& header, const char* key, char* out, unsigned size)
{
    Line line;
    bool inSection = false;
    while (!inSection) {
        if (!ReadLine(file, line))
            return kProfileNotFound;
        inSection = IsHeader(line, header);
    }
    return FindKey([&]() -> const Line* { return ReadLine(file, line) ? &line : nullptr; }, key,
                   out, size);
}

// A profile read once into the lines the reader sees, with the first line of each header text.
struct LineProfile
{
    std::vector<Line> lines;
    std::unordered_map<std::string, std::size_t> headers;

    explicit LineProfile(std::FILE* file)
    {
        Line line;
        while (ReadLine(file, line)) {
            if (line.piece[0] == '[') {
                long length = NameLength(line, "\t\r\n=");
                if (length >= 0)
                    headers.emplace(std::string(line.text(), std::size_t(length)), lines.size());
            }
            lines.push_back(std::move(line));
        }
    }

    int Find(const std::string& header, const char* key, char* out, unsigned size) const
    {
        auto it = headers.find(header);
        if (it == headers.end())
            return kProfileNotFound;
        std::size_t next = it->second + 1;
        return FindKey([&]() { return next < lines.size() ? &lines[next++] : nullptr; }, key, out,
                       size);
    }
};

// The lines of a few profiles, as last read.
platform::ProfileCache<LineProfile>& Cache()
{
    static platform::ProfileCache<LineProfile> cache(8);
    return cache;
}

} // namespace

int FileErrorCause(int error)
{
    switch (error) {
    case 0:
        return 0;
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return 5;
    case EBADF:
        return 6;
    case EIO:
    case ENXIO:
    case ENODEV:
        return 10;
    case EBUSY:
    case ETXTBSY:
        return 11;
    case EDEADLK:
    case ENOLCK:
        return 12;
    case ENOSPC:
    case EDQUOT:
        return 13;
    default:
        return 1;
    }
}

void SetProfilePlusOpenHook(ProfileOpenHook hook)
{
    OpenHook() = std::move(hook);
}

int GetPrivateProfileStringPlus(const char* section, const char* key, const char* defaultText,
                                char* out, unsigned size, const char* path,
                                ErrorReport* openFailure)
{
    if (!out)
        return kProfileNotFound;
    CopyDefault(out, size, defaultText ? defaultText : "");
    if (!section || !key || !path)
        return kProfileNotFound;

    struct stat info;
    if (stat(path, &info) != 0)
        return kProfileNotFound;
    // A FIFO or device is refused as a missing file is, without ever being opened.
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return kProfileNotFound;

    const std::string header = std::string("[") + section + "]";
    const bool cached = !OpenHook() && platform::profileCacheEnabled() && S_ISREG(info.st_mode);
    if (cached) {
        if (auto profile = Cache().Find(path, platform::fileIdentity(info)))
            return profile->Find(header, key, out, size);
    }

    const timespec start = platform::fileClockNow();
    const unsigned long writes = platform::profileWriteCount();
    errno = 0;
    FilePtr file(OpenHook() ? OpenHook()(path) : OpenForReading(path));
    if (!file) {
        if (openFailure)
            *openFailure = OpenFailure(path, errno);
        return kProfileOpenFailed;
    }
    // Every negative result leaves the default text in `out`.
    if (!cached)
        return FindEntry(file.get(), header, key, out, size);

    struct stat before;
    bool stable = fstat(fileno(file.get()), &before) == 0;
    auto profile = std::make_shared<const LineProfile>(file.get());
    struct stat after;
    stable = stable && fstat(fileno(file.get()), &after) == 0;
    const platform::FileIdentity identity = platform::fileIdentity(after);
    bool trusted = stable && platform::fileIdentity(before) == identity &&
                   platform::trustedAfterRead(identity, start) && !std::ferror(file.get());
    Cache().Remember(path, identity, writes, trusted ? profile : nullptr);
    return profile->Find(header, key, out, size);
}
