// CRC-16/KERMIT of the codec: by carry-less multiplication where the processor has it, else
// sixteen bytes per step through sixteen lookup tables.
#include "transfer/codec.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ZOLT_CRC_CLMUL 1
#endif

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

#ifdef ZOLT_CRC_CLMUL

// x^e modulo the generator x^16 + x^12 + x^5 + 1, bit-reversed into the top of 64 bits, the
// layout in which the reflected CRC keeps its bytes.
constexpr std::uint64_t reflectedPowerMod(int e)
{
    std::uint32_t r = 1;
    for (int i = 0; i < e; ++i) {
        r <<= 1;
        if (r & 0x10000)
            r ^= 0x11021;
    }
    std::uint64_t out = 0;
    for (int q = 0; q < 16; ++q)
        if (r >> q & 1)
            out |= std::uint64_t{1} << (63 - q);
    return out;
}

// A 16-byte block folded over `distance` bytes: its first eight bytes times x^(8 * distance + 63),
// its last eight times x^(8 * distance - 1). The one-bit shortfall makes up for the product of
// two reflected numbers coming out one place low.
struct FoldConstants
{
    std::uint64_t first, second;
};

constexpr FoldConstants foldOver(int distance)
{
    return {reflectedPowerMod(8 * distance + 63), reflectedPowerMod(8 * distance - 1)};
}

__attribute__((target("pclmul,sse2"))) inline __m128i fold(__m128i block, __m128i constants)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(block, constants, 0x00),
                         _mm_clmulepi64_si128(block, constants, 0x11));
}

// Folds the message down four blocks at a time, then to one block, which the tables finish
// together with the bytes that do not fill a block. The register enters as the first two
// message bytes, as it does in the table form.
__attribute__((target("pclmul,sse2"))) std::uint16_t crcClmul(const std::uint8_t* p,
                                                              std::size_t n, std::uint16_t crc)
{
    static constexpr FoldConstants kOver64 = foldOver(64);
    static constexpr FoldConstants kOver16 = foldOver(16);
    const __m128i over64 = _mm_set_epi64x(static_cast<long long>(kOver64.second),
                                          static_cast<long long>(kOver64.first));
    const __m128i over16 = _mm_set_epi64x(static_cast<long long>(kOver16.second),
                                          static_cast<long long>(kOver16.first));
    const auto load = [](const std::uint8_t* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    __m128i a = _mm_xor_si128(load(p), _mm_cvtsi32_si128(crc));
    __m128i b = load(p + 16);
    __m128i c = load(p + 32);
    __m128i d = load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        a = _mm_xor_si128(fold(a, over64), load(p));
        b = _mm_xor_si128(fold(b, over64), load(p + 16));
        c = _mm_xor_si128(fold(c, over64), load(p + 32));
        d = _mm_xor_si128(fold(d, over64), load(p + 48));
    }
    a = _mm_xor_si128(fold(a, over16), b);
    a = _mm_xor_si128(fold(a, over16), c);
    a = _mm_xor_si128(fold(a, over16), d);
    for (; n >= 16; p += 16, n -= 16)
        a = _mm_xor_si128(fold(a, over16), load(p));
    std::uint8_t last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), a);
    return crc16KermitTables({p, n}, crc16KermitTables(last, 0));
}

bool haveClmul()
{
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    return have;
}

#endif

} // namespace

std::uint16_t crc16KermitTables(std::span<const std::uint8_t> data, std::uint16_t crc)
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

std::uint16_t crc16Kermit(std::span<const std::uint8_t> data, std::uint16_t crc)
{
#ifdef ZOLT_CRC_CLMUL
    // Below a few blocks the tables are as quick and need no set-up.
    if (data.size() >= 128 && haveClmul())
        return crcClmul(data.data(), data.size(), crc);
#endif
    return crc16KermitTables(data, crc);
}
