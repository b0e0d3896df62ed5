// Throughput of the codec in both directions, file to file and in memory, beside a plain
// bit-at-a-time coder of the same format (kept here only, as the yardstick) and, when the
// build was given a zstd source tree (ZOLT_HUFF0_SOURCE), beside huff0's single-stream coder.
// Inputs: generated text, the system's own licence and documentation texts, the head of a
// system executable, random and skewed bytes. Rates are over wall time.
#include "transfer/codec.h"

#include <benchmark/benchmark.h>

#ifdef ZOLT_HUFF0
extern "C" {
#include "common/huf.h"
}
#endif

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// The yardstick: one byte at a time through stdio, one bit at a time through the tree.
namespace plain {

struct Node
{
    int value = 0;
    Node* parent = nullptr;
    Node* child[2] = {nullptr, nullptr};
};

std::uint16_t crcByte(std::uint16_t crc, int data)
{
    for (int i = 0; i < 8; ++i) {
        const int bit = (crc ^ data) & 1;
        crc >>= 1;
        if (bit)
            crc ^= 0x8408;
        data >>= 1;
    }
    return crc;
}

struct Writer
{
    std::FILE* f;
    unsigned acc = 0;
    int pending = 0;
    void putBit(int bit)
    {
        acc = (acc << 1) | bit;
        if (++pending == 8) {
            std::putc(static_cast<int>(acc & 0xFF), f);
            acc = 0;
            pending = 0;
        }
    }
};

struct Reader
{
    std::FILE* f;
    int current = 0;
    int left = 0;
    int getBit()
    {
        if (left == 0) {
            current = std::getc(f);
            if (current == EOF)
                current = 0;
            left = 8;
        }
        --left;
        return (current >> left) & 1;
    }
};

void describe(Node* n, Writer& w)
{
    if (!n->child[0]) {
        w.putBit(1);
        for (int i = 7; i >= 0; --i)
            w.putBit((n->value >> i) & 1);
        return;
    }
    w.putBit(0);
    describe(n->child[0], w);
    describe(n->child[1], w);
}

int compress(const char* inPath, const char* outPath)
{
    std::FILE* in = std::fopen(inPath, "rb");
    std::FILE* out = std::fopen(outPath, "wb");
    std::vector<Node> nodes(512);
    int used = 0;
    std::uint32_t counts[256] = {};
    Node* leaf[256] = {};
    std::uint16_t crc = 0;
    std::uint32_t size = 0;
    for (int c; (c = std::getc(in)) != EOF; ++size) {
        ++counts[c];
        crc = crcByte(crc, c);
    }
    struct Entry
    {
        std::uint32_t weight;
        Node* tree;
    };
    std::vector<Entry> list;
    for (int v = 0; v < 256; ++v)
        if (counts[v]) {
            leaf[v] = &nodes[used++];
            leaf[v]->value = v;
            list.push_back({counts[v], leaf[v]});
        }
    for (int n = static_cast<int>(list.size()) - 1; n > 0; --n) {
        for (int last : {n, n - 1}) {
            int best = -1;
            std::uint64_t bestWeight = UINT64_MAX;
            for (int i = last; i >= 0; --i)
                if (list[i].weight < bestWeight) {
                    best = i;
                    bestWeight = list[i].weight;
                }
            std::swap(list[best], list[last]);
        }
        Node* parent = &nodes[used++];
        parent->child[0] = list[n].tree;
        parent->child[1] = list[n - 1].tree;
        list[n].tree->parent = list[n - 1].tree->parent = parent;
        list[n - 1] = {list[n].weight + list[n - 1].weight, parent};
    }
    std::uint32_t code[256] = {};
    int length[256] = {};
    for (int v = 0; v < 256; ++v)
        for (Node* n = leaf[v]; n && n->parent; n = n->parent, ++length[v])
            if (n->parent->child[0] != n)
                code[v] |= 1u << length[v];
    const int header[8] = {1,
                           0,
                           crc >> 8,
                           crc & 0xFF,
                           static_cast<int>(size >> 24),
                           static_cast<int>((size >> 16) & 0xFF),
                           static_cast<int>((size >> 8) & 0xFF),
                           static_cast<int>(size & 0xFF)};
    int sum = 0;
    for (int b : header)
        sum += b;
    for (int i = 0; i < 8; ++i)
        std::putc(i == 1 ? (0xFF - sum) & 0xFF : header[i], out);
    Writer w{out};
    describe(list[0].tree, w);
    std::rewind(in);
    for (int c; (c = std::getc(in)) != EOF;)
        for (int i = length[c] - 1; i >= 0; --i)
            w.putBit((code[c] >> i) & 1);
    std::putc(static_cast<int>((w.acc << (8 - w.pending)) & 0xFF), out);
    std::fclose(in);
    std::fclose(out);
    return 0;
}

Node* readTree(Reader& r, std::vector<Node>& nodes, int& used)
{
    Node* n = &nodes[used++];
    if (r.getBit()) {
        for (int i = 0; i < 8; ++i)
            n->value = (n->value << 1) | r.getBit();
        return n;
    }
    n->child[0] = readTree(r, nodes, used);
    n->child[1] = readTree(r, nodes, used);
    return n;
}

void decompress(const char* inPath, const char* outPath)
{
    std::FILE* in = std::fopen(inPath, "rb");
    std::uint8_t h[8];
    if (std::fread(h, 1, 8, in) != 8)
        std::abort();
    const std::uint32_t size = std::uint32_t{h[4]} << 24 | h[5] << 16 | h[6] << 8 | h[7];
    Reader r{in};
    std::vector<Node> nodes(512);
    int used = 0;
    Node* root = readTree(r, nodes, used);
    std::FILE* out = std::fopen(outPath, "wb");
    std::uint16_t crc = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        Node* n = root;
        while (n->child[0])
            n = n->child[r.getBit()];
        std::putc(n->value, out);
        crc = crcByte(crc, n->value);
    }
    benchmark::DoNotOptimize(crc);
    std::fclose(in);
    std::fclose(out);
}

} // namespace plain

// ---------------------------------------------------------------------------------------------
// Inputs

struct Random
{
    std::uint64_t state;
    std::uint64_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

// Words of a fixed vocabulary in a Zipf-like mix, with punctuation and short lines.
std::vector<std::uint8_t> textLike(std::size_t size)
{
    Random rng{0x9E3779B97F4A7C15ull};
    std::vector<std::string> words;
    const char* letters = "etaoinshrdlcumwfgypbvkjxqz";
    for (int i = 0; i < 2000; ++i) {
        std::string w;
        const int len = 2 + static_cast<int>(rng.next() % 9);
        for (int k = 0; k < len; ++k)
            w += letters[std::countr_zero(rng.next() | (1ull << 25))];
        words.push_back(w);
    }
    std::vector<std::uint8_t> out;
    out.reserve(size + 16);
    std::size_t column = 0;
    while (out.size() < size) {
        // Rank r drawn with probability about 1/r.
        const double u = static_cast<double>(rng.next() >> 11) / 9007199254740992.0;
        const std::size_t rank = static_cast<std::size_t>(std::pow(2000.0, u)) - 1;
        std::string w = words[rank];
        if (rng.next() % 12 == 0)
            w[0] = static_cast<char>(w[0] - 'a' + 'A');
        const std::uint64_t mark = rng.next() % 20;
        if (mark == 0)
            w += ',';
        else if (mark == 1)
            w += '.';
        out.insert(out.end(), w.begin(), w.end());
        column += w.size() + 1;
        out.push_back(column > 70 ? '\n' : ' ');
        if (column > 70)
            column = 0;
    }
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> randomBytes(std::size_t size)
{
    Random rng{0x2545F4914F6CDD1Dull};
    std::vector<std::uint8_t> out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng.next() >> 56);
    return out;
}

// Value v with probability 2^-(v+1): half the bytes are 0, and rare values get long codes.
std::vector<std::uint8_t> skewed(std::size_t size)
{
    Random rng{0xD1B54A32D192ED03ull};
    std::vector<std::uint8_t> out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(std::countr_zero(rng.next() | (1ull << 63)));
    return out;
}

std::vector<std::uint8_t> fileHead(const std::filesystem::path& path, std::size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> data(limit);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(limit));
    data.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return data;
}

// The licence texts, then the uncompressed documentation files, in path order: real prose,
// change logs and copyright files. Files holding a zero byte are taken for binaries and skipped.
std::vector<std::uint8_t> realText(std::size_t size)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> paths;
    for (const char* root : {"/usr/share/common-licenses", "/usr/share/doc"}) {
        std::vector<fs::path> found;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec) && it->path().extension() != ".gz")
                found.push_back(it->path());
        std::sort(found.begin(), found.end());
        paths.insert(paths.end(), found.begin(), found.end());
    }
    std::vector<std::uint8_t> out;
    for (const fs::path& p : paths) {
        if (out.size() >= size)
            break;
        const auto data = fileHead(p, size - out.size());
        if (std::find(data.begin(), data.end(), 0) == data.end())
            out.insert(out.end(), data.begin(), data.end());
    }
    if (out.empty())
        return textLike(size);
    // A machine with few documents repeats what it has.
    for (std::size_t i = 0; out.size() < size; ++i)
        out.push_back(out[i]);
    return out;
}

// The head of a system executable, the kind of bytes an ECU software file resembles most.
std::vector<std::uint8_t> executableHead(std::size_t size)
{
    for (const char* candidate : {"/usr/bin/bash", "/bin/bash", "/proc/self/exe"}) {
        auto data = fileHead(candidate, size);
        if (data.size() == size)
            return data;
    }
    std::fprintf(stderr, "no executable of %zu bytes\n", size);
    std::abort();
}

std::string workDir()
{
    static std::string dir = [] {
        char pattern[] = "/tmp/zolt-bench-codec-XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        return std::string(pattern);
    }();
    return dir;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& data)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size())
        std::abort();
    std::fclose(f);
}

std::vector<std::uint8_t> readFile(const std::string& path)
{
    std::vector<std::uint8_t> data;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    for (int c; f && (c = std::getc(f)) != EOF;)
        data.push_back(static_cast<std::uint8_t>(c));
    if (f)
        std::fclose(f);
    return data;
}

const CodecDiagnostics kQuiet = [](const std::string&) {};

struct Input
{
    std::string plainPath;
    std::string packedPath;
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> packed;
};

// Makes the input and its compressed form once, and checks that both coders agree on it.
const Input& input(const std::string& kind)
{
    static std::map<std::string, Input> inputs;
    auto it = inputs.find(kind);
    if (it != inputs.end())
        return it->second;
    const std::size_t size = kind.ends_with("-8M")     ? 8u << 20
                             : kind.ends_with("-512K") ? 512u << 10
                                                       : 24u << 10;
    auto data = kind.starts_with("bench-text") ? textLike(size)
                : kind.starts_with("real-text") ? realText(size)
                : kind.starts_with("binary")    ? executableHead(size)
                : kind.starts_with("random")    ? randomBytes(size)
                                                : skewed(size);
    Input in{workDir() + "/" + kind, workDir() + "/" + kind + ".zip", std::move(data), {}};
    writeFile(in.plainPath, in.data);
    const std::string check = in.packedPath + ".plain";
    if (compressFile(in.plainPath.c_str(), in.packedPath.c_str()) != 0 ||
        plain::compress(in.plainPath.c_str(), check.c_str()) != 0 ||
        readFile(in.packedPath) != readFile(check) ||
        compressBuffer(in.data, in.packed, kQuiet) != 0 || in.packed != readFile(check)) {
        std::fprintf(stderr, "the coders disagree on %s\n", kind.c_str());
        std::abort();
    }
    plain::decompress(in.packedPath.c_str(), check.c_str());
    if (readFile(check) != in.data)
        std::abort();
    std::remove(check.c_str());
    return inputs.emplace(kind, std::move(in)).first->second;
}

void setRate(benchmark::State& state, std::size_t size)
{
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(size) *
                                                    static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

void fileCompress(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind);
    const std::string out = in.plainPath + ".out";
    for (auto _ : state)
        if (compressFile(in.plainPath.c_str(), out.c_str()) != 0)
            state.SkipWithError("compression failed");
    setRate(state, in.data.size());
}

void fileDecompress(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind);
    const std::string out = in.plainPath + ".out";
    for (auto _ : state)
        if (!decompressFileWithOutcome(in.packedPath.c_str(), out.c_str()).ok())
            state.SkipWithError("decompression failed");
    setRate(state, in.data.size());
}

void memCompress(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind);
    std::vector<std::uint8_t> out;
    for (auto _ : state)
        if (compressBuffer(in.data, out, kQuiet) != 0)
            state.SkipWithError("compression failed");
    if (out != in.packed)
        state.SkipWithError("compressed bytes differ");
    setRate(state, in.data.size());
}

void memDecompress(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind);
    std::vector<std::uint8_t> out;
    for (auto _ : state)
        if (!decompressBuffer(in.packed, out, kQuiet).ok())
            state.SkipWithError("decompression failed");
    if (out != in.data)
        state.SkipWithError("decompressed bytes differ");
    setRate(state, in.data.size());
}

void plainCompress(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind);
    const std::string out = in.plainPath + ".out";
    for (auto _ : state)
        plain::compress(in.plainPath.c_str(), out.c_str());
    setRate(state, in.data.size());
}

void plainDecompress(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind);
    const std::string out = in.plainPath + ".out";
    for (auto _ : state)
        plain::decompress(in.packedPath.c_str(), out.c_str());
    setRate(state, in.data.size());
}

#ifdef ZOLT_HUFF0
// huff0 codes at most 128 KiB per block, each block with its own table, as in its own benchmark.
struct Huff0Blocks
{
    std::vector<std::uint8_t> packed;
    std::vector<std::pair<std::size_t, std::size_t>> blocks; // offset in packed, packed size
};

constexpr int kHuff0Flags = HUF_flags_bmi2;

std::size_t huff0Compress(const std::vector<std::uint8_t>& data, Huff0Blocks& out)
{
    static std::uint64_t workspace[HUF_WORKSPACE_SIZE_U64 * 4];
    HUF_CREATE_STATIC_CTABLE(table, HUF_SYMBOLVALUE_MAX);
    out.packed.resize(HUF_COMPRESSBOUND(HUF_BLOCKSIZE_MAX) * (data.size() / HUF_BLOCKSIZE_MAX + 1));
    out.blocks.clear();
    std::size_t at = 0;
    for (std::size_t i = 0; i < data.size(); i += HUF_BLOCKSIZE_MAX) {
        const std::size_t n = std::min<std::size_t>(HUF_BLOCKSIZE_MAX, data.size() - i);
        HUF_repeat repeat = HUF_repeat_none;
        const std::size_t r = HUF_compress1X_repeat(
            out.packed.data() + at, out.packed.size() - at, data.data() + i, n, 255,
            HUF_TABLELOG_DEFAULT, workspace, sizeof workspace, table, &repeat, kHuff0Flags);
        if (HUF_isError(r) || r <= 1)
            return 0; // stored or one-symbol blocks: not a Huffman coding to compare with
        out.blocks.emplace_back(at, r);
        at += r;
    }
    return at;
}

void huff0CompressRun(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind);
    Huff0Blocks out;
    for (auto _ : state)
        if (huff0Compress(in.data, out) == 0)
            state.SkipWithError("huff0 did not code it");
    setRate(state, in.data.size());
}

// Decodes every block of `packed` into `out`; false when huff0 reports an error.
bool huff0Decode(const Huff0Blocks& packed, std::vector<std::uint8_t>& out, bool doubleSymbols)
{
    static std::uint32_t workspace[HUF_DECOMPRESS_WORKSPACE_SIZE_U32 * 2];
    HUF_CREATE_STATIC_DTABLEX2(table, HUF_TABLELOG_MAX);
    for (std::size_t b = 0; b < packed.blocks.size(); ++b) {
        const auto [at, size] = packed.blocks[b];
        const std::size_t i = b * HUF_BLOCKSIZE_MAX;
        const std::size_t n = std::min<std::size_t>(HUF_BLOCKSIZE_MAX, out.size() - i);
        table[0] = static_cast<std::uint32_t>(HUF_TABLELOG_MAX) * 0x01000001;
        const std::size_t r =
            doubleSymbols
                ? HUF_decompress1X2_DCtx_wksp(table, out.data() + i, n, packed.packed.data() + at,
                                              size, workspace, sizeof workspace, kHuff0Flags)
                : HUF_decompress1X1_DCtx_wksp(table, out.data() + i, n, packed.packed.data() + at,
                                              size, workspace, sizeof workspace, kHuff0Flags);
        if (HUF_isError(r) || r != n)
            return false;
    }
    return true;
}

template <bool DoubleSymbols>
void huff0Decompress(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind);
    Huff0Blocks packed;
    if (huff0Compress(in.data, packed) == 0) {
        state.SkipWithError("huff0 did not code it");
        return;
    }
    std::vector<std::uint8_t> out(in.data.size());
    for (auto _ : state)
        if (!huff0Decode(packed, out, DoubleSymbols))
            state.SkipWithError("huff0 decoding failed");
    if (out != in.data)
        state.SkipWithError("huff0 decoded other bytes");
    setRate(state, in.data.size());
}

void huff0DecompressX1(benchmark::State& state, const char* kind)
{
    huff0Decompress<false>(state, kind);
}

void huff0DecompressX2(benchmark::State& state, const char* kind)
{
    huff0Decompress<true>(state, kind);
}

// Paired rounds: each round times the codec and huff0 back to back on the same input, in
// alternating order, and keeps the ratio of their rates, so that a slow moment of a shared
// machine falls on both; the median ratio over the rounds is the figure, with its quartiles.
double secondsFor(int times, const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < times; ++i)
        work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Spread
{
    double q1, median, q3;
};

Spread spreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) { return v[static_cast<std::size_t>(q * (v.size() - 1) + 0.5)]; };
    return {at(0.25), at(0.5), at(0.75)};
}

void runPaired(int rounds)
{
    std::printf("\ncodec / huff0 over %d paired rounds, wall time: median [quartiles]\n", rounds);
    std::printf("%-15s %24s %24s\n", "input", "compression", "decompression");
    for (const char* kind : {"bench-text-8M", "real-text-8M", "binary-512K", "binary-24K",
                             "random-512K", "skewed-512K"}) {
        const Input& in = input(kind);
        Huff0Blocks theirs;
        if (huff0Compress(in.data, theirs) == 0) {
            std::printf("%-15s %24s %24s\n", kind, "(huff0 stores it)", "");
            continue;
        }
        // About two milliseconds per timing, so that the clock's grain does not matter.
        const int times = std::max<int>(1, static_cast<int>((2u << 20) / in.data.size()));
        std::vector<std::uint8_t> packed;
        std::vector<std::uint8_t> plainOut;
        std::vector<std::uint8_t> huffOut(in.data.size());
        std::vector<double> compression;
        std::vector<double> decompression;
        for (int r = 0; r < rounds; ++r) {
            // The codec's compression, huff0's, the codec's expansion, huff0's two decoders;
            // forwards in odd rounds, backwards in even ones.
            const std::function<void()> work[] = {
                [&] { compressBuffer(in.data, packed, kQuiet); },
                [&] { huff0Compress(in.data, theirs); },
                [&] { decompressBuffer(in.packed, plainOut, kQuiet); },
                [&] { huff0Decode(theirs, huffOut, false); },
                [&] { huff0Decode(theirs, huffOut, true); },
            };
            constexpr int kWorks = 5;
            double seconds[kWorks];
            for (int k = 0; k < kWorks; ++k) {
                const int w = r % 2 ? k : kWorks - 1 - k;
                seconds[w] = secondsFor(times, work[w]);
            }
            const double tc = seconds[0], th = seconds[1], td = seconds[2];
            const double th1 = seconds[3], th2 = seconds[4];
            compression.push_back(th / tc);
            decompression.push_back(std::min(th1, th2) / td);
        }
        if (packed != in.packed || plainOut != in.data || huffOut != in.data) {
            std::fprintf(stderr, "%s: a coder gave other bytes\n", kind);
            std::abort();
        }
        const Spread c = spreadOf(compression);
        const Spread d = spreadOf(decompression);
        std::printf("%-15s %6.2f [%5.2f, %5.2f]     %6.2f [%5.2f, %5.2f]\n", kind, c.median, c.q1,
                    c.q3, d.median, d.q1, d.q3);
    }
}
#endif

#define ZOLT_CODEC_BENCH(fn, kind)                                                                 \
    BENCHMARK_CAPTURE(fn, kind, #kind)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.2)

#define ZOLT_CODEC_INPUT(kind)                                                                     \
    ZOLT_CODEC_BENCH(memCompress, kind);                                                        \
    ZOLT_CODEC_BENCH(memDecompress, kind);                                                      \
    ZOLT_CODEC_BENCH(fileCompress, kind);                                                          \
    ZOLT_CODEC_BENCH(fileDecompress, kind);                                                        \
    ZOLT_CODEC_BENCH(plainCompress, kind);                                                         \
    ZOLT_CODEC_BENCH(plainDecompress, kind);                                                       \
    ZOLT_HUFF0_BENCH(kind)

#ifdef ZOLT_HUFF0
#define ZOLT_HUFF0_BENCH(kind)                                                                     \
    ZOLT_CODEC_BENCH(huff0CompressRun, kind);                                                      \
    ZOLT_CODEC_BENCH(huff0DecompressX1, kind);                                                \
    ZOLT_CODEC_BENCH(huff0DecompressX2, kind)
#else
#define ZOLT_HUFF0_BENCH(kind) static_assert(true)
#endif

ZOLT_CODEC_INPUT(bench-text-8M);
ZOLT_CODEC_INPUT(real-text-8M);
ZOLT_CODEC_INPUT(binary-512K);
ZOLT_CODEC_INPUT(binary-24K);
ZOLT_CODEC_INPUT(random-512K);
ZOLT_CODEC_INPUT(skewed-512K);

// Prints the usual table, then for each input the best rate of each coder over the repetitions
// and how the codec compares with the plain coder and with huff0.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("MB/s");
            if (it == run.counters.end() || run.error_occurred ||
                run.run_type == Run::RT_Aggregate)
                continue;
            // "memDecompress/binary-24K" -> coder and input
            const std::string name = run.run_name.function_name;
            const auto slash = name.find('/');
            const std::string coder = name.substr(0, slash);
            const std::string kind = run.run_name.args.empty() && slash != std::string::npos
                                         ? name.substr(slash + 1)
                                         : run.run_name.args;
            double& best = rates[kind][coder];
            best = std::max(best, it->second.value);
            // The same work over processor time, the fairer figure on a machine shared with
            // other jobs.
            if (run.cpu_accumulated_time > 0) {
                double& cpu = cpuRates[kind][coder];
                cpu = std::max(cpu, it->second.value * run.real_accumulated_time /
                                        run.cpu_accumulated_time);
            }
        }
    }

    void printSummary() const
    {
        printTable("wall time", rates);
        printTable("processor time", cpuRates);
    }

private:
    using Rates = std::map<std::string, std::map<std::string, double>>;

    static void printTable(const char* clock, const Rates& rates)
    {
        std::printf("\nbest MB/s over %s, per input (c: compression, d: decompression)\n", clock);
        std::printf("%-15s %9s %9s %9s %9s %9s %9s %9s %9s %9s\n", "input", "c mem", "c file",
                    "c plain", "c huff0", "c ratio", "d mem", "d file", "d huff0", "d ratio");
        for (const auto& [kind, r] : rates) {
            const auto get = [&r](const char* coder) {
                const auto it = r.find(coder);
                return it == r.end() ? 0.0 : it->second;
            };
            const double ch = get("huff0CompressRun");
            const double dh =
                std::max(get("huff0DecompressX1"), get("huff0DecompressX2"));
            const double cm = get("memCompress");
            const double dm = get("memDecompress");
            std::printf("%-15s %9.1f %9.1f %9.1f %9.1f %9.2f %9.1f %9.1f %9.1f %9.2f\n",
                        kind.c_str(), cm, get("fileCompress"), get("plainCompress"), ch,
                        ch > 0 ? cm / ch : 0.0, dm, get("fileDecompress"), dh,
                        dh > 0 ? dm / dh : 0.0);
        }
    }

    Rates rates;
    Rates cpuRates;
};

} // namespace

int main(int argc, char** argv)
{
    // Unless told otherwise: several rounds, in shuffled order, so that a busy moment of the
    // machine does not fall on one coder alone; the summary keeps each coder's best round.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=3";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    const auto given = [&](const char* flag) {
        return std::any_of(argv + 1, argv + argc,
                           [flag](const char* a) { return std::strstr(a, flag) != nullptr; });
    };
    if (!given("--benchmark_repetitions"))
        args.push_back(repetitions.data());
    if (!given("--benchmark_enable_random_interleaving"))
        args.push_back(interleave.data());
#ifdef ZOLT_HUFF0
    // --paired[=ROUNDS]: only the paired comparison with huff0.
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--paired", 8) == 0) {
            runPaired(argv[i][8] == '=' ? std::max(1, std::atoi(argv[i] + 9)) : 31);
            std::error_code ignored;
            std::filesystem::remove_all(workDir(), ignored);
            return 0;
        }
    }
#endif
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(workDir(), ignored);
    return 0;
}
