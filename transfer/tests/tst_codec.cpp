// Tests of the compression codec: exact bytes, round trips, corrupt input and the zoltpack tool,
// which checks a file before expanding it.
#include "transfer/codec.h"
#include "slow_codec.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using Lines = QStringList;

Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes bytesOf(const QByteArray& a)
{
    return Bytes(a.begin(), a.end());
}

// Header with its check byte, then the bit string (spaces ignored), zero-padded to a byte.
Bytes packed(std::uint8_t marker, std::uint16_t crc, std::uint32_t length, const QByteArray& bits)
{
    Bytes out = {marker,
                 0,
                 std::uint8_t(crc >> 8),
                 std::uint8_t(crc),
                 std::uint8_t(length >> 24),
                 std::uint8_t(length >> 16),
                 std::uint8_t(length >> 8),
                 std::uint8_t(length)};
    unsigned sum = 0;
    for (auto b : out)
        sum += b;
    out[1] = std::uint8_t(0xFF - sum);
    int n = 0;
    for (char c : bits) {
        if (c == ' ')
            continue;
        if (n % 8 == 0)
            out.push_back(0);
        if (c == '1')
            out.back() |= std::uint8_t(0x80 >> (n % 8));
        ++n;
    }
    return out;
}

QByteArray leaf(int value)
{
    return "1" + QByteArray::number(value, 2).rightJustified(8, '0');
}

// A tree that is one long chain: `internal` nodes, each with leaf i on its left, the last leaf
// on the far right. 255 internal nodes make the 511-node maximum.
QByteArray chainTree(int internal)
{
    QByteArray bits;
    for (int i = 0; i < internal; ++i)
        bits += "0" + leaf(i);
    return bits + leaf(internal);
}

std::uint16_t crcOf(const Bytes& data)
{
    return crc16Kermit(data);
}

// A file in which value i occurs Fibonacci(i + 1) times: the tree becomes a chain as deep as
// the number of values less one.
Bytes fibonacciFile(int values)
{
    Bytes out;
    std::uint64_t a = 1, b = 1;
    for (int v = 0; v < values; ++v) {
        out.insert(out.end(), a, std::uint8_t(v));
        const std::uint64_t next = a + b;
        a = b;
        b = next;
    }
    return out;
}

Bytes randomBytes(std::size_t size, quint32 seed)
{
    QRandomGenerator rng(seed);
    Bytes out(size);
    for (auto& b : out)
        b = std::uint8_t(rng.generate() >> 24);
    return out;
}

Bytes textBytes(std::size_t size)
{
    static const char* words[] = {"the",      "tester",  "software", "of",   "an",
                                  "ECU",      "vehicle", "download", "file", "and",
                                  "workshop", "serial",  "cable"};
    QRandomGenerator rng(7);
    Bytes out;
    while (out.size() < size) {
        const std::string w = words[rng.bounded(13u)];
        out.insert(out.end(), w.begin(), w.end());
        out.push_back(rng.bounded(10u) ? ' ' : '\n');
    }
    out.resize(size);
    return out;
}

bool writeFile(const QString& path, const Bytes& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(reinterpret_cast<const char*>(data.data()),
                                                   qint64(data.size())) == qint64(data.size());
}

Bytes readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return bytesOf(f.readAll());
}

struct Capture
{
    Lines lines;
    CodecDiagnostics sink()
    {
        return [this](const std::string& line) { lines << QString::fromStdString(line); };
    }
};

} // namespace

class TestCodec : public QObject
{
    Q_OBJECT

private slots:
    void compressesToExactBytes_data();
    void compressesToExactBytes();
    void filesMatchMemory();
    void matchesTheStepByStepConstruction_data();
    void matchesTheStepByStepConstruction();
    void generatedInputsMatchTheStepByStepConstruction();
    void crc_data();
    void crc();
    void roundTrip_data();
    void roundTrip();
    void codesOfExactly32Bits();
    void codesOf33BitsFail();
    void compressFailures_data();
    void compressFailures();
    void decompressInput_data();
    void decompressInput();
    void decompressOpenFailures();
    void writeFailuresAreFailures();
    void zoltpack_data();
    void zoltpack();
    void zoltpackExpansionGuards_data();
    void zoltpackExpansionGuards();

private:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

void TestCodec::compressesToExactBytes_data()
{
    QTest::addColumn<Bytes>("input");
    QTest::addColumn<Bytes>("expected");
    QTest::addRow("abc") << bytesOf("abc")
                         << bytesOf(QByteArray::fromHex("01BA58E90000000358563B1380"));
    // A tie: the entry at the higher list position ("b") becomes the left child, code 0.
    QTest::addRow("ab tie") << bytesOf("ab")
                            << bytesOf(QByteArray::fromHex("01273C990000000258AC30"));
    // The codes end on a byte boundary: the closing byte is an extra 0x00.
    QTest::addRow("ababa boundary")
        << bytesOf("ababa") << bytesOf(QByteArray::fromHex("01EA719E0000000558AC3500"));
    // One byte value: a single-leaf tree and zero-bit codes, so only the tree and closing byte.
    QTest::addRow("one byte") << bytesOf("a")
                              << bytesOf(QByteArray::fromHex("01FC728F00000001B080"));
    QTest::addRow("one value repeated")
        << bytesOf("aaaa") << packed(1, crcOf(bytesOf("aaaa")), 4, leaf('a'));
}

void TestCodec::compressesToExactBytes()
{
    QFETCH(Bytes, input);
    QFETCH(Bytes, expected);
    Capture diag;
    Bytes out;
    QCOMPARE(compressBuffer(input, out, diag.sink()), 0);
    QCOMPARE(out, expected);
    QVERIFY(diag.lines.isEmpty());
}

void TestCodec::filesMatchMemory()
{
    const Bytes data = textBytes(200000);
    QVERIFY(writeFile(path("fm.txt"), data));
    Capture diag;
    QCOMPARE(compressFile(path("fm.txt").toUtf8(), path("fm.zip").toUtf8(), diag.sink()), 0);
    Bytes memory;
    QCOMPARE(compressBuffer(data, memory, diag.sink()), 0);
    QCOMPARE(readFile(path("fm.zip")), memory);
    QVERIFY(diag.lines.isEmpty());
}

void TestCodec::matchesTheStepByStepConstruction_data()
{
    QTest::addColumn<Bytes>("input");
    QTest::addRow("abc") << bytesOf("abc"); // the oracle meets the worked examples too
    QTest::addRow("ababa") << bytesOf("ababa");
    QTest::addRow("two values, equal counts") << bytesOf("abababab");
    QTest::addRow("all 256 values once") << [] {
        Bytes all(256);
        for (int i = 0; i < 256; ++i)
            all[std::size_t(i)] = std::uint8_t(255 - i);
        return all;
    }();
    // Merged weights that tie with leaves and with each other.
    QTest::addRow("powers of two") << [] {
        Bytes out;
        for (int v = 0; v < 9; ++v)
            out.insert(out.end(), std::size_t(1) << (v / 2), std::uint8_t('a' + v));
        return out;
    }();
    QTest::addRow("counts 1 to 40") << [] {
        Bytes out;
        for (int v = 0; v < 40; ++v)
            out.insert(out.end(), std::size_t(v % 7 + 1), std::uint8_t(v * 5));
        return out;
    }();
    QTest::addRow("small alphabet, random") << [] {
        Bytes out = randomBytes(5000, 3);
        for (auto& b : out)
            b &= 0x0F;
        return out;
    }();
    QTest::addRow("random bytes") << randomBytes(20000, 11);
    QTest::addRow("text") << textBytes(30000);
    QTest::addRow("skewed, 32-bit codes") << fibonacciFile(33);
}

// The fast coder against the step-by-step one, where ties decide the tree's shape.
void TestCodec::matchesTheStepByStepConstruction()
{
    QFETCH(Bytes, input);
    Capture diag;
    Bytes out;
    QCOMPARE(compressBuffer(input, out, diag.sink()), 0);
    QCOMPARE(out, slowCompress(input));
}

// Many small alphabets and count mixes where equal weights decide the tree's shape, and
// Fibonacci-like counts whose merged weights tie with leaves and give codes of 20 and more bits.
void TestCodec::generatedInputsMatchTheStepByStepConstruction()
{
    QRandomGenerator rng(2024);
    const CodecDiagnostics quiet = [](const std::string&) {};
    for (int round = 0; round < 300; ++round) {
        Bytes data;
        if (round % 3 == 2) {
            const int values = 12 + int(rng.bounded(14u));
            std::uint64_t a = 1, b = 1;
            for (int v = 0; v < values; ++v) {
                const std::uint64_t extra = rng.bounded(3u) == 0 ? rng.bounded(2u) : 0;
                data.insert(data.end(), a + extra, std::uint8_t(v * 7 + round));
                const std::uint64_t next = a + b;
                a = b;
                b = next;
            }
        } else {
            Bytes values(256);
            for (int i = 0; i < 256; ++i)
                values[std::size_t(i)] = std::uint8_t(i);
            std::shuffle(values.begin(), values.end(), std::mt19937(rng.generate()));
            values.resize(2 + rng.bounded(255u));
            const unsigned mode = rng.bounded(3u);
            const unsigned equal = 1 + rng.bounded(5u);
            for (std::uint8_t v : values) {
                const unsigned count = mode == 0   ? equal
                                       : mode == 1 ? 1u << rng.bounded(4u)
                                                   : 1 + rng.bounded(5u);
                data.insert(data.end(), count, v);
            }
            std::shuffle(data.begin(), data.end(), std::mt19937(rng.generate()));
        }
        Bytes out;
        QCOMPARE(compressBuffer(data, out, quiet), 0);
        if (out != slowCompress(data))
            QFAIL(qPrintable(QString("round %1: the coders disagree").arg(round)));
        Bytes back;
        QVERIFY(decompressBuffer(out, back, quiet).ok());
        QVERIFY(back == data);
    }
}

void TestCodec::crc_data()
{
    QTest::addColumn<Bytes>("data");
    QTest::addColumn<int>("expected");
    QTest::addRow("check value") << bytesOf("123456789") << 0x2189;
    QTest::addRow("empty") << Bytes{} << 0;
    // Lengths around the 16-byte step and the 64-byte folds of the multiplying form, checked
    // against the bit-serial definition below.
    for (int n : {1, 15, 16, 17, 31, 33, 127, 128, 129, 143, 191, 192, 200, 1000, 70001}) {
        const Bytes data = randomBytes(std::size_t(n), quint32(n));
        unsigned crc = 0;
        for (std::uint8_t b : data) {
            unsigned d = b;
            for (int i = 0; i < 8; ++i) {
                const unsigned bit = (crc ^ d) & 1;
                crc >>= 1;
                if (bit)
                    crc ^= 0x8408;
                d >>= 1;
            }
        }
        QTest::addRow("random %d", n) << data << int(crc);
    }
}

void TestCodec::crc()
{
    QFETCH(Bytes, data);
    QFETCH(int, expected);
    QCOMPARE(int(crc16Kermit(data)), expected);
    QCOMPARE(int(crc16KermitTables(data)), expected);
    // Continuing over a split gives the same register, in either form.
    const std::size_t half = data.size() / 2 + 3 > data.size() ? 0 : data.size() / 2 + 3;
    const std::span<const std::uint8_t> all(data);
    QCOMPARE(int(crc16Kermit(all.subspan(half), crc16Kermit(all.first(half)))), expected);
    QCOMPARE(int(crc16Kermit(all.subspan(half), crc16KermitTables(all.first(half)))), expected);
}

void TestCodec::roundTrip_data()
{
    QTest::addColumn<Bytes>("data");
    QTest::addRow("one byte") << Bytes{0x00};
    QTest::addRow("one value, long") << Bytes(70000, 0xFF);
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[std::size_t(i)] = std::uint8_t(i);
    QTest::addRow("all 256 values once") << all;
    Bytes twice = all;
    twice.insert(twice.end(), all.rbegin(), all.rend());
    QTest::addRow("ties everywhere") << twice;
    QTest::addRow("two values") << bytesOf("abbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb");
    QTest::addRow("text across blocks") << textBytes(300000);
    QTest::addRow("skewed, long codes") << fibonacciFile(25);
    QTest::addRow("524288 random bytes") << randomBytes(524288, 1);
}

void TestCodec::roundTrip()
{
    QFETCH(Bytes, data);
    Capture diag;
    QVERIFY(writeFile(path("rt.bin"), data));
    QCOMPARE(compressFile(path("rt.bin").toUtf8(), path("rt.zip").toUtf8(), diag.sink()), 0);
    const DecompressOutcome outcome =
        decompressFileWithOutcome(path("rt.zip").toUtf8(), path("rt.out").toUtf8(), diag.sink());
    QVERIFY(outcome.ok());
    QCOMPARE(diag.lines, Lines{});
    QCOMPARE(readFile(path("rt.out")), data);
}

void TestCodec::codesOfExactly32Bits()
{
    // 33 values with Fibonacci counts: the two rarest get 32-bit codes, value i has 33 - i.
    const Bytes data = fibonacciFile(33);
    Capture diag;
    Bytes out;
    QCOMPARE(compressBuffer(data, out, diag.sink()), 0);
    std::uint64_t bits = 33 * 9 + 32; // tree description
    std::uint64_t count = 1, next = 1;
    for (int v = 0; v < 33; ++v) {
        bits += count * std::uint64_t(std::min(32, 33 - v));
        const std::uint64_t sum = count + next;
        count = next;
        next = sum;
    }
    QCOMPARE(out.size(), std::size_t(8 + bits / 8 + 1));
    Bytes back;
    QVERIFY(decompressBuffer(out, back, diag.sink()).ok());
    QVERIFY(back == data);
    QCOMPARE(diag.lines, Lines{});
}

void TestCodec::codesOf33BitsFail()
{
    QVERIFY(writeFile(path("deep.bin"), fibonacciFile(34)));
    Capture diag;
    QCOMPARE(compressFile(path("deep.bin").toUtf8(), path("deep.zip").toUtf8(), diag.sink()), -1);
    QCOMPARE(diag.lines, Lines{"Albero degenerato (33 bit).\n"});
    QVERIFY(QFile::exists(path("deep.zip")));
    QCOMPARE(QFile(path("deep.zip")).size(), 0);
}

void TestCodec::compressFailures_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<Lines>("expected");
    QTest::addColumn<bool>("outputLeft");
    writeFile(path("empty.bin"), {});
    writeFile(path("abc.bin"), bytesOf("abc"));
    QTest::addRow("empty input") << path("empty.bin") << path("cf1.zip")
                                 << Lines{"Letti 0 caratteri.\n"} << true;
    QTest::addRow("missing input")
        << path("none.bin") << path("cf2.zip")
        << Lines{"Impossibile aprire infile " + path("none.bin") + "\n"} << false;
    QTest::addRow("output folder missing")
        << path("abc.bin") << path("no/dir.zip")
        << Lines{"Impossibile aprire outfile B " + path("no/dir.zip") + "\n"} << false;
    // Sparse, so it costs no disk: the 32-bit length cannot hold its size.
    QFile huge(path("huge.bin"));
    if (huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 32))
        QTest::addRow("4 GiB") << path("huge.bin") << path("cf4.zip")
                               << Lines{"Incoerenza nella lunghezza del file.\n"} << true;
    huge.close();
    // Its size says 0 but it has bytes: the length would be wrong.
    if (QFile::exists("/proc/self/status"))
        QTest::addRow("size differs from bytes read")
            << QString("/proc/self/status") << path("cf3.zip")
            << Lines{"Incoerenza nella lunghezza del file.\n"} << true;
}

void TestCodec::compressFailures()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(Lines, expected);
    QFETCH(bool, outputLeft);
    Capture diag;
    QCOMPARE(compressFile(input.toUtf8(), output.toUtf8(), diag.sink()), -1);
    QCOMPARE(diag.lines, expected);
    QCOMPARE(QFile::exists(output), outputLeft);
    if (outputLeft)
        QCOMPARE(QFile(output).size(), 0);
}

void TestCodec::decompressInput_data()
{
    QTest::addColumn<Bytes>("input");
    QTest::addColumn<Lines>("expected");
    QTest::addColumn<bool>("outputWritten");
    QTest::addColumn<Bytes>("output");

    const Bytes abc = bytesOf(QByteArray::fromHex("01BA58E90000000358563B1380"));
    Bytes badCheck = abc;
    badCheck[1] = 0xBB;
    QTest::addRow("header sum wrong")
        << badCheck << Lines{"Header corrotto.\n", "header = 0\n"} << false << Bytes{};
    Bytes otherMarker = abc;
    otherMarker[0] = 0x07;
    otherMarker[1] = std::uint8_t(0xBA - 6);
    QTest::addRow("other marker accepted") << otherMarker << Lines{} << true << bytesOf("abc");
    QTest::addRow("shorter than header")
        << Bytes{0x01, 0xBA, 0x58} << Lines{"Header corrotto.\n", "header = 19\n"} << false
        << Bytes{};
    QTest::addRow("empty file") << Bytes{} << Lines{"Header corrotto.\n", "header = 0\n"} << false
                                << Bytes{};
    QTest::addRow("header only") << packed(1, 0, 0, "") << Lines{"EOF inatteso\n"} << false
                                 << Bytes{};
    // Zero bits describe internal nodes without end; the 512th node ends it.
    QTest::addRow("tree past 511 nodes")
        << packed(1, 0, 3, QByteArray(600, '0')) << Lines{} << false << Bytes{};
    QTest::addRow("chain of 512 nodes")
        << packed(1, 0, 1, chainTree(256)) << Lines{} << false << Bytes{};
    QTest::addRow("stream ends inside tree")
        << Bytes(abc.begin(), abc.begin() + 9) << Lines{"EOF inatteso\n"} << false << Bytes{};
    // 511 nodes, codes of 255 bits: decoded past the table, bit by bit.
    const Bytes deep = {255, 0, 254};
    QTest::addRow("chain of 511 nodes")
        << packed(1, crcOf(deep), 3,
                  chainTree(255) + QByteArray(255, '1') + "0" + QByteArray(254, '1') + "0")
        << Lines{} << true << deep;
    Bytes wrongCrc = abc;
    wrongCrc[3] = 0xE8; // one less in the sum, given back by the check byte
    wrongCrc[1] = 0xBB;
    QTest::addRow("wrong crc") << wrongCrc << Lines{"Attenzione: CRC errato!\n"} << true
                               << bytesOf("abc");
    // Cut inside the codes: the length is still written, missing bits read as 0.
    Bytes text;
    compressBuffer(textBytes(5000), text, [](const std::string&) {});
    Bytes cut(text.begin(), text.end() - 40);
    Bytes decoded;
    decompressBuffer(cut, decoded, [](const std::string&) {});
    QCOMPARE(decoded.size(), std::size_t(5000));
    QTest::addRow("truncated codes")
        << cut << Lines{"EOF inatteso\n", "Attenzione: CRC errato!\n"} << true << decoded;
    // The last two code bits lived in the closing byte: "c" (10) is read as "a" (0).
    QTest::addRow("closing byte missing")
        << Bytes(abc.begin(), abc.end() - 1) << Lines{"EOF inatteso\n", "Attenzione: CRC errato!\n"}
        << true << bytesOf("aba");
    // An extra 0x00 closing byte is never needed by the decoder.
    const Bytes ababa = bytesOf(QByteArray::fromHex("01EA719E0000000558AC35"));
    QTest::addRow("extra closing byte missing") << ababa << Lines{} << true << bytesOf("ababa");
    // A single-leaf tree: the value as often as the length says, with no code bits at all.
    QTest::addRow("single leaf") << packed(1, crcOf(Bytes(5, 'z')), 5, leaf('z')) << Lines{} << true
                                 << Bytes(5, 'z');
    QTest::addRow("length zero") << packed(1, 0, 0, chainTree(1)) << Lines{} << true << Bytes{};
}

void TestCodec::decompressInput()
{
    QFETCH(Bytes, input);
    QFETCH(Lines, expected);
    QFETCH(bool, outputWritten);
    QFETCH(Bytes, output);
    QVERIFY(writeFile(path("in.zip"), input));
    QFile::remove(path("out.bin"));
    Capture diag;
    const DecompressOutcome outcome =
        decompressFileWithOutcome(path("in.zip").toUtf8(), path("out.bin").toUtf8(), diag.sink());
    QCOMPARE(diag.lines, expected);
    QCOMPARE(outcome.outputWritten, outputWritten);
    QCOMPARE(QFile::exists(path("out.bin")), outputWritten);
    QCOMPARE(readFile(path("out.bin")), output);
    QCOMPARE(outcome.ok(), outputWritten && expected.isEmpty());

    Capture memoryDiag;
    Bytes memory;
    decompressBuffer(input, memory, memoryDiag.sink());
    QCOMPARE(memoryDiag.lines, expected);
    QCOMPARE(memory, output);
}

void TestCodec::decompressOpenFailures()
{
    Capture diag;
    decompressFileWithOutcome(path("absent.zip").toUtf8(), path("never.bin").toUtf8(), diag.sink());
    QCOMPARE(diag.lines, Lines{"Impossibile aprire infile " + path("absent.zip") + "\n"});
    QVERIFY(!QFile::exists(path("never.bin")));

    diag.lines.clear();
    QVERIFY(writeFile(path("ok.zip"), bytesOf(QByteArray::fromHex("01BA58E90000000358563B1380"))));
    const DecompressOutcome outcome = decompressFileWithOutcome(
        path("ok.zip").toUtf8(), path("no/dir.bin").toUtf8(), diag.sink());
    QCOMPARE(diag.lines, Lines{"Impossibile aprire outfile A " + path("no/dir.bin") + "\n"});
    QVERIFY(!outcome.outputWritten);
}

// A full disk must not pass for success: the compressor returns -1, the decompressor says so.
void TestCodec::writeFailuresAreFailures()
{
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full");
    QVERIFY(writeFile(path("big.bin"), randomBytes(524288, 2)));
    Capture diag;
    QCOMPARE(compressFile(path("big.bin").toUtf8(), "/dev/full", diag.sink()), -1);
    QCOMPARE(diag.lines.value(0), QString("ERROR_ZIPe di scrittura su outfile in putBit\n"));

    QVERIFY(compressFile(path("big.bin").toUtf8(), path("big.zip").toUtf8(), diag.sink()) == 0);
    diag.lines.clear();
    const DecompressOutcome outcome =
        decompressFileWithOutcome(path("big.zip").toUtf8(), "/dev/full", diag.sink());
    QVERIFY(outcome.writeFailed);
    QVERIFY(!outcome.ok());
    QCOMPARE(diag.lines, Lines{"ERROR_ZIPe chiudendo file /dev/full\n"});
}

void TestCodec::zoltpack_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("standardOutput");
    writeFile(path("tool.txt"), textBytes(10000));
    Bytes bad = bytesOf(QByteArray::fromHex("01BB58E90000000358563B1380"));
    writeFile(path("tool-bad.zip"), bad);
    Bytes crc = bytesOf(QByteArray::fromHex("01BB58E80000000358563B1380"));
    writeFile(path("tool-crc.zip"), crc);
    QTest::addRow("compress") << QStringList{"compress", path("tool.txt"), path("tool.zip")} << 0
                              << QString();
    QTest::addRow("decompress") << QStringList{"decompress", path("tool.zip"), path("tool.out")}
                                << 0 << QString();
    QTest::addRow("compress empty") << QStringList{"compress", path("empty.bin"), path("t.zip")}
                                    << 1 << QString("Letti 0 caratteri.\n");
    QTest::addRow("bad header") << QStringList{"decompress", path("tool-bad.zip"), path("t.out")}
                                << 1 << QString("Header corrotto.\nheader = 0\n");
    QTest::addRow("crc wrong") << QStringList{"decompress", path("tool-crc.zip"), path("t.out")}
                               << 1 << QString("Attenzione: CRC errato!\n");
    QTest::addRow("no arguments") << QStringList{} << 2 << QString();
    QTest::addRow("unknown verb") << QStringList{"pack", "a", "b"} << 2 << QString();
    QTest::addRow("missing operand") << QStringList{"compress", "a"} << 2 << QString();
    // A device without end is refused, not read for ever.
    QTest::addRow("compress /dev/zero") << QStringList{"compress", "/dev/zero", path("t.zip")} << 1
                                        << QString("Incoerenza nella lunghezza del file.\n");
}

void TestCodec::zoltpack()
{
    const QString tool = QStringLiteral(ZOLT_BINARY_DIR) + "/bin/zoltpack";
    if (!QFile::exists(tool))
        QSKIP("zoltpack is not built in this tree");
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, standardOutput);
    writeFile(path("empty.bin"), {});
    QProcess process;
    process.start(tool, arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), standardOutput);
    if (exitCode == 2)
        QVERIFY(process.readAllStandardError().startsWith("usage: zoltpack"));
    if (arguments.value(0) == "decompress" && exitCode == 0)
        QCOMPARE(readFile(arguments[2]), readFile(path("tool.txt")));
}

void TestCodec::zoltpackExpansionGuards_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("standardOutput");
    QTest::addColumn<QString>("standardError"); // a part of it
    QTest::addColumn<Bytes>("output");          // what OUT holds after; it held "earlier"
    const Bytes earlier = bytesOf("earlier");
    const QString refused = "not a sound compressed file, nothing written";

    // The codes of "abc" (5 bits) behind a header that declares 843 MB.
    writeFile(path("g-long.zip"), packed(1, 0x58E9, 843055104, "0" + leaf('a') + "0" + leaf('c') +
                                                                    leaf('b') + "0 11 10"));
    QTest::addRow("length beyond its codes")
        << path("g-long.zip") << QStringList{} << 1 << QString() << refused << earlier;
    // A one-leaf tree has no codes: 10 bytes may declare any length, but then its CRC must hold.
    writeFile(path("g-one-bad.zip"), packed(1, 0x1234, 2902463368u, leaf('z')));
    QTest::addRow("one value, CRC not the header's")
        << path("g-one-bad.zip") << QStringList{} << 1 << QString() << refused << earlier;
    const Bytes zeds(100000, 'z');
    writeFile(path("g-one.zip"), packed(1, crcOf(zeds), 100000, leaf('z')));
    QTest::addRow("one value, sound")
        << path("g-one.zip") << QStringList{} << 0 << QString() << QString() << zeds;

    Bytes text;
    compressBuffer(textBytes(5000), text, [](const std::string&) {});
    const Bytes cut(text.begin(), text.end() - 40);
    writeFile(path("g-cut.zip"), cut);
    Bytes partial;
    decompressBuffer(cut, partial, [](const std::string&) {});
    const QString cutLines = "EOF inatteso\nAttenzione: CRC errato!\n";
    QTest::addRow("failed expansion leaves the earlier file")
        << path("g-cut.zip") << QStringList{} << 1 << cutLines << "not written" << earlier;
    QTest::addRow("failed expansion kept when asked")
        << path("g-cut.zip") << QStringList{"--keep-partial"} << 1 << cutLines
        << "holds what was expanded" << partial;

    // Reading a pipe twice would wait for a writer for ever.
    const QString fifo = path("g-fifo");
    if (mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0)
        QTest::addRow("pipe refused")
            << fifo << QStringList{} << 1 << QString() << "not a regular file" << earlier;
}

// zoltpack checks a compressed file before expanding it, and replaces OUT only with a whole
// expansion (or, with --keep-partial, with what a failed one gave).
void TestCodec::zoltpackExpansionGuards()
{
    const QString tool = QStringLiteral(ZOLT_BINARY_DIR) + "/bin/zoltpack";
    if (!QFile::exists(tool))
        QSKIP("zoltpack is not built in this tree");
    QFETCH(QString, input);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, standardOutput);
    QFETCH(QString, standardError);
    QFETCH(Bytes, output);
    const QString out = path("g.out");
    QVERIFY(writeFile(out, bytesOf("earlier")));
    QProcess process;
    process.start(tool, QStringList{"decompress"} + options + QStringList{input, out});
    QVERIFY2(process.waitForFinished(30000), "zoltpack did not end within 30 s");
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), standardOutput);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(error.contains(standardError), qPrintable(error));
    QCOMPARE(readFile(out), output);
    QCOMPARE(QDir(path("")).entryList({".g.out*"}, QDir::Hidden | QDir::Files), QStringList{});
}

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
