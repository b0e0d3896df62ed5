// Profile (INI) file functions with the rules of the platform reader the program was designed on.
#pragma once

#include <cstddef>
#include <string>

// Reads the value of `key` in `section` of the profile at `path` into `out` (at most size - 1
// bytes plus the terminator). Names compare without regard to case, blanks around the value are
// removed and a value in paired double quotes loses them. A missing file, section or key gives
// `defaultText`. A value that is not valid UTF-8 is read as Windows-1252 (Windows-1253 for keys
// ending "_GRE") and converted; a cut never splits a UTF-8 sequence. Returns the bytes in `out`.
unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                  char* out, unsigned size, const char* path);

// Reads an integer as the platform does: optional sign, decimal digits (or 0x hex), the rest
// ignored; a value without digits reads as 0, a missing key as `defaultValue`.
unsigned GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                               const char* path);

// Writes `value` under `key` in `section`, creating file, section and key as needed and keeping
// every other line byte for byte. A null `value` removes the key, a null `key` the section.
// The file is replaced atomically; on any failure the old file is left as it was and false
// comes back.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path);

namespace platform {

// Returns `bytes` as UTF-8: unchanged when already valid, otherwise read as Windows-1252
// (or Windows-1253 when `greek`).
std::string toUtf8(const std::string& bytes, bool greek);

// Returns the longest length <= maxBytes at which `text` can be cut without splitting a UTF-8
// sequence.
std::size_t utf8CutLength(const char* text, std::size_t length, std::size_t maxBytes);

// Test seam: when set, the profile writer fails after writing this many bytes of the new file.
void setProfileWriteFailAfter(long long bytes);

} // namespace platform
