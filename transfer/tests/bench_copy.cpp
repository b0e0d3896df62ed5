// Benchmarks of the copy of one 98,304-byte file to the tester simulator over a pseudo-terminal:
// paced as a 19200-baud line, against the time the protocol's bytes need on such a line, and
// unpaced, for the throughput of the engine, the link and the library themselves.
#include "core/app_config.h"
#include "core/messages.h"
#include "core/texts.h"
#include "link/link_session.h"
#include "link/request_link.h"
#include "transfer/copy_engine.h"

#ifndef ZOLT_NO_TESTER_SIM
#include "tools/tester_sim/tester_sim_process.h"
#endif

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kFileSize = 98304;
constexpr int kBaud = 19200;
constexpr int kBitsPerByte = 10; // start, 8 data, stop
constexpr const char* kTesterPath = "/FN0/BENCH.BIN_98304";

// Bytes on the line for one file, both ways: every request and answer frame with the link's
// 2-byte CRC. Answers carry one status byte.
std::uint64_t WireBytes(std::uint64_t size, std::uint64_t testerPathLength)
{
    constexpr std::uint64_t kHeader = 7, kCrc = 2, kAnswer = 8 + kCrc;
    std::uint64_t bytes = (kHeader + kCrc) + kAnswer;       // sync
    bytes += (kHeader + testerPathLength + kCrc) + kAnswer; // open on the tester
    const std::uint64_t blocks = size == 0 ? 1 : (size + 109) / 110;
    bytes += blocks * (kHeader + 4 + 1 + kCrc + kAnswer) + size; // blocks and their data
    bytes += (kHeader + 110 + kCrc) + kAnswer;                   // end of file
    return bytes;
}

#ifndef ZOLT_NO_TESTER_SIM
struct Bench
{
    QTemporaryDir work;
    QString previous = QDir::currentPath();
    TesterSimProcess sim;
    LinkSession session{AppConfig};
    SessionRequestLink requests{session};
    QObject view;
    std::string file;
    std::string error;

    explicit Bench(const QStringList& options)
    {
        const QString fs = work.filePath("FN0");
        QDir().mkpath(fs);
        const QString link = work.filePath("tester.pty");
        QFile ini(work.filePath("VELANTO.INI"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[PORTE_COM]\nCOM1=" + link.toUtf8() + "\n");
        ini.close();
        QByteArray content(kFileSize, '\0');
        std::mt19937 random(1);
        for (char& c : content)
            c = char(random());
        file = work.filePath("BENCH.BIN_98304").toStdString();
        QFile data(QString::fromStdString(file));
        data.open(QIODevice::WriteOnly);
        data.write(content);
        data.close();
        QDir::setCurrent(work.path());
        AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
        AppConfig.comPort = 1;
        AppConfig.profilePath = work.filePath("VELANTO.INI").toStdString();
        QObject::connect(&session, &LinkSession::Failed, [this](const ErrorReport& report) {
            error = ReportText(report, AppConfig);
        });
        if (!sim.Start(fs, link, options))
            error = "the tester simulator did not start";
        else
            session.OpenLink(&view, PortTarget::Com(1));
    }
    ~Bench()
    {
        session.CloseLink();
        sim.Stop();
        QDir::setCurrent(previous);
    }

    // Sends the file once. Returns the seconds it took, or -1.
    double CopyOnce()
    {
        CopyEngine engine(requests, AppConfig);
        QObject::connect(&engine, &CopyEngine::Failed, [this](const ErrorReport& report) {
            error = ReportText(report, AppConfig);
        });
        engine.AddFile(file, kTesterPath, false, false);
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        QObject::connect(&engine, &CopyEngine::Finished, &loop, &QEventLoop::quit);
        if (engine.Start() && engine.CurrentState() != CopyEngine::State::Done)
            loop.exec();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        return engine.Result() == CopyEngine::kResultSent ? seconds : -1.0;
    }
};

void CopyAt19200Baud(benchmark::State& state)
{
    Bench bench({"--baud", QString::number(kBaud)});
    if (!bench.session.PortOpen()) {
        state.SkipWithError(bench.error.c_str());
        return;
    }
    const std::uint64_t wire = WireBytes(kFileSize, std::strlen(kTesterPath));
    const double bound = double(wire) * kBitsPerByte / kBaud;
    double seconds = 0;
    for (auto _ : state) {
        seconds = bench.CopyOnce();
        if (seconds < 0) {
            state.SkipWithError(bench.error.c_str());
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["wire_bytes"] = double(wire);
    state.counters["bound_s"] = bound;
    state.counters["time_s"] = seconds;
    state.counters["over_bound_pct"] = (seconds / bound - 1.0) * 100.0;
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kFileSize);
}

void CopyUnpaced(benchmark::State& state)
{
    Bench bench({});
    if (!bench.session.PortOpen()) {
        state.SkipWithError(bench.error.c_str());
        return;
    }
    double total = 0;
    for (auto _ : state) {
        const double seconds = bench.CopyOnce();
        if (seconds < 0) {
            state.SkipWithError(bench.error.c_str());
            return;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    // Kilobytes of 1,000 bytes, as the goal is stated.
    state.counters["KB_per_s"] = double(kFileSize) * double(state.iterations()) / 1000.0 / total;
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kFileSize);
}

BENCHMARK(CopyAt19200Baud)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(CopyUnpaced)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
