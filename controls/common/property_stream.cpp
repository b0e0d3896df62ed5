// Reading and writing the controls' property stream.
#include "controls/common/property_stream.h"

#include <QStringDecoder>

#include <cstring>

bool CPropStreamReader::Take(qsizetype n, const char*& at)
{
    if (!ok_ || n < 0 || n > data_.size() - pos_) {
        ok_ = false;
        return false;
    }
    at = data_.data() + pos_;
    pos_ += n;
    return true;
}

bool CPropStreamReader::ReadU8(std::uint8_t& v)
{
    const char* at = nullptr;
    if (!Take(1, at))
        return false;
    v = std::uint8_t(at[0]);
    return true;
}

bool CPropStreamReader::ReadU16(std::uint16_t& v)
{
    const char* at = nullptr;
    if (!Take(2, at))
        return false;
    v = std::uint16_t(std::uint8_t(at[0]) | std::uint8_t(at[1]) << 8);
    return true;
}

bool CPropStreamReader::ReadU32(std::uint32_t& v)
{
    const char* at = nullptr;
    if (!Take(4, at))
        return false;
    v = std::uint32_t(std::uint8_t(at[0])) | std::uint32_t(std::uint8_t(at[1])) << 8 |
        std::uint32_t(std::uint8_t(at[2])) << 16 | std::uint32_t(std::uint8_t(at[3])) << 24;
    return true;
}

bool CPropStreamReader::ReadBool(bool& v)
{
    std::uint8_t b = 0;
    if (!ReadU8(b))
        return false;
    v = b != 0;
    return true;
}

bool CPropStreamReader::ReadString(QByteArray& v)
{
    std::uint8_t len8 = 0;
    if (!ReadU8(len8))
        return false;
    std::uint64_t length = len8;
    if (len8 == 0xFF) {
        std::uint16_t len16 = 0;
        if (!ReadU16(len16))
            return false;
        length = len16;
        if (len16 == 0xFFFF) {
            std::uint32_t len32 = 0;
            if (!ReadU32(len32))
                return false;
            length = len32;
        } else if (len16 == 0xFFFE) {
            ok_ = false; // no such length form
            return false;
        }
    }
    // The length is checked against the data before anything is allocated.
    if (length > std::uint64_t(data_.size() - pos_)) {
        ok_ = false;
        return false;
    }
    const char* at = nullptr;
    if (!Take(qsizetype(length), at))
        return false;
    v = QByteArray(at, qsizetype(length));
    return true;
}

void CPropStreamWriter::WriteU8(std::uint8_t v) { out_.append(char(v)); }

void CPropStreamWriter::WriteU16(std::uint16_t v)
{
    WriteU8(std::uint8_t(v));
    WriteU8(std::uint8_t(v >> 8));
}

void CPropStreamWriter::WriteU32(std::uint32_t v)
{
    WriteU16(std::uint16_t(v));
    WriteU16(std::uint16_t(v >> 16));
}

void CPropStreamWriter::WriteString(QByteArrayView v)
{
    const auto length = std::uint64_t(v.size());
    if (length < 0xFF) {
        WriteU8(std::uint8_t(length));
    } else if (length <= 0xFFFD) {
        WriteU8(0xFF);
        WriteU16(std::uint16_t(length));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(std::uint32_t(length));
    }
    out_.append(v.data(), v.size());
}

PropValues DefaultValues(const QList<PropSpec>& specs)
{
    PropValues values;
    for (const PropSpec& spec : specs) {
        switch (spec.kind) {
        case PropKind::Short:
            values.append(int(std::int16_t(spec.number)));
            break;
        case PropKind::Bool:
            values.append(spec.number != 0);
            break;
        case PropKind::Long:
            values.append(int(std::int32_t(spec.number)));
            break;
        case PropKind::ULong:
        case PropKind::Color:
            values.append(uint(std::uint32_t(spec.number)));
            break;
        case PropKind::String:
            values.append(QByteArray(spec.text ? spec.text : ""));
            break;
        }
    }
    return values;
}

namespace {

bool ReadStock(CPropStreamReader& in, StockBlock& stock)
{
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    if (!in.ReadU32(stock.version) || !in.ReadU32(x) || !in.ReadU32(y) ||
        !in.ReadU32(stock.mask))
        return false;
    stock.extentX = std::int32_t(x);
    stock.extentY = std::int32_t(y);
    constexpr std::uint32_t known = StockProp::Caption | StockProp::Text | StockProp::ForeColor |
                                    StockProp::BackColor | StockProp::BorderStyle |
                                    StockProp::Enabled | StockProp::Appearance;
    // The font's own stream and any bit we do not know have no size we could skip.
    if (stock.mask & ~known)
        return false;
    if (stock.mask & StockProp::Caption && !in.ReadString(stock.caption))
        return false;
    if (stock.mask & StockProp::Text && !in.ReadString(stock.caption))
        return false;
    std::uint16_t s = 0;
    if (stock.mask & StockProp::ForeColor && !in.ReadU32(stock.foreColor))
        return false;
    if (stock.mask & StockProp::BackColor && !in.ReadU32(stock.backColor))
        return false;
    if (stock.mask & StockProp::BorderStyle) {
        if (!in.ReadU16(s))
            return false;
        stock.borderStyle = std::int16_t(s);
    }
    if (stock.mask & StockProp::Enabled && !in.ReadBool(stock.enabled))
        return false;
    if (stock.mask & StockProp::Appearance) {
        if (!in.ReadU16(s))
            return false;
        stock.appearance = std::int16_t(s);
    }
    return true;
}

bool ReadValue(CPropStreamReader& in, PropKind kind, QVariant& value)
{
    std::uint16_t s = 0;
    std::uint32_t l = 0;
    bool b = false;
    QByteArray text;
    switch (kind) {
    case PropKind::Short:
        if (!in.ReadU16(s))
            return false;
        value = int(std::int16_t(s));
        return true;
    case PropKind::Bool:
        if (!in.ReadBool(b))
            return false;
        value = b;
        return true;
    case PropKind::Long:
        if (!in.ReadU32(l))
            return false;
        value = int(std::int32_t(l));
        return true;
    case PropKind::ULong:
    case PropKind::Color:
        if (!in.ReadU32(l))
            return false;
        value = uint(l);
        return true;
    case PropKind::String:
        if (!in.ReadString(text))
            return false;
        value = text;
        return true;
    }
    return false;
}

} // namespace

bool ReadPropertyStream(QByteArrayView data, const QList<PropSpec>& specs, StockBlock& stock,
                        PropValues& values, QString* error)
{
    CPropStreamReader in(data);
    StockBlock newStock;
    if (!ReadStock(in, newStock)) {
        if (error)
            *error = QStringLiteral("base block unreadable at byte %1").arg(in.Position());
        return false;
    }
    PropValues newValues;
    for (const PropSpec& spec : specs) {
        QVariant v;
        if (!ReadValue(in, spec.kind, v)) {
            if (error)
                *error = QStringLiteral("property %1 unreadable at byte %2")
                             .arg(QLatin1String(spec.name))
                             .arg(in.Position());
            return false;
        }
        newValues.append(v);
    }
    stock = newStock;
    values = newValues;
    return true;
}

QByteArray WritePropertyStream(const StockBlock& stock, const QList<PropSpec>& specs,
                               const PropValues& values)
{
    CPropStreamWriter out;
    out.WriteU32(stock.version);
    out.WriteU32(std::uint32_t(stock.extentX));
    out.WriteU32(std::uint32_t(stock.extentY));
    out.WriteU32(stock.mask);
    if (stock.mask & StockProp::Caption)
        out.WriteString(stock.caption);
    if (stock.mask & StockProp::Text)
        out.WriteString(stock.caption);
    if (stock.mask & StockProp::ForeColor)
        out.WriteU32(stock.foreColor);
    if (stock.mask & StockProp::BackColor)
        out.WriteU32(stock.backColor);
    if (stock.mask & StockProp::BorderStyle)
        out.WriteU16(std::uint16_t(stock.borderStyle));
    if (stock.mask & StockProp::Enabled)
        out.WriteBool(stock.enabled);
    if (stock.mask & StockProp::Appearance)
        out.WriteU16(std::uint16_t(stock.appearance));
    for (qsizetype i = 0; i < specs.size(); ++i) {
        const QVariant v = i < values.size() ? values[i] : QVariant();
        switch (specs[i].kind) {
        case PropKind::Short:
            out.WriteU16(std::uint16_t(v.toInt()));
            break;
        case PropKind::Bool:
            out.WriteBool(v.toBool());
            break;
        case PropKind::Long:
            out.WriteU32(std::uint32_t(v.toInt()));
            break;
        case PropKind::ULong:
        case PropKind::Color:
            out.WriteU32(v.toUInt());
            break;
        case PropKind::String:
            out.WriteString(v.toByteArray());
            break;
        }
    }
    return out.Data();
}

QString DecodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Windows-1252, with its five unassigned bytes kept as the control characters they number.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    text.clear();
    text.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = std::uint8_t(ch);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(high[b - 0x80]) : QChar(b));
    }
    return text;
}

QByteArray EncodeText(const QString& text) { return text.toUtf8(); }
