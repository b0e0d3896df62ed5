// Reading and building the names of ECU software and of its parts.
#include "software/tester_software_names.h"

#include <cctype>
#include <cstdio>

namespace {

// Reads the decimal number that is all of `text`; nothing for an empty text, another
// character, or a value too large to be a file size here.
std::optional<long long> Number(const std::string& text)
{
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Reads the figures of `name` from `pos`; moves `pos` past them.
std::optional<long long> Figures(const std::string& name, std::size_t& pos)
{
    const std::size_t start = pos;
    while (pos < name.size() && std::isdigit(static_cast<unsigned char>(name[pos])))
        ++pos;
    if (pos - start > 6) // no part number or count is that long
        return std::nullopt;
    return Number(name.substr(start, pos - start));
}

} // namespace

SoftwareName ParseSoftwareName(const std::string& fileName)
{
    SoftwareName out;
    const std::size_t dot = fileName.find('.');
    const std::size_t underscore = fileName.rfind('_');
    // Without a "." the size still follows the last "_", and BASE stops before it.
    const std::size_t baseEnd = dot != std::string::npos ? dot : underscore;
    out.base = fileName.substr(0, baseEnd);
    if (baseEnd != std::string::npos && underscore != std::string::npos && underscore >= baseEnd)
        out.middle = fileName.substr(baseEnd, underscore + 1 - baseEnd);
    else if (baseEnd != std::string::npos)
        out.middle = fileName.substr(baseEnd);
    if (underscore != std::string::npos && (dot == std::string::npos || underscore > dot)) {
        if (const std::optional<long long> size = Number(fileName.substr(underscore + 1))) {
            out.size = *size;
            out.sized = true;
        }
    }
    return out;
}

int BlockCount(long long size)
{
    if (size <= 0)
        return 1;
    const long long count = (size + kPartBytes - 1) / kPartBytes;
    return count > 1000000 ? 1000000 : int(count);
}

std::string PartName(const SoftwareName& name, int index, int count, long long bytes)
{
    return name.base + "&&" + std::to_string(index) + "-" + std::to_string(count) + name.middle +
           std::to_string(bytes);
}

long long PartBytes(long long size, int index, int count)
{
    if (index < count)
        return kPartBytes;
    return size - kPartBytes * (count - 1);
}

std::optional<PartMarker> ParsePartName(const std::string& name)
{
    std::optional<PartMarker> last;
    for (std::size_t at = name.find("&&"); at != std::string::npos; at = name.find("&&", at + 1)) {
        std::size_t pos = at + 2;
        const std::optional<long long> index = Figures(name, pos);
        if (!index || pos >= name.size() || name[pos] != '-')
            continue;
        ++pos;
        const std::optional<long long> count = Figures(name, pos);
        if (!count || *index < 1 || *index > *count)
            continue;
        PartMarker part;
        part.base = name.substr(0, at);
        part.index = int(*index);
        part.count = int(*count);
        const std::string rest = name.substr(pos);
        const std::size_t underscore = rest.rfind('_');
        if (underscore != std::string::npos) {
            part.middle = rest.substr(0, underscore + 1);
            part.bytes = Number(rest.substr(underscore + 1)).value_or(0);
        } else {
            part.middle = rest;
        }
        last = part;
    }
    return last;
}

bool IsPlainFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7f)
            return false;
    }
    return true;
}

namespace {

// Length of the UTF-8 sequence at `s[i]`, or 0 when it is not a valid one.
std::size_t Utf8Length(const std::string& s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    const unsigned char c = byte(i + 1);
    if ((b == 0xE0 && c < 0xA0) || (b == 0xED && c >= 0xA0) || (b == 0xF0 && c < 0x90) ||
        (b == 0xF4 && c >= 0x90))
        return 0; // overlong, surrogate or beyond U+10FFFF
    return n;
}

} // namespace

std::string EscapeName(const std::string& name)
{
    std::string out;
    char hex[8];
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char b = static_cast<unsigned char>(name[i]);
        if (b == '\\') {
            out += "\\\\";
            ++i;
            continue;
        }
        if (b >= 0x20 && b < 0x7F) {
            out += char(b);
            ++i;
            continue;
        }
        const std::size_t n = b >= 0x80 ? Utf8Length(name, i) : 0;
        // U+0080..U+009F are the C1 controls, written C2 80..C2 9F.
        const bool c1 = n == 2 && b == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0;
        if (n > 0 && !c1) {
            out.append(name, i, n);
            i += n;
            continue;
        }
        const std::size_t count = c1 ? 2 : 1;
        for (std::size_t k = 0; k < count; ++k) {
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(name[i + k]));
            out += hex;
        }
        i += count;
    }
    return out;
}

std::string TesterPath(const std::string& name)
{
    return std::string(proto::kTesterRoot) + "/" + name;
}
