// Tests of the expanding file copy and the path parts.
#include "core/plain_box.h"
#include "software/file_tools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// ecu_sample.bin.szdd was made from ecu_sample.bin with Debian's mscompress.
QString Sample(const char* name)
{
    return QStringLiteral(ZOLT_SOURCE_DIR "/software/tests/data/") + QLatin1String(name);
}

} // namespace

class TestFileTools : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::vector<std::string> boxes_;

    QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }
    // With `showErrors`, an open failure is shown as the installation dialog shows it.
    int Copy(const QString& source, const QString& destination, bool showErrors = true)
    {
        ErrorReport failure;
        const int result = CFileTools::CopyFileExpanding(
            source.toUtf8().constData(), destination.toUtf8().constData(), &failure);
        if (showErrors && !failure.literal.empty())
            ShowSystemBox(failure.literalTitle, failure.literal, BoxIcon::Error);
        return result;
    }
    // Only the destination's own name may be left in the folder: no temporary files.
    QStringList Leftovers() const
    {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        for (const QString& name : Leftovers())
            QFile::remove(dir_.filePath(name));
        boxes_.clear();
        CFileTools::SetWriteFailAfter(-1);
        SetPlainBoxHook([this](const std::string& title, const std::string& text, BoxIcon icon) {
            QCOMPARE(icon, BoxIcon::Error);
            boxes_.push_back(title + "|" + text);
        });
    }

    void cleanup()
    {
        CFileTools::SetWriteFailAfter(-1);
        SetPlainBoxHook(nullptr);
    }

    void copies_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("expected");
        QByteArray sample = ReadAll(Sample("ecu_sample.bin"));
        QByteArray compressed = ReadAll(Sample("ecu_sample.bin.szdd"));
        QVERIFY(sample.size() == 4300 && compressed.startsWith("SZDD"));
        QTest::newRow("plain file byte for byte") << sample << sample;
        QTest::newRow("SZDD source expanded") << compressed << sample;
        QTest::newRow("empty file") << QByteArray() << QByteArray();
        QTest::newRow("SZDD signature cut short is plain")
            << QByteArray("SZDD\x88\xF0") << QByteArray("SZDD\x88\xF0");
        QByteArray large(300000, '\0');
        for (int i = 0; i < large.size(); ++i)
            large[i] = char(i * 7);
        QTest::newRow("larger than one buffer") << large << large;
    }

    void copies()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, expected);
        WriteAll(Path("SRC"), source);
        WriteAll(Path("ABS.BIN_4300"), "old contents are replaced");
        QCOMPARE(Copy(Path("SRC"), Path("ABS.BIN_4300")), CFileTools::kCopied);
        QCOMPARE(ReadAll(Path("ABS.BIN_4300")), expected);
        QCOMPARE(QFileInfo(Path("ABS.BIN_4300")).permissions() & QFile::ReadOther,
                 QFile::ReadOther);
        QCOMPARE(Leftovers(), QStringList({"ABS.BIN_4300", "SRC"}));
        QVERIFY(boxes_.empty());
    }

    void open_failures_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("box");
        QString in = QStringLiteral("ERRORE DI SISTEMA|Errore apertura in lettura del file: ");
        QString out = QStringLiteral("ERRORE DI SISTEMA|Errore apertura in scrittura del file: ");
        QString src = Path("SRC"), missing = Path("MISSING"), noFolder = Path("NO/FILE");
        QTest::newRow("source missing") << missing << Path("DEST") << -1 << in + missing;
        QTest::newRow("source is a folder")
            << dir_.path() + "/" << Path("DEST") << -1 << in + dir_.path() + "/";
        QTest::newRow("source is a device")
            << "/dev/null" << Path("DEST") << -1 << in + "/dev/null";
        QTest::newRow("destination folder missing") << src << noFolder << -2 << out + noFolder;
        QTest::newRow("destination is a folder") << src << dir_.path() << -2 << out + dir_.path();
    }

    void open_failures()
    {
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(int, result);
        QFETCH(QString, box);
        WriteAll(Path("SRC"), "data");
        QCOMPARE(Copy(source, destination), result);
        QCOMPARE(boxes_, std::vector<std::string>{box.toStdString()});
        QCOMPARE(Copy(source, destination, false), result);
        QCOMPARE(boxes_.size(), std::size_t(1));
        QCOMPARE(Leftovers(), QStringList{"SRC"});
    }

    // A copy that fails once both files are open must neither leave a partial file nor harm
    // the software already installed under that name.
    void failure_after_open_keeps_old_file_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("failAfter");
        QByteArray compressed = ReadAll(Sample("ecu_sample.bin.szdd"));
        QTest::newRow("write fails, plain") << QByteArray(5000, 'x') << 1000;
        QTest::newRow("write fails, SZDD") << compressed << 1000;
        QTest::newRow("SZDD source cut short") << compressed.left(compressed.size() / 2) << -1;
        QTest::newRow("SZDD header only") << compressed.left(14) << -1;
    }

    void failure_after_open_keeps_old_file()
    {
        QFETCH(QByteArray, source);
        QFETCH(int, failAfter);
        WriteAll(Path("SRC"), source);
        WriteAll(Path("DEST"), "good old software");
        CFileTools::SetWriteFailAfter(failAfter);
        QCOMPARE(Copy(Path("SRC"), Path("DEST")), CFileTools::kCopyFailed);
        QCOMPARE(ReadAll(Path("DEST")), QByteArray("good old software"));
        QCOMPARE(Leftovers(), QStringList({"DEST", "SRC"}));
    }

    void source_and_destination_the_same_file()
    {
        WriteAll(Path("ABS.BIN_4"), "abcd");
        QCOMPARE(Copy(Path("ABS.BIN_4"), Path("ABS.BIN_4")), CFileTools::kCopied);
        QCOMPARE(ReadAll(Path("ABS.BIN_4")), QByteArray("abcd"));
    }

    void path_parts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("file in folder") << "/home/u/ABS.INSTALL"
                                        << "/home/u"
                                        << "ABS.INSTALL";
        QTest::newRow("file of the root") << "/ABS.INSTALL"
                                          << "/"
                                          << "ABS.INSTALL";
        QTest::newRow("trailing slash not counted") << "/home/u/"
                                                    << "/home"
                                                    << "u/";
        QTest::newRow("no slash") << "ABS.INSTALL"
                                  << ""
                                  << "ABS.INSTALL";
        QTest::newRow("relative") << "new/ABS"
                                  << "new"
                                  << "ABS";
        QTest::newRow("root itself") << "/"
                                     << ""
                                     << "/";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
    }

    void path_parts()
    {
        QFETCH(QString, path);
        QFETCH(QString, directory);
        QFETCH(QString, fileName);
        QCOMPARE(QString::fromStdString(CFileTools::GetDirectoryPart(path.toStdString())),
                 directory);
        QCOMPARE(QString::fromStdString(CFileTools::GetFileNamePart(path.toStdString())), fileName);
    }
};

QTEST_GUILESS_MAIN(TestFileTools)
#include "tst_file_tools.moc"
