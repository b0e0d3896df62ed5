// Tests of the line framing: CRC, frame checks, and finding frames among garbage.
#include "linklib/wire_frame.h"

#include <QTest>

using Bytes = wire::Bytes;
Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes Sync(std::uint8_t linkId = 1)
{
    return wire::MakeFrame(linkId, 11, 7, {});
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace

class TestWireFrame : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValue()
    {
        const char* text = "123456789";
        QCOMPARE(wire::Crc16(reinterpret_cast<const std::uint8_t*>(text), 9),
                 std::uint16_t(0x29B1));
    }

    void parse_data()
    {
        QTest::addColumn<Bytes>("stream");
        QTest::addColumn<int>("chunk"); // bytes fed at a time, 0: all at once
        QTest::addColumn<std::vector<Bytes>>("frames");

        const Bytes sync = Sync();
        const Bytes answer = wire::MakeFrame(1, 11, 19, Bytes(200, 0x57));
        Bytes damaged = wire::Encode(sync);
        damaged[7] ^= 0x01;
        Bytes badCrc = wire::Encode(answer);
        badCrc.back() ^= 0xFF;
        Bytes largest = wire::MakeFrame(1, 11, 9, Bytes(1017, 0x57));

        QTest::newRow("one frame") << wire::Encode(sync) << 0 << std::vector<Bytes>{sync};
        QTest::newRow("byte by byte") << wire::Encode(answer) << 1 << std::vector<Bytes>{answer};
        QTest::newRow("two frames back to back") << Cat({wire::Encode(sync), wire::Encode(answer)})
                                                 << 0 << std::vector<Bytes>{sync, answer};
        QTest::newRow("garbage before") << Cat({Bytes{1, 2, 0x57, 0x57, 9}, wire::Encode(sync)})
                                        << 3 << std::vector<Bytes>{sync};
        QTest::newRow("damaged frame is dropped, next one kept")
            << Cat({damaged, wire::Encode(answer)}) << 0 << std::vector<Bytes>{answer};
        QTest::newRow("wrong CRC, frame inside payload not mistaken")
            << Cat({badCrc, wire::Encode(sync)}) << 5 << std::vector<Bytes>{sync};
        QTest::newRow("length above 1023 is no header")
            << Cat({Bytes{0x57, 0x04, 0x00, 0x00}, wire::Encode(sync)}) << 0
            << std::vector<Bytes>{sync};
        QTest::newRow("length below 6 is no header")
            << Cat({Bytes{0x57, 0x00, 0x05, 0x00}, wire::Encode(sync)}) << 0
            << std::vector<Bytes>{sync};
        QTest::newRow("byte 3 not zero is no header")
            << Cat({Bytes{0x57, 0x00, 0x06, 0x01}, wire::Encode(sync)}) << 0
            << std::vector<Bytes>{sync};
        QTest::newRow("largest frame")
            << wire::Encode(largest) << 100 << std::vector<Bytes>{largest};
        Bytes incomplete = wire::Encode(sync);
        incomplete.pop_back();
        QTest::newRow("incomplete frame waits") << incomplete << 0 << std::vector<Bytes>{};
    }

    void parse()
    {
        QFETCH(Bytes, stream);
        QFETCH(int, chunk);
        QFETCH(std::vector<Bytes>, frames);
        wire::FrameParser parser;
        std::vector<Bytes> found;
        const std::size_t step = chunk > 0 ? std::size_t(chunk) : stream.size();
        for (std::size_t at = 0; at < stream.size(); at += step) {
            parser.Feed(stream.data() + at, std::min(step, stream.size() - at));
            Bytes frame;
            while (parser.Next(frame))
                found.push_back(frame);
        }
        QCOMPARE(found, frames);
    }

    // Garbage that looks like the header of a long frame holds the parser until the line has
    // gone quiet; then the frame behind it must come out.
    void dropPartialReleasesFrameBehindFalseHeader()
    {
        wire::FrameParser parser;
        const Bytes stream = Cat({Bytes{0x57, 0x01, 0x00, 0x00, 0x33}, wire::Encode(Sync())});
        parser.Feed(stream.data(), stream.size());
        Bytes frame;
        QVERIFY(!parser.Next(frame));
        QVERIFY(parser.HasPartial());
        parser.DropPartial();
        QVERIFY(parser.Next(frame));
        QCOMPARE(frame, Sync());
        QVERIFY(!parser.HasPartial());
    }

    void wellFormed_data()
    {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<bool>("ok");
        QTest::newRow("sync") << Sync() << true;
        QTest::newRow("too short") << Bytes{87, 0, 5, 0, 1, 11} << false;
        QTest::newRow("length field off by one") << Bytes{87, 0, 7, 0, 1, 11, 7} << false;
        QTest::newRow("wrong start") << Bytes{86, 0, 6, 0, 1, 11, 7} << false;
        QTest::newRow("byte 3 set") << Bytes{87, 0, 6, 9, 1, 11, 7} << false;
        QTest::newRow("1025 bytes") << wire::MakeFrame(1, 11, 9, Bytes(1018, 0)) << false;
    }

    void wellFormed()
    {
        QFETCH(Bytes, frame);
        QFETCH(bool, ok);
        QCOMPARE(wire::IsWellFormed(frame.data(), frame.size()), ok);
    }
};

QTEST_GUILESS_MAIN(TestWireFrame)
#include "tst_wire_frame.moc"
