// The tester software engine: listing, purge, deletions and the download up to the copy.
#include "software/tester_software_engine.h"

#include "core/texts.h"
#include "platform/profile.h"
#include "software/tester_software_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kDialogSection = "DIALOGO_AGGIORNAMENTO_SW_TESTER";
constexpr int kConflictText = 19;
constexpr int kNotListedText = 31;
constexpr int kStillListedText = 32;

// Offsets in answer frames.
constexpr int kStatusAt = proto::kOffsetStatus;
constexpr int kIndexAt = proto::kEntryIndex;
constexpr int kKindAt = proto::kEntryKind;
constexpr int kDateAt = proto::kEntryDate;
constexpr int kVersionAt = proto::kEntryVersion;
constexpr int kNameAt = proto::kEntryName;
constexpr int kDateLength = 10;
constexpr int kVersionLength = 5;

constexpr int kAccepted = proto::kStatusAccepted;
constexpr int kRefused = proto::kStatusRefused;
constexpr int kTesterError = proto::kStatusTesterError;
constexpr int kEndOfDirectory = proto::kStatusEndOfDirectory;
constexpr int kNotRecorded = 1; // entry kind

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::string Join(const std::string& dir, const std::string& name)
{
    return dir.empty() ? name : dir + "/" + name;
}

// Whether something other than a regular file (a link, folder, FIFO, device) lies at `path`.
bool TakenByOther(const std::string& path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

std::string Lines(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& name : names)
        out += "\n" + EscapeName(name);
    return out;
}

std::string DialogText(const Workspace& workspace, int number)
{
    return TextOr(workspace.Text(kDialogSection, number), kMessageMissing);
}

} // namespace

TesterSoftwareEngine::TesterSoftwareEngine(RequestLink& link, Workspace workspace, QObject* parent)
    : QObject(parent), link_(link), workspace_(std::move(workspace))
{
    setObjectName(QStringLiteral("TesterSoftwareEngine"));
    connect(&link_, &RequestLink::Answered, this, [this](int code, const QByteArray& frame) {
        OnAnswer(code, reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()));
    });
}

TesterSoftwareEngine::~TesterSoftwareEngine()
{
    link_.EndExchange();
}

std::string TesterSoftwareEngine::EntryCountText() const
{
    return listingDone_ ? std::to_string(counter_) : std::string("--");
}

std::string TesterSoftwareEngine::FormatConflict(const std::string& format, const std::string& base,
                                                 int testerParts, int newParts)
{
    return FillText(format, {base, std::to_string(testerParts), std::to_string(newParts)});
}

void TesterSoftwareEngine::SetControls(bool enabled)
{
    if (controlsEnabled_ == enabled)
        return;
    controlsEnabled_ = enabled;
    emit StateChanged();
}

void TesterSoftwareEngine::Send(int type, const std::vector<std::uint8_t>& payload, int awaiting)
{
    awaiting_ = awaiting;
    if (!link_.Send(type, payload)) {
        awaiting_ = 0;
        Fail(ErrorText::kCannotSend, true);
    }
}

void TesterSoftwareEngine::Fail(int number, bool closes, const std::string& appended)
{
    if (closes) {
        activity_ = Activity::Stopped;
        link_.EndExchange();
        awaiting_ = 0;
    }
    ErrorReport report(number);
    report.appended = appended;
    report.ends = closes;
    emit Failed(report);
}

void TesterSoftwareEngine::Stop()
{
    // Also an exchange that timed out: the link keeps it until it is ended.
    link_.EndExchange();
    awaiting_ = 0;
    activity_ = Activity::Stopped;
}

void TesterSoftwareEngine::Settle()
{
    activity_ = Activity::Idle;
    SetControls(true);
    if (notKept_) {
        const ErrorReport report = *notKept_;
        notKept_.reset();
        emit Failed(report);
    }
    emit Settled();
}

// Listing.

void TesterSoftwareEngine::StartListing()
{
    if (activity_ == Activity::Stopped)
        return;
    afterPurge_ = purging_;
    purging_ = false;
    downloadAfterDelete_ = false;
    table_.Clear();
    workList_.clear();
    listingDone_ = false;
    marker_ = 0;
    // This listing shows whether the tester kept what it acknowledged before it.
    mustList_.insert(mustList_.end(), sentSince_.begin(), sentSince_.end());
    mustNotList_.insert(mustNotList_.end(), deletedSince_.begin(), deletedSince_.end());
    sentSince_.clear();
    deletedSince_.clear();
    listed_.clear();
    listingWhole_ = false;
    activity_ = Activity::Listing;
    emit ListingStarted();
    link_.EndExchange();
    Send(kSync, {}, kSyncAnswer);
}

void TesterSoftwareEngine::OnAnswer(int code, const std::uint8_t* frame, int length)
{
    if (activity_ == Activity::Stopped || awaiting_ == 0)
        return;
    if (code == kTimeout) {
        // The controls stay as they are, and those still enabled work: nothing is pending.
        awaiting_ = 0;
        activity_ = Activity::Idle;
        Fail(ErrorText::kNoAnswer, false);
        return;
    }
    if (code == kSendFailed) {
        awaiting_ = 0;
        Fail(ErrorText::kCannotSend, true);
        return;
    }
    if (code != awaiting_)
        return; // not the answer to the request in flight
    awaiting_ = 0;
    const int status = frame && length > kStatusAt ? frame[kStatusAt] : -1;
    switch (code) {
    case kSyncAnswer:
        OnSyncAnswer();
        break;
    case kOpenDirectoryAnswer:
        OnDirectoryAnswer(status);
        break;
    case kEntryAnswer:
        OnEntryAnswer(status, frame, length);
        break;
    case kDeleteAnswer:
        OnDeleteAnswer(status);
        break;
    default:
        break;
    }
}

void TesterSoftwareEngine::OnSyncAnswer()
{
    if (activity_ != Activity::Listing)
        return;
    if (marker_ == kListingEndMarker) {
        FinishListing();
        return;
    }
    SetControls(false);
    Send(kOpenDirectory, Bytes(proto::kTesterRoot), kOpenDirectoryAnswer);
}

void TesterSoftwareEngine::OnDirectoryAnswer(int status)
{
    if (status == kAccepted) {
        counter_ = 0;
        RequestEntry(0);
    } else {
        Fail(status == kRefused ? ErrorText::kListingRefused : ErrorText::kBadRequest, true);
    }
}

void TesterSoftwareEngine::RequestEntry(int index)
{
    std::vector<std::uint8_t> payload(4);
    proto::PutU32BE(payload.data(), std::uint32_t(index));
    Send(kReadEntry, payload, kEntryAnswer);
}

void TesterSoftwareEngine::OnEntryAnswer(int status, const std::uint8_t* frame, int length)
{
    if (status == kEndOfDirectory) {
        listingWhole_ = true;
        FinishListing();
        return;
    }
    if (status == kRefused || status == kTesterError) {
        Fail(ErrorText::kListingRefused, true);
        return;
    }
    // An entry shorter than its fixed fields has no name to read.
    if (status != kAccepted || length < kNameAt) {
        Fail(ErrorText::kBadRequest, true);
        return;
    }
    const std::uint32_t index = proto::GetU32BE(frame + kIndexAt);
    if (index >= std::uint32_t(kMaxEntries)) {
        marker_ = kListingEndMarker;
        Send(kSync, {}, kSyncAnswer);
        return;
    }
    if (index != std::uint32_t(counter_)) {
        activity_ = Activity::Stopped;
        ErrorReport report = ErrorReport::Literal(kIndexMismatchTitle, kIndexMismatchText);
        report.platform = true; // the platform's box, as the design shows it
        report.ends = true;
        emit Failed(report);
        return;
    }
    // The name runs to the end of the frame as its length field gives it.
    const int frameEnd =
        std::min(proto::FrameView(frame, std::size_t(length)).Length() + 1, length);
    const std::string name(reinterpret_cast<const char*>(frame + kNameAt),
                           std::size_t(std::max(frameEnd - kNameAt, 0)));
    const std::string version(reinterpret_cast<const char*>(frame + kVersionAt), kVersionLength);
    const std::string date(reinterpret_cast<const char*>(frame + kDateAt), kDateLength);
    listed_.insert(name);
    emit EntryListed(counter_, frame[kKindAt], date, version, name);
    if (frame[kKindAt] != kNotRecorded) {
        const int row = table_.Add(name, version, date);
        if (row >= 0)
            emit RowAdded(row);
    }
    ++counter_;
    RequestEntry(counter_);
}

void TesterSoftwareEngine::CheckKept()
{
    std::vector<std::string> missing, present;
    // A listing cut at 30 entries does not show the rest: what it lacks may be there.
    if (listingWhole_)
        for (const std::string& name : mustList_)
            if (!listed_.count(name))
                missing.push_back(name);
    for (const std::string& name : mustNotList_)
        if (listed_.count(name) &&
            std::find(mustList_.begin(), mustList_.end(), name) == mustList_.end())
            present.push_back(name);
    mustList_.clear();
    mustNotList_.clear();
    if (missing.empty() && present.empty())
        return;
    if (!notKept_) {
        notKept_.emplace(ErrorText::kNotKept);
    }
    if (!missing.empty())
        notKept_->appended += "\n" + DialogText(workspace_, kNotListedText) + Lines(missing);
    if (!present.empty())
        notKept_->appended += "\n" + DialogText(workspace_, kStillListedText) + Lines(present);
}

void TesterSoftwareEngine::FinishListing()
{
    CheckKept();
    listingDone_ = true;
    emit ListingFinished(counter_);
    if (purge_ && !afterPurge_) {
        const std::vector<int> incomplete = table_.IncompleteFiles();
        if (!incomplete.empty()) {
            workList_.clear();
            AppendToWorkList(incomplete);
            purging_ = true;
            activity_ = Activity::Deleting;
            workIndex_ = 0;
            DeleteNext();
            return;
        }
    }
    afterPurge_ = false;
    Settle();
}

// Deletions.

void TesterSoftwareEngine::AppendToWorkList(const std::vector<int>& files)
{
    // A file named twice would be deleted twice, and the tester refuses the second. A name
    // that cannot be sent back is never part of a delete.
    for (int file : files)
        if (table_.Files()[std::size_t(file)].deletable &&
            std::find(workList_.begin(), workList_.end(), file) == workList_.end())
            workList_.push_back(file);
}

bool TesterSoftwareEngine::CheckRowsDeletable(const std::vector<int>& rows)
{
    std::vector<std::string> refused;
    for (int row : rows)
        if (row >= 0 && std::size_t(row) < table_.Rows().size() && !table_.RowDeletable(row))
            for (int file : table_.Rows()[std::size_t(row)].files)
                refused.push_back(table_.Files()[std::size_t(file)].name);
    if (refused.empty())
        return true;
    Fail(ErrorText::kNameNotUsable, false, Lines(refused));
    return false;
}

bool TesterSoftwareEngine::DeleteRows(std::vector<int> rows)
{
    if (activity_ != Activity::Idle || !controlsEnabled_)
        return false;
    if (!CheckRowsDeletable(rows))
        return false;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    workList_.clear();
    for (int row : rows)
        if (row >= 0 && std::size_t(row) < table_.Rows().size())
            AppendToWorkList(table_.Rows()[std::size_t(row)].files);
    return DeleteWorkList();
}

bool TesterSoftwareEngine::DeleteGroups(std::vector<int> groups)
{
    if (activity_ != Activity::Idle || !controlsEnabled_)
        return false;
    std::sort(groups.begin(), groups.end());
    std::vector<std::string> refused;
    for (int group : groups)
        if (group >= 0 && std::size_t(group) < table_.Groups().size() &&
            !table_.Groups()[std::size_t(group)].deletable)
            for (int file : table_.Groups()[std::size_t(group)].files)
                refused.push_back(table_.Files()[std::size_t(file)].name);
    if (!refused.empty()) {
        Fail(ErrorText::kNameNotUsable, false, Lines(refused));
        return false;
    }
    workList_.clear();
    for (int group : groups)
        if (group >= 0 && std::size_t(group) < table_.Groups().size())
            AppendToWorkList(table_.Groups()[std::size_t(group)].files);
    return DeleteWorkList();
}

bool TesterSoftwareEngine::DeleteWorkList()
{
    if (workList_.empty())
        return false;
    SetControls(false);
    activity_ = Activity::Deleting;
    downloadAfterDelete_ = false;
    workIndex_ = 0;
    DeleteNext();
    return true;
}

void TesterSoftwareEngine::DeleteNext()
{
    const std::string& name = table_.Files()[std::size_t(workList_[workIndex_])].name;
    Send(kDelete, Bytes(TesterPath(name)), kDeleteAnswer);
}

void TesterSoftwareEngine::OnDeleteAnswer(int status)
{
    if (activity_ != Activity::Deleting)
        return;
    if (status != kAccepted) {
        Fail(ErrorText::kDeleteRefused, true);
        return;
    }
    const std::string& deleted = table_.Files()[std::size_t(workList_[workIndex_])].name;
    deletedSince_.push_back(deleted);
    emit FileDeleted(deleted);
    if (++workIndex_ < workList_.size()) {
        DeleteNext();
        return;
    }
    workList_.clear();
    if (downloadAfterDelete_) {
        downloadAfterDelete_ = false;
        PrepareCopy();
    } else {
        StartListing();
    }
}

// Selection.

TesterSoftwareEngine::AddResult TesterSoftwareEngine::AddToSelection(const EcuEntry& ecu,
                                                                     const std::string& dir,
                                                                     const std::string& vehicle)
{
    // By the software, not the display name: ECUs of one name in two vehicles are two
    // software files, and the same file chosen twice would be sent twice.
    for (const SelectionSlot& slot : slots_)
        if (slot.ecu.fileName == ecu.fileName)
            return AddResult::Duplicate;
    if (slots_.size() >= std::size_t(kMaxSlots)) {
        Fail(ErrorText::kSelectionFull, false);
        return AddResult::Full;
    }
    SelectionSlot slot;
    slot.ecu = ecu;
    slot.vehicle = vehicle;
    slot.dir = dir;
    slots_.push_back(slot);
    emit StateChanged();
    return AddResult::Added;
}

void TesterSoftwareEngine::RemoveFromSelection(std::vector<int> chosen)
{
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    for (auto it = chosen.rbegin(); it != chosen.rend(); ++it)
        if (*it >= 0 && std::size_t(*it) < slots_.size())
            slots_.erase(slots_.begin() + *it);
    emit StateChanged();
}

void TesterSoftwareEngine::ClearSelection()
{
    slots_.clear();
    emit StateChanged();
}

// Download.

bool TesterSoftwareEngine::Download()
{
    if (activity_ != Activity::Idle || !controlsEnabled_ || slots_.empty())
        return false;
    if (counter_ >= kMaxEntries) {
        Fail(ErrorText::kTesterFull, false);
        return false;
    }
    int sum = 0;
    for (SelectionSlot& slot : slots_) {
        slot.blocks = BlockCount(ParseSoftwareName(slot.ecu.fileName).size);
        sum += slot.blocks;
    }
    if (counter_ + sum > kMaxEntries) {
        char numbers[48];
        std::snprintf(numbers, sizeof numbers, " %d / %d", kMaxEntries - counter_, sum);
        Fail(ErrorText::kNoRoom, false, numbers);
        return false;
    }
    if (!CheckSoftwareFiles())
        return false;
    for (SelectionSlot& slot : slots_)
        slot.download = true;
    workList_.clear();
    askIndex_ = 0;
    activity_ = Activity::Asking;
    SetControls(false);
    AskNextConflict();
    return true;
}

bool TesterSoftwareEngine::CheckSoftwareFiles()
{
    for (const SelectionSlot& slot : slots_) {
        const std::string& fileName = slot.ecu.fileName;
        // The name becomes a file of the working directory and of the tester: a path in it
        // would read or write elsewhere.
        if (!IsPlainFileName(fileName)) {
            Fail(ErrorText::kCannotOpenSoftware, false, "\n" + fileName);
            return false;
        }
        struct stat status
        {
        };
        const int fd = platform::openRegularFile(Join(SlotDir(slot), fileName).c_str(), &status);
        if (fd < 0) {
            Fail(ErrorText::kCannotOpenSoftware, false, "\n" + fileName);
            return false;
        }
        ::close(fd);
        const long long actual = status.st_size;
        // A whole file goes as it is; only parts are cut by the size in the name.
        const SoftwareName parsed = ParseSoftwareName(fileName);
        if (parsed.size < kPartBytes)
            continue;
        // Parts cut from a file of another size would send bytes that are not the software.
        if (actual != parsed.size) {
            Fail(ErrorText::kSizeDiffers, false,
                 "\n" + fileName + ": " + std::to_string(parsed.size) + " / " +
                     std::to_string(actual));
            return false;
        }
        const int count = BlockCount(parsed.size);
        if (count > kMaxParts) {
            Fail(ErrorText::kTooManyParts, false,
                 "\n" + fileName + ": " + std::to_string(count) + " / " +
                     std::to_string(kMaxParts));
            return false;
        }
        // A part is written in place of what lies there: never through a link or into a
        // device, and before anything is deleted or sent.
        for (int i = 1; i <= count; ++i) {
            const std::string path =
                Join(SlotDir(slot), PartName(parsed, i, count, PartBytes(parsed.size, i, count)));
            if (TakenByOther(path)) {
                Fail(ErrorText::kPartPlaceTaken, false, "\n" + path);
                return false;
            }
        }
    }
    return true;
}

// The files of split software already on the tester that the slot's parts replace but do not
// overwrite: the same BASE, count and extension, another size in the name. Left there, they
// would stand beside the new parts as a second copy of the same part.
std::vector<int> TesterSoftwareEngine::StrayParts(const SelectionSlot& slot) const
{
    std::vector<int> stray;
    const SoftwareName parsed = ParseSoftwareName(slot.ecu.fileName);
    if (parsed.size < kPartBytes)
        return stray;
    for (const TesterSoftwareGroup& group : table_.Groups()) {
        if (!group.split || !group.deletable || group.name != parsed.base ||
            group.expectedParts != slot.blocks)
            continue;
        for (int file : group.files) {
            const std::string& name = table_.Files()[std::size_t(file)].name;
            const std::optional<PartMarker> part = ParsePartName(name);
            if (!part || part->middle != parsed.middle)
                continue;
            const long long bytes = PartBytes(parsed.size, part->index, slot.blocks);
            if (name != PartName(parsed, part->index, slot.blocks, bytes))
                stray.push_back(file);
        }
    }
    return stray;
}

void TesterSoftwareEngine::AskNextConflict()
{
    while (askIndex_ < slots_.size()) {
        SelectionSlot& slot = slots_[askIndex_];
        const SoftwareName parsed = ParseSoftwareName(slot.ecu.fileName);
        const TesterSoftwareGroup* group = table_.FindGroup(parsed.base);
        if (!group) {
            ++askIndex_;
            continue;
        }
        if (group->expectedParts == slot.blocks) {
            // Nothing is asked, and nothing the user did not choose is deleted: a whole file
            // of another name stays beside the new one.
            const std::vector<int> stray = StrayParts(slot);
            if (!stray.empty() && keep_) {
                slot.download = false;
                emit SlotSkipped(int(askIndex_));
            } else {
                AppendToWorkList(stray);
            }
            ++askIndex_;
            continue;
        }
        const std::string format = DialogText(workspace_, kConflictText);
        emit ConflictQuestion(
            FormatConflict(format, parsed.base, group->expectedParts, slot.blocks));
        return; // AnswerConflict goes on
    }
    if (!workList_.empty()) {
        activity_ = Activity::Deleting;
        downloadAfterDelete_ = true;
        workIndex_ = 0;
        DeleteNext();
        return;
    }
    PrepareCopy();
}

void TesterSoftwareEngine::AnswerConflict(bool replace)
{
    if (activity_ != Activity::Asking || askIndex_ >= slots_.size())
        return;
    SelectionSlot& slot = slots_[askIndex_];
    if (replace) {
        if (const TesterSoftwareGroup* group =
                table_.FindGroup(ParseSoftwareName(slot.ecu.fileName).base))
            AppendToWorkList(group->files);
    } else {
        slot.download = false;
        emit SlotSkipped(int(askIndex_));
    }
    ++askIndex_;
    AskNextConflict();
}

// Writes a part to a new file beside `path` and renames it into place: the rename replaces
// whatever name lies there and never writes through a link into its target.
bool TesterSoftwareEngine::WritePart(const std::string& dir, const std::string& part,
                                     const char* data, std::size_t size)
{
    const std::string path = Join(dir, part);
    if (TakenByOther(path)) {
        Fail(ErrorText::kPartPlaceTaken, false, "\n" + path);
        return false;
    }
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary =
            Join(dir, ".zolt-part-" + std::to_string(::getpid()) + "-" + std::to_string(attempt));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    bool written = fd >= 0;
    for (std::size_t done = 0; written && done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        if (written)
            done += std::size_t(n);
    }
    if (fd >= 0)
        written = ::close(fd) == 0 && written;
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    if (fd >= 0)
        ::unlink(temporary.c_str());
    Fail(ErrorText::kCannotWritePart, false, "\n" + part);
    return false;
}

void TesterSoftwareEngine::PrepareCopy()
{
    const bool deleted = activity_ == Activity::Deleting; // the tester changed already
    const auto stop = [&] {
        if (deleted)
            StartListing();
        else
            Settle();
    };
    std::vector<CopyItem> queue;
    for (const SelectionSlot& slot : slots_) {
        if (!slot.download)
            continue;
        const std::string& fileName = slot.ecu.fileName;
        const SoftwareName parsed = ParseSoftwareName(fileName);
        const std::string source = Join(SlotDir(slot), fileName);
        if (parsed.size < kPartBytes) {
            queue.push_back({source, TesterPath(fileName)});
            continue;
        }
        struct stat status
        {
        };
        const int in = platform::openRegularFile(source.c_str(), &status);
        const long long size = in >= 0 ? status.st_size : 0;
        std::vector<char> data(static_cast<std::size_t>(parsed.size));
        std::size_t got = 0;
        while (in >= 0 && size == parsed.size && got < data.size()) {
            const ssize_t n = ::read(in, data.data() + got, data.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += std::size_t(n);
        }
        if (in >= 0)
            ::close(in);
        if (got != data.size()) {
            Fail(ErrorText::kCannotOpenSoftware, false, "\n" + fileName);
            stop();
            return;
        }
        const int count = BlockCount(parsed.size);
        for (int i = 1; i <= count; ++i) {
            const long long bytes = PartBytes(parsed.size, i, count);
            const std::string part = PartName(parsed, i, count, bytes);
            const std::string path = Join(SlotDir(slot), part);
            if (!WritePart(SlotDir(slot), part, data.data() + (i - 1) * kPartBytes,
                           std::size_t(bytes))) {
                stop();
                return;
            }
            queue.push_back({path, TesterPath(part)});
        }
    }
    if (queue.empty()) {
        stop();
        return;
    }
    activity_ = Activity::Copying;
    queue_ = queue;
    emit CopyRequested(queue);
}

void TesterSoftwareEngine::CopyFinished(int filesSent)
{
    if (activity_ != Activity::Copying)
        return;
    const std::size_t sent =
        filesSent < 0 ? queue_.size() : std::min(queue_.size(), std::size_t(filesSent));
    const std::string root = std::string(proto::kTesterRoot) + "/";
    for (std::size_t i = 0; i < sent; ++i)
        if (queue_[i].testerPath.compare(0, root.size(), root) == 0)
            sentSince_.push_back(queue_[i].testerPath.substr(root.size()));
    queue_.clear();
    StartListing();
}
