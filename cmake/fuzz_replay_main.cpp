// Runs a fuzz target without libFuzzer: every file of the seed folders named on the command
// line, then a fixed set of generated inputs (empty, single bytes, pseudo-random buffers), so
// that a build without clang still exercises each target on every test run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

int runs = 0;

void Run(const std::vector<std::uint8_t>& input)
{
    // A fresh copy of exactly the input's size, so that reading past it is caught; never a null
    // pointer, even for an empty input, as libFuzzer hands the target.
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[input.size()]);
    std::copy(input.begin(), input.end(), exact.get());
    LLVMFuzzerTestOneInput(exact.get(), input.size());
    ++runs;
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream file(entry.path(), std::ios::binary);
            Run({std::istreambuf_iterator<char>(file), {}});
        }
        if (error) {
            std::fprintf(stderr, "%s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
    }
    Run({});
    for (int byte = 0; byte < 256; byte += 51)
        Run({std::uint8_t(byte)});
    std::uint32_t x = 2463534242u;
    for (std::size_t size : {2u, 7u, 16u, 64u, 300u, 1500u, 5000u}) {
        std::vector<std::uint8_t> input(size);
        for (std::uint8_t& b : input) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = std::uint8_t(x);
        }
        Run(input);
    }
    std::printf("%d inputs replayed\n", runs);
    return 0;
}
