// Tests of the help archive reader on the help files built from data/help, on damaged files and
// on hand-made system files and tables of contents.
#include "built_help_files.h"
#include "platform/chm_archive.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// A "#SYSTEM" record: code, length, value.
QByteArray Record(quint16 code, const QByteArray& value)
{
    QByteArray r;
    r.append(char(code & 0xFF)).append(char(code >> 8));
    r.append(char(value.size() & 0xFF)).append(char(value.size() >> 8));
    return r + value;
}

const QByteArray kVersion("\x03\x00\x00\x00", 4);

} // namespace

class TestChmArchive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void builtFilesOpen_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("language"); // primary language of the Windows language id
        QTest::newRow("ITA") << "ITA" << 0x10;
        QTest::newRow("ING") << "ING" << 0x09;
        QTest::newRow("FRA") << "FRA" << 0x0C;
        QTest::newRow("TED") << "TED" << 0x07;
        QTest::newRow("SPA") << "SPA" << 0x0A;
    }
    void builtFilesOpen()
    {
        REQUIRE_HELP_FILES();
        QFETCH(QString, code);
        QFETCH(int, language);
        ChmArchive archive;
        QVERIFY(archive.Open(HelpFile(code)));
        QCOMPARE(archive.status(), ChmArchive::Status::Ok);
        const ChmSystemInfo& info = archive.SystemInfo();
        QCOMPARE(info.defaultTopic, QStringLiteral("/html/introduzione.html"));
        QVERIFY(!info.title.isEmpty());
        QCOMPARE(int(info.lcid & 0x3FF), language);
        QVERIFY(archive.Contains(info.contentsFile));
        QVERIFY(archive.Contains("/help.css"));
        // The contents list every topic once.
        QStringList locals;
        for (const ChmContentsEntry& entry : archive.Contents()) {
            if (!entry.local.isEmpty())
                locals << NormalizeChmPath(entry.local);
        }
        QStringList expected = kTopics;
        expected.sort();
        locals.sort();
        QCOMPARE(locals, expected);
    }

    // Every topic of every language is in its file, titled, and written in that language.
    void topics_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("lang");
        const QStringList langs = {"it", "en", "fr", "de", "es"};
        for (int i = 0; i < kLanguages.size(); ++i) {
            for (const QString& topic : kTopics) {
                const QString name = kLanguages[i] + " " + topic.section('/', -1);
                QTest::newRow(qPrintable(name)) << kLanguages[i] << topic << langs[i];
            }
        }
    }
    void topics()
    {
        REQUIRE_HELP_FILES();
        QFETCH(QString, code);
        QFETCH(QString, topic);
        QFETCH(QString, lang);
        ChmArchive archive;
        QVERIFY(archive.Open(HelpFile(code)));
        const auto page = archive.Read(topic);
        QVERIFY(page.has_value());
        const QString html = QString::fromUtf8(*page);
        QVERIFY(html.contains(QStringLiteral("<html lang=\"%1\">").arg(lang)));
        const auto title = QRegularExpression("<title>([^<]+)</title>").match(html);
        QVERIFY(title.hasMatch());
        QVERIFY(!title.captured(1).trimmed().isEmpty());
    }

    void pathForms_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::newRow("absolute") << "/html/introduzione.html" << true;
        QTest::newRow("without leading slash") << "html/introduzione.html" << true;
        QTest::newRow("other case") << "/HTML/Introduzione.HTML" << true;
        QTest::newRow("dot segments") << "/./html//x/../introduzione.html" << true;
        QTest::newRow("backslashes") << "\\html\\introduzione.html" << true;
        QTest::newRow("above the root") << "/../../html/introduzione.html" << true;
        QTest::newRow("folder") << "/html/" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("other file") << "/html/nessuna.html" << false;
        QTest::newRow("file name only") << "introduzione.html" << false;
    }
    void pathForms()
    {
        REQUIRE_HELP_FILES();
        QFETCH(QString, path);
        QFETCH(bool, found);
        ChmArchive archive;
        QVERIFY(archive.Open(HelpFile("ITA")));
        QCOMPARE(archive.Contains(path), found);
        QCOMPARE(archive.Read(path).has_value(), found);
    }

    void missingFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("no such file") << QStringLiteral(ZOLT_BINARY_DIR "/data/NESSUNO.CHM");
        QTest::newRow("folder") << QStringLiteral(ZOLT_BINARY_DIR);
        QTest::newRow("empty path") << QString();
    }
    void missingFile()
    {
        QFETCH(QString, path);
        ChmArchive archive;
        QVERIFY(!archive.Open(path));
        QCOMPARE(archive.status(), ChmArchive::Status::Missing);
        QVERIFY(!archive.Read("/#SYSTEM").has_value());
        QVERIFY(archive.Files().isEmpty());
    }

    // Damage that no reader can get past: the file must fail to open, never crash.
    void damagedFile_data()
    {
        QTest::addColumn<QByteArray>("data");
        REQUIRE_HELP_FILES();
        const QByteArray good = ReadAll(HelpFile("ING"));
        QByteArray noSignature = good;
        noSignature.replace(0, 4, "XXXX");
        QByteArray noDirectory = good;
        for (qsizetype i = 0x78; i < std::min<qsizetype>(good.size(), 0x2000); ++i)
            noDirectory[i] = char(0xFF);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("This is not a help file.\n");
        QTest::newRow("first 100 bytes") << good.left(100);
        QTest::newRow("first half") << good.left(good.size() / 2);
        QTest::newRow("signature overwritten") << noSignature;
        QTest::newRow("directory overwritten") << noDirectory;
        // Found by fuzzing: a header that makes chmlib ask for a 4 GB block.
        QTest::newRow("header claiming 4 GB") << QByteArray::fromBase64(
            "SVRTRgMAAABgAAAA/////wQ4nkjz+///7/0BfKp70BGeDACgySLm7BD9AXyqe9ARngwAoMki5uxgAAAAAAAA"
            "ABgAAAAAAAAAeAAAAAAAAABUEAAAAAAAAMwQAAAAAAAA/gEAAAAAAAAUTwAAAAAAAAAAAAAAAAAASVRTUAEA"
            "AABUAAAACgAAAAAQ////////////////////////AAAAAAAAAAD/////AQAAAAwEAABq//////////9JPjxP"
            "QkpFQ1QgdHlwZT0idGV4dC9zaXRlbWFwIj4KCQk8cGFyYW0gbmFtRT0iTmFtZSIAAAAAAAAAAAAAAAAAAAAA"
            "IA==");
    }
    void damagedFile()
    {
        QFETCH(QByteArray, data);
        const QString path = dir_.filePath("damaged.chm");
        QVERIFY(WriteAll(path, data));
        ChmArchive archive;
        QVERIFY(!archive.Open(path));
        QCOMPARE(archive.status(), ChmArchive::Status::Corrupt);
        QVERIFY(archive.Files().isEmpty());
    }

    // chmlib itself crashes on many slightly damaged files (in its decompressor and on a division
    // by zero in its header code); the reader must survive every one of them.
    void randomDamageNeverCrashes()
    {
        REQUIRE_HELP_FILES();
        const QByteArray good = ReadAll(HelpFile("ING"));
        QRandomGenerator random(20240611);
        const QString path = dir_.filePath("mutated.chm");
        int opened = 0;
        for (int round = 0; round < 150; ++round) {
            QByteArray data = good;
            const int changes = 1 + int(random.bounded(8));
            for (int i = 0; i < changes; ++i) {
                const qsizetype at = random.bounded(int(data.size()));
                switch (random.bounded(3)) {
                case 0:
                    data[at] = char(random.bounded(256));
                    break;
                case 1:
                    data[at] = char(0xFF);
                    break;
                default:
                    data[at] = char(data[at] ^ (1 << random.bounded(8)));
                }
            }
            QVERIFY(WriteAll(path, data));
            ChmArchive archive;
            if (archive.Open(path)) {
                ++opened;
                archive.Contents();
                archive.Read(archive.SystemInfo().defaultTopic);
            } else {
                QCOMPARE(archive.status(), ChmArchive::Status::Corrupt);
            }
        }
        qInfo("%d of 150 damaged files still opened", opened);
    }

    void limits()
    {
        REQUIRE_HELP_FILES();
        ChmArchive archive;
        ChmLimits small;
        small.maxObjectBytes = 1000; // every page is larger
        QVERIFY(!archive.Open(HelpFile("ING"), small));
        ChmLimits few;
        few.maxObjects = 3;
        QVERIFY(!archive.Open(HelpFile("ING"), few));
        QVERIFY(archive.Open(HelpFile("ING")));
    }

    void reopenForgetsThePreviousFile()
    {
        REQUIRE_HELP_FILES();
        ChmArchive archive;
        QVERIFY(archive.Open(HelpFile("ITA")));
        QVERIFY(!archive.Open(QStringLiteral(ZOLT_BINARY_DIR "/data/NESSUNO.CHM")));
        QVERIFY(!archive.Contains("/html/introduzione.html"));
        QVERIFY(archive.SystemInfo().title.isEmpty());
    }

    void systemFile_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("title");
        QTest::addColumn<uint>("lcid");
        const QByteArray lcid = QByteArray("\x10\x04\x00\x00", 4) + QByteArray(32, '\0');
        QTest::newRow("empty") << QByteArray() << ""
                               << "" << 0u;
        QTest::newRow("version only") << kVersion << ""
                                      << "" << 0u;
        QTest::newRow("all fields") << kVersion + Record(2, QByteArray("html/a.html\0", 12)) +
                                           Record(3, QByteArray("Guida\0", 6)) + Record(4, lcid)
                                    << "/html/a.html"
                                    << "Guida" << 0x410u;
        QTest::newRow("text without terminator") << kVersion + Record(3, "Guida") << ""
                                                 << "Guida" << 0u;
        QTest::newRow("Windows-1252 title") << kVersion + Record(3, "Aide r\xe9sum\xe9") << ""
                                            << "Aide résumé" << 0u;
        QTest::newRow("short language record") << kVersion + Record(4, "\x10\x04") << ""
                                               << "" << 0u;
        QByteArray overlong = kVersion + Record(3, "Guida");
        overlong += Record(2, "html/a.html");
        overlong[overlong.size() - 12] = char(0x7F); // the topic record claims more than follows
        QTest::newRow("record past the end keeps what came before") << overlong << ""
                                                                    << "Guida" << 0u;
        QTest::newRow("half a record header") << kVersion + QByteArray("\x02\x00", 2) << ""
                                              << "" << 0u;
    }
    void systemFile()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, topic);
        QFETCH(QString, title);
        QFETCH(uint, lcid);
        const ChmSystemInfo info = ParseChmSystem(data);
        QCOMPARE(info.defaultTopic, topic);
        QCOMPARE(info.title, title);
        QCOMPARE(info.lcid, lcid);
    }

    void contentsFile_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("expected"); // depth:name:local per entry
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("nested")
            << QByteArray(
                   "<UL>\n"
                   "  <LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A\"><param "
                   "name=\"Local\" value=\"a.html\"></OBJECT>\n"
                   "  <UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" "
                   "value=\"B\"><param name=\"Local\" value=\"html/b.html#x\"></OBJECT></UL>\n"
                   "  <LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" "
                   "value=\"Heading\"></OBJECT>\n"
                   "</UL>")
            << QStringList{"0:A:a.html", "1:B:html/b.html#x", "0:Heading:"};
        QTest::newRow("site properties are no entry")
            << QByteArray("<OBJECT type=\"text/site properties\"><param name=\"Name\" "
                          "value=\"X\"></OBJECT>\n"
                          "<ul><li><object type='text/sitemap'><param name='name' value='Lower "
                          "case'><param name='local' value='l.html'></object></ul>")
            << QStringList{"0:Lower case:l.html"};
        QTest::newRow("entities and Windows-1252")
            << QByteArray("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" "
                          "value=\"Installation d&#39;un logiciel &amp; r\xe9glages\"><param "
                          "name=\"Local\" value=\"i.html\"></OBJECT></UL>")
            << QStringList{"0:Installation d'un logiciel & réglages:i.html"};
        QTest::newRow("unclosed object is dropped")
            << QByteArray("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A\">")
            << QStringList();
        QTest::newRow("closing lists never go below the top")
            << QByteArray("</UL></UL><OBJECT type=\"text/sitemap\"><param name=\"Name\" "
                          "value=\"A\"></OBJECT>")
            << QStringList{"0:A:"};
    }
    void contentsFile()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, expected);
        QStringList got;
        for (const ChmContentsEntry& e : ParseChmContents(data))
            got << QStringLiteral("%1:%2:%3").arg(e.depth).arg(e.name, e.local);
        QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(TestChmArchive)
#include "tst_chm_archive.moc"
