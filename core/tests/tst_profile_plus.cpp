// Tests of the strict profile reader.
#include "core/profile_plus.h"
#include "core/texts.h"
#include "platform/profile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

struct Box
{
    std::string title;
    std::string text;
    int style;
};

// The boxes a caller shows for the reader's open failures.
std::vector<Box> g_boxes;

int ReadPlus(const char* section, const char* key, const char* defaultText, char* out,
             unsigned size, const char* path)
{
    ErrorReport failure;
    const int result =
        GetPrivateProfileStringPlus(section, key, defaultText, out, size, path, &failure);
    if (!failure.literal.empty())
        g_boxes.push_back({failure.literalTitle, failure.literal, failure.style});
    return result;
}

QByteArray Repeat(char c, int n)
{
    return QByteArray(n, c);
}

} // namespace

class TestProfilePlus : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::vector<Box>& boxes_ = g_boxes;

    std::string Write(const QByteArray& data, const char* name = "ECU.INI")
    {
        std::string path = dir_.filePath(name).toStdString();
        std::ofstream(path, std::ios::binary).write(data.constData(), data.size());
        return path;
    }

private slots:
    void init()
    {
        boxes_.clear();
        SetProfilePlusOpenHook(nullptr);
    }

    void cleanup() { SetProfilePlusOpenHook(nullptr); }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("defaultText");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("out");

        const QByteArray s = "S", k = "k", d = "()--()";
        auto row = [&](const char* name, const QByteArray& file, int result, const QByteArray& out,
                       int size = 804, const QByteArray& defaultText = "()--()") {
            QTest::newRow(name) << file << s << k << defaultText << size << result << out;
        };

        row("plain value", "[S]\nk=v\n", 1, "v");
        row("CR LF endings", "[S]\r\nk=value\r\n", 5, "value");
        row("no final newline", "[S]\nk=value", 5, "value");
        row("blank before equals", "[S]\nk =v\n", -3, d);
        row("blank before key", "[S]\n k=v\n", -3, d);
        row("blanks inside brackets", "[ S ]\nk=v\n", -3, d);
        row("key in other case", "[S]\nK=v\n", -3, d);
        row("section in other case", "[s]\nk=v\n", -3, d);
        row("longer key sharing the prefix", "[S]\nkk=v\n", -3, d);
        row("blanks around value kept", "[S]\nk=  v w  \n", 7, "  v w  ");
        row("empty value gives default", "[S]\nk=\r\n", 6, d);
        row("tab after key gives default", "[S]\nk\t=v\n", 6, d);
        row("key alone gives default", "[S]\nk\n", 6, d);
        row("value holds equals signs", "[S]\nk=a=b=\n", 4, "a=b=");
        row("tab ends value", "[S]\nk=ab\tcd\n", 2, "ab");
        row("lone CR ends value", "[S]\nk=ab\rcd\n", 2, "ab");
        row("only first header counts", "[S]\na=1\n[T]\nk=t\n[S]\nk=v\n", -2, d);
        row("value cut to size", "[S]\nk=abcdef\n", 3, "abc", 3);
        row("size zero", "[S]\nk=abc\n", 0, "", 0);
        row("comment holding the key", "[S]\n;k=c\nk=v\n", 1, "v");
        row("comment holding the header", ";[S]\n[S]x\nk=v\n", -3, d);
        row("key missing before next section", "[S]\na=1\n\n[T]\nk=v\n", -2, d);
        row("key missing at end", "[S]\na=1\n", -3, d);
        row("section missing", "[T]\nk=v\n", -3, d);
        row("key before any section", "k=v\n[S]\n", -3, d);
        row("empty file", "", -3, d);
        row("blank lines skipped", "\n[S]\n\n\t\t\n\r\nk=v", 1, "v");
        row("header ends at tab", "[S]\tremark\nk=v\n", 1, "v");
        row("header ends at equals", "[S]=x\nk=v\n", 1, "v");
        row("tab before header", "\t[S]\nk=v\n", -3, d);
        row("NUL ends the value", QByteArray("[S]\nk=ab\0cd\n", 12), 2, "ab");
        row("NUL line is blank", QByteArray("[S]\n\0[T]\nk=v\n", 13), 1, "v");
        row("NUL inside header", QByteArray("[S\0]\nk=v\n", 9), -3, d);
        row("control character ends value",
            "[S]\nk=ab\x01"
            "cd\n",
            2, "ab");
        row("DEL ends value",
            "[S]\nk=ab\x7f"
            "cd\n",
            2, "ab");
        row("only control characters gives default", "[S]\nk=\x02x\n", 6, d);
        row("vertical tab and form feed kept", "[S]\nk=a\vb\fc\n", 5, "a\vb\fc");
        row("bytes above 127 kept", "[S]\nk=citt\xc3\xa0 \xe0\n", 8, "citt\xc3\xa0 \xe0");
        row("cut never splits UTF-8", "[S]\nk=citt\xc3\xa0\n", 4, "citt", 5);
        row("default cut to size", "[T]\n", -3, "()--", 4);
        row("empty value gives cut default", "[S]\nk=\n", 4, "DEFA", 4, "DEFAULT");
        row("empty default", "[S]\nk=\n", 0, "", 10, "");

        // Lines longer than 255 characters: only the first 255 are tested, the rest is dropped.
        const QByteArray filler = "c=" + Repeat('x', 253); // 255 characters
        row("entry after 255 characters", "[S]\n" + filler + "k=v\n", -3, d);
        row("header after 255 characters", Repeat(';', 255) + "[S]\nk=v\n", -3, d);
        row("section start after 255 characters", "[S]\n" + filler + "[T]\nk=v\n", 1, "v");
        row("line of exactly 255 then LF", "[S]\n" + filler + "\nk=v\n", 1, "v");
        row("line of exactly 255 then CR LF", "[S]\r\n" + filler + "\r\nk=v\r\n", 1, "v");
        row("line of 254 then CR LF", "[S]\r\n" + filler.left(254) + "\r\nk=v\r\n", 1, "v");
        row("value cut at 255th character", "[S]\nk=" + Repeat('y', 300) + "\n", 253,
            Repeat('y', 253));
        row("line of a megabyte", "[S]\n" + Repeat('z', 1 << 20) + "\nk=v", 1, "v");

        QTest::newRow("header of 255 characters")
            << "[" + Repeat('A', 253) + "]\nk=v\n"
            << Repeat('A', 253) << k << d << 804 << 1 << QByteArray("v");
        QTest::newRow("header running past 255 characters")
            << "[" + Repeat('A', 253) + "]x\nk=v\n"
            << Repeat('A', 253) << k << d << 804 << -3 << d;
        QTest::newRow("key running past 255 characters")
            << "[S]\n" + Repeat('K', 255) + "x=v\n"
            << s << Repeat('K', 255) << d << 804 << -3 << d;
        QTest::newRow("empty key matches a line starting with equals")
            << QByteArray("[S]\n=v\n") << s << QByteArray() << d << 804 << 1 << QByteArray("v");
    }

    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, defaultText);
        QFETCH(int, size);
        QFETCH(int, result);
        QFETCH(QByteArray, out);

        std::string path = Write(file);
        // Read with the lines kept from an earlier read, then, as the reference, line by line
        // from the file.
        for (bool cached : {true, false}) {
            platform::setProfileCacheEnabled(cached);
            // Exactly size + 1 bytes, so that any overrun is caught by the address sanitizer.
            std::unique_ptr<char[]> buffer(new char[size + 1]);
            std::memset(buffer.get(), '#', size + 1);
            QCOMPARE(ReadPlus(section.constData(), key.constData(), defaultText.constData(),
                              buffer.get(), static_cast<unsigned>(size), path.c_str()),
                     result);
            QCOMPARE(QByteArray(buffer.get()), out);
        }
        platform::setProfileCacheEnabled(true);
        QVERIFY(boxes_.empty());
    }

    // A FIFO is refused as a missing file is, at once and without a message.
    void fifoIsRefusedAsMissing()
    {
        std::string path = dir_.filePath("fifo.ini").toStdString();
        QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
        char out[10];
        QCOMPARE(ReadPlus("S", "k", "def", out, 9, path.c_str()), -3);
        QCOMPARE(QByteArray(out), QByteArray("def"));
        QVERIFY(boxes_.empty());
    }

    // The kept lines are never used for a file that changed, even in the tick it was read.
    void changedFileReadAgain()
    {
        std::string path = Write("[S]\nk=1\n", "changing.ini");
        char out[10];
        QCOMPARE(ReadPlus("S", "k", "def", out, 9, path.c_str()), 1);
        QCOMPARE(QByteArray(out), QByteArray("1"));
        Write("[S]\nk=2\n", "changing.ini");
        QCOMPARE(ReadPlus("S", "k", "def", out, 9, path.c_str()), 1);
        QCOMPARE(QByteArray(out), QByteArray("2"));
        QVERIFY(WritePrivateProfileStringA("S", "k", "3", path.c_str()));
        QCOMPARE(ReadPlus("S", "k", "def", out, 9, path.c_str()), 1);
        QCOMPARE(QByteArray(out), QByteArray("3"));
    }

    void missingFileIsSilent()
    {
        char out[20];
        std::string path = dir_.filePath("nowhere/ECU.INI").toStdString();
        QCOMPARE(ReadPlus("S", "k", "def", out, 10, path.c_str()), -3);
        QCOMPARE(QByteArray(out), QByteArray("def"));
        QVERIFY(boxes_.empty());
    }

    // Each way of failing to open an existing file shows one error box naming the path and the
    // file-exception cause, and leaves the default in the buffer.
    void openFailure_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("cause");

        QTest::newRow("folder") << "folder" << 0 << 5;
        QTest::newRow("vanished after the check") << "vanish" << 0 << 2;
        QTest::newRow("no permission") << "errno" << EACCES << 5;
        QTest::newRow("read-only file system") << "errno" << EROFS << 5;
        QTest::newRow("too many open files") << "errno" << EMFILE << 4;
        QTest::newRow("file table full") << "errno" << ENFILE << 4;
        QTest::newRow("bad path") << "errno" << ENOTDIR << 3;
        QTest::newRow("name too long") << "errno" << ENAMETOOLONG << 3;
        QTest::newRow("I/O error") << "errno" << EIO << 10;
        QTest::newRow("busy") << "errno" << EBUSY << 11;
        QTest::newRow("lock") << "errno" << ENOLCK << 12;
        QTest::newRow("disk full") << "errno" << ENOSPC << 13;
        QTest::newRow("bad descriptor") << "errno" << EBADF << 6;
        QTest::newRow("unlisted error") << "errno" << EINVAL << 1;
    }

    void openFailure()
    {
        QFETCH(QString, how);
        QFETCH(int, error);
        QFETCH(int, cause);

        std::string path;
        if (how == "folder") {
            path = dir_.filePath("folder.ini").toStdString();
            QVERIFY(QDir().mkpath(QString::fromStdString(path)));
        } else {
            path = Write("[S]\nk=v\n", "gone.ini");
            SetProfilePlusOpenHook([how, error](const char* p) -> std::FILE* {
                if (how == "vanish") {
                    std::remove(p);
                    return std::fopen(p, "rb");
                }
                errno = error;
                return nullptr;
            });
        }

        char out[10];
        QCOMPARE(ReadPlus("S", "k", "()--()", out, 9, path.c_str()), -1);
        QCOMPARE(QByteArray(out), QByteArray("()--()"));
        QCOMPARE(boxes_.size(), std::size_t(1));
        QCOMPARE(boxes_[0].title, std::string("GetPrivateProfileStringPlus"));
        QCOMPARE(boxes_[0].text,
                 "File " + path + " could not be opened (modeRead) Code:" + std::to_string(cause));
        QCOMPARE(boxes_[0].style, 16);
    }

    void fileErrorCauseOfSuccess() { QCOMPARE(FileErrorCause(0), 0); }
};

QTEST_MAIN(TestProfilePlus)
#include "tst_profile_plus.moc"
