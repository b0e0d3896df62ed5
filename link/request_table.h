// The request types the program sends and how each becomes a link frame: class, code, payload
// rule, number of attempts and time-out of each attempt.
#pragma once

#include "linklib/protocol.h"

#include <cstdint>

inline constexpr int kFrameSize = int(proto::kFrameSize);

struct RequestType
{
    enum class Payload : std::uint8_t
    {
        None,  // N = 6
        Data,  // the caller's bytes, N = length + 6
        First, // the first `fixedBytes` of the caller's bytes, N = fixedBytes + 6
    };
    std::uint8_t type;
    std::int16_t frameClass; // -1: the first data byte
    std::uint8_t code;
    Payload payload;
    std::uint8_t fixedBytes;
    std::uint8_t attempts;
    int timeoutMs;
};

// Returns the row of `type`, or null for a type the program does not send.
const RequestType* FindRequestType(int type);

// Writes the frame of request `type` into `frame` (kFrameSize bytes): byte 0 = 87, bytes 1-2 =
// N big-endian, byte 3 = 0, byte 4 = `linkId`, class, code, payload. Bytes the caller did not
// give (a short first-bytes payload, type 8 without data) count as 0. Returns N, or -1 for an
// unlisted type, a negative length, data missing, or a payload above 1017 bytes.
int BuildFrame(int type, const std::uint8_t* data, int length, std::uint8_t linkId,
               std::uint8_t* frame);
