// The codec's decoding half: the bit reader, the tree description, and table-driven decoding of
// up to three values per look-up.
#include "transfer/codec_format.h"

#include <bit>
#include <memory>
#include <sys/stat.h>

using namespace codec_internal;

namespace {

constexpr int kTableBits = 12; // widest decoding table: 4096 entries
constexpr std::uint16_t kLongCode = 0x8000;

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

    // Bits given so far, those read as zeros behind the end included.
    std::uint64_t bitsTaken() const
    {
        return (base_ + static_cast<std::uint64_t>(p - buffer_.get()) + beyond_) * 8 - count;
    }

    // True once a bit behind the last input byte has been taken.
    bool pastEnd() const
    {
        if (!eof_)
            return false;
        return bitsTaken() > (base_ + static_cast<std::uint64_t>(end - buffer_.get())) * 8;
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
    std::uint8_t header[kHeaderSize] = {};
    const std::size_t got = reader.readBytes(header, kHeaderSize);
    const unsigned sum = headerSum(header, got);
    // A file shorter than its header is corrupt whatever its bytes add up to.
    if (got < kHeaderSize || sum != 0xFF) {
        diagnostics("Header corrotto.\n");
        diagnostics(formatLine("header = %d\n", static_cast<int>(sum)));
        return outcome;
    }
    const auto [expectedCrc, length] = readHeaderFields(header);

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

CompressedLayout inspectCompressedFile(const char* path)
{
    CompressedLayout layout;
    std::FILE* in = std::fopen(path, "rb");
    if (!in)
        return layout;
    struct stat status;
    if (fstat(fileno(in), &status) != 0 || !S_ISREG(status.st_mode)) {
        std::fclose(in);
        return layout;
    }
    FileSource source(in);
    BitReader reader(source);
    std::uint8_t header[kHeaderSize] = {};
    const std::size_t got = reader.readBytes(header, kHeaderSize);
    auto tree = std::make_unique<DecodeTree>();
    if (got == kHeaderSize && headerSum(header, got) == 0xFF && readTree(reader, *tree)) {
        const auto [crc, length] = readHeaderFields(header);
        const std::uint64_t bits = static_cast<std::uint64_t>(status.st_size) * 8;
        layout.sound = true;
        layout.length = length;
        layout.crc = crc;
        layout.codeBits = bits > reader.bitsTaken() ? bits - reader.bitsTaken() : 0;
        layout.singleValue = tree->isLeaf(0);
        layout.value = tree->value[0];
    }
    std::fclose(in);
    return layout;
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
