// The program's strict profile reader: exact names, untrimmed values, distinct codes for a
// missing file, section or key.
#pragma once

#include "core/messages.h"

#include <cstdio>
#include <functional>

// Results of GetPrivateProfileStringPlus besides a length of 0 or more.
inline constexpr int kProfileOpenFailed = -1; // file exists but cannot be read
inline constexpr int kProfileKeyMissing = -2; // another section starts before the key
inline constexpr int kProfileNotFound = -3;   // no file, no section, or no key before the end

// Reads `key` of `section` in the profile at `path` into `out`, which holds at least `size` + 1
// bytes. Names compare exactly; the value keeps its blanks and is cut to `size` bytes. Returns
// the length now in `out` (the default text when the value is empty), or one of the negative
// codes above with `out` holding `defaultText` (cut to `size` bytes). A FIFO or device counts
// as a missing file and is never opened. The lines of a file are kept and used again while the
// file stays the same. A file that exists but cannot be opened is described in `openFailure`
// (the box "File ... could not be opened" the caller shows), when given.
int GetPrivateProfileStringPlus(const char* section, const char* key, const char* defaultText,
                                char* out, unsigned size, const char* path,
                                ErrorReport* openFailure = nullptr);

// Returns the file-exception cause number (0 none ... 14 end of file) that the message of a
// failed open shows for the system error `error`.
int FileErrorCause(int error);

// Test seam: when set, replaces the open that follows the existence check (every read then
// goes to the file). The hook returns an open stream, or nullptr with errno set.
using ProfileOpenHook = std::function<std::FILE*(const char* path)>;
void SetProfilePlusOpenHook(ProfileOpenHook hook);
