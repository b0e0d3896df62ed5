// The parsed forms of a few profile files, each used again while its file stays the same.
#pragma once

#include "platform/profile.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// Keeps what a reader made of a file under the file's path. A form counts only while the file's
// identity and the count of profile writes are those it was read under; the least recently used
// form goes first when the cache is full.
template <class Parsed>
class ProfileCache
{
public:
    explicit ProfileCache(std::size_t capacity) : capacity_(capacity) {}

    std::shared_ptr<const Parsed> Find(const std::string& path, const FileIdentity& identity)
    {
        const unsigned long writes = profileWriteCount();
        std::lock_guard<std::mutex> lock(mutex_);
        for (Entry& entry : entries_)
            if (entry.path == path && entry.identity == identity && entry.writes == writes) {
                entry.lastUse = ++clock_;
                return entry.parsed;
            }
        return nullptr;
    }

    // Keeps `parsed` as the form of `path`, read at `identity` under the write count `writes`
    // (taken before the file was read); a null `parsed` drops what was kept for the path.
    void Remember(const std::string& path, const FileIdentity& identity, unsigned long writes,
                  std::shared_ptr<const Parsed> parsed)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto same = std::find_if(entries_.begin(), entries_.end(),
                                 [&path](const Entry& e) { return e.path == path; });
        if (!parsed) {
            if (same != entries_.end())
                entries_.erase(same);
            return;
        }
        if (same == entries_.end()) {
            if (entries_.size() >= capacity_)
                entries_.erase(std::min_element(
                    entries_.begin(), entries_.end(),
                    [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; }));
            same = entries_.insert(entries_.end(), Entry{});
        }
        *same = {path, identity, writes, ++clock_, std::move(parsed)};
    }

    void Clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.clear();
    }

private:
    struct Entry
    {
        std::string path;
        FileIdentity identity;
        unsigned long writes = 0;
        unsigned long lastUse = 0;
        std::shared_ptr<const Parsed> parsed;
    };

    std::size_t capacity_;
    std::mutex mutex_;
    std::vector<Entry> entries_;
    unsigned long clock_ = 0;
};

} // namespace platform
