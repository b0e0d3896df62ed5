// File copy with expansion of SZDD-compressed sources, and the parts of a PC path.
#pragma once

#include "core/messages.h"

#include <optional>
#include <string>

class CFileTools
{
public:
    // Results of CopyFileExpanding.
    static constexpr int kCopied = 0;
    static constexpr int kSourceNotOpened = -1;
    static constexpr int kDestinationNotCreated = -2;
    // Read, write or expansion failed after both files were opened; nothing was installed.
    static constexpr int kCopyFailed = -3;

    // Copies `source` to `destination`, expanding a source compressed in the SZDD format and
    // copying any other file byte for byte. A source that is no regular file (a folder, FIFO
    // or device) is refused as one that cannot be opened, without blocking. The data go to a temporary file beside the
    // destination, which replaces the destination only once complete, so a failed copy never
    // leaves a partial file nor harms an existing one. An open failure is described in
    // `openFailure` (the system box to show), when given. Returns one of the results above.
    static int CopyFileExpanding(const char* source, const char* destination,
                                 ErrorReport* openFailure = nullptr);

    // The system box of an open failure (kSourceNotOpened names the source,
    // kDestinationNotCreated the destination); nothing for other results.
    static std::optional<ErrorReport> CopyFailure(int result, const char* source,
                                                  const char* destination);

    // Returns the text before the last "/" (a trailing "/" is not counted), "/" for a file of
    // the root, or "" when the path holds no "/".
    static std::string GetDirectoryPart(const std::string& path);

    // Returns the text after that "/", or the whole path when there is none.
    static std::string GetFileNamePart(const std::string& path);

    // Test seam: when 0 or more, writes of a copy fail once this many bytes were written.
    static void SetWriteFailAfter(long long bytes);
};
