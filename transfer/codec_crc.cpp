// CRC-16/KERMIT of the codec, eight bytes per step through eight lookup tables.
#include "transfer/codec.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

using CrcTables = std::array<std::array<std::uint16_t, 256>, 8>;

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
    for (unsigned k = 1; k < 8; ++k)
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
        while (n >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            w ^= crc;
            crc = static_cast<std::uint16_t>(t[7][w & 0xFF] ^ t[6][(w >> 8) & 0xFF] ^
                                             t[5][(w >> 16) & 0xFF] ^ t[4][(w >> 24) & 0xFF] ^
                                             t[3][(w >> 32) & 0xFF] ^ t[2][(w >> 40) & 0xFF] ^
                                             t[1][(w >> 48) & 0xFF] ^ t[0][w >> 56]);
            p += 8;
            n -= 8;
        }
    }
    while (n--)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
    return crc;
}
