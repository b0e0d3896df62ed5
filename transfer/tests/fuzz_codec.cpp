// Feeds arbitrary bytes to the decoder as a compressed file, and round-trips them through both
// directions, holding the compressed bytes against the format built step by step; any crash,
// overrun or disagreement is a finding.
#include "transfer/codec.h"
#include "slow_codec.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    int unexpectedEnds = 0;
    const CodecDiagnostics count = [&](const std::string& line) {
        if (line == "EOF inatteso\n")
            ++unexpectedEnds;
    };
    const std::span<const std::uint8_t> input(data, size);

    // The header's length decides how much the decoder writes; beyond 4 KiB it only slows the run.
    std::uint64_t length = 0;
    if (size >= 8)
        length = std::uint64_t{data[4]} << 24 | data[5] << 16 | data[6] << 8 | data[7];
    if (length <= 4096) {
        std::vector<std::uint8_t> out;
        const DecompressOutcome outcome = decompressBuffer(input, out, count);
        if (unexpectedEnds > 1 || outcome.unexpectedEnd != (unexpectedEnds == 1))
            std::abort();
        if (outcome.outputWritten ? out.size() != length : !out.empty())
            std::abort();
    }

    if (size == 0)
        return 0;
    std::vector<std::uint8_t> packed;
    std::vector<std::uint8_t> unpacked;
    const CodecDiagnostics none = [](const std::string&) { std::abort(); };
    if (compressBuffer(input, packed, none) != 0)
        std::abort();
    const std::vector<std::uint8_t> plain(data, data + size);
    if (std::any_of(data, data + size, [data](std::uint8_t b) { return b != data[0]; }) &&
        packed != slowCompress(plain))
        std::abort();
    if (!decompressBuffer(packed, unpacked, none).ok() || unpacked != plain)
        std::abort();
    return 0;
}
