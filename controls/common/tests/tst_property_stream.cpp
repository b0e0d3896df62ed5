// Tests of the property stream: every length form of a string, little-endian values, the base
// block, and streams cut short or built to mislead.
#include "controls/common/property_stream.h"

#include <QTest>

namespace {

// One property of every kind, as a control's table lists them.
const QList<PropSpec> kSpecs = {
    {"Text", PropKind::String, 0, "abc"},  {"Style", PropKind::Short, -2, nullptr},
    {"Flag", PropKind::Bool, 1, nullptr},  {"Size", PropKind::Long, 12, nullptr},
    {"Mask", PropKind::ULong, 0x80000001, nullptr}, {"Tint", PropKind::Color, 0xFF0000, nullptr},
};

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// Version, extent 0x10 x 0x20, mask with the caption only, caption "C".
const QByteArray kBase = Hex("00000100" "10000000" "20000000" "02000000" "0143");
const QByteArray kDefaults = Hex("03616263" "feff" "01" "0c000000" "01000080" "0000ff00");

} // namespace

class TestPropertyStream : public QObject
{
    Q_OBJECT

private slots:
    void defaultsRoundTrip()
    {
        StockBlock stock;
        stock.extentX = 0x10;
        stock.extentY = 0x20;
        stock.mask = StockProp::Caption;
        stock.caption = "C";
        const QByteArray bytes = WritePropertyStream(stock, kSpecs, DefaultValues(kSpecs));
        QCOMPARE(bytes, kBase + kDefaults);

        StockBlock back;
        PropValues values;
        QVERIFY(ReadPropertyStream(bytes, kSpecs, back, values));
        QCOMPARE(values, DefaultValues(kSpecs));
        QCOMPARE(back.caption, QByteArray("C"));
        QCOMPARE(WritePropertyStream(back, kSpecs, values), bytes);
    }

    void stringForms_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("0") << 0 << Hex("00");
        QTest::newRow("254") << 254 << Hex("fe");
        QTest::newRow("255") << 255 << Hex("ffff00");
        QTest::newRow("65533") << 65533 << Hex("fffdff");
        QTest::newRow("65534") << 65534 << Hex("ffffff" "feff0000");
    }

    void stringForms()
    {
        QFETCH(int, length);
        QFETCH(QByteArray, prefix);
        const QByteArray text(length, 'x');
        CPropStreamWriter out;
        out.WriteString(text);
        QCOMPARE(out.Data(), prefix + text);

        CPropStreamReader in(out.Data());
        QByteArray back;
        QVERIFY(in.ReadString(back));
        QCOMPARE(back, text);
        QCOMPARE(in.Position(), out.Data().size());
    }

    // Every proper prefix of a valid stream fails and leaves the values as they were.
    void truncatedAtEveryByte()
    {
        const QByteArray whole = kBase + kDefaults;
        for (qsizetype n = 0; n < whole.size(); ++n) {
            StockBlock stock;
            stock.caption = "kept";
            PropValues values{QVariant(7)};
            QString error;
            QVERIFY2(!ReadPropertyStream(whole.first(n), kSpecs, stock, values, &error),
                     qPrintable(QString::number(n)));
            QVERIFY(!error.isEmpty());
            QCOMPARE(stock.caption, QByteArray("kept"));
            QCOMPARE(values, PropValues{QVariant(7)});
        }
    }

    void hostile_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("string claims 4 GiB") << Hex("00000100" "00000000" "00000000" "02000000"
                                                   "ffffffffffffff" "41");
        QTest::newRow("reserved 0xFFFE length") << Hex("00000100" "00000000" "00000000"
                                                       "02000000" "fffeff" "41");
        QTest::newRow("font in the base block") << Hex("00000100" "00000000" "00000000"
                                                       "04000000") + kDefaults;
        QTest::newRow("unknown stock bit") << Hex("00000100" "00000000" "00000000" "00010000") +
                                                  kDefaults;
    }

    void hostile()
    {
        QFETCH(QByteArray, data);
        StockBlock stock;
        PropValues values;
        QVERIFY(!ReadPropertyStream(data, kSpecs, stock, values));
        QVERIFY(values.isEmpty());
    }

    // Stock values the control does not have are skipped by size; bytes after the last property
    // are not read.
    void otherStockValuesAndTrailingBytes()
    {
        const QByteArray data = Hex("00000100" "00000000" "00000000" "4b000000" "0143"
                                    "11111111" "22222222" "00") +
                                kDefaults + Hex("deadbeef");
        StockBlock stock;
        PropValues values;
        QVERIFY(ReadPropertyStream(data, kSpecs, stock, values));
        QCOMPARE(stock.foreColor, 0x11111111u);
        QCOMPARE(stock.backColor, 0x22222222u);
        QVERIFY(!stock.enabled);
        QCOMPARE(values, DefaultValues(kSpecs));
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray(" TESTER") << " TESTER";
        QTest::newRow("utf-8") << QByteArray("Propriet\xc3\xa0") << QString::fromUtf8("Proprietà");
        QTest::newRow("windows-1252") << QByteArray("Propriet\xe0 \x80") << QString::fromUtf8("Proprietà €");
    }

    void text()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(DecodeText(bytes), text);
    }
};

QTEST_MAIN(TestPropertyStream)
#include "tst_property_stream.moc"
