// Tests of the profile reader and the atomic profile writer.
#include "platform/profile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string readFile(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const QString& path, const std::string& data)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << data;
}

} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString path(const char* name = "test.ini") { return dir_.filePath(name); }

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray basic = "[CONFIGURAZIONE]\r\nlingua=ING\r\nporta_com=COM2\r\n";
        QTest::newRow("plain") << basic << QByteArray("CONFIGURAZIONE") << QByteArray("lingua")
                               << 200 << QByteArray("ING");
        QTest::newRow("section in other case") << basic << QByteArray("configurazione")
                                               << QByteArray("LINGUA") << 200 << QByteArray("ING");
        QTest::newRow("blanks trimmed") << QByteArray("[ S ]\n  k  =  v a l  \n") << QByteArray("s")
                                        << QByteArray("K") << 200 << QByteArray("v a l");
        QTest::newRow("quotes removed") << QByteArray("[S]\nk=\" x \"\n") << QByteArray("S")
                                        << QByteArray("k") << 200 << QByteArray(" x ");
        QTest::newRow("lone quote kept") << QByteArray("[S]\nk=\"x\n") << QByteArray("S")
                                         << QByteArray("k") << 200 << QByteArray("\"x");
        QTest::newRow("cut to size less one") << QByteArray("[S]\nk=abcdef\n") << QByteArray("S")
                                              << QByteArray("k") << 4 << QByteArray("abc");
        QTest::newRow("missing key gives default")
            << QByteArray("[S]\nother=1\n[T]\nk=2\n") << QByteArray("S") << QByteArray("k") << 200
            << QByteArray("DEF");
        QTest::newRow("missing section gives default")
            << basic << QByteArray("NONE") << QByteArray("lingua") << 200 << QByteArray("DEF");
        QTest::newRow("comment is no entry") << QByteArray("[S]\n;k=1\nk=2\n") << QByteArray("S")
                                             << QByteArray("k") << 200 << QByteArray("2");
        QTest::newRow("no final newline") << QByteArray("[S]\nk=last") << QByteArray("S")
                                          << QByteArray("k") << 200 << QByteArray("last");
        QTest::newRow("first of two keys") << QByteArray("[S]\nk=1\nk=2\n") << QByteArray("S")
                                           << QByteArray("k") << 200 << QByteArray("1");
        QTest::newRow("empty value") << QByteArray("[S]\nk=\n") << QByteArray("S")
                                     << QByteArray("k") << 200 << QByteArray("");
        QTest::newRow("NUL ends the value") << QByteArray("[S]\nk=ab\0cd\n", 12) << QByteArray("S")
                                            << QByteArray("k") << 200 << QByteArray("ab");
        QTest::newRow("latin-1 bytes become UTF-8")
            << QByteArray("[S]\ns1_ITA=citt\xe0\n") << QByteArray("S") << QByteArray("s1_ITA")
            << 200 << QByteArray("citt\xc3\xa0");
        QTest::newRow("greek code page for _GRE keys")
            << QByteArray("[S]\ns1_GRE=\xe1\xe2\n") << QByteArray("S") << QByteArray("s1_GRE")
            << 200 << QByteArray("\xce\xb1\xce\xb2");
        QTest::newRow("UTF-8 kept and never split")
            << QByteArray("[S]\nk=a\xce\xb1\xce\xb2\n") << QByteArray("S") << QByteArray("k") << 3
            << QByteArray("a");
        QTest::newRow("UTF-8 cut after a whole character")
            << QByteArray("[S]\nk=a\xce\xb1\xce\xb2\n") << QByteArray("S") << QByteArray("k") << 4
            << QByteArray("a\xce\xb1");
    }

    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(int, size);
        QFETCH(QByteArray, expected);
        writeFile(path(), file.toStdString());
        std::vector<char> out(size_t(size) + 8, 'X');
        unsigned n = GetPrivateProfileStringA(section.constData(), key.constData(), "DEF",
                                              out.data(), unsigned(size), path().toLocal8Bit());
        QCOMPARE(QByteArray(out.data()), expected);
        QCOMPARE(n, unsigned(expected.size()));
    }

    void missingFileGivesDefault()
    {
        char out[16];
        QCOMPARE(GetPrivateProfileStringA("S", "k", "dflt", out, sizeof out,
                                          path("absent.ini").toLocal8Bit()),
                 4u);
        QCOMPARE(QByteArray(out), QByteArray("dflt"));
    }

    void readInt_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<unsigned>("expected");
        QTest::newRow("decimal") << QByteArray("42") << 42u;
        QTest::newRow("trailing text") << QByteArray("7abc") << 7u;
        QTest::newRow("negative") << QByteArray("-3") << unsigned(-3);
        QTest::newRow("hex") << QByteArray("0x1F") << 31u;
        QTest::newRow("no digits") << QByteArray("abc") << 0u;
    }

    void readInt()
    {
        QFETCH(QByteArray, value);
        QFETCH(unsigned, expected);
        writeFile(path(), "[S]\nn=" + value.toStdString() + "\n");
        QCOMPARE(GetPrivateProfileIntA("S", "n", 99, path().toLocal8Bit()), expected);
        QCOMPARE(GetPrivateProfileIntA("S", "missing", 99, path().toLocal8Bit()), 99u);
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("new file") << QByteArray() << QByteArray("S") << QByteArray("k")
                                  << QByteArray("v") << QByteArray("[S]\nk=v\n");
        QTest::newRow("replace in place keeps CRLF and comments")
            << QByteArray("; top\r\n[S]\r\na=1\r\nk=old\r\nb=2\r\n") << QByteArray("s")
            << QByteArray("K") << QByteArray("new")
            << QByteArray("; top\r\n[S]\r\na=1\r\nK=new\r\nb=2\r\n");
        QTest::newRow("new key after last entry, before blank lines")
            << QByteArray("[S]\na=1\n\n[T]\nx=2\n") << QByteArray("S") << QByteArray("k")
            << QByteArray("v") << QByteArray("[S]\na=1\nk=v\n\n[T]\nx=2\n");
        QTest::newRow("new section appended to file without final newline")
            << QByteArray("[S]\na=1") << QByteArray("T") << QByteArray("k") << QByteArray("v")
            << QByteArray("[S]\na=1\n[T]\nk=v\n");
        QTest::newRow("new key in last section without final newline")
            << QByteArray("[S]\na=1") << QByteArray("S") << QByteArray("k") << QByteArray("v")
            << QByteArray("[S]\na=1\nk=v\n");
        QTest::newRow("null value removes the key")
            << QByteArray("[S]\na=1\nk=v\nb=2\n") << QByteArray("S") << QByteArray("k")
            << QByteArray() << QByteArray("[S]\na=1\nb=2\n");
        QTest::newRow("null key removes the section")
            << QByteArray("[S]\na=1\n[T]\nb=2\n") << QByteArray("S") << QByteArray() << QByteArray()
            << QByteArray("[T]\nb=2\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, after);
        QFile::remove(path());
        if (!before.isNull())
            writeFile(path(), before.toStdString());
        QVERIFY(WritePrivateProfileStringA(
            section.constData(), key.isNull() ? nullptr : key.constData(),
            value.isNull() ? nullptr : value.constData(), path().toLocal8Bit()));
        QCOMPARE(QByteArray::fromStdString(readFile(path())), after);
    }

    void writtenValueReadsBack()
    {
        QFile::remove(path());
        QVERIFY(WritePrivateProfileStringA("CONFIGURAZIONE", "dir_inst", "/media/usb/sw",
                                           path().toLocal8Bit()));
        char out[260];
        GetPrivateProfileStringA("CONFIGURAZIONE", "dir_inst", "", out, sizeof out,
                                 path().toLocal8Bit());
        QCOMPARE(QByteArray(out), QByteArray("/media/usb/sw"));
    }

    // A write that breaks off part-way must leave the old file exactly as it was, and no
    // temporary file behind.
    void failedWriteLeavesOldFile()
    {
        const std::string before = "[S]\r\nk=old\r\n; keep me\r\n";
        writeFile(path(), before);
        platform::setProfileWriteFailAfter(5);
        bool ok = WritePrivateProfileStringA("S", "k", "new", path().toLocal8Bit());
        platform::setProfileWriteFailAfter(-1);
        QVERIFY(!ok);
        QCOMPARE(readFile(path()), before);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), QStringList{"test.ini"});
    }

    void refusesLineBreaksAndUnwritableFolders()
    {
        writeFile(path(), "[S]\nk=1\n");
        QVERIFY(!WritePrivateProfileStringA("S", "k", "a\nb=c", path().toLocal8Bit()));
        QVERIFY(!WritePrivateProfileStringA("S", "k\r", "v", path().toLocal8Bit()));
        QCOMPARE(readFile(path()), std::string("[S]\nk=1\n"));
        QVERIFY(!WritePrivateProfileStringA("S", "k", "v", "/nonexistent-folder/x.ini"));
    }

    void keepsPermissions()
    {
        writeFile(path(), "[S]\nk=1\n");
        ::chmod(path().toLocal8Bit(), 0640);
        QVERIFY(WritePrivateProfileStringA("S", "k", "2", path().toLocal8Bit()));
        struct stat st;
        QCOMPARE(::stat(path().toLocal8Bit(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0640);
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
