// Framing of link frames on the serial line.
#include "linklib/wire_frame.h"

#include <algorithm>

namespace wire {

std::uint16_t Crc16(const std::uint8_t* data, std::size_t size)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= std::uint16_t(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

bool IsWellFormed(const std::uint8_t* frame, std::size_t size)
{
    if (size < kMinFrame || size > kMaxFrame || frame[0] != kStartByte ||
        frame[proto::kOffsetZero] != 0)
        return false;
    return std::size_t(proto::FrameView(frame, size).Length()) == size - 1;
}

Bytes Encode(const std::uint8_t* frame, std::size_t size)
{
    Bytes out(frame, frame + size);
    const std::uint16_t crc = Crc16(frame, size);
    out.push_back(std::uint8_t(crc >> 8));
    out.push_back(std::uint8_t(crc & 0xFF));
    return out;
}

Bytes MakeFrame(std::uint8_t linkId, std::uint8_t frameClass, std::uint8_t code,
                const Bytes& payload)
{
    Bytes frame(payload.size() + proto::kHeaderSize);
    proto::WriteFrameHeader(frame.data(), payload.size(), linkId, frameClass, code);
    std::copy(payload.begin(), payload.end(), frame.begin() + proto::kOffsetPayload);
    return frame;
}

void FrameParser::Feed(const std::uint8_t* data, std::size_t size)
{
    buffer_.insert(buffer_.end(), data, data + size);
}

void FrameParser::SkipTo(std::size_t offset)
{
    offset = std::min(offset, buffer_.size());
    skipped_ += offset;
    buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(offset));
}

bool FrameParser::Next(Bytes& frame)
{
    for (;;) {
        // Find a start byte.
        auto start = std::find(buffer_.begin(), buffer_.end(), kStartByte);
        SkipTo(std::size_t(start - buffer_.begin()));
        if (buffer_.empty())
            return false;

        // Check as much of the header as has arrived; a bad header costs only its start byte.
        if (buffer_.size() >= 3) {
            const std::size_t n = (std::size_t(buffer_[1]) << 8) | buffer_[2];
            if (n + 1 < kMinFrame || n + 1 > kMaxFrame) {
                SkipTo(1);
                continue;
            }
        }
        if (buffer_.size() >= 4 && buffer_[3] != 0) {
            SkipTo(1);
            continue;
        }
        if (buffer_.size() < 3)
            return false;

        const std::size_t size = ((std::size_t(buffer_[1]) << 8) | buffer_[2]) + 1;
        if (buffer_.size() < size + kCrcSize)
            return false;

        const std::uint16_t crc = std::uint16_t((buffer_[size] << 8) | buffer_[size + 1]);
        if (Crc16(buffer_.data(), size) != crc) {
            ++badFrames_;
            SkipTo(1);
            continue;
        }
        frame.assign(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(size));
        buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(size + kCrcSize));
        return true;
    }
}

void FrameParser::DropPartial()
{
    if (!buffer_.empty())
        SkipTo(1);
}

void FrameParser::Reset()
{
    buffer_.clear();
}

} // namespace wire
