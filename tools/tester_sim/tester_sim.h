// The tester's side of the link protocol: checks each request frame, answers the listing,
// delete and copy requests from a folder that stands for the tester's directory "/FN0".
#pragma once

#include "linklib/protocol.h"
#include "linklib/wire_frame.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TesterSim
{
public:
    // Serves the folder `dir` as "/FN0". Temporary files left by an earlier run are removed.
    explicit TesterSim(std::string dir);
    ~TesterSim();

    TesterSim(const TesterSim&) = delete;
    TesterSim& operator=(const TesterSim&) = delete;

    // Returns why `frame` breaks the request layout (start byte, length, byte 3, link id, class
    // and code, the length a request of that class and code must have), or "" when it keeps it.
    std::string CheckLayout(const wire::Bytes& frame) const;

    // Handles one received frame. Returns its answer, or nothing for a malformed frame (the
    // reason goes to `complaint`) or a request this tester does not serve.
    std::optional<wire::Bytes> Handle(const wire::Bytes& frame, std::string* complaint = nullptr);

    // Frames the tester sends of its own accord: a library event (1, 2 or 4) and a code-27
    // answer whose byte 7 is `value`; later type-42 requests are answered with the same value.
    wire::Bytes NoticeFrame(int event) const;
    wire::Bytes Code27Frame(int value);

    // Sets the 5-character version reported for `name`; false when `version` is not 5 long.
    bool SetVersion(const std::string& name, const std::string& version);

    // Switches a fault on (or all off with "none"); `spec` is a name and its values, as typed
    // after "fault" on standard input or given to --fault:
    //   open STATUS          the opening of the listing is answered with STATUS
    //   entry STATUS [I]     the entry at index I (default 0) is answered with STATUS
    //   jump I               the answer for entry I carries index I + 1
    //   delete STATUS        every delete is answered with STATUS
    //   fill N               the listing holds N entries at least: kind-1 entries "SYS%02d"
    //                        follow the files (fill 31 reaches entry 30)
    //   name TEXT            the listing also reports a file named TEXT (the rest of the
    //                        spec; \xNN stands for byte NN, \\ for "\"), which it does not
    //                        hold: a name with "/", "..", control bytes or of any length
    //   forget               every file received is acknowledged and then not kept
    //   none                 every fault off
    // Returns false with the reason in `why` for a spec it does not understand.
    bool SetFault(const std::string& spec, std::string* why = nullptr);
    // Whether SetFault would take `spec`.
    static bool CheckFault(const std::string& spec, std::string* why = nullptr);

    // Drops a file transfer in progress, removing its temporary file.
    void Abandon();

    // Directory entries as the listing reports them, in order.
    struct Entry
    {
        std::string name;
        bool folder = false;
        std::uint32_t size = 0;
        std::string date; // dd/mm/yyyy
    };
    std::vector<Entry> ReadDirectory() const;
    // The entries a listing reports: the folder's, then the fill of the "fill" fault.
    std::vector<Entry> Listing() const;

    static constexpr int kMaxEntries = proto::kMaxDirectoryEntries;
    static constexpr const char* kTempSuffix = ".zolt-part";

private:
    wire::Bytes Answer(const wire::Bytes& request, const wire::Bytes& payload) const;
    wire::Bytes OpenDirectory(const wire::Bytes& request, const std::string& path);
    wire::Bytes DirectoryEntry(const wire::Bytes& request, const wire::Bytes& data);
    wire::Bytes Delete(const wire::Bytes& request, const std::string& path);
    wire::Bytes OpenFile(const wire::Bytes& request, const std::string& path);
    wire::Bytes DataBlock(const wire::Bytes& request, const wire::Bytes& data);
    wire::Bytes EndOfFile(const wire::Bytes& request, const wire::Bytes& data);
    std::string NameUnderRoot(const std::string& path) const;
    std::string TempPath(const std::string& name) const;

    std::string dir_;
    std::optional<std::uint8_t> linkId_;
    std::vector<Entry> listing_;
    bool listingOpen_ = false;
    std::map<std::string, std::string> versions_;
    struct Faults
    {
        std::optional<std::uint8_t> openStatus;
        std::optional<std::uint8_t> entryStatus;
        std::uint32_t entryStatusAt = 0;
        std::optional<std::uint32_t> jumpAt;
        std::optional<std::uint8_t> deleteStatus;
        std::uint32_t fill = 0;
        std::vector<std::string> names;
        bool forget = false;
    } faults_;
    std::uint8_t code27Value_ = 2;
    static bool ApplyFault(Faults& faults, const std::string& spec, std::string* why);

    // The file being received.
    struct Transfer
    {
        std::string name;
        int fd = -1;
        std::uint32_t nextBlock = 0;
        wire::Bytes lastBlock; // payload of the last block written, to spot a repeat
        std::uint8_t sums[proto::kBlockBytes] = {};
    };
    std::optional<Transfer> transfer_;
    wire::Bytes lastEndOfFile; // answered 1, so a repeat after a lost answer is answered 1 again
    std::string lastDeleted;
};
