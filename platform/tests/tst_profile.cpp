// Tests of the profile reader and the atomic profile writer.
#include "platform/profile.h"

#include <QTemporaryDir>
#include <algorithm>
#include <QtTest>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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

// Sets the file's modification time to `seconds` after the epoch, long past.
void setModified(const QString& path, long seconds)
{
    timespec times[2] = {{seconds, 0}, {seconds, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, path.toLocal8Bit(), times, 0), 0);
}

std::string valueIn(const QString& path, const char* section = "S", const char* key = "k")
{
    char out[64];
    GetPrivateProfileStringA(section, key, "DEF", out, sizeof out, path.toLocal8Bit());
    return out;
}

} // namespace

class TestProfile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString path(const char* name = "test.ini") { return dir_.filePath(name); }

private slots:
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
        QTest::newRow("single quotes removed") << QByteArray("[S]\nk=' x '\n") << QByteArray("S")
                                               << QByteArray("k") << 200 << QByteArray(" x ");
        QTest::newRow("unlike quotes kept") << QByteArray("[S]\nk='x\"\n") << QByteArray("S")
                                            << QByteArray("k") << 200 << QByteArray("'x\"");
        QTest::newRow("lines ending in CR only")
            << QByteArray("[T]\rk=t\r[S]\ra=1\rk=v\r") << QByteArray("S") << QByteArray("k")
            << 200 << QByteArray("v");
        QTest::newRow("lone CR in an LF file ends the line")
            << QByteArray("[S]\nk=ab\rcd=1\n") << QByteArray("S") << QByteArray("cd") << 200
            << QByteArray("1");
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

    // Each row is read with the parsed form kept and, as the reference, with the file parsed
    // again for the call.
    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(int, size);
        QFETCH(QByteArray, expected);
        writeFile(path(), file.toStdString());
        for (bool cached : {true, false}) {
            platform::setProfileCacheEnabled(cached);
            std::vector<char> out(size_t(size) + 8, 'X');
            unsigned n = GetPrivateProfileStringA(section.constData(), key.constData(), "DEF",
                                                  out.data(), unsigned(size), path().toLocal8Bit());
            QCOMPARE(QByteArray(out.data()), expected);
            QCOMPARE(n, unsigned(expected.size()));
        }
        platform::setProfileCacheEnabled(true);
    }

    void defaultLosesTrailingBlanks()
    {
        char out[16];
        QCOMPARE(GetPrivateProfileStringA("S", "k", " dflt \t ", out, sizeof out,
                                          path("absent.ini").toLocal8Bit()),
                 5u);
        QCOMPARE(QByteArray(out), QByteArray(" dflt"));
    }

    // Listing section or key names into a heap buffer of every small size: nothing is written
    // past `size`, and the list always ends in two terminators.
    void listNames_data()
    {
        QTest::addColumn<bool>("sections");
        QTest::newRow("sections") << true;
        QTest::newRow("keys") << false;
    }

    void listNames()
    {
        QFETCH(bool, sections);
        // Each list holds AB, CD, EFG and H; empty names are left out.
        writeFile(path(), "[AB]\nAB=0\nCD=1\nEFG=2\n=3\nH=4\n[CD]\n[]\n[EFG]\n[H]\n");
        const QByteArray whole("AB\0CD\0EFG\0H\0", 12);
        for (unsigned size = 0; size <= 16; ++size) {
            std::vector<char> out(size + 8, '#');
            unsigned n = GetPrivateProfileStringA(sections ? nullptr : "AB", nullptr, "", out.data(),
                                                  size, path().toLocal8Bit());
            QVERIFY2(std::count(out.begin() + size, out.end(), '#') == 8,
                     qPrintable(QString("written past %1 bytes").arg(size)));
            if (size < 2) {
                QCOMPARE(n, 0u);
                continue;
            }
            QVERIFY(n <= size - 2 || n == unsigned(whole.size()));
            QCOMPARE(out[n], '\0');
            QCOMPARE(out[n + (n == 0 ? 1 : 0)], '\0');
            if (n == unsigned(whole.size()))
                QCOMPARE(QByteArray(out.data(), int(n)), whole);
            else // a cut list is a prefix of the whole one, its last name cut
                QVERIFY(whole.startsWith(QByteArray(out.data(), int(n)).chopped(n > 0 ? 1 : 0)));
        }
    }

    // A change by another program is seen at the next call, even one that keeps the size; so
    // is a write of our own.
    void changesSeenAtOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("rewritten in the tick it was read") << "now";
        QTest::newRow("rewritten, other time") << "time";
        QTest::newRow("replaced, same time") << "replace";
        QTest::newRow("written by us") << "ours";
    }

    void changesSeenAtOnce()
    {
        QFETCH(QString, how);
        writeFile(path(), "[S]\nk=1\n");
        if (how != "now")
            setModified(path(), 1000000000);
        QCOMPARE(valueIn(path()), std::string("1"));
        QCOMPARE(valueIn(path()), std::string("1"));
        if (how == "now") {
            writeFile(path(), "[S]\nk=2\n");
        } else if (how == "time") {
            writeFile(path(), "[S]\nk=2\n");
            setModified(path(), 1000000001);
        } else if (how == "replace") {
            writeFile(path("other.ini"), "[S]\nk=2\n");
            setModified(path("other.ini"), 1000000000);
            QVERIFY(::rename(path("other.ini").toLocal8Bit(), path().toLocal8Bit()) == 0);
        } else {
            QVERIFY(WritePrivateProfileStringA("S", "k", "2", path().toLocal8Bit()));
        }
        QCOMPARE(valueIn(path()), std::string("2"));
    }

    // A FIFO is read as a missing file and left alone by the writer, without blocking.
    void fifoNeitherReadNorWritten()
    {
        QString fifo = path("fifo.ini");
        QCOMPARE(::mkfifo(fifo.toLocal8Bit(), 0600), 0);
        QCOMPARE(valueIn(fifo), std::string("DEF"));
        QVERIFY(!WritePrivateProfileStringA("S", "k", "v", fifo.toLocal8Bit()));
        struct stat st;
        QCOMPARE(::lstat(fifo.toLocal8Bit(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        ::unlink(fifo.toLocal8Bit());
    }

    // A profile shared through a link is written in its target's folder; the link stays.
    void writesThroughSymbolicLinks_data()
    {
        QTest::addColumn<bool>("relative");
        QTest::newRow("absolute link") << false;
        QTest::newRow("relative link") << true;
    }

    void writesThroughSymbolicLinks()
    {
        QFETCH(bool, relative);
        QDir(dir_.path()).mkpath("shared");
        QDir(dir_.path()).mkpath("work");
        QString target = path("shared/VELANTO.INI"), link = path("work/VELANTO.INI");
        QFile::remove(link);
        writeFile(target, "[S]\nk=1\n");
        QCOMPARE(::symlink(relative ? "../shared/VELANTO.INI" : target.toLocal8Bit().constData(),
                           link.toLocal8Bit()),
                 0);
        QVERIFY(WritePrivateProfileStringA("S", "k", "2", link.toLocal8Bit()));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(target), std::string("[S]\nk=2\n"));
        QCOMPARE(QDir(path("work")).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{"VELANTO.INI"});
        QCOMPARE(QDir(path("shared")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"VELANTO.INI"});
    }

    // Names that could never be read back as written are refused and change nothing.
    void refusesNamesThatCannotBeReadBack_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("] in section") << QByteArray("A]B") << QByteArray("k");
        QTest::newRow("= in section") << QByteArray("A=B") << QByteArray("k");
        QTest::newRow("section begins with [") << QByteArray("[A") << QByteArray("k");
        QTest::newRow("section begins with ;") << QByteArray(";A") << QByteArray("k");
        QTest::newRow("control character in section") << QByteArray("A\x01") << QByteArray("k");
        QTest::newRow("tab in section") << QByteArray("A\tB") << QByteArray("k");
        QTest::newRow("= in key") << QByteArray("S") << QByteArray("a=b");
        QTest::newRow("] in key") << QByteArray("S") << QByteArray("a]");
        QTest::newRow("key begins with [") << QByteArray("S") << QByteArray("[k");
        QTest::newRow("key begins with ;") << QByteArray("S") << QByteArray(";k");
        QTest::newRow("DEL in key") << QByteArray("S") << QByteArray("k\x7f");
    }

    void refusesNamesThatCannotBeReadBack()
    {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        writeFile(path(), "[S]\nk=1\n");
        QVERIFY(!WritePrivateProfileStringA(section, key, "v", path().toLocal8Bit()));
        QVERIFY(!platform::writeProfileEntries({{"S", "k", "2"}, {section.toStdString(),
                                                                  key.toStdString(), "v"}},
                                               path().toLocal8Bit()));
        QCOMPARE(readFile(path()), std::string("[S]\nk=1\n"));
    }

    // Several keys in one replace: a failure at any byte leaves the old file; the whole write
    // then equals the same writes made one by one.
    void entriesWrittenAllOrNone()
    {
        const std::string before = "[VEICOLI]\r\nnV=1\r\ncar0=A\r\n";
        const std::vector<platform::ProfileEntry> entries{
            {"VEICOLI", "nV", "2"}, {"VEICOLI", "car1", "B"}, {"B", "nE", "1"},
            {"B", "ecu0", "X.BIN_1"}, {"B", "name0", "X"}};
        writeFile(path("one.ini"), before);
        for (const auto& e : entries)
            QVERIFY(WritePrivateProfileStringA(e.section.c_str(), e.key.c_str(), e.value.c_str(),
                                               path("one.ini").toLocal8Bit()));
        const std::string after = readFile(path("one.ini"));
        QFile::remove(path("one.ini"));
        writeFile(path(), before);
        for (long long fail = 0;; ++fail) {
            platform::setProfileWriteFailAfter(fail);
            bool ok = platform::writeProfileEntries(entries, path().toLocal8Bit());
            platform::setProfileWriteFailAfter(-1);
            if (ok)
                break;
            QCOMPARE(readFile(path()), before);
        }
        QCOMPARE(readFile(path()), after);
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
        QTest::newRow("CR-only file keeps its endings")
            << QByteArray("[S]\ra=1\r") << QByteArray("S") << QByteArray("k") << QByteArray("v")
            << QByteArray("[S]\ra=1\rk=v\r");
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
        QVERIFY(!WritePrivateProfileStringA("S", "k", "a\rb=c", path().toLocal8Bit()));
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
