// Fuzz target for the line framing parser: any byte stream, fed in pieces.
#include "linklib/wire_frame.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    wire::FrameParser parser;
    wire::Bytes frame;
    std::size_t at = 0;
    while (at < size) {
        // The first byte of each piece says how long the piece is, so the fuzzer explores
        // frames split at every point.
        const std::size_t piece = std::min<std::size_t>(size - at, std::size_t(data[at]) + 1);
        parser.Feed(data + at, piece);
        at += piece;
        while (parser.Next(frame)) {
            if (!wire::IsWellFormed(frame.data(), frame.size()))
                std::abort();
            const wire::Bytes encoded = wire::Encode(frame);
            wire::FrameParser again;
            again.Feed(encoded.data(), encoded.size());
            wire::Bytes copy;
            if (!again.Next(copy) || copy != frame)
                std::abort();
        }
        if (at % 3 == 0)
            parser.DropPartial();
    }
    return 0;
}
