// The copy to the tester: opening pass, answer handling, block building and the abort.
#include "transfer/copy_engine.h"

#include "core/workspace.h"
#include "link/request_link.h"
#include "platform/profile.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kSection = "DIALOGO_COPY_PC_TESTER";

using namespace proto;

constexpr std::uint8_t kCarriageReturn = 0x0D;

// Opens `path` for reading only when it is a regular file: a FIFO would block the opening and a
// device such as /dev/zero never ends. Null otherwise, as for a missing file.
std::FILE* OpenRegularFile(const std::string& path)
{
    const int fd = platform::openRegularFile(path.c_str(), nullptr);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

bool IsRegularFile(const std::string& path)
{
    const int fd = platform::openRegularFile(path.c_str(), nullptr);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

} // namespace

CopyEngine::CopyEngine(RequestLink& link, const Workspace& workspace, QObject* parent)
    : QObject(parent), link_(link), workspace_(workspace), diagnostics_(printCodecDiagnostic)
{
    setObjectName(QStringLiteral("CopyEngine"));
    connect(&link_, &RequestLink::Answered, this, [this](int code, const QByteArray& frame) {
        // Late answers during or after the abort belong to an exchange that is over.
        if (state_ == State::Running)
            OnAnswer(code, proto::FrameView(reinterpret_cast<const std::uint8_t*>(frame.data()),
                                            std::size_t(frame.size()))
                               .Status());
    });
}

CopyEngine::~CopyEngine()
{
    CloseFile();
}

bool CopyEngine::AddFile(const std::string& pcPath, const std::string& testerPath, bool textMode,
                         bool compress)
{
    if (state_ != State::Idle || entries_.size() >= std::size_t(kMaxEntries))
        return false;
    // The tester path travels in one frame and the tester keeps 254 characters of it.
    if (pcPath.empty() || testerPath.empty() || testerPath.size() > kMaxPathLength)
        return false;
    entries_.push_back({pcPath, testerPath, textMode, compress});
    return true;
}

const std::string& CopyEngine::CurrentPcPath() const
{
    static const std::string none;
    if (current_ < 0 || std::size_t(current_) >= entries_.size())
        return none;
    return entries_[std::size_t(current_)].pcPath;
}

int CopyEngine::ProgressMaximum() const
{
    return int(std::min<std::uint64_t>(total_ / std::uint64_t(divisor_), INT32_MAX));
}

int CopyEngine::ProgressPosition() const
{
    // A file that grew since the opening pass must not push the bar past its end.
    return std::min(int(std::min<std::uint64_t>(bytesRead_ / std::uint64_t(divisor_), INT32_MAX)),
                    ProgressMaximum());
}

std::string CopyEngine::ProgressText() const
{
    const std::string label = workspace_.Text(kSection, 4);
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " %llu - %llu",
                  static_cast<unsigned long long>(bytesRead_),
                  static_cast<unsigned long long>(total_));
    return label + numbers;
}

void CopyEngine::ShowError(int number)
{
    emit Failed(ErrorReport(number));
}

void CopyEngine::ShowCannotOpen(const std::string& path)
{
    emit Failed(ErrorReport(ErrorText::kCannotOpenFile, path));
}

bool CopyEngine::Start()
{
    if (state_ != State::Idle)
        return state_ == State::Running;
    state_ = State::Running;
    firstSync_ = true;
    if (entries_.empty()) {
        Finish(kResultSent); // nothing to send
        return false;
    }
    if (!OpeningPass()) {
        Finish(kResultFailed);
        return false;
    }
    Send(kRequestSync);
    return state_ == State::Running;
}

bool CopyEngine::OpeningPass()
{
    total_ = 0;
    for (Entry& entry : entries_) {
        if (entry.compress) {
            if (!IsRegularFile(entry.pcPath)) {
                ShowCannotOpen(entry.pcPath);
                return false;
            }
            // A failed compression would otherwise go to the tester as if it were the software.
            const std::string zip = entry.pcPath + ".ZIP";
            if (!Compress(entry.pcPath, zip)) {
                emit Failed(ErrorReport(ErrorText::kCannotCompress, entry.pcPath));
                return false;
            }
            entry.pcPath = zip;
        }
        std::FILE* f = OpenRegularFile(entry.pcPath);
        if (!f) {
            ShowCannotOpen(entry.pcPath);
            return false;
        }
        const bool sized = std::fseek(f, 0, SEEK_END) == 0;
        const long size = sized ? std::ftell(f) : -1;
        std::fclose(f);
        if (size < 0) {
            ShowCannotOpen(entry.pcPath);
            return false;
        }
        total_ += std::uint64_t(size);
    }
    divisor_ = total_ < kHundredsFrom ? 1 : 100;
    bytesRead_ = 0;
    current_ = 0;
    return true;
}

bool CopyEngine::Compress(const std::string& source, const std::string& zip)
{
    // Created (or emptied) here first, so that the codec never opens a FIFO or writes through a
    // symbolic link, and a failure removes only what this transfer wrote.
    const int fd =
        ::open(zip.c_str(),
               O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat status;
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    if (!regular)
        return false;
    if (compressFile(source.c_str(), zip.c_str(), diagnostics_) == 0)
        return true;
    // An empty or partial copy must not be taken later for the compressed file.
    std::remove(zip.c_str());
    return false;
}

void CopyEngine::OnAnswer(int code, int status)
{
    switch (code) {
    case kAnswerSync:
        if (firstSync_) {
            firstSync_ = false;
            StartFile(0);
        } else {
            Abort(kResultFailed);
        }
        break;
    case kAnswerOpenFile:
        if (status == kStatusAccepted) {
            if (OpenCurrentFile())
                SendBlock();
        } else if (status == kStatusRefused) {
            ShowError(ErrorText::kNameRefused);
            SendClosingSync();
        } else {
            ShowError(ErrorText::kUnexpectedAnswer);
            Abort(kResultFailed);
        }
        break;
    case kAnswerDataBlock:
        if (status == kStatusAccepted) {
            SendBlock();
        } else if (status == kStatusRefused || status == kStatusRefusedToo) {
            if (!link_.Retry()) {
                ShowError(ErrorText::kBlockRefused);
                SendClosingSync();
            }
        } else if (status == kStatusTesterError) {
            ShowError(ErrorText::kBlockError);
            SendClosingSync();
        } else {
            ShowError(ErrorText::kUnexpectedAnswer);
            Abort(kResultFailed);
        }
        break;
    case kAnswerEndOfFile:
        if (status == kStatusAccepted) {
            CloseFile();
            ++filesSent_;
            emit FileSent(current_);
            if (std::size_t(current_) + 1 < entries_.size()) {
                StartFile(current_ + 1);
            } else {
                link_.EndExchange();
                Finish(kResultSent);
            }
        } else if (status == kStatusRefused) {
            ShowError(ErrorText::kBlockRefused);
            CloseFile();
            Abort(kResultFailed);
        } else {
            ShowError(ErrorText::kUnexpectedAnswer);
            Abort(kResultFailed);
        }
        break;
    case LinkTimeout:
        ShowError(ErrorText::kNoAnswer);
        Abort(kResultFailed);
        break;
    case LinkSendFailed:
        ShowError(ErrorText::kCannotSend);
        Abort(kResultFailed);
        break;
    default:
        break; // not an answer to a request of the copy
    }
}

void CopyEngine::StartFile(int index)
{
    current_ = index;
    std::memset(sums_, 0, sizeof sums_);
    blockNumber_ = 0;
    const std::string& path = entries_[std::size_t(index)].testerPath;
    Send(kRequestOpenFile, reinterpret_cast<const std::uint8_t*>(path.data()), int(path.size()));
}

bool CopyEngine::OpenCurrentFile()
{
    CloseFile();
    file_ = OpenRegularFile(CurrentPcPath());
    if (!file_) {
        ShowCannotOpen(CurrentPcPath());
        Abort(kResultFailed);
        return false;
    }
    return true;
}

void CopyEngine::CloseFile()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void CopyEngine::SendBlock()
{
    if (!file_) {
        // A block answer while no file is open: the tester answered out of turn.
        ShowError(ErrorText::kUnexpectedAnswer);
        Abort(kResultFailed);
        return;
    }
    Entry& entry = entries_[std::size_t(current_)];
    std::uint8_t payload[4 + kBlockBytes + 1];
    PutU32BE(payload, blockNumber_);
    std::uint8_t read[kBlockBytes];
    const std::size_t n = std::fread(read, 1, sizeof read, file_);
    if (n < sizeof read && std::ferror(file_)) {
        // Going on would close the file on the tester with its end missing.
        ShowCannotOpen(entry.pcPath);
        Abort(kResultFailed);
        return;
    }
    bytesRead_ += n;
    emit ProgressChanged();

    const bool first = blockNumber_ == 0;
    if (first && entry.compress)
        entry.textMode = false;
    std::size_t carried = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (entry.textMode && read[i] == kCarriageReturn)
            continue;
        payload[4 + carried++] = read[i];
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < carried; ++i) {
        sums_[i] = std::uint8_t(sums_[i] + payload[4 + i]);
        sum = std::uint8_t(sum + payload[4 + i]);
    }
    ++blockNumber_;
    payload[4 + carried] = std::uint8_t(~sum);

    if (!first && n == 0) {
        std::uint8_t complemented[kBlockBytes];
        for (int i = 0; i < kBlockBytes; ++i)
            complemented[i] = std::uint8_t(~sums_[i]);
        Send(kRequestEndOfFile, complemented, kBlockBytes);
        return;
    }
    Send(kRequestDataBlock, payload, int(4 + carried + 1));
}

bool CopyEngine::Send(int type, const std::uint8_t* data, int length)
{
    if (state_ != State::Running)
        return false;
    if (!link_.Send(type, std::vector<std::uint8_t>(data, data + length))) {
        ShowError(ErrorText::kCannotSend);
        Abort(kResultFailed);
        return false;
    }
    return true;
}

void CopyEngine::SendClosingSync()
{
    Send(kRequestSync);
}

void CopyEngine::Cancel()
{
    if (state_ == State::Idle) {
        Finish(kResultCancelled);
        return;
    }
    Abort(kResultCancelled);
}

void CopyEngine::Close()
{
    if (state_ == State::Idle) {
        Finish(kResultFailed);
        return;
    }
    Abort(kResultFailed);
}

void CopyEngine::Abort(int result)
{
    if (state_ != State::Running)
        return;
    state_ = State::Aborting;
    emit CancelEnabled(false);
    CloseFile();
    link_.EndExchange();
    emit CancelEnabled(true);
    Finish(result);
}

void CopyEngine::Finish(int result)
{
    if (state_ == State::Done)
        return;
    state_ = State::Done;
    result_ = result;
    CloseFile();
    emit Finished(result);
}
