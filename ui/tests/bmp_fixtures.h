// Helpers shared by the picture reader tests: the committed .BMP files and hostile variants of
// them.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdint>
#include <string>

inline QString FixturePath(const QString& name)
{
    return QStringLiteral(ZOLT_SOURCE_DIR "/ui/tests/data/") + name;
}

inline QByteArray ReadFixture(const QString& name)
{
    QFile f(FixturePath(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(name));
    return f.readAll();
}

// The source picture each ImageMagick file was made from, read by Qt's own loader.
inline QImage SourceOf(const QString& bmpName)
{
    QString src = "src_rgb.png";
    if (bmpName.startsWith("bits1_"))
        src = "src_2.png";
    else if (bmpName.startsWith("bits4_"))
        src = "src_16.png";
    else if (bmpName.startsWith("bits8_"))
        src = "src_256.png";
    QImage image(FixturePath(src));
    if (image.isNull())
        qFatal("cannot read %s", qPrintable(src));
    return image.convertToFormat(QImage::Format_RGB32);
}

inline void PutLE(QByteArray& bytes, int offset, int width, std::int64_t value)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + i] =
            static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
}

inline std::uint32_t GetLE32(const QByteArray& bytes, int offset)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return v;
}

// Writes `bytes` to a file in `dir` and returns its path.
inline std::string WriteTemp(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return QFile::encodeName(path).toStdString();
}

// Rewrites a bottom-up file with a 40-byte header as the same picture stored top-down.
inline QByteArray TopDownCopy(const QByteArray& bottomUp)
{
    QByteArray out = bottomUp;
    const int width = static_cast<int>(GetLE32(out, 18));
    const int height = static_cast<int>(GetLE32(out, 22));
    const int bits = static_cast<unsigned char>(out[28]);
    const int offset = static_cast<int>(GetLE32(out, 10));
    const int row = (bits * width + 31) / 32 * 4;
    for (int y = 0; y < height; ++y)
        out.replace(offset + y * row, row, bottomUp.mid(offset + (height - 1 - y) * row, row));
    PutLE(out, 22, 4, -height);
    return out;
}

// One hostile change to a committed file: a little-endian field overwritten, or the file cut.
struct Mutation
{
    QString base;
    int offset = 0;
    int width = 0; // bytes written; 0 for none
    qint64 value = 0;
    int cutTo = -1; // new file length; -1 keeps it
};
Q_DECLARE_METATYPE(Mutation)

inline QByteArray Apply(const Mutation& m)
{
    QByteArray bytes = ReadFixture(m.base);
    if (m.width > 0)
        PutLE(bytes, m.offset, m.width, m.value);
    if (m.cutTo >= 0)
        bytes.truncate(m.cutTo);
    return bytes;
}

// Hostile or broken headers that both readers must refuse. The base file, bits4_h40.bmp, is
// 250 bytes: 14 + 40 header bytes, 16 colours of 4 bytes from 54, rows of 12 bytes from 118.
inline void AddRefusedByBoth()
{
    QTest::addColumn<Mutation>("mutation");
    const QString b = "bits4_h40.bmp";
    auto row = [](const char* name, Mutation m) { QTest::newRow(name) << m; };
    row("empty file", {b, 0, 0, 0, 0});
    row("file header only", {b, 0, 0, 0, 14});
    row("information header cut", {b, 0, 0, 0, 30});
    row("header size 0", {b, 14, 4, 0});
    row("header size 11", {b, 14, 4, 11});
    row("header size 13", {b, 14, 4, 13});
    row("header size 15", {b, 14, 4, 15});
    row("header size past the file", {b, 14, 4, 251});
    row("header size huge", {b, 14, 4, 0xFFFFFFFF});
    row("width 0", {b, 18, 4, 0});
    row("width negative", {b, 18, 4, -21});
    row("width huge", {b, 18, 4, 0x7FFFFFFF});
    row("width past the side limit", {b, 18, 4, 32768});
    row("height 0", {b, 22, 4, 0});
    row("height huge", {b, 22, 4, 0x7FFFFFFF});
    row("height most negative", {b, 22, 4, -0x80000000LL});
    row("height one row more than the file", {b, 22, 4, 12});
    row("bit count 0", {b, 28, 2, 0});
    row("bit count 2", {b, 28, 2, 2});
    row("bit count 16", {b, 28, 2, 16});
    row("bit count 32", {b, 28, 2, 32});
    row("bit count huge", {b, 28, 2, 0xFFFF});
    row("run-length compression", {b, 30, 4, 2});
    row("bit fields", {b, 30, 4, 3});
    row("colours used huge", {b, 46, 4, 0xFFFFFFFF});
    row("colours used past the file", {b, 46, 4, 50});
    row("pixel offset past the file", {b, 10, 4, 0x7FFFFFFF});
    row("pixel offset into the header", {b, 10, 4, 20});
    row("pixel offset leaves rows short", {b, 10, 4, 130});
    row("last pixel byte missing", {b, 0, 0, 0, 249});
    row("core width past the side limit", {"bits1_h12.bmp", 18, 2, 0xFFFF});
    row("core colours past the file", {"bits1_h12.bmp", 24, 2, 8});
}
