// CRC-16/KERMIT of the codec, sixteen bytes per step through sixteen lookup tables.
#include "transfer/codec.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

constexpr int kSlices = 16;
using CrcTables = std::array<std::array<std::uint16_t, 256>, kSlices>;

// tables[k][b] is the register change caused by byte b followed by k zero bytes.
constexpr CrcTables makeCrcTables()
{
    CrcTables tables{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ 0x8408u : c >> 1;
        tables[0][i] = static_cast<std::uint16_t>(c);
    }
    for (unsigned k = 1; k < kSlices; ++k)
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t prev = tables[k - 1][i];
            tables[k][i] = static_cast<std::uint16_t>((prev >> 8) ^ tables[0][prev & 0xFF]);
        }
    return tables;
}

constexpr CrcTables kCrcTables = makeCrcTables();

} // namespace

std::uint16_t crc16Kermit(std::span<const std::uint8_t> data, std::uint16_t crc)
{
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    const auto& t = kCrcTables;
    if constexpr (std::endian::native == std::endian::little) {
        // The register meets the first two bytes of each group; every byte then contributes
        // through the table of its distance from the group's end.
        while (n >= 16) {
            std::uint64_t a;
            std::uint64_t b;
            std::memcpy(&a, p, 8);
            std::memcpy(&b, p + 8, 8);
            a ^= crc;
            crc = static_cast<std::uint16_t>(
                t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^
                t[12][(a >> 24) & 0xFF] ^ t[11][(a >> 32) & 0xFF] ^ t[10][(a >> 40) & 0xFF] ^
                t[9][(a >> 48) & 0xFF] ^ t[8][a >> 56] ^ t[7][b & 0xFF] ^
                t[6][(b >> 8) & 0xFF] ^ t[5][(b >> 16) & 0xFF] ^ t[4][(b >> 24) & 0xFF] ^
                t[3][(b >> 32) & 0xFF] ^ t[2][(b >> 40) & 0xFF] ^ t[1][(b >> 48) & 0xFF] ^
                t[0][b >> 56]);
            p += 16;
            n -= 16;
        }
    }
    while (n--)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
    return crc;
}
