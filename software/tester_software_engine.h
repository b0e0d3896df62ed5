// The work of the tester software dialog without a screen: listing the tester's "/FN0",
// grouping split software, purging incomplete software, deleting software, and planning and
// preparing a download (room checks, the conflict question, splitting into parts).
//
//   TesterSoftwareEngine engine(link, workspace);            // link: a RequestLink
//   connect(&engine, &TesterSoftwareEngine::Failed, ...);    // show or print it
//   engine.StartListing();        // answers come back by the link's Answered signal
//   engine.AddToSelection(ecu);   engine.Download();
//   // ConflictQuestion -> AnswerConflict(yes); CopyRequested -> copy -> CopyFinished(sent)
//
// The engine only sends requests and reacts to answers: it never waits and never opens a
// window. Questions, failures and the copy go out as signals; a dialog, zoltctl or a test
// answers them.
#pragma once

#include "core/messages.h"
#include "core/workspace.h"
#include "link/request_link.h"
#include "linklib/protocol.h"
#include "software/tester_file_table.h"
#include "software/vehicle_catalogue.h"

#include <QObject>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

class TesterSoftwareEngine : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxSlots = 15;
    static constexpr int kMaxEntries = proto::kMaxDirectoryEntries;
    static constexpr int kListingEndMarker = 123;

    // Request types and the answer codes they bring.
    static constexpr int kSync = proto::kRequestSync, kSyncAnswer = proto::kAnswerSync;
    static constexpr int kOpenDirectory = proto::kRequestOpenDirectory;
    static constexpr int kOpenDirectoryAnswer = proto::kAnswerOpenDirectory;
    static constexpr int kReadEntry = proto::kRequestDirectoryEntry;
    static constexpr int kEntryAnswer = proto::kAnswerDirectoryEntry;
    static constexpr int kDelete = proto::kRequestDelete, kDeleteAnswer = proto::kAnswerDelete;
    static constexpr int kTimeout = LinkTimeout;
    static constexpr int kSendFailed = LinkSendFailed;

    struct SelectionSlot
    {
        EcuEntry ecu;
        std::string vehicle; // the catalogue vehicle it was chosen from, for display
        std::string dir; // the folder of the software file; empty for the working directory
        bool download = true;
        int blocks = 0;
    };

    struct CopyItem
    {
        std::string pcPath;
        std::string testerPath;
    };

    enum class Activity
    {
        Idle,
        Listing,
        Deleting,
        Asking,  // a conflict question waits for AnswerConflict
        Copying, // CopyRequested was sent; CopyFinished ends it
        Stopped, // a failure closed the work, or Stop() was called
    };

    enum class AddResult
    {
        Added,
        Duplicate, // the same software file is already chosen
        Full,      // 15 ECUs are chosen (Failed with message 4)
    };

    static constexpr const char* kIndexMismatchTitle = "SYSTEM MESSAGE";
    static constexpr const char* kIndexMismatchText =
        "Contatore messaggio previsto diverso da quello ricevuto";

    // Works in `workspace`: software files and their parts in its working directory, texts in
    // its language.
    TesterSoftwareEngine(RequestLink& link, Workspace workspace, QObject* parent = nullptr);
    ~TesterSoftwareEngine() override;

    // After every listing, delete the software whose parts are not all on the tester and list
    // again (on by default, as the dialog does).
    void SetPurgeAfterListing(bool purge) { purge_ = purge; }
    // A download deletes nothing on the tester: software that would need a file deleted is
    // skipped (SlotSkipped) instead.
    void SetKeepTesterFiles(bool keep) { keep_ = keep; }

    // Lists the tester again from the start, giving up whatever exchange is pending.
    void StartListing();
    // Ends the work: answers are ignored from now on.
    void Stop();

    // Chooses `ecu` (of `vehicle`) for download; its software file lies in `dir` (default: the
    // working directory), where its parts are written too. A software file already chosen,
    // from whichever vehicle, is not chosen twice.
    AddResult AddToSelection(const EcuEntry& ecu, const std::string& dir = {},
                             const std::string& vehicle = {});
    // Removes the slots at `slots`; the others close up in their order.
    void RemoveFromSelection(std::vector<int> slots);
    void ClearSelection();

    // Deletes the software of the tester list rows `rows`, then lists again. False when the
    // engine is busy, the rows hold no file, or one of them cannot be deleted (reported).
    bool DeleteRows(std::vector<int> rows);
    // The same for groups of Table().Groups(), complete or not.
    bool DeleteGroups(std::vector<int> groups);
    // Whether the rows `rows` may be deleted; when not, says so (text 68) and returns false.
    bool CheckRowsDeletable(const std::vector<int>& rows);
    // Downloads the selection. False when the engine is busy or the download stopped at once
    // (its failure reported).
    bool Download();
    // The answer to the last ConflictQuestion: true replaces the software on the tester.
    void AnswerConflict(bool replace);
    // The copy of the last CopyRequested has ended (however it ended), the tester having
    // acknowledged the first `filesSent` files of the queue (-1: all of them).
    void CopyFinished(int filesSent = -1);

    // An answer to a request the engine sent, `frame` holding the answer frame; or kTimeout,
    // or kSendFailed when the link refused a queued request at its turn.
    void OnAnswer(int code, const std::uint8_t* frame, int length);

    Activity CurrentActivity() const { return activity_; }
    // The list, Refresh, Delete and Download controls may be used (no exchange runs).
    bool ControlsEnabled() const { return controlsEnabled_; }
    const TesterFileTable& Table() const { return table_; }
    int EntryCounter() const { return counter_; }
    bool ListingDone() const { return listingDone_; }
    // "--" until a listing ends, then the number of entries.
    std::string EntryCountText() const;
    const std::vector<SelectionSlot>& Selection() const { return slots_; }
    // The slot the conflict question is about, or -1 when none is asked.
    int QuestionSlot() const
    {
        return activity_ == Activity::Asking && askIndex_ < slots_.size() ? int(askIndex_) : -1;
    }
    // The work list: tester file indices to delete.
    const std::vector<int>& WorkList() const { return workList_; }

    // Fills the conflict question (text 19 of "DIALOGO_AGGIORNAMENTO_SW_TESTER") with BASE and
    // the two part counts. Only "%s" and "%d" are filled, in order; any other "%" stays.
    static std::string FormatConflict(const std::string& format, const std::string& base,
                                      int testerParts, int newParts);

signals:
    // A listing began: the tester list is empty and the entry count reads "--".
    void ListingStarted();
    // An entry as the tester reported it, recorded or not.
    void EntryListed(int index, int kind, const std::string& date, const std::string& version,
                     const std::string& name);
    // Row `row` of Table().Rows() joined the tester list.
    void RowAdded(int row);
    // A listing ended: the entry count is shown.
    void ListingFinished(int entries);
    // ControlsEnabled() or the selection changed.
    void StateChanged();
    // Conflict question, already formatted; answer with AnswerConflict.
    void ConflictQuestion(const std::string& question);
    // The files to send, in order; answer with CopyFinished when the copy has ended.
    void CopyRequested(const std::vector<TesterSoftwareEngine::CopyItem>& queue);
    // A tester file was deleted (the purge's deletions included).
    void FileDeleted(const std::string& name);
    // Slot `slot` is left out of the download: the conflict question was answered No, or the
    // download would have deleted a file that SetKeepTesterFiles keeps.
    void SlotSkipped(int slot);
    // A failure the user must see; with `ends` set the work stopped with it (the dialog
    // closes).
    void Failed(const ErrorReport& report);
    // Nothing is pending: a listing, deletion or download has run to its end.
    void Settled();

private:
    void Send(int type, const std::vector<std::uint8_t>& payload, int awaiting);
    void Fail(int number, bool closes, const std::string& appended = {});
    void SetControls(bool enabled);
    void OnSyncAnswer();
    void OnDirectoryAnswer(int status);
    void OnEntryAnswer(int status, const std::uint8_t* frame, int length);
    void OnDeleteAnswer(int status);
    void RequestEntry(int index);
    void FinishListing();
    void AppendToWorkList(const std::vector<int>& files);
    bool DeleteWorkList();
    void DeleteNext();
    bool CheckSoftwareFiles();
    const std::string& SlotDir(const SelectionSlot& slot) const
    {
        return slot.dir.empty() ? workspace_.workDir : slot.dir;
    }
    void AskNextConflict();
    std::vector<int> StrayParts(const SelectionSlot& slot) const;
    void PrepareCopy();
    bool WritePart(const std::string& dir, const std::string& part, const char* data,
                   std::size_t size);
    void CheckKept();
    void Settle();

    RequestLink& link_;
    Workspace workspace_;
    bool purge_ = true;
    bool keep_ = false;
    Activity activity_ = Activity::Idle;
    int awaiting_ = 0; // the answer code the request in flight brings; 0 for none
    bool controlsEnabled_ = true;

    TesterFileTable table_;
    int counter_ = 0;
    int marker_ = 0;
    bool listingDone_ = false;
    bool afterPurge_ = false; // this listing follows a purge: do not purge again

    std::vector<SelectionSlot> slots_;
    std::vector<int> workList_;
    std::size_t workIndex_ = 0;
    bool purging_ = false;
    bool downloadAfterDelete_ = false;
    std::size_t askIndex_ = 0;

    // What the tester said it did since the last listing began, and what the listing under
    // way must show for it: names sent must be listed, names deleted must not.
    std::vector<std::string> sentSince_, deletedSince_;
    std::vector<std::string> mustList_, mustNotList_;
    std::set<std::string> listed_;   // every name the listing under way reported
    bool listingWhole_ = false;      // it reached the end of the directory
    std::optional<ErrorReport> notKept_; // reported when the work settles
    std::vector<CopyItem> queue_;    // the copy under way
};
