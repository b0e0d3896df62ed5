// Tests of grouping the tester's files into software and rows.
#include "software/tester_file_table.h"

#include <QtTest>

class TestTesterFileTable : public QObject
{
    Q_OBJECT

private slots:
    void grouping_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("incomplete"); // file indices the purge deletes

        const QString tail = " VER. 01.00 DEL 07/12/2024";
        QTest::newRow("whole file")
            << QStringList{"ABS.BIN_100"} << QStringList{"ABS.BIN_100" + tail} << QList<int>{};
        QTest::newRow("complete split software, one row for the whole")
            << QStringList{"ABS&&1-3.BIN_98304", "ABS&&2-3.BIN_98304", "ABS&&3-3.BIN_3392"}
            << QStringList{"ABS.BIN_200000" + tail} << QList<int>{};
        QTest::newRow("parts in any order")
            << QStringList{"ABS&&3-3.BIN_3392", "X.B_1", "ABS&&1-3.BIN_98304",
                           "ABS&&2-3.BIN_98304"}
            << QStringList{"X.B_1" + tail, "ABS.BIN_200000" + tail} << QList<int>{};
        QTest::newRow("one part of one")
            << QStringList{"E&&1-1.HEX_98304"} << QStringList{"E.HEX_98304" + tail}
            << QList<int>{};
        QTest::newRow("missing part")
            << QStringList{"ABS&&1-3.BIN_98304", "OK.B_5", "ABS&&3-3.BIN_3392"}
            << QStringList{"OK.B_5" + tail} << QList<int>{0, 2};
        // The design read the count after the first "-" of the name: "EVO" is no figure, so
        // such software never completed and the purge deleted it after every listing.
        QTest::newRow("dash in the name")
            << QStringList{"ABS-EVO&&1-2.BIN_98304", "ABS-EVO&&2-2.BIN_1"}
            << QStringList{"ABS-EVO.BIN_98305" + tail} << QList<int>{};
        QTest::newRow("a part name that does not read is a whole file")
            << QStringList{"ABS&&x-3.BIN_1"} << QStringList{"ABS&&x-3.BIN_1" + tail}
            << QList<int>{};
        QTest::newRow("same name, other part counts are other software")
            << QStringList{"A&&1-2.B_98304", "A&&1-3.B_98304", "A&&2-2.B_1"}
            << QStringList{"A.B_98305" + tail} << QList<int>{1};
        QTest::newRow("one part twice does not complete")
            << QStringList{"A&&1-2.B_98304", "A&&1-2.B_98305"} << QStringList{}
            << QList<int>{0, 1};
    }
    void grouping()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, incomplete);
        TesterFileTable table;
        for (const QString& name : names)
            table.Add(name.toStdString(), "01.00", "07/12/2024");
        QStringList shown;
        for (const TesterListRow& row : table.Rows())
            shown << QString::fromStdString(row.text);
        QCOMPARE(shown, rows);
        const std::vector<int> files = table.IncompleteFiles();
        QCOMPARE(QList<int>(files.begin(), files.end()), incomplete);
        QCOMPARE(int(table.Files().size()), names.size());
    }

    // A row stands for every file of its software, so deleting the row deletes them all.
    void rowHoldsAllFilesOfItsSoftware()
    {
        TesterFileTable table;
        table.Add("X.B_1", "01.00", "01/01/2024");
        table.Add("ABS&&2-2.BIN_1", "01.00", "01/01/2024");
        QCOMPARE(table.Add("ABS&&1-2.BIN_98304", "01.00", "01/01/2024"), 1);
        QCOMPARE(table.Rows()[1].files, (std::vector<int>{1, 2}));
        QCOMPARE(table.FindGroup("ABS")->expectedParts, 2);
        QVERIFY(!table.FindGroup("abs"));
    }

    void longNameIsCut()
    {
        TesterFileTable table;
        table.Add(std::string(400, 'N'), "01.00", "01/01/2024");
        QCOMPARE(table.Files()[0].name.size(), TesterFileTable::kMaxNameLength);
        QVERIFY(table.Groups()[0].name.size() <= TesterFileTable::kMaxGroupText);
    }

    void fullTableTakesNoMore()
    {
        TesterFileTable table;
        for (int i = 0; i < 31; ++i)
            table.Add("F" + std::to_string(i) + ".B_1", "01.00", "01/01/2024");
        QCOMPARE(int(table.Files().size()), TesterFileTable::kMaxFiles);
    }
};

QTEST_GUILESS_MAIN(TestTesterFileTable)
#include "tst_tester_file_table.moc"
