// The tester software engine: listing, purge, deletions and the download up to the copy.
#include "software/tester_software_engine.h"

#include "core/app_config.h"
#include "core/texts.h"
#include "software/tester_software_names.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sys/stat.h>

namespace {

constexpr const char* kDialogSection = "DIALOGO_AGGIORNAMENTO_SW_TESTER";
constexpr int kConflictText = 19;

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

// The size of the regular file at `path`, or -1 when it is not one or cannot be read.
long long RegularFileSize(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    std::fclose(f);
    return st.st_size;
}

} // namespace

TesterSoftwareEngine::TesterSoftwareEngine(RequestLink& link, std::string workDir,
                                           QObject* parent)
    : QObject(parent), link_(link), workDir_(std::move(workDir))
{
    setObjectName(QStringLiteral("TesterSoftwareEngine"));
    connect(&link_, &RequestLink::Answered, this, [this](int code, const QByteArray& frame) {
        OnAnswer(code, reinterpret_cast<const std::uint8_t*>(frame.constData()),
                 int(frame.size()));
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

std::string TesterSoftwareEngine::FormatConflict(const std::string& format,
                                                 const std::string& base, int testerParts,
                                                 int newParts)
{
    const std::string arguments[3] = {base, std::to_string(testerParts), std::to_string(newParts)};
    int next = 0;
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char c = format[i + 1];
            if (c == '%') {
                out += '%';
                ++i;
                continue;
            }
            if ((c == 's' || c == 'd') && next < 3) {
                out += arguments[next++];
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
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
        Fail(kCannotSend, true);
    }
}

void TesterSoftwareEngine::Fail(int number, bool closes, const std::string& detail)
{
    if (closes) {
        activity_ = Activity::Stopped;
        link_.EndExchange();
        awaiting_ = 0;
    }
    Message message;
    message.number = number;
    message.detail = detail;
    message.closes = closes;
    emit Failure(message);
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
        // The controls stay as they are; the user may close the dialog or wait.
        awaiting_ = 0;
        Fail(kNoAnswer, false);
        return;
    }
    if (code == kSendFailed) {
        awaiting_ = 0;
        Fail(kCannotSend, true);
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
        Fail(status == kRefused ? kListingRefused : kMalformedAnswer, true);
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
        FinishListing();
        return;
    }
    if (status == kRefused || status == kTesterError) {
        Fail(kListingRefused, true);
        return;
    }
    // An entry shorter than its fixed fields has no name to read.
    if (status != kAccepted || length < kNameAt) {
        Fail(kMalformedAnswer, true);
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
        Message message;
        message.kind = Message::Kind::System;
        message.detail = kIndexMismatchText;
        message.closes = true;
        emit Failure(message);
        return;
    }
    // The name runs to the end of the frame as its length field gives it.
    const int frameEnd =
        std::min(proto::FrameView(frame, std::size_t(length)).Length() + 1, length);
    const std::string name(reinterpret_cast<const char*>(frame + kNameAt),
                           std::size_t(std::max(frameEnd - kNameAt, 0)));
    const std::string version(reinterpret_cast<const char*>(frame + kVersionAt), kVersionLength);
    const std::string date(reinterpret_cast<const char*>(frame + kDateAt), kDateLength);
    emit EntryListed(counter_, frame[kKindAt], date, version, name);
    if (frame[kKindAt] != kNotRecorded) {
        const int row = table_.Add(name, version, date);
        if (row >= 0)
            emit RowAdded(row);
    }
    ++counter_;
    RequestEntry(counter_);
}

void TesterSoftwareEngine::FinishListing()
{
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
    // A file named twice would be deleted twice, and the tester refuses the second.
    for (int file : files)
        if (std::find(workList_.begin(), workList_.end(), file) == workList_.end())
            workList_.push_back(file);
}

bool TesterSoftwareEngine::DeleteRows(std::vector<int> rows)
{
    if (activity_ != Activity::Idle || !controlsEnabled_)
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
        Fail(kDeleteRefused, true);
        return;
    }
    emit FileDeleted(table_.Files()[std::size_t(workList_[workIndex_])].name);
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
                                                                      const std::string& dir)
{
    if (slots_.size() >= std::size_t(kMaxSlots)) {
        Fail(kSelectionFull, false);
        return AddResult::Full;
    }
    for (const SelectionSlot& slot : slots_)
        if (slot.ecu.name == ecu.name)
            return AddResult::Duplicate;
    SelectionSlot slot;
    slot.ecu = ecu;
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
        Fail(kTesterFull, false);
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
        Fail(kNoRoom, false, numbers);
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
            Fail(kCannotOpenSoftware, false, "\n" + fileName);
            return false;
        }
        const long long actual = RegularFileSize(Join(SlotDir(slot), fileName));
        if (actual < 0) {
            Fail(kCannotOpenSoftware, false, "\n" + fileName);
            return false;
        }
        // The size in the name decides how the file is split: parts cut from a file of another
        // size would send bytes that are not the software.
        const SoftwareName parsed = ParseSoftwareName(fileName);
        if (actual != parsed.size) {
            Fail(kSizeDiffers, false,
                 "\n" + fileName + ": " + std::to_string(parsed.size) + " / " + std::to_string(actual));
            return false;
        }
        if (BlockCount(parsed.size) > kMaxParts) {
            Fail(kTooManyParts, false,
                 "\n" + fileName + ": " + std::to_string(BlockCount(parsed.size)) + " / " +
                     std::to_string(kMaxParts));
            return false;
        }
    }
    return true;
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
            // The download overwrites the files of the same names; any other file of this
            // software would stay beside the new parts, so it goes first.
            std::set<std::string> written;
            if (slot.blocks == 1 && parsed.size < kPartBytes)
                written.insert(slot.ecu.fileName);
            else
                for (int i = 1; i <= slot.blocks; ++i)
                    written.insert(
                        PartName(parsed, i, slot.blocks, PartBytes(parsed.size, i, slot.blocks)));
            std::vector<int> stale;
            for (int file : group->files)
                if (!written.count(table_.Files()[std::size_t(file)].name))
                    stale.push_back(file);
            AppendToWorkList(stale);
            ++askIndex_;
            continue;
        }
        std::string format = GetText(kDialogSection, kConflictText, AppConfig.textsPath.c_str());
        if (format == kTextNotFound)
            format = "Message not present !";
        emit ConflictQuestion(FormatConflict(format, parsed.base, group->expectedParts,
                                             slot.blocks));
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
    }
    ++askIndex_;
    AskNextConflict();
}

void TesterSoftwareEngine::PrepareCopy()
{
    const bool deleted = activity_ == Activity::Deleting; // the tester changed already
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
        std::FILE* in = std::fopen(source.c_str(), "rb");
        std::vector<char> data(static_cast<std::size_t>(parsed.size));
        const bool read = in && std::fread(data.data(), 1, data.size(), in) == data.size();
        if (in)
            std::fclose(in);
        if (!read) {
            Fail(kCannotOpenSoftware, false, "\n" + fileName);
            if (deleted)
                StartListing();
            else
                Settle();
            return;
        }
        const int count = BlockCount(parsed.size);
        for (int i = 1; i <= count; ++i) {
            const long long bytes = PartBytes(parsed.size, i, count);
            const std::string part = PartName(parsed, i, count, bytes);
            const std::string path = Join(SlotDir(slot), part);
            std::FILE* out = std::fopen(path.c_str(), "wb");
            bool written = out && std::fwrite(data.data() + (i - 1) * kPartBytes, 1,
                                              std::size_t(bytes), out) == std::size_t(bytes);
            if (out)
                written = std::fclose(out) == 0 && written;
            if (!written) {
                std::remove(path.c_str());
                Fail(kCannotWritePart, false, "\n" + part);
                if (deleted)
                    StartListing();
                else
                    Settle();
                return;
            }
            queue.push_back({path, TesterPath(part)});
        }
    }
    if (queue.empty()) {
        if (deleted)
            StartListing();
        else
            Settle();
        return;
    }
    activity_ = Activity::Copying;
    emit CopyRequested(queue);
}

void TesterSoftwareEngine::CopyFinished()
{
    if (activity_ != Activity::Copying)
        return;
    StartListing();
}
