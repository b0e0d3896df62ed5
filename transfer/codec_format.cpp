// The compressed format's header and the codec's diagnostic lines.
#include "transfer/codec_format.h"

#include <cstdarg>

namespace codec_internal {

void writeHeader(std::uint16_t crc, std::uint32_t length, std::uint8_t (&header)[kHeaderSize])
{
    header[0] = 0x01;
    header[1] = 0;
    header[2] = static_cast<std::uint8_t>(crc >> 8);
    header[3] = static_cast<std::uint8_t>(crc);
    header[4] = static_cast<std::uint8_t>(length >> 24);
    header[5] = static_cast<std::uint8_t>(length >> 16);
    header[6] = static_cast<std::uint8_t>(length >> 8);
    header[7] = static_cast<std::uint8_t>(length);
    header[1] = static_cast<std::uint8_t>(0xFF - headerSum(header, kHeaderSize));
}

unsigned headerSum(const std::uint8_t* header, std::size_t n)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += header[i];
    return sum & 0xFF;
}

HeaderFields readHeaderFields(const std::uint8_t (&header)[kHeaderSize])
{
    return {static_cast<std::uint16_t>(header[2] << 8 | header[3]),
            std::uint64_t{header[4]} << 24 | std::uint64_t{header[5]} << 16 |
                std::uint64_t{header[6]} << 8 | header[7]};
}

std::string formatLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    std::vsnprintf(line.data(), line.size() + 1, format, args);
    va_end(args);
    return line;
}

} // namespace codec_internal

void printCodecDiagnostic(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}
