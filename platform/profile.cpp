// Profile (INI) file reading and atomic writing with the platform reader's rules. Each file's
// parsed form is cached, keyed by its path and checked against the file's identity on every
// call, so that reading a catalogue key by key does not parse the file again for every key.
#include "platform/profile.h"

#include "platform/profile_cache.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string_view>
#include <unistd.h>
#include <unordered_map>

namespace {

long long g_writeFailAfter = -1;
std::atomic<bool> g_cacheEnabled{true};
std::atomic<unsigned long> g_writeCount{0};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

// One line of a profile: its text without the ending, and the ending itself.
struct Line
{
    std::string_view text;
    std::string_view ending;
};

// CR LF, LF and a lone CR each end a line, so files from any platform read alike.
std::vector<Line> splitLines(std::string_view data)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t end = data.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back({data.substr(pos), {}});
            break;
        }
        std::size_t next = end + 1;
        if (data[end] == '\r' && next < data.size() && data[next] == '\n')
            ++next;
        lines.push_back({data.substr(pos, end - pos), data.substr(end, next - end)});
        pos = next;
    }
    return lines;
}

// Returns the section name of a header line, or nothing when the line is no header.
std::optional<std::string_view> headerName(std::string_view text)
{
    text = trim(text);
    if (text.empty() || text.front() != '[')
        return std::nullopt;
    std::size_t close = text.find(']');
    if (close == std::string_view::npos)
        return trim(text.substr(1));
    return trim(text.substr(1, close - 1));
}

// Splits an entry line into key and value; comment lines and lines without "=" are no entries.
bool splitEntry(std::string_view text, std::string_view& key, std::string_view& value)
{
    std::string_view t = trim(text);
    if (t.empty() || t.front() == ';')
        return false;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

// The bytes of a regular file and its identity before and after they were read.
struct FileRead
{
    std::string bytes;
    platform::FileIdentity before;
    platform::FileIdentity after;
};

std::optional<FileRead> readRegularFile(const char* path)
{
    struct stat status;
    int fd = platform::openRegularFile(path, &status);
    if (fd < 0)
        return std::nullopt;
    FileRead read;
    read.before = platform::fileIdentity(status);
    char buffer[65536];
    bool failed = false;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed = true;
        if (n <= 0)
            break;
        read.bytes.append(buffer, std::size_t(n));
    }
    read.after =
        ::fstat(fd, &status) == 0 ? platform::fileIdentity(status) : platform::FileIdentity{};
    ::close(fd);
    if (failed)
        return std::nullopt;
    return read;
}

bool endsWithNoCase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && equalsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

// Copies `text` into `out` cut to size - 1 bytes on a UTF-8 boundary; returns the bytes copied.
unsigned copyOut(std::string_view text, char* out, unsigned size)
{
    if (!out || size == 0)
        return 0;
    std::size_t n = platform::utf8CutLength(text.data(), text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return unsigned(n);
}

// Copies a value as found in the file: a matching pair of quotes goes, a NUL ends it, and it
// is converted to UTF-8.
unsigned copyValue(std::string_view v, const char* key, char* out, unsigned size)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    v = v.substr(0, std::min(v.size(), v.find('\0')));
    if (std::none_of(v.begin(), v.end(), [](char c) { return c & 0x80; }))
        return copyOut(v, out, size); // plain ASCII needs no conversion
    std::string text = platform::toUtf8(std::string(v), endsWithNoCase(key, "_GRE"));
    return copyOut(text, out, size);
}

// Copies a list of names, each terminated, the list ending in a second terminator, as the
// platform reader does when it is asked for all sections or all keys. The last byte of `out`
// is kept for the final terminator; a name that does not fit is cut and the list ends there.
unsigned copyList(const std::vector<std::string_view>& names, char* out, unsigned size)
{
    if (!out || size == 0)
        return 0;
    if (size == 1) {
        out[0] = '\0';
        return 0;
    }
    std::size_t pos = 0;
    for (std::string_view name : names) {
        if (name.empty())
            continue;                      // it would end the list early
        std::size_t room = size - 1 - pos; // bytes before the final terminator
        if (name.size() + 1 > room) {
            if (room > 0) {
                std::size_t n = platform::utf8CutLength(name.data(), name.size(), room - 1);
                std::memcpy(out + pos, name.data(), n);
                pos += n;
                out[pos++] = '\0';
            }
            out[pos] = '\0';
            return unsigned(size - 2);
        }
        std::memcpy(out + pos, name.data(), name.size());
        pos += name.size();
        out[pos++] = '\0';
    }
    out[pos] = '\0';
    if (pos == 0)
        out[1] = '\0';
    return unsigned(pos);
}

// What a lookup found: the value, or the names when a list was asked for.
struct Found
{
    std::optional<std::string_view> value;
    std::vector<std::string_view> names;
};

// The reference lookup: one pass over the lines, as every read made before the cache.
Found scanLines(std::string_view data, const char* section, const char* key)
{
    Found found;
    bool inSection = false;
    for (const Line& line : splitLines(data)) {
        if (auto name = headerName(line.text)) {
            if (!section)
                found.names.push_back(*name);
            else if (inSection)
                break;
            else
                inSection = equalsNoCase(*name, section);
            continue;
        }
        if (!inSection || !section)
            continue;
        std::string_view k, v;
        if (!splitEntry(line.text, k, v))
            continue;
        if (!key) {
            found.names.push_back(k);
        } else if (equalsNoCase(k, key)) {
            found.value = v;
            break;
        }
    }
    return found;
}

// Hashing and comparing names without regard to the case of a-z, so that the index is looked
// up with the caller's own text, without a copy.
struct NoCaseHash
{
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const
    {
        std::size_t h = 14695981039346656037ull;
        for (char c : s)
            h = (h ^ static_cast<unsigned char>(upper(c))) * 1099511628211ull;
        return h;
    }
};

struct NoCaseEqual
{
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return equalsNoCase(a, b); }
};

using NameIndex = std::unordered_map<std::string_view, std::size_t, NoCaseHash, NoCaseEqual>;

} // namespace

// A profile as read at one moment. Indexed, it holds its sections in file order, the first
// section of each name and the first key of each name within it; otherwise every lookup scans
// the lines. The views point into `data`, so the object is built in place and never copied.
struct platform::ProfileData
{
    struct Section
    {
        std::string_view name;
        std::vector<std::pair<std::string_view, std::string_view>> entries;
        NameIndex keys;
    };

    std::string data;
    bool indexed = false;
    std::vector<Section> sections;
    NameIndex index;

    ProfileData() = default;
    ProfileData(const ProfileData&) = delete;
    ProfileData& operator=(const ProfileData&) = delete;

    void parse()
    {
        indexed = true;
        for (const Line& line : splitLines(data)) {
            if (auto name = headerName(line.text)) {
                sections.push_back({*name, {}, {}});
                index.emplace(*name, sections.size() - 1);
                continue;
            }
            std::string_view k, v;
            if (sections.empty() || !splitEntry(line.text, k, v))
                continue;
            Section& s = sections.back();
            s.entries.emplace_back(k, v);
            s.keys.emplace(k, s.entries.size() - 1);
        }
    }

    Found find(const char* section, const char* key) const
    {
        if (!indexed)
            return scanLines(data, section, key);
        Found found;
        if (!section) {
            for (const Section& s : sections)
                found.names.push_back(s.name);
            return found;
        }
        auto it = index.find(std::string_view(section));
        if (it == index.end())
            return found;
        const Section& s = sections[it->second];
        if (!key) {
            for (const auto& entry : s.entries)
                found.names.push_back(entry.first);
            return found;
        }
        auto k = s.keys.find(std::string_view(key));
        if (k != s.keys.end())
            found.value = s.entries[k->second].second;
        return found;
    }
};

namespace {

using platform::ProfileData;

// The parsed forms of a few files, as last read.
platform::ProfileCache<ProfileData>& Cache()
{
    static platform::ProfileCache<ProfileData> cache(16);
    return cache;
}

std::shared_ptr<const ProfileData> cachedProfile(const char* path)
{
    struct stat status;
    if (::stat(path, &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    const unsigned long writes = g_writeCount.load();
    if (auto kept = Cache().Find(path, platform::fileIdentity(status)))
        return kept;

    const timespec start = platform::fileClockNow();
    std::optional<FileRead> read = readRegularFile(path);
    if (!read)
        return nullptr;
    auto profile = std::make_shared<ProfileData>();
    profile->data = std::move(read->bytes);
    profile->parse();
    const bool trusted =
        read->before == read->after && platform::trustedAfterRead(read->after, start);
    Cache().Remember(path, read->after, writes, trusted ? profile : nullptr);
    return profile;
}

// Whether the profile rules refuse `text` as part of a line: a line break would start a line
// of its own.
bool hasLineBreak(const char* s)
{
    return s && std::strpbrk(s, "\r\n") != nullptr;
}

// Follows symbolic links from `path` to the file they lead to (which need not exist yet).
bool resolveLinks(const std::string& path, std::string& target)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status;
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            target = current;
            return true;
        }
        char buffer[PATH_MAX];
        ssize_t n = ::readlink(current.c_str(), buffer, sizeof buffer);
        if (n <= 0 || std::size_t(n) >= sizeof buffer)
            return false;
        std::string link(buffer, std::size_t(n));
        if (link[0] != '/') {
            std::size_t slash = current.rfind('/');
            if (slash != std::string::npos)
                link = current.substr(0, slash + 1) + link;
        }
        current = link;
    }
    errno = ELOOP;
    return false;
}

// Writes `data` to a new file beside `path` and renames it over `path`.
bool replaceFileAtomically(const char* path, const std::string& data)
{
    std::string tmp = std::string(path) + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // The new file keeps the old one's permissions; a first one gets the usual 0666 - umask.
    struct stat st;
    if (::stat(path, &st) == 0) {
        fchmod(fd, st.st_mode & 07777);
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }

    bool ok = true;
    std::size_t limit = data.size();
    if (g_writeFailAfter >= 0 && std::size_t(g_writeFailAfter) < limit) {
        limit = std::size_t(g_writeFailAfter);
        ok = false;
    }
    std::size_t done = 0;
    while (done < limit) {
        ssize_t n = ::write(fd, data.data() + done, limit - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += std::size_t(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (ok && std::rename(name.data(), path) != 0)
        ok = false;
    if (!ok)
        ::unlink(name.data());
    return ok;
}

enum class Edit
{
    Refused,
    Unchanged,
    Changed
};

// Applies one write to the text of a profile, as WritePrivateProfileStringA describes it.
Edit applyWrite(std::string& old, const char* section, const char* key, const char* value)
{
    if (!section || !platform::isProfileName(section) || (key && !platform::isProfileName(key)) ||
        hasLineBreak(value))
        return Edit::Refused;

    std::vector<Line> lines = splitLines(old);
    std::string eol = "\n";
    for (const Line& line : lines)
        if (!line.ending.empty()) {
            eol = std::string(line.ending);
            break;
        }

    // Locate the section: its header line and the line after its last line.
    std::size_t header = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = headerName(lines[i].text);
        if (name && equalsNoCase(*name, section)) {
            header = i;
            break;
        }
    }
    std::size_t end = header;
    if (header < lines.size())
        for (end = header + 1; end < lines.size() && !headerName(lines[end].text); ++end) {
        }

    std::string entry = key && value ? std::string(key) + "=" + value : std::string();
    auto join = [&](std::size_t from, std::size_t to, std::string& outText) {
        for (std::size_t i = from; i < to; ++i) {
            outText.append(lines[i].text);
            outText.append(lines[i].ending);
        }
    };
    auto endLine = [&](std::string& outText) {
        if (!outText.empty() && outText.back() != '\n' && outText.back() != '\r')
            outText += eol;
    };

    std::string result;
    if (header == lines.size()) {
        if (!key || !value)
            return Edit::Unchanged; // nothing to remove
        result = old;
        endLine(result);
        result += "[" + std::string(section) + "]" + eol + entry + eol;
    } else if (!key) {
        join(0, header, result);
        join(end, lines.size(), result);
    } else {
        std::size_t found = end;
        for (std::size_t i = header + 1; i < end; ++i) {
            std::string_view k, v;
            if (splitEntry(lines[i].text, k, v) && equalsNoCase(k, key)) {
                found = i;
                break;
            }
        }
        if (found < end) {
            join(0, found, result);
            if (value) {
                result += entry;
                result += lines[found].ending.empty() && found + 1 < lines.size()
                              ? eol
                              : std::string(lines[found].ending);
            }
            join(found + 1, lines.size(), result);
        } else {
            if (!value)
                return Edit::Unchanged;
            // A new key goes after the section's last non-blank line.
            std::size_t insertAt = end;
            while (insertAt > header + 1 && trim(lines[insertAt - 1].text).empty())
                --insertAt;
            join(0, insertAt, result);
            endLine(result);
            result += entry + eol;
            join(insertAt, lines.size(), result);
        }
    }
    old = std::move(result);
    return Edit::Changed;
}

// Reads the profile at `path` (through any symbolic link), lets `edit` change its text and
// replaces the file with the result in one atomic step.
template <class EditText> bool editProfile(const char* path, EditText edit)
{
    std::string target;
    if (!path || !resolveLinks(path, target))
        return false;
    std::string text;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false; // a folder, FIFO or device is left alone
        std::optional<FileRead> read = readRegularFile(target.c_str());
        if (!read)
            return false;
        text = std::move(read->bytes);
    } else if (errno != ENOENT) {
        return false;
    }
    switch (edit(text)) {
    case Edit::Refused:
        return false;
    case Edit::Unchanged:
        return true;
    case Edit::Changed:
        break;
    }
    if (!replaceFileAtomically(target.c_str(), text))
        return false;
    ++g_writeCount;
    return true;
}

} // namespace

namespace platform {

std::size_t utf8CutLength(const char* text, std::size_t length, std::size_t maxBytes)
{
    if (length <= maxBytes)
        return length;
    std::size_t n = maxBytes;
    // Step back over continuation bytes to the start of the sequence that would be cut.
    std::size_t start = n;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80 && n - start < 3)
        --start;
    if ((static_cast<unsigned char>(text[start]) & 0xC0) == 0xC0)
        return start;
    return n;
}

namespace {

bool validUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = s[i];
        std::size_t extra;
        unsigned min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        unsigned code = c & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            unsigned char d = s[i + k];
            if ((d & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (d & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// Code points of 0x80..0x9F in Windows-1252; 0 marks an unassigned byte.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Windows-1253 from 0x80 to 0xFF; 0 marks an unassigned byte.
constexpr char16_t kCp1253High[128] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0,      0x2039,
    0,      0,      0,      0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0,      0x2122, 0,      0x203A, 0,      0,      0,      0,      0x00A0, 0x0385, 0x0386, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0,      0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x0384, 0x00B5, 0x00B6, 0x00B7, 0x0388, 0x0389, 0x038A, 0x00BB,
    0x038C, 0x00BD, 0x038E, 0x038F, 0x0390, 0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397,
    0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D, 0x039E, 0x039F, 0x03A0, 0x03A1, 0,      0x03A3,
    0x03A4, 0x03A5, 0x03A6, 0x03A7, 0x03A8, 0x03A9, 0x03AA, 0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF,
    0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7, 0x03B8, 0x03B9, 0x03BA, 0x03BB,
    0x03BC, 0x03BD, 0x03BE, 0x03BF, 0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4, 0x03C5, 0x03C6, 0x03C7,
    0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0};

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string toUtf8(const std::string& bytes, bool greek)
{
    if (validUtf8(bytes))
        return bytes;
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        char32_t code = c;
        if (c >= 0x80) {
            if (greek)
                code = kCp1253High[c - 0x80];
            else if (c < 0xA0)
                code = kCp1252High[c - 0x80];
            if (code == 0)
                code = 0xFFFD; // an unassigned byte
        }
        appendUtf8(out, code);
    }
    return out;
}

bool isProfileName(const char* name)
{
    if (!name || name[0] == '[' || name[0] == ';')
        return false;
    for (const char* p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == ']' || c == '=' || c < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

bool writeProfileEntries(const std::vector<ProfileEntry>& entries, const char* path)
{
    return editProfile(path, [&entries](std::string& text) {
        Edit result = Edit::Unchanged;
        for (const ProfileEntry& entry : entries) {
            Edit one =
                applyWrite(text, entry.section.c_str(), entry.key.c_str(), entry.value.c_str());
            if (one == Edit::Refused)
                return Edit::Refused;
            if (one == Edit::Changed)
                result = Edit::Changed;
        }
        return result;
    });
}

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

FileIdentity fileIdentity(const struct stat& status)
{
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

timespec fileClockNow()
{
    // The kernel stamps file times from its coarse clock.
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

bool trustedAfterRead(const FileIdentity& identity, const timespec& readStart)
{
    const timespec& m = identity.modified;
    return m.tv_sec < readStart.tv_sec ||
           (m.tv_sec == readStart.tv_sec && m.tv_nsec < readStart.tv_nsec);
}

unsigned long profileWriteCount()
{
    return g_writeCount.load();
}

int openRegularFile(const char* path, struct stat* status)
{
    // O_NOCTTY: a terminal named where a file is expected must not become the program's own.
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat own;
    struct stat* s = status ? status : &own;
    if (::fstat(fd, s) != 0 || !S_ISREG(s->st_mode)) {
        int error = S_ISDIR(s->st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

void setProfileWriteFailAfter(long long bytes)
{
    g_writeFailAfter = bytes;
}

void setProfileCacheEnabled(bool enabled)
{
    g_cacheEnabled = enabled;
    Cache().Clear();
}

bool profileCacheEnabled()
{
    return g_cacheEnabled.load();
}

} // namespace platform

namespace platform {

ProfileSnapshot::ProfileSnapshot(const char* path)
{
    if (!path)
        return;
    if (profileCacheEnabled()) {
        data_ = cachedProfile(path);
    } else if (std::optional<FileRead> read = readRegularFile(path)) {
        auto profile = std::make_shared<ProfileData>();
        profile->data = std::move(read->bytes);
        data_ = std::move(profile);
    }
}

ProfileSnapshot::~ProfileSnapshot() = default;

unsigned ProfileSnapshot::GetString(const char* section, const char* key, const char* defaultText,
                                    char* out, unsigned size) const
{
    Found found = data_ ? data_->find(section, key) : Found{};
    if (!section || !key)
        return copyList(found.names, out, size);
    if (found.value)
        return copyValue(*found.value, key, out, size);
    std::string_view def = defaultText ? defaultText : "";
    while (!def.empty() && isBlank(def.back()))
        def.remove_suffix(1);
    return copyOut(def, out, size);
}

unsigned ProfileSnapshot::GetInt(const char* section, const char* key, int defaultValue) const
{
    if (!section || !key)
        return unsigned(defaultValue);
    static const char* const kMissing = "\x01missing\x01";
    char buffer[64];
    GetString(section, key, kMissing, buffer, sizeof buffer);
    if (std::strcmp(buffer, kMissing) == 0)
        return unsigned(defaultValue);
    const char* p = buffer;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    unsigned value = 0;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        for (p += 2; std::isxdigit(static_cast<unsigned char>(*p)); ++p)
            value = value * 16 + unsigned(std::isdigit(static_cast<unsigned char>(*p))
                                              ? *p - '0'
                                              : (upper(*p) - 'A' + 10));
    } else {
        for (; *p >= '0' && *p <= '9'; ++p)
            value = value * 10 + unsigned(*p - '0');
    }
    return negative ? 0u - value : value;
}

} // namespace platform

unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                  char* out, unsigned size, const char* path)
{
    return platform::ProfileSnapshot(path).GetString(section, key, defaultText, out, size);
}

unsigned GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                               const char* path)
{
    return platform::ProfileSnapshot(path).GetInt(section, key, defaultValue);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path)
{
    return editProfile(path,
                       [&](std::string& text) { return applyWrite(text, section, key, value); });
}
