// The link's framing on the serial line: a request/answer frame followed by a CRC-16, and a
// parser that finds such frames in a byte stream and skips anything else.
#pragma once

#include "linklib/protocol.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wire {

inline constexpr std::uint8_t kStartByte = proto::kStartByte;
inline constexpr std::size_t kMaxFrame = proto::kFrameSize;  // frame bytes, CRC not counted
inline constexpr std::size_t kMinFrame = proto::kHeaderSize; // start, length (2), 0, id, class, code
inline constexpr std::size_t kCrcSize = 2;

// Notices travel as frames of class 0, code 0; byte 7 holds the library event (1, 2 or 4).
inline constexpr std::uint8_t kNoticeClass = 0;
inline constexpr std::uint8_t kNoticeCode = 0;

using Bytes = std::vector<std::uint8_t>;

// Returns the CRC-16/CCITT-FALSE (polynomial 0x1021, initial value 0xFFFF) of `size` bytes.
std::uint16_t Crc16(const std::uint8_t* data, std::size_t size);

// Returns true when `frame` has the frame layout: start byte, a length field of size - 1,
// byte 3 zero, and a size between 7 and 1024.
bool IsWellFormed(const std::uint8_t* frame, std::size_t size);

// Returns the bytes that carry `frame` on the line: the frame, then its CRC-16 big-endian.
// `frame` must be well formed.
Bytes Encode(const std::uint8_t* frame, std::size_t size);
inline Bytes Encode(const Bytes& frame)
{
    return Encode(frame.data(), frame.size());
}

// Returns a frame with the given link id, class, code and payload (length field filled in).
Bytes MakeFrame(std::uint8_t linkId, std::uint8_t frameClass, std::uint8_t code,
                const Bytes& payload);

// Collects frames from a byte stream. A byte that cannot start a frame is skipped; a candidate
// whose CRC is wrong is dropped by skipping its start byte, so the search resumes inside it.
class FrameParser
{
public:
    // Appends received bytes.
    void Feed(const std::uint8_t* data, std::size_t size);

    // Takes the next complete, verified frame (without its CRC) into `frame`. Returns false
    // when no complete frame is buffered.
    bool Next(Bytes& frame);

    // True while the buffer holds the beginning of a frame whose remaining bytes are awaited.
    bool HasPartial() const { return !buffer_.empty(); }

    // Gives up the frame being awaited: used when the line has gone quiet in the middle of one,
    // which happens when garbage looked like a frame header.
    void DropPartial();

    // Counters for diagnostics: bytes skipped while searching and frames failing their CRC.
    std::size_t SkippedBytes() const { return skipped_; }
    std::size_t BadFrames() const { return badFrames_; }

    void Reset();

private:
    void SkipTo(std::size_t offset);

    Bytes buffer_;
    std::size_t skipped_ = 0;
    std::size_t badFrames_ = 0;
};

} // namespace wire
