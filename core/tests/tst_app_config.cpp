// Tests of the settings read at start-up.
#include "core/app_config.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

class TestAppConfig : public QObject
{
    Q_OBJECT

private slots:
    // No installed data stands in for the working directory's files.
    void initTestCase() { qputenv("ZOLT_SHARE_DIR", "/nonexistent"); }

    void load_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("port");
        QTest::newRow("no profile") << QByteArray() << 0 << 1;
        QTest::newRow("english on COM3")
            << QByteArray("[CONFIGURAZIONE]\nlingua=ING\nporta_com=COM3\n") << 1 << 3;
        QTest::newRow("every code")
            << QByteArray("[CONFIGURAZIONE]\nlingua=GRE\nporta_com=COM6\n") << 5 << 6;
        QTest::newRow("german") << QByteArray("[CONFIGURAZIONE]\nlingua=TED\n") << 3 << 1;
        QTest::newRow("spanish") << QByteArray("[CONFIGURAZIONE]\nlingua=SPA\n") << 4 << 1;
        QTest::newRow("french") << QByteArray("[CONFIGURAZIONE]\nlingua=FRA\n") << 2 << 1;
        QTest::newRow("lower case code is not recognised")
            << QByteArray("[CONFIGURAZIONE]\nlingua=ing\n") << 0 << 1;
        QTest::newRow("COM7 is out of range")
            << QByteArray("[CONFIGURAZIONE]\nporta_com=COM7\n") << 0 << 1;
        QTest::newRow("COM0 is out of range")
            << QByteArray("[CONFIGURAZIONE]\nporta_com=COM0\n") << 0 << 1;
        QTest::newRow("COM10 is no port")
            << QByteArray("[CONFIGURAZIONE]\nporta_com=COM10\n") << 0 << 1;
        QTest::newRow("empty values")
            << QByteArray("[CONFIGURAZIONE]\nlingua=\nporta_com=\n") << 0 << 1;
        QTest::newRow("section of another name")
            << QByteArray("[CONFIG]\nlingua=ING\nporta_com=COM2\n") << 0 << 1;
    }

    void load()
    {
        QFETCH(QByteArray, profile);
        QFETCH(int, language);
        QFETCH(int, port);
        QTemporaryDir dir;
        if (!profile.isNull())
            std::ofstream(dir.filePath("VELANTO.INI").toStdString()) << profile.toStdString();
        AppConfig.language = 3;
        AppConfig.comPort = 4;
        QCOMPARE(LoadConfiguration(dir.path().toStdString()), 1);
        QCOMPARE(int(AppConfig.language), language);
        QCOMPARE(int(AppConfig.comPort), port);
        const std::string base = dir.path().toStdString();
        QCOMPARE(AppConfig.profilePath, base + "/VELANTO.INI");
        QCOMPARE(AppConfig.ecuCatalogPath, base + "/ECU.INI");
        QCOMPARE(AppConfig.logoPath, base + "/LOGO.BMP");
        QCOMPARE(AppConfig.splashPath, base + "/LOGOINIT.BMP");
        QCOMPARE(AppConfig.textsPath, base + "/SWBASE.TXT");
    }
};

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_app_config.moc"
