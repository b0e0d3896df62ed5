// Profile (INI) file reading and atomic writing with the platform reader's rules.
#include "platform/profile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

long long g_writeFailAfter = -1;

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

std::vector<Line> splitLines(std::string_view data)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t lf = data.find('\n', pos);
        std::size_t end = lf == std::string_view::npos ? data.size() : lf;
        std::size_t textEnd = end;
        if (textEnd > pos && data[textEnd - 1] == '\r')
            --textEnd;
        std::size_t next = lf == std::string_view::npos ? data.size() : lf + 1;
        lines.push_back({data.substr(pos, textEnd - pos), data.substr(textEnd, next - textEnd)});
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

std::optional<std::string> readWholeFile(const char* path)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return std::nullopt;
    std::string data;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return std::nullopt;
    return data;
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

// Copies a list of names, each terminated, the list ending in a second terminator, as the
// platform reader does when it is asked for all sections or all keys.
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
        if (pos + name.size() + 2 > size) {
            std::size_t room = size - 2 - pos;
            std::size_t n = platform::utf8CutLength(name.data(), name.size(), room);
            std::memcpy(out + pos, name.data(), n);
            pos += n;
            out[pos] = '\0';
            out[pos + 1] = '\0';
            return unsigned(size - 2);
        }
        std::memcpy(out + pos, name.data(), name.size());
        pos += name.size();
        out[pos++] = '\0';
    }
    out[pos] = '\0';
    if (pos == 0 && size > 1)
        out[1] = '\0';
    return unsigned(pos);
}

bool hasLineBreak(const char* s)
{
    return s && std::strpbrk(s, "\r\n") != nullptr;
}

// Writes `data` to a new file beside `path` and renames it over `path`.
bool replaceFileAtomically(const char* path, const std::string& data)
{
    std::string tmp = std::string(path) + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
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

void setProfileWriteFailAfter(long long bytes)
{
    g_writeFailAfter = bytes;
}

} // namespace platform

unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                  char* out, unsigned size, const char* path)
{
    std::string_view def = defaultText ? defaultText : "";
    std::optional<std::string> data = path ? readWholeFile(path) : std::nullopt;
    if (!data) {
        if (!section || !key)
            return copyList({}, out, size);
        return copyOut(def, out, size);
    }
    std::vector<Line> lines = splitLines(*data);

    std::vector<std::string_view> names;
    bool inSection = false;
    for (const Line& line : lines) {
        if (auto name = headerName(line.text)) {
            if (!section)
                names.push_back(*name);
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
            names.push_back(k);
            continue;
        }
        if (!equalsNoCase(k, key))
            continue;
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        v = v.substr(0, std::min(v.size(), v.find('\0')));
        std::string text = platform::toUtf8(std::string(v), endsWithNoCase(key, "_GRE"));
        return copyOut(text, out, size);
    }
    if (!section || !key)
        return copyList(names, out, size);
    return copyOut(def, out, size);
}

unsigned GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                               const char* path)
{
    if (!section || !key)
        return unsigned(defaultValue);
    static const char* const kMissing = "\x01missing\x01";
    char buffer[64];
    GetPrivateProfileStringA(section, key, kMissing, buffer, sizeof buffer, path);
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

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path)
{
    if (!section || !path || hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return false;
    std::string old;
    struct stat st;
    if (::stat(path, &st) == 0) {
        std::optional<std::string> data = readWholeFile(path);
        if (!data)
            return false;
        old = std::move(*data);
    } else if (errno != ENOENT) {
        return false;
    }

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
        if (!outText.empty() && outText.back() != '\n')
            outText += eol;
    };

    std::string result;
    if (header == lines.size()) {
        if (!key || !value)
            return true; // nothing to remove
        result = old;
        endLine(result);
        result += "[" + std::string(section) + "]" + eol + entry + eol;
        return replaceFileAtomically(path, result);
    }
    if (!key) {
        join(0, header, result);
        join(end, lines.size(), result);
        return replaceFileAtomically(path, result);
    }

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
        return replaceFileAtomically(path, result);
    }
    if (!value)
        return true;
    // A new key goes after the section's last non-blank line.
    std::size_t insertAt = end;
    while (insertAt > header + 1 && trim(lines[insertAt - 1].text).empty())
        --insertAt;
    join(0, insertAt, result);
    endLine(result);
    result += entry + eol;
    join(insertAt, lines.size(), result);
    return replaceFileAtomically(path, result);
}
