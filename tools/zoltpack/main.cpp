// Command-line front end of the codec: compresses or expands one file. Expansion checks first
// that the file can hold what its header declares, and writes beside the output, so that a
// failure leaves no half-written file and no earlier file destroyed.
#include "transfer/codec.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

int usage()
{
    std::fprintf(stderr, "usage: zoltpack compress IN OUT | "
                         "zoltpack decompress [--keep-partial] IN OUT\n");
    return 2;
}

// The CRC of `length` bytes of `value`, the whole content of a single-value file.
std::uint16_t crcOfRun(std::uint8_t value, std::uint64_t length)
{
    static std::uint8_t block[64 * 1024];
    std::memset(block, value, sizeof block);
    std::uint16_t crc = 0;
    for (; length >= sizeof block; length -= sizeof block)
        crc = crc16Kermit(block, crc);
    return crc16Kermit({block, static_cast<std::size_t>(length)}, crc);
}

// Why `in` cannot be a sound compressed file, or an empty string. Every value of a tree of two
// or more leaves takes at least one bit, so the declared length cannot exceed the bits after the
// tree; a single-value file has no code bits, and its CRC is checked instead.
std::string refusal(const char* in, const CompressedLayout& layout)
{
    char line[256];
    if (layout.singleValue) {
        if (crcOfRun(layout.value, layout.length) == layout.crc)
            return {};
        std::snprintf(line, sizeof line,
                      "%s declares %llu bytes of one value, but their CRC is not the header's", in,
                      static_cast<unsigned long long>(layout.length));
        return line;
    }
    if (layout.length <= layout.codeBits)
        return {};
    std::snprintf(line, sizeof line,
                  "%s declares %llu bytes, but only %llu bits of codes follow its tree", in,
                  static_cast<unsigned long long>(layout.length),
                  static_cast<unsigned long long>(layout.codeBits));
    return line;
}

int decompress(const char* in, const char* out, bool keepPartial)
{
    struct stat status;
    if (stat(in, &status) != 0)
        return decompressFileWithOutcome(in, out).ok() ? 0 : 1; // says that it cannot open it
    if (!S_ISREG(status.st_mode)) {
        std::fprintf(stderr, "zoltpack: %s is not a regular file\n", in);
        return 1;
    }
    const CompressedLayout layout = inspectCompressedFile(in);
    if (layout.sound) {
        const std::string why = refusal(in, layout);
        if (!why.empty()) {
            std::fprintf(stderr, "zoltpack: %s: not a sound compressed file, nothing written\n",
                         why.c_str());
            return 1;
        }
    }

    // A device or a pipe is written as it is; a file (or what a link names) only by renaming a
    // complete expansion into place.
    std::error_code error;
    const fs::path given(out);
    const fs::file_status outStatus = fs::status(given, error);
    if (fs::exists(outStatus) && !fs::is_regular_file(outStatus))
        return decompressFileWithOutcome(in, out).ok() ? 0 : 1;
    const fs::path target = fs::exists(outStatus) ? fs::canonical(given, error) : given;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        std::fprintf(stderr, "zoltpack: cannot write in %s: %s\n", folder.c_str(),
                     std::strerror(errno));
        return 1;
    }
    // The mode a new file gets, or the one the file being replaced has.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, fs::exists(outStatus) ? static_cast<mode_t>(outStatus.permissions())
                                     : static_cast<mode_t>(0666 & ~mask));
    close(fd);

    // The codec's lines name the output the user gave, not the file beside it.
    const auto diagnostics = [&temporary, out](const std::string& line) {
        std::string shown = line;
        if (const auto at = shown.find(temporary); at != std::string::npos)
            shown.replace(at, temporary.size(), out);
        printCodecDiagnostic(shown);
    };
    const DecompressOutcome outcome = decompressFileWithOutcome(in, temporary.c_str(), diagnostics);
    if (outcome.ok() || (keepPartial && outcome.outputWritten)) {
        if (std::rename(temporary.c_str(), target.c_str()) != 0) {
            std::fprintf(stderr, "zoltpack: cannot write %s: %s\n", target.c_str(),
                         std::strerror(errno));
            std::remove(temporary.c_str());
            return 1;
        }
        if (!outcome.ok())
            std::fprintf(stderr, "zoltpack: expansion failed; %s holds what was expanded\n", out);
        return outcome.ok() ? 0 : 1;
    }
    std::remove(temporary.c_str());
    if (outcome.outputWritten)
        std::fprintf(stderr,
                     "zoltpack: expansion failed; %s not written (--keep-partial keeps what "
                     "was expanded)\n",
                     out);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<const char*> operands;
    bool keepPartial = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep-partial") == 0)
            keepPartial = true;
        else
            operands.push_back(argv[i]);
    }
    if (operands.size() != 3)
        return usage();
    if (std::strcmp(operands[0], "compress") == 0 && !keepPartial)
        return compressFile(operands[1], operands[2]) == 0 ? 0 : 1;
    if (std::strcmp(operands[0], "decompress") == 0)
        return decompress(operands[1], operands[2], keepPartial);
    return usage();
}
