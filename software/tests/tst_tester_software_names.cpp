// Tests of reading software file names and building and reading part names.
#include "software/tester_software_names.h"

#include <QtTest>

class TestTesterSoftwareNames : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("middle");
        QTest::addColumn<qlonglong>("size");
        QTest::addColumn<bool>("sized");
        QTest::newRow("plain") << "ABS.BIN_200000" << "ABS" << ".BIN_" << 200000LL << true;
        QTest::newRow("two dots") << "ABS.V2.BIN_10" << "ABS" << ".V2.BIN_" << 10LL << true;
        QTest::newRow("underscore in ext") << "A.B_C_77" << "A" << ".B_C_" << 77LL << true;
        QTest::newRow("dash in base") << "ABS-EVO.BIN_5" << "ABS-EVO" << ".BIN_" << 5LL << true;
        QTest::newRow("no underscore") << "ABS.BIN" << "ABS" << ".BIN" << 0LL << false;
        QTest::newRow("no dot") << "ABS_300" << "ABS" << "_" << 300LL << true;
        QTest::newRow("size not a number") << "ABS.BIN_12x" << "ABS" << ".BIN_" << 0LL << false;
        QTest::newRow("underscore before dot") << "A_1.BIN" << "A_1" << ".BIN" << 0LL << false;
        QTest::newRow("empty size") << "ABS.BIN_" << "ABS" << ".BIN_" << 0LL << false;
    }
    void parse()
    {
        QFETCH(QString, name);
        const SoftwareName n = ParseSoftwareName(name.toStdString());
        QTEST(QString::fromStdString(n.base), "base");
        QTEST(QString::fromStdString(n.middle), "middle");
        QTEST(qlonglong(n.size), "size");
        QTEST(n.sized, "sized");
    }

    void split_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("three parts")
            << "ABS.BIN_200000"
            << QStringList{"ABS&&1-3.BIN_98304", "ABS&&2-3.BIN_98304", "ABS&&3-3.BIN_3392"};
        QTest::newRow("exactly one part") << "ECU.HEX_98304" << QStringList{"ECU&&1-1.HEX_98304"};
        QTest::newRow("multiple of the part size")
            << "E.B_196608" << QStringList{"E&&1-2.B_98304", "E&&2-2.B_98304"};
        QTest::newRow("one byte over") << "E.B_98305" << QStringList{"E&&1-2.B_98304", "E&&2-2.B_1"};
    }
    void split()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, parts);
        const SoftwareName n = ParseSoftwareName(name.toStdString());
        const int count = BlockCount(n.size);
        QCOMPARE(count, parts.size());
        long long total = 0;
        for (int i = 1; i <= count; ++i) {
            const long long bytes = PartBytes(n.size, i, count);
            total += bytes;
            const std::string part = PartName(n, i, count, bytes);
            QCOMPARE(QString::fromStdString(part), parts[i - 1]);
            // What is written can be read back as the same part.
            const std::optional<PartMarker> m = ParsePartName(part);
            QVERIFY(m);
            QCOMPARE(m->base, n.base);
            QCOMPARE(m->index, i);
            QCOMPARE(m->count, count);
            QCOMPARE(m->bytes, bytes);
        }
        QCOMPARE(total, n.size);
    }

    void blockCount_data()
    {
        QTest::addColumn<qlonglong>("size");
        QTest::addColumn<int>("blocks");
        QTest::newRow("no size still takes a file") << 0LL << 1;
        QTest::newRow("one byte") << 1LL << 1;
        QTest::newRow("largest whole file") << 98303LL << 1;
        QTest::newRow("one part") << 98304LL << 1;
        QTest::newRow("two parts") << 98305LL << 2;
        QTest::newRow("nine parts") << 9 * 98304LL << 9;
        QTest::newRow("ten parts") << 9 * 98304LL + 1 << 10;
    }
    void blockCount()
    {
        QFETCH(qlonglong, size);
        QTEST(BlockCount(size), "blocks");
    }

    void partMarker_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("part");
        QTest::addColumn<QString>("base");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::newRow("part") << "ABS&&2-3.BIN_98304" << true << "ABS" << 2 << 3;
        // The count comes from the marker, not from the first "-" of the name.
        QTest::newRow("dash in base") << "ABS-EVO&&1-2.BIN_98304" << true << "ABS-EVO" << 1 << 2;
        QTest::newRow("ampersands in base") << "A&&B&&1-2.X_1" << true << "A&&B" << 1 << 2;
        // The marker follows BASE, so the last one is it: the parts of "X&&1-2.BIN_…".
        QTest::newRow("marker in base") << "X&&1-2&&2-2.BIN_5" << true << "X&&1-2" << 2 << 2;
        QTest::newRow("ten parts") << "A&&10-12.X_1" << true << "A" << 10 << 12;
        QTest::newRow("whole file") << "ABS.BIN_100" << false << "" << 0 << 0;
        QTest::newRow("single ampersand") << "R&D.BIN_100" << false << "" << 0 << 0;
        QTest::newRow("no count") << "ABS&&1.BIN_100" << false << "" << 0 << 0;
        QTest::newRow("letters for count") << "ABS&&1-x.BIN_100" << false << "" << 0 << 0;
        QTest::newRow("index above count") << "ABS&&4-3.BIN_100" << false << "" << 0 << 0;
        QTest::newRow("index zero") << "ABS&&0-3.BIN_100" << false << "" << 0 << 0;
        QTest::newRow("marker at the end") << "ABS&&" << false << "" << 0 << 0;
    }
    void partMarker()
    {
        QFETCH(QString, name);
        QFETCH(bool, part);
        const std::optional<PartMarker> m = ParsePartName(name.toStdString());
        QCOMPARE(m.has_value(), part);
        if (!m)
            return;
        QTEST(QString::fromStdString(m->base), "base");
        QTEST(m->index, "index");
        QTEST(m->count, "count");
    }

    void plainFileName_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("plain");
        QTest::newRow("software") << QByteArray("ABS.BIN_100") << true;
        QTest::newRow("blank inside") << QByteArray("A B.BIN_1") << true;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("dot dot") << QByteArray("..") << false;
        QTest::newRow("slash") << QByteArray("../ECU.INI") << false;
        QTest::newRow("backslash") << QByteArray("a\\b") << false;
        QTest::newRow("line feed") << QByteArray("A\n.BIN_1") << false;
        QTest::newRow("escape") << QByteArray("A\x1b[2J") << false;
        QTest::newRow("zero byte") << QByteArray("A\0B", 3) << false;
    }
    void plainFileName()
    {
        QFETCH(QByteArray, name);
        QTEST(IsPlainFileName(name.toStdString()), "plain");
    }
};

QTEST_GUILESS_MAIN(TestTesterSoftwareNames)
#include "tst_tester_software_names.moc"
