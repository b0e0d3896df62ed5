// Rate and time-left estimate over a sliding window of progress samples.
#include "transfer/rate_meter.h"

#include <cmath>
#include <cstdio>

void RateMeter::Add(std::int64_t ms, std::uint64_t bytes)
{
    samples_.push_back({ms, bytes});
    // Keep one sample older than the window so that the span always covers it.
    while (samples_.size() > 2 && ms - samples_[1].ms >= kWindowMs)
        samples_.pop_front();
}

double RateMeter::BytesPerSecond() const
{
    if (samples_.size() < 2)
        return 0.0;
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    const std::int64_t span = last.ms - first.ms;
    if (span < kMinSpanMs || last.bytes < first.bytes)
        return 0.0;
    return double(last.bytes - first.bytes) * 1000.0 / double(span);
}

std::int64_t RateMeter::SecondsLeft(std::uint64_t remaining) const
{
    const double rate = BytesPerSecond();
    if (rate <= 0.0)
        return -1;
    return std::int64_t(std::ceil(double(remaining) / rate));
}

std::string RateMeter::Text(std::uint64_t remaining) const
{
    const double rate = BytesPerSecond();
    if (rate <= 0.0)
        return "";
    return FormatRate(rate) + "   \u2212" + FormatDuration(SecondsLeft(remaining));
}

std::string RateMeter::FormatRate(double bytesPerSecond)
{
    char out[32];
    if (bytesPerSecond < 1000.0)
        std::snprintf(out, sizeof out, "%.0f B/s", bytesPerSecond);
    else if (bytesPerSecond < 10.0 * 1024.0)
        std::snprintf(out, sizeof out, "%.1f KB/s", bytesPerSecond / 1024.0);
    else
        std::snprintf(out, sizeof out, "%.0f KB/s", bytesPerSecond / 1024.0);
    return out;
}

std::string RateMeter::FormatDuration(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    char out[32];
    const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        std::snprintf(out, sizeof out, "%lld:%02lld:%02lld", h, m, s);
    else
        std::snprintf(out, sizeof out, "%lld:%02lld", m, s);
    return out;
}
