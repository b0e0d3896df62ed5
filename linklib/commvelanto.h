// The C interface of the serial link library COMMVELANTO, with its ordinals; the program loads
// the library at run time and resolves every entry point by ordinal through LinkProcAddress.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#if defined(COMMVELANTO_BUILD)
#define COMMVELANTO_API __attribute__((visibility("default")))
#else
#define COMMVELANTO_API
#endif

// Ordinal 2. `window` is the QObject that receives the notifications (LinkMessageEvent, event
// 1-4 in the first parameter, or 256: the open device has gone away and is closed). Returns the
// link id (0 or more), or -1 no window, -2 no Qt application object, -3 no free link, -4 called
// from a thread other than the application's.
COMMVELANTO_API int LinkInit(void* window, int reserved);
// Ordinal 3. Closes the port if open and forgets the link. Returns 1, or 0 for an unknown id.
COMMVELANTO_API int LinkRelease(int linkId);
// Ordinal 4. Opens the device of COM`port` raw at `baud`, 8N1. `area` (8 bytes, may be null)
// receives the errno of the open (bytes 0-3) and the rate (bytes 4-7), big-endian. Returns 1
// when open, 0 on failure; LinkPortError then says why.
COMMVELANTO_API int LinkOpenPort(int linkId, int reserved, int port, int baud, unsigned char* area);
// Ordinal 14. Opens `device` (a path) as ordinal 4 opens the device of a COM port; `area`,
// the result and LinkPortError as there.
COMMVELANTO_API int LinkOpenDevice(int linkId, const char* device, int baud, unsigned char* area);
// Ordinal 5.
COMMVELANTO_API void LinkClosePort(int linkId);
// Ordinal 6. Takes the oldest received frame into `response` (1024 bytes) and its size into
// `*length`. `*window` is the window given to the LinkSend that the frame answers, or null for
// a frame that answers no request in progress. Returns 1 with a frame, 2 when the frame that
// raised the notification was abandoned by LinkCancel or answers a window that no longer
// exists, 0 on a bad id or argument.
COMMVELANTO_API int LinkReceive(void** window, int linkId, unsigned char* response, int* length);
// Ordinal 7. Queues `frame` (size bytes, the layout of a link frame) for sending on behalf of
// `window`. Returns 1 when accepted, 0 when the port is closed (also after event 256) or the frame
// is malformed. A device that goes away under the write takes the frame with it: 1, and event 256
// follows.
COMMVELANTO_API int LinkSend(void* window, int linkId, const unsigned char* frame, int size);
// Ordinal 8.
COMMVELANTO_API const char* LinkVersion(void);
// Ordinal 9: the build date, "dd/mm/yyyy".
COMMVELANTO_API const char* LinkDate(void);
// Ordinal 11. Abandons the exchange in progress and any received frame not yet taken.
COMMVELANTO_API void LinkCancel(int linkId);
// Ordinal 12. Why the last LinkOpenPort failed, one sentence in English; "" after a success.
COMMVELANTO_API const char* LinkPortError(int linkId);
// Ordinal 13. Why the last LinkOpenPort failed as a code for the program to word
// (proto::PortReason, linklib/protocol.h); 0 after a success or for an unknown id.
COMMVELANTO_API int LinkPortErrorReason(int linkId);

// ELF has no ordinals: this returns the entry point of `ordinal`, or null for an unused one.
COMMVELANTO_API void* LinkProcAddress(int ordinal);

#ifdef __cplusplus
}
#endif

enum LinkOrdinal
{
    kOrdinalLinkInit = 2,
    kOrdinalLinkRelease = 3,
    kOrdinalLinkOpenPort = 4,
    kOrdinalLinkClosePort = 5,
    kOrdinalLinkReceive = 6,
    kOrdinalLinkSend = 7,
    kOrdinalLinkVersion = 8,
    kOrdinalLinkDate = 9,
    kOrdinalLinkCancel = 11,
    kOrdinalLinkPortError = 12,
    kOrdinalLinkPortErrorReason = 13,
    kOrdinalLinkOpenDevice = 14,
};

typedef int (*LinkInitFn)(void*, int);
typedef int (*LinkReleaseFn)(int);
typedef int (*LinkOpenPortFn)(int, int, int, int, unsigned char*);
typedef int (*LinkOpenDeviceFn)(int, const char*, int, unsigned char*);
typedef void (*LinkClosePortFn)(int);
typedef int (*LinkReceiveFn)(void**, int, unsigned char*, int*);
typedef int (*LinkSendFn)(void*, int, const unsigned char*, int);
typedef const char* (*LinkTextFn)(void);
typedef void (*LinkCancelFn)(int);
typedef const char* (*LinkPortErrorFn)(int);
typedef int (*LinkPortErrorReasonFn)(int);
typedef void* (*LinkProcAddressFn)(int);
