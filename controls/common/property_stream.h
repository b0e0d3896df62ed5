// The controls' persisted property stream (the binary form a container stores): version, base
// block with extent and stock properties, then the custom properties without names, all
// little-endian. Reading never goes past the data: a short or hostile stream is an error.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>

// Reads values in the stream's encoding; after the first failure every read fails.
class CPropStreamReader
{
public:
    explicit CPropStreamReader(QByteArrayView data) : data_(data) {}

    bool ReadU8(std::uint8_t& v);
    bool ReadU16(std::uint16_t& v);
    bool ReadU32(std::uint32_t& v);
    bool ReadBool(bool& v);
    // A string of single-byte characters: length in one byte (0-254), or 0xFF and 16 bits (up to
    // 0xFFFD), or 0xFF, 0xFFFF and 32 bits.
    bool ReadString(QByteArray& v);

    bool Ok() const { return ok_; }
    qsizetype Position() const { return pos_; }

private:
    bool Take(qsizetype n, const char*& at);

    QByteArrayView data_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

class CPropStreamWriter
{
public:
    void WriteU8(std::uint8_t v);
    void WriteU16(std::uint16_t v);
    void WriteU32(std::uint32_t v);
    void WriteBool(bool v) { WriteU8(v ? 1 : 0); }
    void WriteString(QByteArrayView v);

    const QByteArray& Data() const { return out_; }

private:
    QByteArray out_;
};

// How a property is persisted.
enum class PropKind { Short, Bool, Long, ULong, Color, String };

// One custom property in exchange order: its name (the persistence key and the Qt property
// name), kind and default (an integer, or `text` for strings).
struct PropSpec
{
    const char* name;
    PropKind kind;
    std::int64_t number;
    const char* text;
};

// Stock-property bits of the base block, in the order their values follow the mask.
namespace StockProp {
constexpr std::uint32_t Caption = 0x02;
constexpr std::uint32_t Text = 0x10;
constexpr std::uint32_t ForeColor = 0x08;
constexpr std::uint32_t BackColor = 0x01;
constexpr std::uint32_t Font = 0x04;
constexpr std::uint32_t BorderStyle = 0x20;
constexpr std::uint32_t Enabled = 0x40;
constexpr std::uint32_t Appearance = 0x80;
} // namespace StockProp

constexpr std::uint32_t kStreamVersion = 0x00010000;

// The version and base block of a stream.
struct StockBlock
{
    std::uint32_t version = kStreamVersion;
    std::int32_t extentX = 0; // hundredths of a millimetre
    std::int32_t extentY = 0;
    std::uint32_t mask = 0;
    QByteArray caption;
    std::uint32_t foreColor = 0;
    std::uint32_t backColor = 0;
    std::int16_t borderStyle = 0;
    bool enabled = true;
    std::int16_t appearance = 0;
};

// Custom values in exchange order: Short, Long as int, Bool as bool, ULong and Color as uint,
// String as QByteArray (the stream's bytes).
using PropValues = QList<QVariant>;

PropValues DefaultValues(const QList<PropSpec>& specs);

// Reads a whole stream. Bytes after the last property are left alone (a container may keep
// more). On failure `stock` and `values` are left as they were and `error` says where.
bool ReadPropertyStream(QByteArrayView data, const QList<PropSpec>& specs, StockBlock& stock,
                        PropValues& values, QString* error = nullptr);

// Writes `stock` (only the values its mask names) and `values`.
QByteArray WritePropertyStream(const StockBlock& stock, const QList<PropSpec>& specs,
                               const PropValues& values);

// The controls' strings are 8-bit: UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString DecodeText(const QByteArray& bytes);
QByteArray EncodeText(const QString& text);
