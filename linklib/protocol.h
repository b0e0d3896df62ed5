// The link protocol in one place: frame layout and the one way to write a frame header, the
// table of request types (class, code, payload rule, attempts, time-out), big-endian numbers,
// a read-only view of a frame, answer codes and statuses, the copy's block size, the link
// library's events and the link's times. Shared by the link, the engines, the link library,
// the tester simulator, zoltctl and the tests; header only, no dependencies.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The link notification (the platform's WM_USER + 600) and the code posted to a requester when
// every attempt went unanswered.
inline constexpr int LinkMessage = 1624;
inline constexpr int LinkTimeout = 1500;
// Posted to a requester whose queued request the library refused when its turn came.
inline constexpr int LinkSendFailed = 1501;

namespace proto {

// Frame layout: start byte, length N (bytes after byte 0, big-endian), 0, link id, class,
// code, payload. A frame is N + 1 bytes, at most kFrameSize.
inline constexpr std::uint8_t kStartByte = 87; // 'W'
inline constexpr std::size_t kFrameSize = 1024;
inline constexpr std::size_t kHeaderSize = 7;
inline constexpr std::size_t kMaxPayload = kFrameSize - kHeaderSize; // 1017
inline constexpr int kOffsetLength = 1;
inline constexpr int kOffsetZero = 3;
inline constexpr int kOffsetLinkId = 4;
inline constexpr int kOffsetClass = 5;
inline constexpr int kOffsetCode = 6;
inline constexpr int kOffsetPayload = 7;
// Byte 7 of an answer: its status (first result byte).
inline constexpr int kOffsetStatus = 7;

// Request types (BuildRequest) and the codes of their answers.
inline constexpr int kRequestSync = 3;
inline constexpr int kRequestOpenFile = 11;
inline constexpr int kRequestDataBlock = 12;
inline constexpr int kRequestEndOfFile = 13;
inline constexpr int kRequestDelete = 18;
inline constexpr int kRequestOpenDirectory = 21;
inline constexpr int kRequestDirectoryEntry = 22;
inline constexpr int kRequestAcknowledge = 42; // the view's answer to a code 27

inline constexpr int kAnswerSync = 7;
inline constexpr int kAnswerOpenFile = 8;
inline constexpr int kAnswerDataBlock = 9;
inline constexpr int kAnswerEndOfFile = 10;
inline constexpr int kAnswerDelete = 15;
inline constexpr int kAnswerOpenDirectory = 18;
inline constexpr int kAnswerDirectoryEntry = 19;
inline constexpr int kAnswerTesterNotice = 27; // sent by the tester of its own accord

// Answer statuses (byte 7).
inline constexpr int kStatusAccepted = 1;
inline constexpr int kStatusRefused = 2;
inline constexpr int kStatusTesterError = 3;
inline constexpr int kStatusEndOfDirectory = 4;
inline constexpr int kStatusRefusedToo = 5; // handled like kStatusRefused

// The copy: data bytes per block and the column sums of the end of file.
inline constexpr int kBlockBytes = 110;

// Directory entry answers: offsets of the entry's fields.
inline constexpr int kEntryIndex = 8;
inline constexpr int kEntryKind = 12;
inline constexpr int kEntryDate = 17;
inline constexpr int kEntryVersion = 27;
inline constexpr int kEntryName = 38;
inline constexpr int kMaxDirectoryEntries = 30;
inline constexpr const char* kTesterRoot = "/FN0";

// Events of the link library's notification (first parameter of LinkMessage at the link
// window).
inline constexpr int kEventShowView = 1;
inline constexpr int kEventDeactivateView = 2;
inline constexpr int kEventFrameArrived = 3;
inline constexpr int kEventMaximize = 4;
// Posted by the library itself, once, when the open device goes away (unplugged adapter,
// hung-up line): it has closed the device, and the exchange in flight gets no answer. Beyond
// the one byte of a notice frame, so that no tester can send it.
inline constexpr int kEventDeviceLost = 256;

// Why the link library could not open a port (ordinal 13). The program words the first three in
// the user's language; for the others it shows the library's own sentence.
enum class PortReason : int
{
    kNone = 0,         // the port is open
    kMissing = 1,      // no such device, or no hardware answers behind it
    kBusy = 2,         // another program holds the device
    kNoPermission = 3, // the user may not open it (not in the "dialout" group)
    kNotSerial = 4,    // the path is not a serial line
    kBadRate = 5,      // the rate is not supported
    kOther = 6,
};

// Times and rates.
inline constexpr int kBaudRate = 19200;
inline constexpr int kEndExchangeMs = 300; // EndExchange's wait for a late answer
inline constexpr int kStallMs = 100;       // a frame whose bytes stop this long is dropped
inline constexpr int kReopenMs = 1000;     // a device gone away is looked for this often

// Big-endian 32-bit numbers, as block numbers, entry indices and sizes travel.
inline void PutU32BE(std::uint8_t* out, std::uint32_t value)
{
    out[0] = std::uint8_t(value >> 24);
    out[1] = std::uint8_t(value >> 16);
    out[2] = std::uint8_t(value >> 8);
    out[3] = std::uint8_t(value);
}

inline std::uint32_t GetU32BE(const std::uint8_t* in)
{
    return (std::uint32_t(in[0]) << 24) | (std::uint32_t(in[1]) << 16) |
           (std::uint32_t(in[2]) << 8) | std::uint32_t(in[3]);
}

// Writes the seven header bytes of a frame carrying `payloadLength` bytes after them: start
// byte, N = payloadLength + 6 big-endian, 0, link id, class, code. Returns the frame's size
// (N + 1). The payload itself is the caller's.
inline int WriteFrameHeader(std::uint8_t* frame, std::size_t payloadLength, std::uint8_t linkId,
                            std::uint8_t frameClass, std::uint8_t code)
{
    const std::size_t n = payloadLength + kHeaderSize - 1;
    frame[0] = kStartByte;
    frame[kOffsetLength] = std::uint8_t(n >> 8);
    frame[kOffsetLength + 1] = std::uint8_t(n & 0xFF);
    frame[kOffsetZero] = 0;
    frame[kOffsetLinkId] = linkId;
    frame[kOffsetClass] = frameClass;
    frame[kOffsetCode] = code;
    return int(n + 1);
}

// A frame as it arrived: its fields read where they lie, nothing read beyond `size`.
class FrameView
{
public:
    FrameView(const std::uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}

    std::size_t Size() const { return size_; }
    const std::uint8_t* Data() const { return data_; }
    // The length field N, or -1 when the frame is too short to hold it.
    int Length() const
    {
        return size_ > kOffsetLength + 1 ? (data_[kOffsetLength] << 8) | data_[kOffsetLength + 1]
                                         : -1;
    }
    int Byte(std::size_t offset) const { return offset < size_ ? data_[offset] : -1; }
    int LinkId() const { return Byte(kOffsetLinkId); }
    int Class() const { return Byte(kOffsetClass); }
    int Code() const { return Byte(kOffsetCode); }
    // The answer's status (byte 7), or -1 when it has none.
    int Status() const { return Byte(kOffsetStatus); }
    // The bytes after the header, up to the end of the frame as delivered.
    const std::uint8_t* Payload() const { return data_ + kOffsetPayload; }
    std::size_t PayloadSize() const { return size_ > kHeaderSize ? size_ - kHeaderSize : 0; }
    // The big-endian number at `offset`; false when the frame ends before it.
    bool U32At(std::size_t offset, std::uint32_t& value) const
    {
        if (offset + 4 > size_)
            return false;
        value = GetU32BE(data_ + offset);
        return true;
    }
    bool Is(int frameClass, int code) const { return Class() == frameClass && Code() == code; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// The request types the program sends and how each becomes a frame.
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
    int timeoutMs; // for each attempt
};

inline constexpr RequestType kRequestTypes[] = {
    {3, 11, 7, RequestType::Payload::None, 0, 2, 3000},
    {8, -1, 40, RequestType::Payload::None, 0, 3, 4000},
    {9, 11, 49, RequestType::Payload::Data, 0, 3, 4000},
    {11, 11, 8, RequestType::Payload::Data, 0, 3, 4000},
    {12, 11, 9, RequestType::Payload::Data, 0, 3, 4000},
    {13, 11, 10, RequestType::Payload::Data, 0, 3, 4000},
    {14, 11, 11, RequestType::Payload::Data, 0, 3, 4000},
    {15, 11, 12, RequestType::Payload::Data, 0, 3, 4000},
    {16, 11, 13, RequestType::Payload::Data, 0, 3, 4000},
    {17, 11, 14, RequestType::Payload::Data, 0, 3, 4000},
    {18, 11, 15, RequestType::Payload::Data, 0, 3, 4000},
    {19, 11, 16, RequestType::Payload::Data, 0, 3, 4000},
    {20, 11, 17, RequestType::Payload::Data, 0, 3, 4000},
    {21, 11, 18, RequestType::Payload::Data, 0, 3, 4000},
    {22, 11, 19, RequestType::Payload::Data, 0, 3, 4000},
    {23, 10, 0, RequestType::Payload::None, 0, 3, 300},
    {24, 10, 1, RequestType::Payload::None, 0, 1, 3000},
    {27, 10, 24, RequestType::Payload::None, 0, 3, 1000},
    {28, 10, 25, RequestType::Payload::First, 7, 3, 4000},
    {29, 10, 26, RequestType::Payload::None, 0, 3, 2000},
    {30, 12, 22, RequestType::Payload::First, 5, 3, 4000},
    {31, 12, 23, RequestType::Payload::First, 1, 3, 4000},
    {35, 10, 2, RequestType::Payload::None, 0, 3, 300},
    {36, 10, 3, RequestType::Payload::None, 0, 3, 4000},
    {37, 10, 4, RequestType::Payload::Data, 0, 3, 1000},
    {38, 10, 5, RequestType::Payload::Data, 0, 3, 500},
    {42, 10, 27, RequestType::Payload::Data, 0, 3, 1000},
    {47, 10, 6, RequestType::Payload::Data, 0, 3, 4000},
    {51, 11, 42, RequestType::Payload::Data, 0, 3, 4000},
    {53, 11, 46, RequestType::Payload::Data, 0, 3, 4000},
};

// The row of `type`, or null for a type the program does not send.
constexpr const RequestType* FindRequestType(int type)
{
    for (const RequestType& row : kRequestTypes)
        if (row.type == type)
            return &row;
    return nullptr;
}

// The row whose requests carry `frameClass` and `code` (type 8 carries any class), or null.
constexpr const RequestType* FindRequestByCode(int frameClass, int code)
{
    for (const RequestType& row : kRequestTypes)
        if (row.code == code && (row.frameClass < 0 || row.frameClass == frameClass))
            return &row;
    return nullptr;
}

// The length field N a request of `row` must carry, or -1 when any N from 6 up will do.
constexpr int RequiredLength(const RequestType& row)
{
    switch (row.payload) {
    case RequestType::Payload::None:
        return 6;
    case RequestType::Payload::First:
        return row.fixedBytes + 6;
    case RequestType::Payload::Data:
        break;
    }
    return -1;
}

// Writes the frame of request `type` into `frame` (kFrameSize bytes). Bytes the caller did not
// give (a short first-bytes payload, type 8 without data) count as 0. Returns N, or -1 for an
// unlisted type, a negative length, data missing, or a payload above 1017 bytes.
inline int BuildFrame(int type, const std::uint8_t* data, int length, std::uint8_t linkId,
                      std::uint8_t* frame)
{
    const RequestType* row = FindRequestType(type);
    if (!row || length < 0 || (length > 0 && !data))
        return -1;
    const int payload = row->payload == RequestType::Payload::Data    ? length
                        : RequestType::Payload::First == row->payload ? row->fixedBytes
                                                                      : 0;
    if (payload > int(kMaxPayload))
        return -1;
    const std::uint8_t frameClass =
        row->frameClass >= 0 ? std::uint8_t(row->frameClass) : (length > 0 ? data[0] : 0);
    const int size = WriteFrameHeader(frame, std::size_t(payload), linkId, frameClass, row->code);
    std::memset(frame + kOffsetPayload, 0, std::size_t(payload));
    if (payload > 0)
        std::memcpy(frame + kOffsetPayload, data, std::size_t(std::min(payload, length)));
    return size - 1;
}

} // namespace proto
