// Static-Huffman compression and expansion, table-driven in both directions over block I/O.
#include "transfer/codec.h"

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

// On x86-64 the hot loops of both directions are built a second time for processors with the
// BMI2 shifts, which take their count from any register and leave the flags alone, and chosen
// at run time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZOLT_CODEC_BMI2 1
#endif

namespace {

#ifdef ZOLT_CODEC_BMI2
bool haveBmi2()
{
    static const bool have = __builtin_cpu_supports("bmi2");
    return have;
}
#endif

constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::size_t kEncodeChunk = 16 * 1024;
constexpr std::size_t kWriteBlock = 256 * 1024;
constexpr std::size_t kPadding = 16; // zero bytes behind the valid input; 8-byte stores overhang
constexpr int kMaxNodes = 511;       // a full tree over all 256 byte values
constexpr int kMaxCodeBits = 32;
constexpr int kTableBits = 12; // widest decoding table: 4096 entries
constexpr std::uint16_t kLongCode = 0x8000;

std::string formatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string formatLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    std::vsnprintf(line.data(), line.size() + 1, format, args);
    va_end(args);
    return line;
}

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

// ---------------------------------------------------------------------------------------------
// Compression

// Node table of one compression: leaves carry a byte value, internal nodes two children.
struct EncodeTree
{
    std::int16_t left[kMaxNodes];
    std::int16_t right[kMaxNodes];
    std::uint8_t value[kMaxNodes];
    int count = 0;

    int add(std::uint8_t v)
    {
        const int n = count++;
        left[n] = right[n] = -1;
        value[n] = v;
        return n;
    }
    bool isLeaf(int n) const { return left[n] < 0 && right[n] < 0; }
};

// Builds the tree exactly as the format prescribes (each choice below decides the bytes written):
// a list of the occurring values in ascending order; the least weight is found scanning from the
// last position down, replacing the best only on a strictly smaller weight, and swapped to the
// end; the same over the rest, swapped next to it; the least becomes the left child. Returns the
// root.
//
// The scan is answered by a tournament over the list positions instead of by scanning. Each
// player's key is its weight above the complement of its position, so the smaller key is the
// lighter entry and, on equal weights, the one at the higher position: the entry the downward
// scan with its strict comparison keeps. Positions past the scanned range hold a key above any
// other, so a selection and each swap cost one walk up the tournament.
int buildTree(const std::uint64_t (&counts)[256], EncodeTree& tree)
{
    constexpr int kPlayers = 256;
    constexpr std::uint64_t kOutside = UINT64_MAX; // weights stay below 2^32: no key reaches it
    std::uint64_t key[2 * kPlayers]; // key[kPlayers + position]; key[k]: least of its two below
    int subtree[kPlayers];
    const auto keyOf = [](std::uint64_t weight, int position) {
        return weight << 8 | static_cast<unsigned>(kPlayers - 1 - position);
    };
    int n = -1;
    for (int v = 0; v < 256; ++v) {
        if (counts[v]) {
            ++n;
            key[kPlayers + n] = keyOf(counts[v], n);
            subtree[n] = tree.add(static_cast<std::uint8_t>(v));
        }
    }
    if (n < 0)
        return -1;
    std::fill(key + kPlayers + n + 1, key + 2 * kPlayers, kOutside);
    for (int k = kPlayers - 1; k >= 1; --k)
        key[k] = std::min(key[2 * k], key[2 * k + 1]);
    const auto place = [&key](int position, std::uint64_t k) {
        unsigned at = static_cast<unsigned>(kPlayers + position);
        key[at] = k;
        for (; at > 1; at >>= 1) {
            k = std::min(k, key[at ^ 1]);
            key[at >> 1] = k;
        }
    };
    // Swaps the least entry of positions 0..last into `last` and returns its weight. `last`
    // leaves the play at once, or, for the second of a pair, when the sum takes its place.
    const auto leastToEnd = [&](int last, bool takeOut) {
        const int best = kPlayers - 1 - static_cast<int>(key[1] & 0xFF);
        const std::uint64_t least = key[1] >> 8;
        if (best != last) {
            std::swap(subtree[best], subtree[last]);
            place(best, keyOf(key[kPlayers + last] >> 8, best));
        }
        if (takeOut)
            place(last, kOutside);
        return least;
    };
    while (n > 0) {
        const std::uint64_t least = leastToEnd(n, true);
        const std::uint64_t sum = least + leastToEnd(n - 1, false);
        const int node = tree.add(0);
        tree.left[node] = static_cast<std::int16_t>(subtree[n]);
        tree.right[node] = static_cast<std::int16_t>(subtree[n - 1]);
        subtree[n - 1] = node;
        place(n - 1, keyOf(sum, n - 1));
        --n;
    }
    return subtree[0];
}

// The codes of one compression, one entry per byte value: the code left-aligned in a 64-bit
// word (root edge in bit 63, every bit below the code zero) and its length beside it. A value
// that did not occur in the counting pass has the length kAbsentLength, longer than any group of
// codes may be, so that meeting it sends the coder down its careful path.
constexpr unsigned kAbsentLength = 0xFF;

struct CodeTable
{
    std::uint64_t code[256];
    std::uint8_t length[256];
};

// Derives every value's code by one walk down from the root, the path to each leaf read from
// the root edge. False when a code would need a 33rd bit.
bool deriveCodes(const EncodeTree& tree, int root, CodeTable& codes)
{
    std::fill(codes.code, codes.code + 256, 0);
    std::fill(codes.length, codes.length + 256, kAbsentLength);
    struct Step
    {
        int node;
        std::uint64_t code; // left-aligned
        int length;
    };
    Step stack[kMaxNodes + 1];
    int top = 0;
    stack[top++] = {root, 0, 0};
    while (top) {
        const Step at = stack[--top];
        if (tree.isLeaf(at.node)) {
            codes.code[tree.value[at.node]] = at.code;
            codes.length[tree.value[at.node]] = static_cast<std::uint8_t>(at.length);
        } else if (at.length == kMaxCodeBits) {
            return false;
        } else {
            const std::uint64_t one = std::uint64_t{1} << (63 - at.length);
            stack[top++] = {tree.right[at.node], at.code | one, at.length + 1};
            stack[top++] = {tree.left[at.node], at.code, at.length + 1};
        }
    }
    return true;
}

// The coder's state between groups of codes: bits not yet written, left-aligned in `acc` (the
// oldest in bit 63, zeros below the last), `used` of them, and where the next byte goes.
struct CoderState
{
    std::uint64_t acc;
    unsigned used;
    std::uint8_t* out;

    // Appends a left-aligned code of `length` bits (at most 32; 7 bits at most are pending) and
    // writes out what became whole bytes.
    void put(std::uint64_t code, unsigned length)
    {
        acc |= code >> used;
        used += length;
        flush();
    }

    // Writes the whole bytes among the `used` bits (all eight bytes are stored; only the whole
    // ones count) and keeps the rest, at most 7 bits. `used` must be below 64.
    void flush()
    {
        storeBigEndian64(out, acc);
        out += used >> 3;
        acc <<= used & 56;
        used &= 7;
    }
};

// Four codes placed one after another behind `at` used bits, each shifted to its place at once
// from the running sum of the lengths, so that no code waits for the one before it. Shifts are
// taken modulo 64: a group whose lengths add up past the word is thrown away by the caller.
struct Placed
{
    std::uint64_t bits;
    unsigned total;
};

[[gnu::always_inline]] inline Placed placeFour(const std::uint8_t* d, const CodeTable& t,
                                                unsigned at)
{
    const unsigned l0 = t.length[d[0]];
    const unsigned l1 = t.length[d[1]];
    const unsigned l2 = t.length[d[2]];
    const unsigned l3 = t.length[d[3]];
    const unsigned a1 = at + l0;
    const unsigned a2 = at + (l0 + l1);
    const unsigned a3 = a2 + l2;
    const std::uint64_t bits = (t.code[d[0]] >> (at & 63) | t.code[d[1]] >> (a1 & 63)) |
                               (t.code[d[2]] >> (a2 & 63) | t.code[d[3]] >> (a3 & 63));
    return {bits, (l0 + l1) + (l2 + l3)};
}

// Codes one value on its own; false for a value without a code. At most 7 + 32 bits are held.
[[gnu::always_inline]] inline bool codeOne(std::uint8_t value, const CodeTable& t, CoderState& s)
{
    const unsigned length = t.length[value];
    if (length == kAbsentLength) [[unlikely]]
        return false;
    s.put(t.code[value], length);
    return true;
}

// Codes `n` values one at a time: the way out of the fast loop, for a group whose codes do not
// fit the word and for the last few values, kept out of that loop so that its state stays in
// registers (it takes the state and gives it back by value). `coded` is false when a value
// without a code was met.
struct Careful
{
    CoderState state;
    bool coded;
};

[[gnu::noinline]] Careful codeCarefully(const std::uint8_t* d, std::size_t n, const CodeTable& t,
                                        CoderState s)
{
    bool coded = true;
    for (std::size_t i = 0; i < n; ++i)
        coded &= codeOne(d[i], t, s);
    return {s, coded};
}

// Codes `n` values four per store; a group whose codes do not fit the word behind the pending
// bits goes the careful way. Returns false when a value without a code was met. The output must
// have room for n * 4 + 8 bytes.
[[gnu::always_inline]] inline bool codeRun(const std::uint8_t* data, std::size_t n,
                                           const CodeTable& t, CoderState& state)
{
    CoderState s = state; // in registers for the whole run
    bool coded = true;
    const auto carefully = [&](const std::uint8_t* d, std::size_t count) {
        const Careful c = codeCarefully(d, count, t, s);
        s = c.state;
        coded &= c.coded;
    };
    const std::uint8_t* p = data;
    const std::uint8_t* const end = data + n;
    for (; end - p >= 4; p += 4) {
        const Placed four = placeFour(p, t, s.used);
        const unsigned used = s.used + four.total;
        if (used <= 63) [[likely]] {
            s.acc |= four.bits;
            s.used = used;
            s.flush();
        } else {
            carefully(p, 4);
        }
    }
    if (p < end)
        carefully(p, static_cast<std::size_t>(end - p));
    state = s;
    return coded;
}

bool codeRunPlain(const std::uint8_t* data, std::size_t n, const CodeTable& t, CoderState& s)
{
    return codeRun(data, n, t, s);
}

#ifdef ZOLT_CODEC_BMI2
[[gnu::target("bmi2")]] bool codeRunBmi2(const std::uint8_t* data, std::size_t n,
                                         const CodeTable& t, CoderState& s)
{
    return codeRun(data, n, t, s);
}
#endif

using CodeRunFunction = bool (*)(const std::uint8_t*, std::size_t, const CodeTable&, CoderState&);

CodeRunFunction pickCodeRun()
{
#ifdef ZOLT_CODEC_BMI2
    if (haveBmi2())
        return codeRunBmi2;
#endif
    return codeRunPlain;
}

// Collects bits most significant first and hands whole blocks to the sink. Bits that do not
// yet fill a byte stay in the accumulator; at most 7 are pending between calls.
class BitWriter
{
public:
    BitWriter(Sink& sink, const CodecDiagnostics& diagnostics)
        : sink_(sink), diagnostics_(diagnostics),
          buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(kWriteBlock + kPadding)),
          state_{0, 0, buffer_.get()}
    {
    }

    void putByte(std::uint8_t byte) { *state_.out++ = byte; }

    void putBit(unsigned bit) { putBits(bit, 1); }

    // Appends the low `length` bits of `code` (1 to 32).
    void putBits(std::uint32_t code, unsigned length)
    {
        state_.put(std::uint64_t{code} << (64 - length), length);
        if (state_.out >= buffer_.get() + kWriteBlock - 64)
            drain();
    }

    // Codes every byte of `data` (at most kEncodeChunk bytes) through `run`. Returns false when
    // a value without a code was met.
    bool encode(const std::uint8_t* data, std::size_t n, const CodeTable& codes, CodeRunFunction run)
    {
        if (state_.out + n * 4 + kPadding > buffer_.get() + kWriteBlock)
            drain();
        return run(data, n, codes, state_);
    }

    // Writes the closing byte: pending bits left-aligned, or 0x00 when none are pending.
    void close()
    {
        *state_.out++ = static_cast<std::uint8_t>(state_.acc >> 56);
        state_.acc = 0;
        state_.used = 0;
        drain();
    }

    bool failed() const { return failed_; }

private:
    void drain()
    {
        const std::size_t n = static_cast<std::size_t>(state_.out - buffer_.get());
        if (n && !failed_ && !sink_.write(buffer_.get(), n)) {
            failed_ = true;
            diagnostics_("ERROR_ZIPe di scrittura su outfile in putBit\n");
        }
        state_.out = buffer_.get();
    }

    Sink& sink_;
    const CodecDiagnostics& diagnostics_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    CoderState state_;
    bool failed_ = false;
};

// Adds the byte counts of one block, through four tables to keep the increments independent.
void countBytes(const std::uint8_t* p, std::size_t n, std::uint64_t (&counts)[256])
{
    std::uint32_t c[4][256] = {};
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        ++c[0][w & 0xFF];
        ++c[1][(w >> 8) & 0xFF];
        ++c[2][(w >> 16) & 0xFF];
        ++c[3][(w >> 24) & 0xFF];
        ++c[0][(w >> 32) & 0xFF];
        ++c[1][(w >> 40) & 0xFF];
        ++c[2][(w >> 48) & 0xFF];
        ++c[3][w >> 56];
    }
    for (; i < n; ++i)
        ++c[0][p[i]];
    for (int v = 0; v < 256; ++v)
        counts[v] += std::uint64_t{c[0][v]} + c[1][v] + c[2][v] + c[3][v];
}

// Compresses `in`, whose size is `size`, into the already opened `out`.
int compressStream(Source& in, std::uint64_t size, Sink& out, const CodecDiagnostics& diagnostics)
{
    // The length field has 32 bits: a larger file cannot be described, so it is refused (before
    // reading gigabytes to no purpose).
    if (size > UINT32_MAX) {
        diagnostics("Incoerenza nella lunghezza del file.\n");
        return -1;
    }
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kReadBlock);
    std::uint64_t counts[256] = {};
    std::uint16_t crc = 0;
    std::uint64_t total = 0;
    for (auto piece = in.next(block.get(), kReadBlock); !piece.empty();
         piece = in.next(block.get(), kReadBlock)) {
        countBytes(piece.data(), piece.size(), counts);
        crc = crc16Kermit(piece, crc);
        total += piece.size();
    }
    if (total == 0) {
        diagnostics("Letti 0 caratteri.\n");
        return -1;
    }
    if (total != size) {
        diagnostics("Incoerenza nella lunghezza del file.\n");
        return -1;
    }

    EncodeTree tree;
    const int root = buildTree(counts, tree);
    CodeTable codes;
    // A file of a single byte value gives a tree that is one leaf, whose code has zero bits: the
    // file is the header, the nine-bit tree description and the closing byte, and nothing is
    // written per byte. The decoder, finding a leaf at the root, writes that value as many times
    // as the header's length says without reading code bits.
    if (!deriveCodes(tree, root, codes)) {
        diagnostics(formatLine("Albero degenerato (%d bit).\n", kMaxCodeBits + 1));
        return -1;
    }

    std::uint64_t bits = 64 + 10 * static_cast<std::uint64_t>(tree.count / 2 + 1) - 1;
    for (int v = 0; v < 256; ++v)
        bits += counts[v] * codes.length[v];
    out.expect(bits / 8 + 1);
    const CodeRunFunction run = pickCodeRun();
    BitWriter writer(out, diagnostics);
    const std::uint8_t header[8] = {0x01,
                                    0,
                                    static_cast<std::uint8_t>(crc >> 8),
                                    static_cast<std::uint8_t>(crc),
                                    static_cast<std::uint8_t>(size >> 24),
                                    static_cast<std::uint8_t>(size >> 16),
                                    static_cast<std::uint8_t>(size >> 8),
                                    static_cast<std::uint8_t>(size)};
    unsigned sum = 0;
    for (std::uint8_t b : header)
        sum += b;
    for (int i = 0; i < 8; ++i)
        writer.putByte(i == 1 ? static_cast<std::uint8_t>(0xFF - sum) : header[i]);

    // Tree description in pre-order: 0 for an internal node, 1 and eight value bits for a leaf.
    int stack[kMaxNodes + 1];
    int top = 0;
    stack[top++] = root;
    while (top) {
        const int n = stack[--top];
        if (tree.isLeaf(n)) {
            writer.putBits(0x100u | tree.value[n], 9);
        } else {
            writer.putBit(0);
            stack[top++] = tree.right[n];
            stack[top++] = tree.left[n];
        }
    }

    // Second pass. A file that changed since the counting pass would be coded wrongly (a value
    // without a code, or a different length): that is refused rather than written as success.
    std::uint64_t coded = 0;
    bool everyValueCoded = true;
    if (in.rewind()) {
        for (auto piece = in.next(block.get(), kReadBlock); !piece.empty();
             piece = in.next(block.get(), kReadBlock)) {
            const std::size_t n = piece.size();
            for (std::size_t i = 0; i < n; i += kEncodeChunk)
                everyValueCoded &= writer.encode(piece.data() + i, std::min(kEncodeChunk, n - i),
                                                 codes, run);
            coded += n;
            if (writer.failed())
                break;
        }
    }
    writer.close();
    if (writer.failed())
        return -1;
    if (coded != size || !everyValueCoded) {
        diagnostics("Incoerenza nella lunghezza del file.\n");
        return -1;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Decompression

// Gives the compressed input bit by bit or in table-sized bites. Bits are held left-aligned in a
// 64-bit buffer refilled eight bytes at a time; past the end of the input it gives 0 bits, as
// the format requires, and remembers that it did.
class BitReader
{
public:
    explicit BitReader(Source& source)
        : source_(source),
          buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(kReadBlock + kPadding))
    {
        p = end = buffer_.get();
    }

    // Reads up to `n` raw bytes; only before any bit has been taken.
    std::size_t readBytes(std::uint8_t* dst, std::size_t n)
    {
        fetch();
        n = std::min(n, static_cast<std::size_t>(end - p));
        std::memcpy(dst, p, n);
        p += n;
        return n;
    }

    unsigned getBit()
    {
        if (count == 0)
            refill();
        const unsigned bit = static_cast<unsigned>(bits >> 63);
        bits <<= 1;
        --count;
        return bit;
    }

    unsigned getBits(unsigned n)
    {
        unsigned v = 0;
        while (n--)
            v = (v << 1) | getBit();
        return v;
    }

    void refill()
    {
        if (end - p < 8) [[unlikely]]
            fetch();
        bits |= loadBigEndian64(p) >> count;
        p += (63 - count) >> 3;
        count |= 56;
    }

    // Keeps at least eight readable bytes ahead of `p`: moves the unread rest to the front and
    // reads more; at the end of the input the bytes behind it are zeros.
    void fetch()
    {
        if (!eof_) {
            const std::size_t keep = static_cast<std::size_t>(end - p);
            std::memmove(buffer_.get(), p, keep);
            base_ += static_cast<std::uint64_t>(p - buffer_.get());
            p = buffer_.get();
            end = p + keep;
            while (end < buffer_.get() + kReadBlock) {
                const std::size_t n = source_.read(end, kReadBlock - (end - p));
                if (n == 0) {
                    eof_ = true;
                    break;
                }
                end += n;
            }
            std::memset(end, 0, kPadding);
        }
        if (eof_ && p > end) {
            beyond_ += static_cast<std::uint64_t>(p - end);
            p = end;
        }
    }

    // True once a bit behind the last input byte has been taken.
    bool pastEnd() const
    {
        if (!eof_)
            return false;
        const std::uint64_t taken =
            (base_ + static_cast<std::uint64_t>(p - buffer_.get()) + beyond_) * 8 - count;
        return taken > (base_ + static_cast<std::uint64_t>(end - buffer_.get())) * 8;
    }

    std::uint64_t bits = 0;    // next bit in bit 63
    unsigned count = 0;        // valid bits in `bits`
    std::uint8_t* p = nullptr; // next byte not yet in `bits`
    std::uint8_t* end = nullptr;

private:
    Source& source_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint64_t base_ = 0;   // input offset of the buffer's first byte
    std::uint64_t beyond_ = 0; // zero bytes taken behind the end of the input
    bool eof_ = false;
};

// Node table of one decompression, filled from the tree description.
struct DecodeTree
{
    std::int16_t child[kMaxNodes][2];
    std::uint8_t value[kMaxNodes];
    int count = 0;

    bool isLeaf(int n) const { return child[n][0] < 0; }
};

// Reads the pre-order description without recursion. Returns false when it describes more than
// 511 nodes: no full tree over 256 values has more, so the file is corrupt.
bool readTree(BitReader& reader, DecodeTree& tree)
{
    int slots[kMaxNodes + 2]; // where the next node goes: parent * 2 + side, -1 for the root
    int top = 0;
    slots[top++] = -1;
    while (top) {
        const int slot = slots[--top];
        if (tree.count == kMaxNodes)
            return false;
        const int n = tree.count++;
        if (slot >= 0)
            tree.child[slot >> 1][slot & 1] = static_cast<std::int16_t>(n);
        tree.child[n][0] = tree.child[n][1] = -1;
        tree.value[n] = 0;
        if (reader.getBit()) {
            tree.value[n] = static_cast<std::uint8_t>(reader.getBits(8));
        } else {
            slots[top++] = n * 2 + 1;
            slots[top++] = n * 2;
        }
    }
    return true;
}

// Entry for each `bits`-bit prefix: value | length << 8 for a code of up to `bits` bits,
// otherwise kLongCode | the internal node reached after them, from which decoding goes on bit by
// bit.
void fillTable(const DecodeTree& tree, int bits, int node, int depth, unsigned prefix,
               std::uint16_t* table)
{
    if (tree.isLeaf(node)) {
        const unsigned shift = static_cast<unsigned>(bits - depth);
        std::fill_n(table + (prefix << shift), std::size_t{1} << shift,
                    static_cast<std::uint16_t>(tree.value[node] | depth << 8));
    } else if (depth == bits) {
        table[prefix] = static_cast<std::uint16_t>(kLongCode | node);
    } else {
        fillTable(tree, bits, tree.child[node][0], depth + 1, prefix << 1, table);
        fillTable(tree, bits, tree.child[node][1], depth + 1, (prefix << 1) | 1, table);
    }
}

// Widens the single-code table: from each window the entry takes as many whole codes as fit, up
// to three. Layout, in 32 bits so that the widest table stays in the first-level cache: bits
// taken by all of them in bits 0..5 (so that the shift needs no masking), their number in 6..7,
// the values in 8..31 (first in the lowest byte); or, for a first code longer than the table,
// number 0 and the internal node reached in bits 8..16.
constexpr int kMaxPerEntry = 3;
constexpr int kLookupsPerRefill = 4; // a refill leaves at least 56 bits
static_assert(kLookupsPerRefill * kTableBits <= 56);

void widenTable(int bits, const std::uint16_t* single, std::uint32_t* multi)
{
    const unsigned kMask = (1u << bits) - 1;
    for (unsigned x = 0; x <= kMask; ++x) {
        const unsigned first = single[x];
        if (first & kLongCode) {
            multi[x] = (first & 0x1FF) << 8;
            continue;
        }
        std::uint32_t values = 0;
        unsigned taken = 0;
        unsigned n = 0;
        while (n < kMaxPerEntry) {
            const unsigned e = single[(x << taken) & kMask];
            const unsigned len = e >> 8;
            if ((e & kLongCode) || taken + len > static_cast<unsigned>(bits))
                break;
            values |= (e & 0xFF) << (8 * n);
            taken += len;
            ++n;
        }
        multi[x] = taken | n << 6 | values << 8;
    }
}

// Decodes `length` bytes into `out` block by block; false when the sink refuses a block.
[[gnu::always_inline]] inline bool decodeAllBody(BitReader& reader, const DecodeTree& tree,
                                                 std::uint64_t length, Sink& out,
                                                 std::uint16_t& crc)
{
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kReadBlock);
    if (tree.isLeaf(0)) {
        std::uint8_t* const o = block.get();
        std::memset(o, tree.value[0], kReadBlock);
        while (length) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(length, kReadBlock));
            crc = crc16Kermit({o, n}, crc);
            if (!out.write(o, n))
                return false;
            length -= n;
        }
        return true;
    }

    // Each entry of the table costs a few values' decoding to build, and each value whose code is
    // longer than the table costs several: one entry per 32 values or fewer balances the two on
    // executables and texts; 512 entries at the least, 4096 at the most.
    const int tableBits =
        std::clamp(static_cast<int>(std::bit_width(length / 32)) - 1, kTableBits - 3, kTableBits);
    const int drop = 64 - tableBits;
    std::uint16_t single[1 << kTableBits];
    fillTable(tree, tableBits, 0, 0, 0, single);
    auto wide = std::make_unique_for_overwrite<std::uint32_t[]>(std::size_t{1} << tableBits);
    widenTable(tableBits, single, wide.get());
    const std::uint32_t* const table = wide.get();

    // The hot state lives in locals so that the byte stores cannot force it back to memory.
    std::uint64_t bits = reader.bits;
    unsigned count = reader.count;
    std::uint8_t* p = reader.p;
    std::uint8_t* end = reader.end;
    const auto refill = [&] {
        if (end - p < 8) [[unlikely]] {
            reader.p = p;
            reader.fetch();
            p = reader.p;
            end = reader.end;
        }
        bits |= loadBigEndian64(p) >> count;
        p += (63 - count) >> 3;
        count |= 56;
    };
    // A code longer than the table: go on from the node the table reached, one bit at a time.
    const auto longCode = [&](int node) {
        bits <<= tableBits;
        count -= static_cast<unsigned>(tableBits);
        while (!tree.isLeaf(node)) {
            if (count == 0)
                refill();
            node = tree.child[node][bits >> 63];
            bits <<= 1;
            --count;
        }
        return tree.value[node];
    };
    bool ok = true;
    while (length && ok) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, kReadBlock));
        std::uint8_t* const direct = out.room(n);
        std::uint8_t* const o = direct ? direct : block.get();
        std::size_t i = 0;
        // One refill serves four look-ups of at most 12 bits each; every look-up stores its
        // up to three values at once, never past the block's end. A code longer than the table
        // ends the round early, as it takes bits of its own.
        while (i + kLookupsPerRefill * kMaxPerEntry + 1 <= n) {
            refill();
#pragma GCC unroll 4
            for (int k = 0; k < kLookupsPerRefill; ++k) {
                const std::uint32_t e = table[bits >> drop];
                const unsigned values = (e >> 6) & 3;
                if (values == 0) [[unlikely]] {
                    o[i++] = longCode(static_cast<int>(e >> 8));
                    break;
                }
                bits <<= e & 63;
                count -= e & 63;
                const std::uint32_t bytes = e >> 8;
                std::memcpy(o + i, &bytes, sizeof bytes);
                i += values;
            }
        }
        // The last few values one by one, through the single-code table.
        while (i < n) {
            if (count < kTableBits)
                refill();
            const unsigned e = single[bits >> drop];
            if (!(e & kLongCode)) {
                o[i++] = static_cast<std::uint8_t>(e);
                bits <<= e >> 8;
                count -= e >> 8;
            } else {
                o[i++] = longCode(static_cast<int>(e & 0x1FF));
            }
        }
        crc = crc16Kermit({o, n}, crc);
        ok = direct || out.write(o, n);
        length -= n;
    }
    reader.bits = bits;
    reader.count = count;
    reader.p = p;
    reader.end = end;
    return ok;
}

bool decodeAllPlain(BitReader& reader, const DecodeTree& tree, std::uint64_t length, Sink& out,
                    std::uint16_t& crc)
{
    return decodeAllBody(reader, tree, length, out, crc);
}

#ifdef ZOLT_CODEC_BMI2
[[gnu::target("bmi2")]] bool decodeAllBmi2(BitReader& reader, const DecodeTree& tree,
                                           std::uint64_t length, Sink& out, std::uint16_t& crc)
{
    return decodeAllBody(reader, tree, length, out, crc);
}
#endif

bool decodeAll(BitReader& reader, const DecodeTree& tree, std::uint64_t length, Sink& out,
               std::uint16_t& crc)
{
#ifdef ZOLT_CODEC_BMI2
    if (haveBmi2())
        return decodeAllBmi2(reader, tree, length, out, crc);
#endif
    return decodeAllPlain(reader, tree, length, out, crc);
}

DecompressOutcome decompressStream(Source& in, Sink& out, const CodecDiagnostics& diagnostics)
{
    DecompressOutcome outcome;
    BitReader reader(in);
    std::uint8_t header[8] = {};
    const std::size_t got = reader.readBytes(header, 8);
    unsigned sum = 0;
    for (std::size_t i = 0; i < got; ++i)
        sum += header[i];
    sum &= 0xFF;
    // A file shorter than its header is corrupt whatever its bytes add up to.
    if (got < 8 || sum != 0xFF) {
        diagnostics("Header corrotto.\n");
        diagnostics(formatLine("header = %d\n", static_cast<int>(sum)));
        return outcome;
    }
    const std::uint16_t expectedCrc = static_cast<std::uint16_t>(header[2] << 8 | header[3]);
    const std::uint64_t length = std::uint64_t{header[4]} << 24 | std::uint64_t{header[5]} << 16 |
                                 std::uint64_t{header[6]} << 8 | header[7];

    auto tree = std::make_unique<DecodeTree>();
    const bool treeOk = readTree(reader, *tree);
    if (reader.pastEnd()) {
        diagnostics("EOF inatteso\n");
        outcome.unexpectedEnd = true;
    }
    if (!treeOk || !out.open())
        return outcome;
    outcome.outputWritten = true;
    out.expect(length);

    std::uint16_t crc = 0;
    if (!decodeAll(reader, *tree, length, out, crc)) {
        outcome.writeFailed = true;
        return outcome;
    }
    if (!outcome.unexpectedEnd && reader.pastEnd()) {
        diagnostics("EOF inatteso\n");
        outcome.unexpectedEnd = true;
    }
    if (crc != expectedCrc) {
        diagnostics("Attenzione: CRC errato!\n");
        outcome.crcMismatch = true;
    }
    return outcome;
}

} // namespace

void printCodecDiagnostic(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

int compressFile(const char* inPath, const char* outPath, const CodecDiagnostics& diagnostics)
{
    std::FILE* in = std::fopen(inPath, "rb");
    if (!in) {
        diagnostics(formatLine("Impossibile aprire infile %s\n", inPath));
        return -1;
    }
    std::FILE* out = std::fopen(outPath, "wb");
    if (!out) {
        diagnostics(formatLine("Impossibile aprire outfile B %s\n", outPath));
        std::fclose(in);
        return -1;
    }
    struct stat status;
    const std::uint64_t size =
        fstat(fileno(in), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    FileSource source(in);
    FileSink sink(outPath, out, diagnostics);
    int result = compressStream(source, size, sink, diagnostics);
    if (std::fclose(in) != 0)
        diagnostics(formatLine("ERROR_ZIP chiudendo file %s\n", inPath));
    if (std::fclose(out) != 0) {
        diagnostics(formatLine("ERROR_ZIP chiudendo file %s\n", outPath));
        result = -1;
    }
    return result;
}

DecompressOutcome decompressFileWithOutcome(const char* inPath, const char* outPath,
                                            const CodecDiagnostics& diagnostics)
{
    std::FILE* in = std::fopen(inPath, "rb");
    if (!in) {
        diagnostics(formatLine("Impossibile aprire infile %s\n", inPath));
        return {};
    }
    FileSource source(in);
    FileSink sink(outPath, nullptr, diagnostics);
    DecompressOutcome outcome = decompressStream(source, sink, diagnostics);
    if (std::fclose(in) != 0)
        diagnostics(formatLine("ERROR_ZIPe chiudendo file %s\n", inPath));
    if (sink.file()) {
        const bool closed = std::fclose(sink.file()) == 0;
        if (!closed || sink.writeFailed()) {
            diagnostics(formatLine("ERROR_ZIPe chiudendo file %s\n", outPath));
            outcome.writeFailed = true;
        }
    }
    return outcome;
}

void decompressFile(const char* inPath, const char* outPath)
{
    decompressFileWithOutcome(inPath, outPath);
}

int compressBuffer(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output,
                   const CodecDiagnostics& diagnostics)
{
    output.clear();
    MemorySource source(input);
    MemorySink sink(output);
    return compressStream(source, input.size(), sink, diagnostics);
}

DecompressOutcome decompressBuffer(std::span<const std::uint8_t> input,
                                   std::vector<std::uint8_t>& output,
                                   const CodecDiagnostics& diagnostics)
{
    output.clear();
    MemorySource source(input);
    // Every value but that of a one-leaf tree takes at least one bit.
    MemorySink sink(output, std::uint64_t{8} * input.size());
    return decompressStream(source, sink, diagnostics);
}
