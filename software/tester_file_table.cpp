// Grouping the tester's files into software and rows.
#include "software/tester_file_table.h"

#include "software/tester_software_names.h"

#include <algorithm>

namespace {

std::string Cut(std::string text, std::size_t length)
{
    if (text.size() > length)
        text.resize(length);
    return text;
}

} // namespace

std::string TesterFileTable::Banner(const std::string& name, const std::string& version,
                                    const std::string& date)
{
    return name + " VER. " + version + " DEL " + date;
}

void TesterFileTable::Clear()
{
    files_.clear();
    groups_.clear();
    rows_.clear();
}

int TesterFileTable::Add(const std::string& rawName, const std::string& version,
                         const std::string& date)
{
    if (files_.size() >= std::size_t(kMaxFiles))
        return -1;
    const std::string name = Cut(rawName, kMaxNameLength);
    const int file = int(files_.size());
    // A cut name is another file's name, and a name with a path in it reaches outside "/FN0":
    // either is only shown.
    const bool deletable = rawName.size() <= kMaxNameLength && IsPlainFileName(rawName);
    files_.push_back({name, version, date, deletable});
    const std::string banner = Banner(name, version, date);

    // A name whose part marker does not read is a whole file: it is never an incomplete group
    // that the purge would delete.
    const std::optional<PartMarker> part = deletable ? ParsePartName(name) : std::nullopt;
    if (!part) {
        TesterSoftwareGroup group;
        const std::string base = ParseSoftwareName(name).base;
        group.name = deletable ? base : Cut(base, kMaxGroupText);
        const std::size_t dot = banner.find('.');
        group.tail = Cut(dot == std::string::npos ? std::string() : banner.substr(dot),
                         kMaxGroupText);
        group.version = version;
        group.date = date;
        group.partsSeen = 1;
        group.files.push_back(file);
        group.complete = true;
        group.deletable = deletable;
        groups_.push_back(group);
        const int row = AddRow(int(groups_.size()) - 1);
        rows_[std::size_t(row)].text = banner;
        return row;
    }

    // Grouped by the whole BASE: two bases alike in their first 255 characters are not one.
    const std::string& base = part->base;
    auto it = std::find_if(groups_.begin(), groups_.end(), [&](const TesterSoftwareGroup& g) {
        return g.split && g.name == base && g.expectedParts == part->count;
    });
    if (it == groups_.end()) {
        TesterSoftwareGroup group;
        group.name = base;
        group.version = version;
        group.date = date;
        group.expectedParts = part->count;
        group.split = true;
        group.middle = part->middle;
        groups_.push_back(group);
        it = groups_.end() - 1;
    }
    TesterSoftwareGroup& group = *it;
    group.files.push_back(file);
    if (group.row >= 0)
        rows_[std::size_t(group.row)].files.push_back(file);
    // The same part number twice (two sizes of one part) counts once.
    const unsigned bit = part->index <= 32 ? 1u << (part->index - 1) : 0u;
    if (bit == 0 || (group.seenMask & bit) == 0) {
        group.seenMask |= bit;
        ++group.partsSeen;
        group.bytes += part->bytes;
    }
    if (group.complete || group.partsSeen < group.expectedParts)
        return -1;
    group.complete = true;
    // The row names the whole software as it was before the split.
    group.tail = Cut(group.middle + std::to_string(group.bytes) + " VER. " + group.version +
                         " DEL " + group.date,
                     kMaxGroupText);
    const int row = AddRow(int(it - groups_.begin()));
    rows_[std::size_t(row)].text = group.name + group.tail;
    return row;
}

int TesterFileTable::AddRow(int group)
{
    TesterListRow row;
    row.group = group;
    row.files = groups_[std::size_t(group)].files;
    rows_.push_back(row);
    groups_[std::size_t(group)].row = int(rows_.size()) - 1;
    return int(rows_.size()) - 1;
}

std::vector<int> TesterFileTable::IncompleteFiles() const
{
    std::vector<int> files;
    for (const TesterSoftwareGroup& group : groups_)
        if (!group.complete)
            files.insert(files.end(), group.files.begin(), group.files.end());
    return files;
}

bool TesterFileTable::RowDeletable(int row) const
{
    if (row < 0 || std::size_t(row) >= rows_.size())
        return false;
    for (int file : rows_[std::size_t(row)].files)
        if (!files_[std::size_t(file)].deletable)
            return false;
    return true;
}

const TesterSoftwareGroup* TesterFileTable::FindGroup(const std::string& base) const
{
    for (const TesterSoftwareGroup& group : groups_)
        if (group.deletable && group.name == base)
            return &group;
    return nullptr;
}
