// Tests of loading and extending the vehicle and ECU catalogue.
#include "core/app_config.h"
#include "platform/profile.h"
#include "software/vehicle_catalogue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray ReadAll(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestVehicleCatalogue : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

    void WriteCatalogue(const QByteArray& text)
    {
        QFile::remove(QString::fromStdString(AppConfig.ecuCatalogPath));
        if (text.isNull())
            return;
        QFile file(QString::fromStdString(AppConfig.ecuCatalogPath));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    static QString Value(const char* section, const char* key)
    {
        QSettings settings(QString::fromStdString(AppConfig.ecuCatalogPath), QSettings::IniFormat);
        return settings.value(QString("%1/%2").arg(section, key)).toString();
    }

private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        AppConfig.ecuCatalogPath = dir_.filePath("ECU.INI").toStdString();
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("vehicles");
        QTest::addColumn<QStringList>("names");    // vehicle names, in order
        QTest::addColumn<QList<int>>("ecuCounts"); // per vehicle
        QTest::addColumn<QStringList>("firstEcu"); // display name and file of vehicle 0, ECU 0

        QTest::newRow("no file") << QByteArray() << 0 << QStringList() << QList<int>()
                                 << QStringList();
        QTest::newRow("nV 0") << QByteArray("[VEICOLI]\nnV=0\ncar0=PUNTO\n") << 0 << QStringList()
                              << QList<int>() << QStringList();
        QTest::newRow("nV negative") << QByteArray("[VEICOLI]\nnV=-4\ncar0=PUNTO\n") << 0
                                     << QStringList() << QList<int>() << QStringList();
        QTest::newRow("vehicle with negative nE")
            << QByteArray("[VEICOLI]\nnV=1\ncar0=PUNTO\n[PUNTO]\nnE=-3\necu0=A.B_1\n") << 1
            << QStringList{"PUNTO"} << QList<int>{0} << QStringList();
        QTest::newRow("vehicle with nE 0")
            << QByteArray("[VEICOLI]\nnV=1\ncar0=PUNTO\n[PUNTO]\nnE=0\necu0=A.B_1\n") << 1
            << QStringList{"PUNTO"} << QList<int>{0} << QStringList();
        QTest::newRow("two vehicles")
            << QByteArray(
                   "[VEICOLI]\nnV=2\ncar0=PUNTO\ncar1=DUCATO\n"
                   "[PUNTO]\nnE=1\necu0=ABS.BIN_100\nname0=ABS Bosch\n"
                   "[DUCATO]\nnE=2\necu0=E.BIN_1\nname0=Motore\necu1=F.BIN_2\nname1=Airbag\n")
            << 2 << QStringList{"PUNTO", "DUCATO"} << QList<int>{1, 2}
            << QStringList{"ABS Bosch", "ABS.BIN_100"};
        QTest::newRow("absent ECU keys show the sentinel")
            << QByteArray("[VEICOLI]\nnV=1\ncar0=PUNTO\n[PUNTO]\nnE=1\n") << 1
            << QStringList{"PUNTO"} << QList<int>{1} << QStringList{"()----()", "()----()"};
        QTest::newRow("absent and empty car keys count as empty vehicles")
            << QByteArray("[VEICOLI]\nnV=3\ncar1=\ncar2=PUNTO\n[PUNTO]\nnE=0\n") << 3
            << QStringList{"", "", "PUNTO"} << QList<int>{0, 0, 0} << QStringList();
        QTest::newRow("more than 30 ECUs cut to 30")
            << QByteArray("[VEICOLI]\nnV=1\ncar0=PUNTO\n[PUNTO]\nnE=256\necu0=A.B_1\nname0=A\n")
            << 1 << QStringList{"PUNTO"} << QList<int>{30} << QStringList{"A", "A.B_1"};
    }

    void load()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, vehicles);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, ecuCounts);
        QFETCH(QStringList, firstEcu);

        // A load before leaves different contents behind; none of it may survive.
        WriteCatalogue("[VEICOLI]\nnV=3\ncar0=OLD\ncar1=OLD\ncar2=OLD\n[OLD]\nnE=1\n");
        LoadVehicleCatalogue();
        WriteCatalogue(file);
        QCOMPARE(LoadVehicleCatalogue(), 1);
        QCOMPARE(VehicleCatalogue.vehicleCount, vehicles);
        for (int v = 0; v < names.size(); ++v) {
            QCOMPARE(QString::fromStdString(VehicleCatalogue.vehicles[v].name), names[v]);
            QCOMPARE(VehicleCatalogue.vehicles[v].ecuCount, ecuCounts[v]);
        }
        if (!firstEcu.isEmpty()) {
            QCOMPARE(QString::fromStdString(VehicleCatalogue.vehicles[0].ecus[0].name),
                     firstEcu[0]);
            QCOMPARE(QString::fromStdString(VehicleCatalogue.vehicles[0].ecus[0].fileName),
                     firstEcu[1]);
        }
    }

    void more_than_100_vehicles_cut_to_100()
    {
        QByteArray text = "[VEICOLI]\nnV=120\n";
        for (int i = 0; i < 120; ++i)
            text += "car" + QByteArray::number(i) + "=V" + QByteArray::number(i) + "\n";
        WriteCatalogue(text);
        LoadVehicleCatalogue();
        QCOMPARE(VehicleCatalogue.vehicleCount, 100);
        QCOMPARE(VehicleCatalogue.vehicles[99].name, std::string("V99"));
    }

    void read_numbered_keys_stops_at_first_absent_key_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("in order") << QByteArray("[S]\nk0=a\nk1=b\n") << QStringList{"a", "b"};
        QTest::newRow("gap") << QByteArray("[S]\nk0=a\nk2=c\n") << QStringList{"a"};
        QTest::newRow("empty value ends")
            << QByteArray("[S]\nk0=a\nk1=\nk2=c\n") << QStringList{"a"};
        QTest::newRow("exact names only") << QByteArray("[S]\nK0=a\n") << QStringList();
        QTest::newRow("no file") << QByteArray() << QStringList();
    }

    void read_numbered_keys_stops_at_first_absent_key()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, values);
        WriteCatalogue(file);
        StringList list = ReadNumberedKeys("S", "k", AppConfig.ecuCatalogPath.c_str());
        QStringList read;
        for (int i = 0; i < list.GetCount(); ++i)
            read << QString::fromStdString(list.GetAt(i));
        QCOMPARE(read, values);
    }

    void add_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("vehicle");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected"); // section/key=value pairs after the call

        QTest::newRow("first vehicle into no file")
            << QByteArray() << QByteArray("PUNTO") << QByteArray("ABS.BIN_100")
            << QStringList{"VEICOLI/nV=1", "VEICOLI/car0=PUNTO", "PUNTO/nE=1",
                           "PUNTO/ecu0=ABS.BIN_100", "PUNTO/name0=ABS"};
        QTest::newRow("new vehicle numbered by the car keys present")
            << QByteArray("[VEICOLI]\nnV=3\ncar0=A\ncar1=B\n") << QByteArray("C")
            << QByteArray("X.BIN_1")
            << QStringList{"VEICOLI/nV=3", "VEICOLI/car2=C", "VEICOLI/car1=B", "C/nE=1",
                           "C/ecu0=X.BIN_1"};
        QTest::newRow("new ECU numbered by nE")
            << QByteArray("[VEICOLI]\nnV=1\ncar0=A\n[A]\nnE=2\necu0=E0\necu1=E1\necu2=E2\n"
                          "ecu3=E3\necu4=E4\nname2=old\n")
            << QByteArray("A") << QByteArray("NEW.BIN_1")
            << QStringList{"VEICOLI/nV=1", "A/nE=3", "A/ecu2=NEW.BIN_1", "A/name2=ABS",
                           "A/ecu3=E3"};
        QTest::newRow("negative nE counts as none")
            << QByteArray("[VEICOLI]\nnV=1\ncar0=A\n[A]\nnE=-2\n") << QByteArray("A")
            << QByteArray("NEW.BIN_1") << QStringList{"A/nE=1", "A/ecu0=NEW.BIN_1", "A/name0=ABS"};
        QTest::newRow("vehicle name in other case uses the catalogue's spelling")
            << QByteArray("[VEICOLI]\nnV=1\ncar0=Punto\n[Punto]\nnE=1\necu0=E0\n")
            << QByteArray("PUNTO") << QByteArray("E1")
            << QStringList{"VEICOLI/nV=1", "Punto/nE=2", "Punto/ecu1=E1"};
    }

    void add()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, vehicle);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        WriteCatalogue(before);
        QVERIFY(AddEcuSoftware(AppConfig.ecuCatalogPath, vehicle.constData(), file.constData(), "ABS"));
        for (const QString& pair : expected) {
            QString key = pair.section('=', 0, 0);
            QCOMPARE(Value(key.section('/', 0, 0).toUtf8(), key.section('/', 1).toUtf8()),
                     pair.section('=', 1));
        }
    }

    void known_software_in_other_case_changes_nothing()
    {
        QByteArray text =
            "[VEICOLI]\nnV=1\ncar0=PUNTO\n[PUNTO]\nnE=1\necu0=ABS.BIN_100\nname0=ABS\n";
        WriteCatalogue(text);
        QVERIFY(AddEcuSoftware(AppConfig.ecuCatalogPath, "punto", "abs.bin_100", "Another name"));
        QCOMPARE(ReadAll(AppConfig.ecuCatalogPath), text);
    }

    // A failure at any byte of the write leaves the catalogue as it was, so that a retry adds
    // the ECU whole; the write that succeeds adds all keys at once.
    void add_is_all_or_nothing()
    {
        const QByteArray before = "[VEICOLI]\r\nnV=1\r\ncar0=A\r\n[A]\r\nnE=1\r\necu0=E0\r\n";
        WriteCatalogue(before);
        for (long long fail = 0;; ++fail) {
            platform::setProfileWriteFailAfter(fail);
            bool ok = AddEcuSoftware(AppConfig.ecuCatalogPath, "B", "NEW.BIN_1", "New");
            platform::setProfileWriteFailAfter(-1);
            if (ok)
                break;
            QCOMPARE(ReadAll(AppConfig.ecuCatalogPath), before);
        }
        for (const char* pair : {"VEICOLI/nV=2", "VEICOLI/car1=B", "B/nE=1", "B/ecu0=NEW.BIN_1",
                                 "B/name0=New"}) {
            QString key = QString(pair).section('=', 0, 0);
            QCOMPARE(Value(key.section('/', 0, 0).toUtf8(), key.section('/', 1).toUtf8()),
                     QString(pair).section('=', 1));
        }
    }

    void write_failure_reported()
    {
        AppConfig.ecuCatalogPath = dir_.filePath("missing/ECU.INI").toStdString();
        QVERIFY(!AddEcuSoftware(AppConfig.ecuCatalogPath, "PUNTO", "ABS.BIN_100", "ABS"));
    }
};

QTEST_GUILESS_MAIN(TestVehicleCatalogue)
#include "tst_vehicle_catalogue.moc"
