// Profile (INI) file functions with the rules of the platform reader the program was designed on.
#pragma once

#include <cstddef>
#include <ctime>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

// Reads the value of `key` in `section` of the profile at `path` into `out` (at most size - 1
// bytes plus the terminator). Names compare without regard to case, blanks around the value are
// removed and a value in paired double or single quotes loses them. CR LF, LF and a lone CR
// each end a line. A missing file, section or key gives `defaultText` without its trailing
// blanks; so does anything that is no regular file (a FIFO is never opened for reading). A
// value that is not valid UTF-8 is read as Windows-1252 (Windows-1253 for keys ending "_GRE")
// and converted; a cut never splits a UTF-8 sequence. Returns the bytes in `out`.
// With a null `section` the names of all sections, with a null `key` the names of the
// section's keys, are listed: each name is terminated and the list ends with a second
// terminator, all within `size` bytes; a list cut short returns size - 2.
// The parsed form of each file is kept and used again while the file stays the same.
unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                  char* out, unsigned size, const char* path);

// Reads an integer as the platform does: optional sign, decimal digits (or 0x hex), the rest
// ignored; a value without digits reads as 0, a missing key as `defaultValue`.
unsigned GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                               const char* path);

// Writes `value` under `key` in `section`, creating file, section and key as needed and keeping
// every other line byte for byte. A null `value` removes the key, a null `key` the section.
// Section and key names that could not be read back as written (holding "]", "=" or a control
// character, or beginning with "[" or ";") are refused, as is a value with a line break. A
// symbolic link is written through to its target. The file is replaced atomically; on any
// failure the old file is left as it was and false comes back.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path);

namespace platform {

struct ProfileData;

// A profile file as it was at one moment: lookups with the rules of GetPrivateProfileStringA
// and GetPrivateProfileIntA that all read that same version without going back to the file.
// Reading many keys through one snapshot checks the file once instead of once per key, and
// never mixes two versions of a file that changes meanwhile.
class ProfileSnapshot
{
public:
    explicit ProfileSnapshot(const char* path);
    ~ProfileSnapshot();

    unsigned GetString(const char* section, const char* key, const char* defaultText, char* out,
                       unsigned size) const;
    unsigned GetInt(const char* section, const char* key, int defaultValue) const;

private:
    std::shared_ptr<const ProfileData> data_;
};

// One key to write with writeProfileEntries.
struct ProfileEntry
{
    std::string section;
    std::string key;
    std::string value;
};

// Writes every entry as WritePrivateProfileStringA would, one after the other, in a single
// atomic replace of the file: all of them or, on any failure or refused name, none.
bool writeProfileEntries(const std::vector<ProfileEntry>& entries, const char* path);

// Whether `name` can be written as a section or key name and be read back as written.
bool isProfileName(const char* name);

// Returns `bytes` as UTF-8: unchanged when already valid, otherwise read as Windows-1252
// (or Windows-1253 when `greek`).
std::string toUtf8(const std::string& bytes, bool greek);

// Returns the longest length <= maxBytes at which `text` can be cut without splitting a UTF-8
// sequence.
std::size_t utf8CutLength(const char* text, std::size_t length, std::size_t maxBytes);

// What the profile caches compare on every call: a file counts as unchanged while its device,
// inode, size and modification and change times (with nanoseconds) all stay the same.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileIdentity& other) const;
};
FileIdentity fileIdentity(const struct stat& status);

// The time of the clock that stamps file changes, taken before a file is read. A file whose
// modification time is not before it may change again within the same tick without its
// identity changing, so its cached form must not be trusted.
timespec fileClockNow();
bool trustedAfterRead(const FileIdentity& identity, const timespec& readStart);

// Counts successful profile writes; a cache drops what it read under another count.
unsigned long profileWriteCount();

// Opens `path` for reading without blocking on a FIFO or device. Returns the descriptor of a
// regular file, with its status in `status`; otherwise -1 with errno set (EISDIR for a folder,
// ENODEV for any other kind of file).
int openRegularFile(const char* path, struct stat* status);

// Test seams: when 0 or more, the profile writer fails after writing this many bytes of the new
// file; with the cache off, every read parses the file again from its first line.
void setProfileWriteFailAfter(long long bytes);
void setProfileCacheEnabled(bool enabled);
bool profileCacheEnabled();

} // namespace platform
