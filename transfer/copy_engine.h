// Sends a queue of PC files to the tester, one after the other, in numbered blocks: the
// widget-free state machine behind the copy dialog and zoltctl.
//
//   SessionRequestLink link(session);
//   CopyEngine engine(link, workspace);
//   engine.AddFile("/work/ABS.BIN_4096", "/FN0/ABS.BIN_4096", false, false);
//   connect(&engine, &CopyEngine::Failed, ...);     // show, print or record it
//   connect(&engine, &CopyEngine::Finished, ...);   // 1 sent, 0 failed or closed, 2 cancelled
//   if (!engine.Start()) ...;                       // ended at once; Failed said why
//
// The engine sends its requests through `link` and reacts to its answers; it never waits and
// never opens a window. Only a QCoreApplication is needed.
#pragma once

#include "core/messages.h"
#include "linklib/protocol.h"
#include "transfer/codec.h"

#include <QObject>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class RequestLink;
struct Workspace;

class CopyEngine : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxEntries = 255;
    static constexpr std::size_t kMaxPathLength = 254;
    static constexpr int kBlockBytes = proto::kBlockBytes;
    // From this total on, the progress counts hundreds of bytes.
    static constexpr std::uint64_t kHundredsFrom = 32000;

    // Results, as the dialog returns them.
    static constexpr int kResultFailed = 0;
    static constexpr int kResultSent = 1;
    static constexpr int kResultCancelled = 2; // IDCANCEL

    enum class State
    {
        Idle,     // files may be queued
        Running,  // an exchange is driving the transfer
        Aborting, // the abort procedure is ending the exchange
        Done,     // Result() holds the outcome
    };

    struct Entry
    {
        std::string pcPath;     // after the opening pass: the ".ZIP" file when compressed
        std::string testerPath; // sent as is, without a terminating zero
        bool textMode = false;  // carriage returns are dropped
        bool compress = false;
    };

    CopyEngine(RequestLink& link, const Workspace& workspace, QObject* parent = nullptr);
    ~CopyEngine() override;

    // Queues a file. Refused when 255 files are queued already, the transfer has started, or a
    // path is empty or the tester path longer than 254 characters.
    bool AddFile(const std::string& pcPath, const std::string& testerPath, bool textMode,
                 bool compress);

    // Where the codec's diagnostics go (standard output unless replaced).
    void SetCodecDiagnostics(CodecDiagnostics sink) { diagnostics_ = std::move(sink); }

    // The opening pass (compression, sizes) and the first sync. Returns true while the transfer
    // runs, false when it has already ended (its failure reported; Result() tells how).
    bool Start();
    // The Cancel button: the abort procedure, then result 2.
    void Cancel();
    // The window's close box: the abort procedure, result 0.
    void Close();

    State CurrentState() const { return state_; }
    int Result() const { return result_; }

    const std::vector<Entry>& Entries() const { return entries_; }
    int CurrentIndex() const { return current_; }
    const std::string& CurrentPcPath() const;
    std::uint32_t BlockNumber() const { return blockNumber_; }
    std::uint64_t Total() const { return total_; }
    std::uint64_t BytesRead() const { return bytesRead_; }
    int Divisor() const { return divisor_; }
    int ProgressMaximum() const;
    int ProgressPosition() const;
    // "%s %ld - %ld" with text 4 of "DIALOGO_COPY_PC_TESTER", the bytes read and the total.
    std::string ProgressText() const;
    // Files the tester has acknowledged so far, in queue order.
    int FilesSent() const { return filesSent_; }

signals:
    // A block was read: path, progress position and progress text may have changed.
    void ProgressChanged();
    // The Cancel button is unusable while the abort procedure runs.
    void CancelEnabled(bool enabled);
    // The tester acknowledged the end of entry `index`.
    void FileSent(int index);
    // The transfer is over (emitted once).
    void Finished(int result);
    // A failure the user must see; the transfer ends with it.
    void Failed(const ErrorReport& report);

private:
    void OnAnswer(int code, int status);
    bool OpeningPass();
    // Compresses `source` into `zip`. On failure nothing of `zip` is left that this run made.
    bool Compress(const std::string& source, const std::string& zip);
    void StartFile(int index);
    void SendBlock();
    bool OpenCurrentFile();
    void CloseFile();
    // Builds and sends (or queues) request `type`. On failure: error 15 and the abort
    // procedure. Returns true when sent.
    bool Send(int type, const std::uint8_t* data = nullptr, int length = 0);
    void SendClosingSync();
    void Abort(int result);
    void Finish(int result);
    void ShowError(int number);
    void ShowCannotOpen(const std::string& path);

    RequestLink& link_;
    const Workspace& workspace_;
    std::vector<Entry> entries_;
    CodecDiagnostics diagnostics_;
    State state_ = State::Idle;
    int result_ = kResultFailed;
    bool firstSync_ = false;
    int current_ = 0;
    std::FILE* file_ = nullptr;
    std::uint32_t blockNumber_ = 0;
    std::uint8_t sums_[kBlockBytes] = {};
    std::uint64_t total_ = 0;
    std::uint64_t bytesRead_ = 0;
    int divisor_ = 1;
    int filesSent_ = 0;
};
