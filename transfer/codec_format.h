// The compressed format's layout and the byte endpoints (files, memory) that the codec's encoding
// and decoding halves share; not for use outside the codec.
#pragma once

#include "transfer/codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

// On x86-64 the hot loops of both directions are built a second time for processors with the
// BMI2 shifts, which take their count from any register and leave the flags alone, and chosen
// at run time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZOLT_CODEC_BMI2 1
#endif

namespace codec_internal {

#ifdef ZOLT_CODEC_BMI2
inline bool haveBmi2()
{
    static const bool have = __builtin_cpu_supports("bmi2");
    return have;
}
#endif

constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::size_t kPadding = 16; // zero bytes behind the valid input; 8-byte stores overhang
constexpr int kMaxNodes = 511;       // a full tree over all 256 byte values
constexpr int kMaxCodeBits = 32;
constexpr std::size_t kHeaderSize = 8;

// The header: marker 0x01, a check byte that makes the eight bytes add up to 0xFF modulo 256,
// the CRC of the original bytes and their length, both most significant byte first.
void writeHeader(std::uint16_t crc, std::uint32_t length, std::uint8_t (&header)[kHeaderSize]);

// The sum of `n` header bytes modulo 256: 0xFF for a sound header.
unsigned headerSum(const std::uint8_t* header, std::size_t n);

struct HeaderFields
{
    std::uint16_t crc;
    std::uint64_t length;
};
HeaderFields readHeaderFields(const std::uint8_t (&header)[kHeaderSize]);

std::string formatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline std::uint64_t loadBigEndian64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

inline void storeBigEndian64(std::uint8_t* p, std::uint64_t v)
{
    v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

// Where the bytes come from: a file or memory. Both directions read in blocks.
class Source
{
public:
    virtual ~Source() = default;
    // Reads up to `n` bytes; returns 0 only at the end of the input or on a read error.
    virtual std::size_t read(std::uint8_t* dst, std::size_t n) = 0;
    // The next up to `n` bytes, read into `scratch` or seen where they lie; empty only at the
    // end of the input or on a read error.
    virtual std::span<const std::uint8_t> next(std::uint8_t* scratch, std::size_t n)
    {
        return {scratch, read(scratch, n)};
    }
    virtual bool rewind() = 0;
};

// Where the bytes go. Decompression opens it only once header and tree have proved sound.
class Sink
{
public:
    virtual ~Sink() = default;
    virtual bool open() = 0;
    virtual bool write(const std::uint8_t* src, std::size_t n) = 0;
    // About how many bytes will follow; a hint for sinks that can make room ahead.
    virtual void expect(std::uint64_t) {}
    // Where the next `n` bytes may be written in place, taken as written; null for a sink
    // that takes them through write() alone.
    virtual std::uint8_t* room(std::size_t) { return nullptr; }
};

class FileSource final : public Source
{
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    std::size_t read(std::uint8_t* dst, std::size_t n) override
    {
        return std::fread(dst, 1, n, file_);
    }
    bool rewind() override
    {
        std::clearerr(file_);
        return std::fseek(file_, 0, SEEK_SET) == 0;
    }

private:
    std::FILE* file_;
};

class FileSink final : public Sink
{
public:
    FileSink(const char* path, std::FILE* file, const CodecDiagnostics& diagnostics)
        : path_(path), file_(file), diagnostics_(diagnostics)
    {
    }
    bool open() override
    {
        if (!file_)
            file_ = std::fopen(path_, "wb");
        if (!file_)
            diagnostics_(formatLine("Impossibile aprire outfile A %s\n", path_));
        return file_ != nullptr;
    }
    bool write(const std::uint8_t* src, std::size_t n) override
    {
        if (std::fwrite(src, 1, n, file_) == n)
            return true;
        writeFailed_ = true;
        return false;
    }
    std::FILE* file() const { return file_; }
    bool writeFailed() const { return writeFailed_; }

private:
    const char* path_;
    std::FILE* file_;
    const CodecDiagnostics& diagnostics_;
    bool writeFailed_ = false;
};

class MemorySource final : public Source
{
public:
    explicit MemorySource(std::span<const std::uint8_t> data) : data_(data) {}
    std::size_t read(std::uint8_t* dst, std::size_t n) override
    {
        const auto piece = next(dst, n);
        if (!piece.empty())
            std::memcpy(dst, piece.data(), piece.size());
        return piece.size();
    }
    std::span<const std::uint8_t> next(std::uint8_t*, std::size_t n) override
    {
        n = std::min(n, data_.size() - pos_);
        const auto piece = data_.subspan(pos_, n);
        pos_ += n;
        return piece;
    }
    bool rewind() override
    {
        pos_ = 0;
        return true;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

class MemorySink final : public Sink
{
public:
    // `most` bounds the room made ahead, whatever a header claims.
    explicit MemorySink(std::vector<std::uint8_t>& out, std::uint64_t most = UINT64_MAX)
        : out_(out), most_(most)
    {
    }
    bool open() override { return true; }
    bool write(const std::uint8_t* src, std::size_t n) override
    {
        out_.insert(out_.end(), src, src + n);
        return true;
    }
    std::uint8_t* room(std::size_t n) override
    {
        const std::size_t at = out_.size();
        out_.resize(at + n);
        return out_.data() + at;
    }
    void expect(std::uint64_t n) override
    {
        out_.reserve(out_.size() + static_cast<std::size_t>(std::min(n, most_)));
    }

private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t most_;
};

} // namespace codec_internal
