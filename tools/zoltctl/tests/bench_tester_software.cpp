// The tester software engine on a simulated 19200-baud line: the time to list a tester holding
// 30 entries and the time of a download that is split into 3 parts, each against the
// line-rate bound of the bytes that went over the wire (10 bits a byte, CRC included).
#include "core/app_config.h"
#include "core/messages.h"
#include "link/link_api.h"
#include "link/link_session.h"
#include "software/tester_software_engine.h"
#include "link/request_link.h"
#include "tools/tester_sim/tester_sim_process.h"
#include "transfer/copy_engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kBaud = 19200;
constexpr int kCrcBytes = 2;

// The real link library, counting the bytes of every frame sent and received.
class CountingApi : public LinkApi
{
public:
    explicit CountingApi(std::unique_ptr<LinkApi> real) : real_(std::move(real)) {}
    long long bytes = 0;

    int Init(QObject* w, int r) override { return real_->Init(w, r); }
    int Release(int id) override { return real_->Release(id); }
    int OpenDevice(int id, const std::string& device, int baud, unsigned char* area) override
    {
        return real_->OpenDevice(id, device, baud, area);
    }
    void ClosePort(int id) override { real_->ClosePort(id); }
    int Receive(QObject** w, int id, unsigned char* response, int* length) override
    {
        const int result = real_->Receive(w, id, response, length);
        if (result == 1)
            bytes += *length + kCrcBytes;
        return result;
    }
    int Send(QObject* w, int id, const unsigned char* frame, int size) override
    {
        const int result = real_->Send(w, id, frame, size);
        if (result == 1)
            bytes += size + kCrcBytes;
        return result;
    }
    std::string Version() override { return real_->Version(); }
    std::string Date() override { return real_->Date(); }
    void Cancel(int id) override { real_->Cancel(id); }
    std::string PortError(int id) override { return real_->PortError(id); }

private:
    std::unique_ptr<LinkApi> real_;
};

struct Bench
{
    QTemporaryDir work;
    QString fs;
    TesterSimProcess sim;
    CountingApi* api = nullptr;
    std::unique_ptr<LinkSession> session;
    QObject view;

    bool Open()
    {
        fs = work.filePath("FN0");
        QDir().mkpath(fs);
        if (!sim.Start(fs, work.filePath("tester"), {"--baud", QString::number(kBaud)}))
            return false;
        QFile ini(work.filePath("VELANTO.INI"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[PORTE_COM]\nCOM1=" + work.filePath("tester").toUtf8() + "\n");
        ini.close();
        AppConfig.workDir = work.path().toStdString();
        AppConfig.profilePath = work.filePath("VELANTO.INI").toStdString();
        AppConfig.comPort = 1;
        QString error;
        auto counting = std::make_unique<CountingApi>(LoadLinkLibrary(&error));
        api = counting.get();
        session = std::make_unique<LinkSession>(AppConfig, std::move(counting));
        QObject::connect(session.get(), &LinkSession::Failed, [](const ErrorReport& report) {
            std::fprintf(stderr, "bench_tester_software: %s\n", ReportText(report, AppConfig).c_str());
        });
        return session->OpenLink(&view, PortTarget::Com(1)) == 0 && session->PortOpen();
    }
};

Bench* g_bench = nullptr;

void Report(benchmark::State& state, double seconds, long long bytes)
{
    const double bound = double(bytes) * 10.0 / kBaud;
    state.SetIterationTime(seconds);
    state.counters["wire_bytes"] = double(bytes);
    state.counters["bound_s"] = bound;
    state.counters["measured_s"] = seconds;
    state.counters["over_bound_pct"] = (seconds / bound - 1.0) * 100.0;
}

// Runs `start` and the event loop until the engine settles or fails.
bool RunEngine(TesterSoftwareEngine& engine, const std::function<void()>& start)
{
    QEventLoop loop;
    bool ok = true;
    QObject::connect(&engine, &TesterSoftwareEngine::Settled, &loop, &QEventLoop::quit);
    QObject::connect(&engine, &TesterSoftwareEngine::Failed, &loop, [&] {
        ok = false;
        loop.quit();
    });
    start();
    loop.exec();
    return ok;
}

void BM_ListThirtyEntries(benchmark::State& state)
{
    for (int i = 0; i < 30; ++i) {
        QFile f(g_bench->fs + QString("/SOFTWARE%1.BIN_%2").arg(i, 2, 10, QChar('0')).arg(i + 1));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(i + 1, 'x'));
    }
    SessionRequestLink link(*g_bench->session);
    TesterSoftwareEngine engine(link, AppConfig);
    engine.SetPurgeAfterListing(false);
    for (auto _ : state) {
        const long long before = g_bench->api->bytes;
        QElapsedTimer clock;
        clock.start();
        if (!RunEngine(engine, [&] { engine.StartListing(); }) || engine.EntryCounter() != 30) {
            state.SkipWithError("the listing failed");
            break;
        }
        Report(state, clock.nsecsElapsed() / 1e9, g_bench->api->bytes - before);
    }
    for (int i = 0; i < 30; ++i)
        QFile::remove(g_bench->fs + QString("/SOFTWARE%1.BIN_%2").arg(i, 2, 10, QChar('0')).arg(i + 1));
}

void BM_DownloadThreeParts(benchmark::State& state)
{
    constexpr int kSize = 2 * 98304 + 3392; // the smallest software split into 3 parts, and some
    const QString name = QString("ABS.BIN_%1").arg(kSize);
    QFile f(QString::fromStdString(AppConfig.workDir) + "/" + name);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray(kSize, 'z'));
    f.close();
    SessionRequestLink link(*g_bench->session);
    TesterSoftwareEngine engine(link, AppConfig);
    engine.AddToSelection({"ABS", name.toStdString()});
    std::unique_ptr<CopyEngine> copy;
    SessionRequestLink copyLink(*g_bench->session);
    QObject::connect(&engine, &TesterSoftwareEngine::CopyRequested, &engine,
                     [&](const std::vector<TesterSoftwareEngine::CopyItem>& queue) {
                         copy = std::make_unique<CopyEngine>(copyLink, AppConfig);
                         for (const auto& item : queue)
                             copy->AddFile(item.pcPath, item.testerPath, false, false);
                         QObject::connect(copy.get(), &CopyEngine::Finished, &engine,
                                          [&] { engine.CopyFinished(); }, Qt::QueuedConnection);
                         copy->Start();
                     });
    for (auto _ : state) {
        if (!RunEngine(engine, [&] { engine.StartListing(); })) {
            state.SkipWithError("the first listing failed");
            break;
        }
        const long long before = g_bench->api->bytes;
        QElapsedTimer clock;
        clock.start();
        // The download, from the button to the listing that shows the new software.
        if (!RunEngine(engine, [&] { engine.Download(); }) || !copy ||
            copy->Result() != CopyEngine::kResultSent || engine.Table().Rows().size() != 1) {
            state.SkipWithError("the download failed");
            break;
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        Report(state, seconds, g_bench->api->bytes - before);
        // Data blocks of at most 110 bytes, each one exchange with the tester.
        long long blocks = 0;
        for (int i = 1; i <= 3; ++i)
            blocks += (CopyEngine::kBlockBytes - 1 + (i < 3 ? 98304 : kSize - 2 * 98304)) /
                      CopyEngine::kBlockBytes;
        state.counters["blocks_per_s"] = double(blocks) / seconds;
        for (const QString& part : QDir(g_bench->fs).entryList(QDir::Files))
            QFile::remove(g_bench->fs + "/" + part);
    }
}

BENCHMARK(BM_ListThirtyEntries)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DownloadThreeParts)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
    Bench bench;
    if (!bench.Open()) {
        std::fprintf(stderr, "the simulator or the link did not come up\n%s\n",
                     bench.sim.ErrorOutput().constData());
        return 1;
    }
    g_bench = &bench;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_bench = nullptr;
    return 0;
}
