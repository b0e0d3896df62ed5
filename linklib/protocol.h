// The numbers of the link protocol in one place: frame layout, the request types the program
// sends and the codes of their answers, answer statuses, the copy's block size, the link
// library's events and the link's times. Shared by the link, the engines, the link library,
// the tester simulator and zoltctl; header only, no dependencies.
#pragma once

#include <cstddef>
#include <cstdint>

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
inline constexpr int kOffsetLinkId = 4;
inline constexpr int kOffsetClass = 5;
inline constexpr int kOffsetCode = 6;
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

} // namespace proto
