// The codec's encoding half: counting, the tree the format prescribes, the codes, and the coder
// that writes them four at a time.
#include "transfer/codec_format.h"

#include <memory>
#include <sys/stat.h>

using namespace codec_internal;

namespace {

constexpr std::size_t kEncodeChunk = 16 * 1024;
constexpr std::size_t kWriteBlock = 256 * 1024;

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
    bool encode(const std::uint8_t* data, std::size_t n, const CodeTable& codes,
                CodeRunFunction run)
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
        // A device or a file that keeps growing cannot be coded: stop, rather than read on.
        if (total > size)
            break;
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
    std::uint8_t header[kHeaderSize];
    writeHeader(crc, static_cast<std::uint32_t>(size), header);
    for (std::uint8_t b : header)
        writer.putByte(b);

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
                everyValueCoded &=
                    writer.encode(piece.data() + i, std::min(kEncodeChunk, n - i), codes, run);
            coded += n;
            if (writer.failed() || coded > size)
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

} // namespace

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

int compressBuffer(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output,
                   const CodecDiagnostics& diagnostics)
{
    output.clear();
    MemorySource source(input);
    MemorySink sink(output);
    return compressStream(source, input.size(), sink, diagnostics);
}
