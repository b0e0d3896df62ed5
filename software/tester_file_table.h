// What one listing of the tester's "/FN0" found: its files in the order the tester reported
// them, the software they make up (split software grouped by name and part count), and the
// rows the tester list shows.
#pragma once

#include <string>
#include <vector>

// One software on the tester: a whole file, or the parts of split software seen so far.
struct TesterSoftwareGroup
{
    std::string name;          // BASE
    std::string tail;          // for display: from the first "." of the banner on
    std::string version;       // of the first file seen
    std::string date;          // of the first file seen
    int expectedParts = 1;     // from the part marker "&&i-N"; 1 for a whole file
    int partsSeen = 0;         // distinct part numbers seen
    std::vector<int> files;    // indices into the file table
    bool complete = false;
    bool split = false;
    std::string middle;        // split software: the text up to and including the last "_"
    long long bytes = 0;       // split software: the bytes of the parts seen
    unsigned seenMask = 0;     // split software: bit i-1 set when part i was seen
    int row = -1;              // the row that shows it, once complete
    // False for a file whose name cannot build a tester path (see TesterFileTable::File):
    // such a file is a group of its own, shown but never deleted nor matched by name.
    bool deletable = true;
};

// One row of the tester list and the files behind it.
struct TesterListRow
{
    std::string text;
    int group = -1;
    std::vector<int> files;
};

class TesterFileTable
{
public:
    static constexpr int kMaxFiles = 30;
    static constexpr std::size_t kMaxNameLength = 299;
    static constexpr std::size_t kMaxGroupText = 255;

    struct File
    {
        std::string name; // at most 299 characters
        std::string version;
        std::string date;
        // The name can be sent back to the tester: it was not cut and holds no "/", "\",
        // control byte, and is not empty, "." or "..".
        bool deletable = true;
    };

    void Clear();

    // Records a listed file. Returns the index of the row it completed, or -1 (no row yet, or
    // the table is full).
    int Add(const std::string& name, const std::string& version, const std::string& date);

    const std::vector<File>& Files() const { return files_; }
    const std::vector<TesterSoftwareGroup>& Groups() const { return groups_; }
    const std::vector<TesterListRow>& Rows() const { return rows_; }

    // The files of every software whose parts are not all on the tester, in group order.
    std::vector<int> IncompleteFiles() const;

    // Whether every file behind row `row` may be deleted.
    bool RowDeletable(int row) const;

    // The first group named `base` (exact comparison) that may be deleted, or null.
    const TesterSoftwareGroup* FindGroup(const std::string& base) const;

    // "%s VER. %s DEL %s": how a file shows in the list.
    static std::string Banner(const std::string& name, const std::string& version,
                              const std::string& date);

private:
    int AddRow(int group);

    std::vector<File> files_;
    std::vector<TesterSoftwareGroup> groups_;
    std::vector<TesterListRow> rows_;
};
