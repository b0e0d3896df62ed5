// Exchanges per second over a pseudo-terminal with the tester simulator, unpaced, and the time
// of a 110-byte block exchange on a simulated 19200-baud line against its line-rate bound.
#include "sim_link_fixture.h"

#include "core/message_box.h"
#include "core/texts.h"
#include "linklib/wire_frame.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

SimLink* g_link = nullptr;

std::vector<std::uint8_t> Block(std::uint32_t number)
{
    std::vector<std::uint8_t> p(4);
    proto::PutU32BE(p.data(), number);
    std::uint8_t sum = 0;
    for (int i = 0; i < 110; ++i) {
        p.push_back(std::uint8_t(i + number));
        sum = std::uint8_t(sum + p.back());
    }
    p.push_back(std::uint8_t(~sum));
    return p;
}

void RunBlocks(benchmark::State& state, int port)
{
    g_link->session->ReopenPort(PortTarget::Com(port));
    g_link->Exchange(3);
    const char* path = "/FN0/BENCH.BIN_0";
    if (g_link->Exchange(11, std::vector<std::uint8_t>(path, path + std::strlen(path))) != 8) {
        state.SkipWithError("the simulator refused the file");
        return;
    }
    std::uint32_t number = 0;
    for (auto _ : state) {
        if (g_link->Exchange(12, Block(number++)) != 9 || g_link->Response()[7] != 1) {
            state.SkipWithError("block not acknowledged");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    g_link->Exchange(3); // abandons the file on the simulator
}

void BM_SyncExchange(benchmark::State& state)
{
    g_link->session->ReopenPort(PortTarget::Com(1));
    for (auto _ : state) {
        const long long code = g_link->Exchange(3);
        if (code != 7) {
            std::fprintf(stderr, "answer %lld\n%s\n", code,
                         g_link->sims[0]->ErrorOutput().constData());
            state.SkipWithError("sync not answered");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_BlockExchange(benchmark::State& state)
{
    RunBlocks(state, 1);
}

void BM_BlockExchange19200(benchmark::State& state)
{
    RunBlocks(state, 2);
    // Bytes on the wire: the block request (7 + 115 payload + CRC) and its answer (8 + CRC).
    const double bytes = double(wire::kCrcSize + 7 + 115 + wire::kCrcSize + 8);
    const double boundMs = bytes * 10.0 / 19200.0 * 1000.0;
    state.counters["bound_ms"] = boundMs;
    state.counters["wire_bytes"] = bytes;
}

BENCHMARK(BM_SyncExchange)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(3.0);
BENCHMARK(BM_BlockExchange)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(3.0);
BENCHMARK(BM_BlockExchange19200)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // A message from the link reads as the program would show it.
    AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
    SimLink link;
    if (!link.AddSimulator() || !link.AddSimulator({"--baud", "19200"}) || !link.Open()) {
        std::fprintf(stderr, "bench_link: the simulator or the link did not come up\n");
        return 1;
    }
    QObject::connect(link.session.get(), &LinkSession::Failed, [](const ErrorReport& report) {
        std::fprintf(stderr, "%s: %s\n", ReportTitle(report, AppConfig).c_str(),
                     ReportText(report, AppConfig).c_str());
    });
    g_link = &link;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_link = nullptr;
    return 0;
}
