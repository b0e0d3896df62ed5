// Sends a queue of PC files to the tester, one after the other, in numbered blocks: the
// widget-free state machine behind the copy dialog and zoltctl.
//
//   CopyEngine engine;
//   engine.AddFile("/work/ABS.BIN_4096", "/FN0/ABS.BIN_4096", false, false);
//   connect(&engine, &CopyEngine::Finished, ...);   // 1 sent, 0 failed or closed, 2 cancelled
//   if (!engine.Start()) ...;                       // ended at once; its message was shown
//
// The engine is the requester of the link exchanges (LinkSession::Current()); answers arrive
// as LinkMessageEvents. Errors are shown as message boxes through core/texts.h. Only a
// QCoreApplication is needed.
#pragma once

#include "transfer/codec.h"

#include <QObject>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class CopyEngine : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxEntries = 255;
    static constexpr std::size_t kMaxPathLength = 254;
    static constexpr int kBlockBytes = 110;
    // From this total on, the progress counts hundreds of bytes.
    static constexpr std::uint64_t kHundredsFrom = 32000;

    // Results, as the dialog returns them.
    static constexpr int kResultFailed = 0;
    static constexpr int kResultSent = 1;
    static constexpr int kResultCancelled = 2; // IDCANCEL

    // Answer codes of the requests the engine sends.
    static constexpr int kSyncAnswer = 7;
    static constexpr int kOpenAnswer = 8;
    static constexpr int kBlockAnswer = 9;
    static constexpr int kEndAnswer = 10;

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

    explicit CopyEngine(QObject* parent = nullptr);
    ~CopyEngine() override;

    // Queues a file. Returns 1, or 0 when 255 files are queued already, the transfer has
    // started, or a path is empty or the tester path longer than 254 characters.
    int AddFile(const std::string& pcPath, const std::string& testerPath, bool textMode,
                bool compress);

    // Where the codec's diagnostics go (standard output unless replaced).
    void SetCodecDiagnostics(CodecDiagnostics sink) { diagnostics_ = std::move(sink); }

    // The opening pass (compression, sizes) and the first sync. Returns true while the transfer
    // runs, false when it has already ended (its message shown; Result() tells how).
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

protected:
    bool event(QEvent* event) override;

private:
    void OnAnswer(long long code);
    int Status() const;
    bool OpeningPass();
    void StartFile(int index);
    void SendBlock();
    bool OpenCurrentFile();
    void CloseFile();
    // Builds and sends request `type` unless the transfer ended meanwhile. On failure: error
    // box 15 and the abort procedure. Returns true when sent.
    bool Send(int type, const std::uint8_t* data = nullptr, int length = 0);
    void SendClosingSync();
    void Abort(int result);
    void Finish(int result);
    void ShowError(int number);
    void ShowCannotOpen(const std::string& path);

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

// Fills the one "%s" of `format` with `argument`. "%%" becomes "%"; any other "%" sequence is
// kept as written, so a text from the language file cannot make the program read arguments it
// was never given.
std::string FormatWithPath(const std::string& format, const std::string& argument);
