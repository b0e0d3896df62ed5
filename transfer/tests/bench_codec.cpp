// Throughput of the codec in both directions, beside a plain bit-at-a-time coder of the same
// format (kept here only, as the yardstick), on text-like, random and skewed files.
#include "transfer/codec.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

struct Input
{
    std::string plainPath;
    std::string packedPath;
    std::size_t size;
};

// Writes the input and its compressed form once, and checks that both coders agree on it.
const Input& input(const std::string& kind, std::size_t size)
{
    static std::map<std::string, Input> inputs;
    const std::string name = kind + "-" + std::to_string(size);
    auto it = inputs.find(name);
    if (it != inputs.end())
        return it->second;
    const auto data = kind == "text"     ? textLike(size)
                      : kind == "random" ? randomBytes(size)
                                         : skewed(size);
    Input in{workDir() + "/" + name, workDir() + "/" + name + ".zip", size};
    writeFile(in.plainPath, data);
    const std::string check = in.packedPath + ".plain";
    if (compressFile(in.plainPath.c_str(), in.packedPath.c_str()) != 0 ||
        plain::compress(in.plainPath.c_str(), check.c_str()) != 0 ||
        readFile(in.packedPath) != readFile(check)) {
        std::fprintf(stderr, "the two coders disagree on %s\n", name.c_str());
        std::abort();
    }
    plain::decompress(in.packedPath.c_str(), check.c_str());
    if (readFile(check) != data)
        std::abort();
    std::remove(check.c_str());
    return inputs.emplace(name, in).first->second;
}

void setRate(benchmark::State& state, std::size_t size)
{
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(size) *
                                                    static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

void compressFast(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind, static_cast<std::size_t>(state.range(0)));
    const std::string out = in.plainPath + ".out";
    for (auto _ : state)
        if (compressFile(in.plainPath.c_str(), out.c_str()) != 0)
            state.SkipWithError("compression failed");
    setRate(state, in.size);
}

void decompressFast(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind, static_cast<std::size_t>(state.range(0)));
    const std::string out = in.plainPath + ".out";
    for (auto _ : state)
        if (!decompressFileWithOutcome(in.packedPath.c_str(), out.c_str()).ok())
            state.SkipWithError("decompression failed");
    setRate(state, in.size);
}

void compressPlain(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind, static_cast<std::size_t>(state.range(0)));
    const std::string out = in.plainPath + ".out";
    for (auto _ : state)
        plain::compress(in.plainPath.c_str(), out.c_str());
    setRate(state, in.size);
}

void decompressPlain(benchmark::State& state, const char* kind)
{
    const Input& in = input(kind, static_cast<std::size_t>(state.range(0)));
    const std::string out = in.plainPath + ".out";
    for (auto _ : state)
        plain::decompress(in.packedPath.c_str(), out.c_str());
    setRate(state, in.size);
}

constexpr std::int64_t kLarge = 8 << 20;
constexpr std::int64_t kSoftware = 524288; // the largest tester software file

#define ZOLT_CODEC_BENCH(fn, kind)                                                                 \
    BENCHMARK_CAPTURE(fn, kind, #kind)                                                             \
        ->Arg(kLarge)                                                                              \
        ->Arg(kSoftware)                                                                           \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->MinTime(0.5)

ZOLT_CODEC_BENCH(compressFast, text);
ZOLT_CODEC_BENCH(compressPlain, text);
ZOLT_CODEC_BENCH(decompressFast, text);
ZOLT_CODEC_BENCH(decompressPlain, text);
ZOLT_CODEC_BENCH(compressFast, random);
ZOLT_CODEC_BENCH(compressPlain, random);
ZOLT_CODEC_BENCH(decompressFast, random);
ZOLT_CODEC_BENCH(decompressPlain, random);
ZOLT_CODEC_BENCH(compressFast, skewed);
ZOLT_CODEC_BENCH(compressPlain, skewed);
ZOLT_CODEC_BENCH(decompressFast, skewed);
ZOLT_CODEC_BENCH(decompressPlain, skewed);

// Prints the usual table, then how many times faster the table-driven coder is than the plain
// one for each input and direction.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("MB/s");
            if (it != run.counters.end() && !run.error_occurred)
                rates[run.benchmark_name()] = it->second.value;
        }
    }

    void printRatios() const
    {
        std::printf("\n%-46s %12s %12s %8s\n", "input, direction", "fast MB/s", "plain MB/s",
                    "ratio");
        for (const auto& [name, fast] : rates) {
            const auto pos = name.find("Fast");
            if (pos == std::string::npos)
                continue;
            std::string other = name;
            other.replace(pos, 4, "Plain");
            const auto it = rates.find(other);
            if (it == rates.end() || it->second <= 0)
                continue;
            std::printf("%-46s %12.1f %12.1f %7.1fx\n", name.c_str(), fast, it->second,
                        fast / it->second);
        }
    }

private:
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(workDir(), ignored);
    return 0;
}
