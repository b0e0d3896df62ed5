// The simulated tester's answers and its file store.
#include "tools/tester_sim/tester_sim.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace proto;
constexpr const char* kRoot = kTesterRoot;

constexpr const RequestType& kSync = *FindRequestType(kRequestSync);

// A sync opens every exchange and names the link id the requests after it carry.
bool IsSync(const FrameView& frame)
{
    return frame.Is(kSync.frameClass, kSync.code);
}

std::string Text(const wire::Bytes& data)
{
    return std::string(data.begin(), data.end());
}

std::string FormatDate(time_t when)
{
    tm local{};
    localtime_r(&when, &local);
    char out[16];
    std::snprintf(out, sizeof out, "%02d/%02d/%04d", local.tm_mday % 100, (local.tm_mon + 1) % 100,
                  (local.tm_year + 1900) % 10000);
    return out;
}

bool IsTemp(const std::string& name)
{
    const std::string suffix = TesterSim::kTempSuffix;
    return name.size() > suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

TesterSim::TesterSim(std::string dir) : dir_(std::move(dir))
{
    if (DIR* d = opendir(dir_.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name[0] == '.' && IsTemp(name))
                unlink((dir_ + "/" + name).c_str());
        }
        closedir(d);
    }
}

TesterSim::~TesterSim()
{
    Abandon();
}

std::string TesterSim::CheckLayout(const wire::Bytes& f) const
{
    if (f.size() < wire::kMinFrame || f.size() > wire::kMaxFrame)
        return "frame size " + std::to_string(f.size()) + " outside 7..1024";
    if (f[0] != wire::kStartByte)
        return "byte 0 is " + std::to_string(f[0]) + ", not 87";
    const FrameView view(f.data(), f.size());
    const std::size_t n = std::size_t(view.Length());
    if (n != f.size() - 1)
        return "length field " + std::to_string(n) + " for a frame of " + std::to_string(f.size()) +
               " bytes";
    if (f[kOffsetZero] != 0)
        return "byte 3 is " + std::to_string(f[kOffsetZero]) + ", not 0";
    if (linkId_ && !IsSync(view) && view.LinkId() != *linkId_)
        return "link id " + std::to_string(view.LinkId()) + " differs from " +
               std::to_string(*linkId_) + " of the last sync";
    const std::string what =
        "class " + std::to_string(view.Class()) + " code " + std::to_string(view.Code());
    const RequestType* row = FindRequestByCode(view.Class(), view.Code());
    if (!row)
        return "no request has " + what;
    const int required = RequiredLength(*row);
    if (required == 6 && n != 6)
        return what + " carries no payload";
    if (required >= 0 && n != std::size_t(required))
        return what + " needs length " + std::to_string(required);
    return "";
}

std::optional<wire::Bytes> TesterSim::Handle(const wire::Bytes& frame, std::string* complaint)
{
    const std::string problem = CheckLayout(frame);
    if (!problem.empty()) {
        if (complaint)
            *complaint = "malformed frame, " + problem;
        return std::nullopt;
    }
    const FrameView view(frame.data(), frame.size());
    if (!linkId_ || IsSync(view))
        linkId_ = std::uint8_t(view.LinkId());
    const wire::Bytes data(view.Payload(), view.Payload() + view.PayloadSize());
    // CheckLayout found the request's row.
    const int type = FindRequestByCode(view.Class(), view.Code())->type;

    // A new exchange or another file leaves any unfinished transfer behind.
    if (type == kRequestSync || type == kRequestOpenFile || type == kRequestOpenDirectory ||
        type == kRequestDelete)
        Abandon();

    switch (type) {
    case kRequestSync:
        return Answer(frame, {kStatusAccepted});
    case kRequestOpenDirectory:
        return OpenDirectory(frame, Text(data));
    case kRequestDirectoryEntry:
        return DirectoryEntry(frame, data);
    case kRequestDelete:
        return Delete(frame, Text(data));
    case kRequestOpenFile:
        return OpenFile(frame, Text(data));
    case kRequestDataBlock:
        return DataBlock(frame, data);
    case kRequestEndOfFile:
        return EndOfFile(frame, data);
    case kRequestAcknowledge:
        return Answer(frame, {code27Value_});
    default:
        break;
    }
    if (complaint)
        *complaint = "request type " + std::to_string(type) + " (class " +
                     std::to_string(view.Class()) + " code " + std::to_string(view.Code()) +
                     ") is not served by this tester";
    return std::nullopt;
}

wire::Bytes TesterSim::Answer(const wire::Bytes& request, const wire::Bytes& payload) const
{
    return wire::MakeFrame(request[kOffsetLinkId], request[kOffsetClass], request[kOffsetCode],
                           payload);
}

std::vector<TesterSim::Entry> TesterSim::ReadDirectory() const
{
    std::vector<Entry> entries;
    DIR* d = opendir(dir_.c_str());
    if (!d)
        return entries;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.')
            continue;
        struct stat st
        {
        };
        if (stat((dir_ + "/" + name).c_str(), &st) != 0)
            continue;
        Entry entry;
        entry.name = name;
        entry.folder = S_ISDIR(st.st_mode);
        entry.size = std::uint32_t(st.st_size);
        entry.date = FormatDate(st.st_mtime);
        entries.push_back(entry);
    }
    closedir(d);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

bool TesterSim::SetFault(const std::string& spec, std::string* why)
{
    return ApplyFault(faults_, spec, why);
}

bool TesterSim::CheckFault(const std::string& spec, std::string* why)
{
    Faults faults;
    return ApplyFault(faults, spec, why);
}

bool TesterSim::ApplyFault(Faults& faults, const std::string& spec, std::string* why)
{
    std::istringstream in(spec);
    std::string name;
    in >> name;
    auto number = [&](long max, long& out) {
        return static_cast<bool>(in >> out) && out >= 0 && out <= max;
    };
    auto fail = [&](const std::string& reason) {
        if (why)
            *why = reason;
        return false;
    };
    long a = 0, b = 0;
    if (name == "none") {
        faults = Faults{};
    } else if (name == "open") {
        if (!number(255, a))
            return fail("fault open STATUS (0..255)");
        faults.openStatus = std::uint8_t(a);
    } else if (name == "entry") {
        if (!number(255, a))
            return fail("fault entry STATUS [INDEX]");
        faults.entryStatus = std::uint8_t(a);
        faults.entryStatusAt = number(1000000, b) ? std::uint32_t(b) : 0;
    } else if (name == "jump") {
        if (!number(1000000, a))
            return fail("fault jump INDEX");
        faults.jumpAt = std::uint32_t(a);
    } else if (name == "delete") {
        if (!number(255, a))
            return fail("fault delete STATUS (0..255)");
        faults.deleteStatus = std::uint8_t(a);
    } else if (name == "fill") {
        if (!number(1000, a))
            return fail("fault fill N (0..1000)");
        faults.fill = std::uint32_t(a);
    } else if (name == "name") {
        std::string text;
        std::getline(in >> std::ws, text);
        std::string decoded;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
                decoded += '\\';
                ++i;
            } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
                       std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
                       std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
                decoded += char(std::stoi(text.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else {
                decoded += text[i];
            }
        }
        // The name must fit an entry frame of at most 1024 bytes.
        if (decoded.size() > proto::kFrameSize - 38)
            return fail("fault name TEXT (at most 986 bytes)");
        faults.names.push_back(decoded);
    } else if (name == "forget") {
        faults.forget = true;
    } else {
        return fail("unknown fault \"" + name +
                    "\" (open, entry, jump, delete, fill, name, forget, none)");
    }
    return true;
}

std::vector<TesterSim::Entry> TesterSim::Listing() const
{
    std::vector<Entry> entries = ReadDirectory();
    for (const std::string& name : faults_.names)
        entries.push_back({name, false, 0, "01/01/2000"});
    for (std::uint32_t i = 0; entries.size() < faults_.fill; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "SYS%02u", i % 100u);
        entries.push_back({name, true, 0, "01/01/2000"});
    }
    return entries;
}

wire::Bytes TesterSim::OpenDirectory(const wire::Bytes& request, const std::string& path)
{
    if (faults_.openStatus)
        return Answer(request, {*faults_.openStatus});
    if (path != kRoot && path != std::string(kRoot) + "/")
        return Answer(request, {2});
    listing_ = Listing();
    listingOpen_ = true;
    return Answer(request, {1});
}

wire::Bytes TesterSim::DirectoryEntry(const wire::Bytes& request, const wire::Bytes& data)
{
    if (data.size() != 4)
        return Answer(request, {2});
    if (!listingOpen_) {
        listing_ = Listing();
        listingOpen_ = true;
    }
    const std::uint32_t index = GetU32BE(data.data());
    if (faults_.entryStatus && index == faults_.entryStatusAt)
        return Answer(request, {*faults_.entryStatus, data[0], data[1], data[2], data[3]});
    wire::Bytes out(31, 0); // bytes 7..37 of the frame
    const std::uint32_t reported = faults_.jumpAt && index == *faults_.jumpAt ? index + 1 : index;
    PutU32BE(out.data() + 1, reported);
    if (index >= listing_.size()) {
        out[0] = 4;
        out.resize(5);
        return Answer(request, out);
    }
    const Entry& entry = listing_[index];
    out[0] = 1;
    out[5] = entry.folder ? 1 : 0;
    PutU32BE(out.data() + 6, entry.size);
    std::copy(entry.date.begin(), entry.date.begin() + 10, out.begin() + 10);
    const auto version = versions_.find(entry.name);
    const std::string v = version != versions_.end() ? version->second : "01.00";
    std::copy(v.begin(), v.begin() + 5, out.begin() + 20);
    // The program reads the frame length from byte 2 alone: a file's name must keep it below
    // 256. A name of the "name" fault goes whole.
    const bool injected =
        std::find(faults_.names.begin(), faults_.names.end(), entry.name) != faults_.names.end();
    const std::string name = injected ? entry.name : entry.name.substr(0, 255 - 37);
    out.insert(out.end(), name.begin(), name.end());
    return Answer(request, out);
}

std::string TesterSim::NameUnderRoot(const std::string& path) const
{
    const std::string prefix = std::string(kRoot) + "/";
    if (path.compare(0, prefix.size(), prefix) != 0)
        return "";
    const std::string name = path.substr(prefix.size());
    if (name.empty() || name.size() > 255 - 37 || name[0] == '.' ||
        name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        return "";
    return name;
}

std::string TesterSim::TempPath(const std::string& name) const
{
    return dir_ + "/." + name + kTempSuffix;
}

wire::Bytes TesterSim::Delete(const wire::Bytes& request, const std::string& path)
{
    const std::string name = NameUnderRoot(path);
    listingOpen_ = false;
    if (faults_.deleteStatus)
        return Answer(request, {*faults_.deleteStatus});
    if (name.empty())
        return Answer(request, {2});
    if (unlink((dir_ + "/" + name).c_str()) == 0) {
        lastDeleted = name;
        return Answer(request, {1});
    }
    // The same delete again means its answer was lost: it still succeeded.
    return Answer(request, {std::uint8_t(errno == ENOENT && name == lastDeleted ? 1 : 2)});
}

wire::Bytes TesterSim::OpenFile(const wire::Bytes& request, const std::string& path)
{
    const std::string name = NameUnderRoot(path);
    if (name.empty())
        return Answer(request, {2});
    const std::vector<Entry> entries = ReadDirectory();
    const bool exists =
        std::any_of(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name; });
    if (!exists && entries.size() >= kMaxEntries)
        return Answer(request, {2});
    const int fd = ::open(TempPath(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return Answer(request, {3});
    transfer_.emplace();
    transfer_->name = name;
    transfer_->fd = fd;
    lastEndOfFile.clear();
    return Answer(request, {1});
}

wire::Bytes TesterSim::DataBlock(const wire::Bytes& request, const wire::Bytes& data)
{
    if (!transfer_)
        return Answer(request, {3});
    if (data.size() < 5 || data.size() > std::size_t(4 + kBlockBytes + 1))
        return Answer(request, {2});
    const std::uint32_t number = GetU32BE(data.data());
    std::uint8_t sum = 0;
    for (std::size_t i = 4; i + 1 < data.size(); ++i)
        sum = std::uint8_t(sum + data[i]);
    if (std::uint8_t(~sum) != data.back())
        return Answer(request, {2});
    Transfer& t = *transfer_;
    if (number + 1 == t.nextBlock && data == t.lastBlock)
        return Answer(request, {1}); // repeated after a lost answer: already written
    if (number != t.nextBlock)
        return Answer(request, {2});
    const std::size_t carried = data.size() - 5;
    if (carried > 0 && ::write(t.fd, data.data() + 4, carried) != ssize_t(carried))
        return Answer(request, {3});
    for (std::size_t i = 0; i < carried; ++i)
        t.sums[i] = std::uint8_t(t.sums[i] + data[4 + i]);
    t.lastBlock = data;
    ++t.nextBlock;
    return Answer(request, {1});
}

wire::Bytes TesterSim::EndOfFile(const wire::Bytes& request, const wire::Bytes& data)
{
    if (!transfer_)
        return Answer(request,
                      {std::uint8_t(!lastEndOfFile.empty() && data == lastEndOfFile ? 1 : 2)});
    bool match = data.size() == std::size_t(kBlockBytes);
    for (std::size_t i = 0; match && i < std::size_t(kBlockBytes); ++i)
        match = data[i] == std::uint8_t(~transfer_->sums[i]);
    if (!match) {
        Abandon();
        return Answer(request, {2});
    }
    const std::string name = transfer_->name;
    if (faults_.forget) {
        // Acknowledged as stored, and dropped.
        Abandon();
        lastEndOfFile = data;
        listingOpen_ = false;
        return Answer(request, {1});
    }
    const bool stored = ::fsync(transfer_->fd) == 0 && ::close(transfer_->fd) == 0 &&
                        ::rename(TempPath(name).c_str(), (dir_ + "/" + name).c_str()) == 0;
    transfer_->fd = -1;
    if (!stored) {
        Abandon();
        return Answer(request, {3});
    }
    transfer_.reset();
    lastEndOfFile = data;
    listingOpen_ = false;
    return Answer(request, {1});
}

void TesterSim::Abandon()
{
    if (!transfer_)
        return;
    if (transfer_->fd >= 0)
        ::close(transfer_->fd);
    unlink(TempPath(transfer_->name).c_str());
    transfer_.reset();
}

wire::Bytes TesterSim::NoticeFrame(int event) const
{
    return wire::MakeFrame(linkId_.value_or(0), wire::kNoticeClass, wire::kNoticeCode,
                           {std::uint8_t(event)});
}

wire::Bytes TesterSim::Code27Frame(int value)
{
    code27Value_ = std::uint8_t(value);
    const RequestType& acknowledge = *FindRequestType(kRequestAcknowledge);
    return wire::MakeFrame(linkId_.value_or(0), std::uint8_t(acknowledge.frameClass),
                           acknowledge.code, {std::uint8_t(value)});
}

bool TesterSim::SetVersion(const std::string& name, const std::string& version)
{
    if (version.size() != 5)
        return false;
    versions_[name] = version;
    return true;
}
