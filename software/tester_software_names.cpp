// Reading and building the names of ECU software and of its parts.
#include "software/tester_software_names.h"

#include <cctype>

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
        return part;
    }
    return std::nullopt;
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

std::string TesterPath(const std::string& name)
{
    return std::string(proto::kTesterRoot) + "/" + name;
}
