// Estimates the transfer rate and the time left from the recent progress of a copy, for the
// line under the progress text and for zoltctl.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

class RateMeter
{
public:
    // Forgets every sample.
    void Reset() { samples_.clear(); }
    // Records that `bytes` in all were done at `ms` milliseconds.
    void Add(std::int64_t ms, std::uint64_t bytes);
    // Bytes a second over the last few seconds; 0 until there is enough to tell.
    double BytesPerSecond() const;
    // Seconds left for `remaining` bytes at the current rate; -1 when unknown.
    std::int64_t SecondsLeft(std::uint64_t remaining) const;
    // "1.9 KB/s   −0:42" (rate and time left), or "" while unknown. No words, so that it reads
    // the same in every language.
    std::string Text(std::uint64_t remaining) const;

    // "512 B/s", "1.9 KB/s", "312 KB/s".
    static std::string FormatRate(double bytesPerSecond);
    // "0:42", "12:05", "1:02:03".
    static std::string FormatDuration(std::int64_t seconds);

private:
    struct Sample
    {
        std::int64_t ms;
        std::uint64_t bytes;
    };
    static constexpr std::int64_t kWindowMs = 5000;
    static constexpr std::int64_t kMinSpanMs = 500;
    std::deque<Sample> samples_;
};
