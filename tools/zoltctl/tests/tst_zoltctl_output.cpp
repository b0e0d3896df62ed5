// Tests of what zoltctl prints: escaped tester names, localised texts and yes answers.
#include "core/app_config.h"
#include "core/texts.h"
#include "tools/zoltctl/output.h"

#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

using namespace zoltctl;

namespace {

// What a FailurePrinter given `reports` prints on standard error over its whole life.
QByteArray Printed(const std::vector<ErrorReport>& reports)
{
    QTemporaryFile file;
    if (!file.open())
        return "no temporary file";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    {
        FailurePrinter printer;
        for (const ErrorReport& report : reports)
            printer.Print(report);
    }
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

ErrorReport Report(int number, const std::string& detail = {})
{
    ErrorReport report;
    report.number = number;
    report.detail = detail;
    return report;
}

} // namespace

class TestZoltctlOutput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT"; }

    void escaped_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("printed");
        QTest::newRow("plain") << QByteArray("ABS.BIN_100") << QByteArray("ABS.BIN_100");
        QTest::newRow("escape sequence") << QByteArray("A\x1b[2JB") << QByteArray("A\\x1B[2JB");
        // A zero byte used to cut the name short.
        QTest::newRow("zero byte") << QByteArray("A\0B", 3) << QByteArray("A\\x00B");
        QTest::newRow("line break and DEL") << QByteArray("A\r\n\x7f") << QByteArray("A\\x0D\\x0A\\x7F");
        QTest::newRow("backslash") << QByteArray("A\\B") << QByteArray("A\\\\B");
        QTest::newRow("accents stay") << QByteArray("CAMBIO_É.BIN") << QByteArray("CAMBIO_É.BIN");
        QTest::newRow("C1 control") << QByteArray("A\xc2\x9b" "2J") << QByteArray("A\\xC2\\x9B2J");
        QTest::newRow("not UTF-8") << QByteArray("A\xe9Z") << QByteArray("A\\xE9Z");
        QTest::newRow("cut sequence at the end") << QByteArray("A\xe2\x82") << QByteArray("A\\xE2\\x82");
    }
    void escaped()
    {
        QFETCH(QByteArray, name);
        QTEST(QByteArray::fromStdString(Escaped(name.toStdString())), "printed");
    }

    void sayFillsInOrder()
    {
        AppConfig.language = 2; // French, with its no-break space before ":"
        QCOMPARE(Say(kFilesSent, {"2", "3"}), std::string("Fichiers envoyés\u00a0: 2 sur 3"));
        AppConfig.language = 1;
        QCOMPARE(Say(kSent, {"a", "b"}), std::string("sent a -> b"));
    }

    // Texts that send the user to a menu or the dialog are replaced by the tool's own.
    void errorTextsFitATerminal()
    {
        for (int language = 0; language < 6; ++language) {
            AppConfig.language = std::uint8_t(language);
            for (int number : {2, 4, 35, 57}) {
                const std::string text = ToolErrorText(number);
                QVERIFY(text != kTextNotFound);
                QVERIFY(text != GetText("MESSAGGI_ERRORE", number, AppConfig.textsPath.c_str()));
            }
            QCOMPARE(ToolErrorText(12), GetText("MESSAGGI_ERRORE", 12, AppConfig.textsPath.c_str()));
        }
    }

    // The detail fills a text's "%s" as in the program's box; a message that keeps coming (a
    // tester flooding the line with notices) is printed once and counted at the end.
    void errorPrinter_data()
    {
        AppConfig.language = 1;
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("detail");
        QTest::addColumn<int>("times");
        QTest::addColumn<QByteArray>("printed");
        QTest::newRow("cannot be opened")
            << 21 << QByteArray("/pc/A.BIN") << 1
            << QByteArray("zoltctl: The file cannot be opened:\n/pc/A.BIN\nCheck that the file "
                          "exists and is not in use.\n");
        QTest::newRow("cannot be compressed")
            << 63 << QByteArray("/pc/A.BIN") << 1
            << QByteArray("zoltctl: The file cannot be compressed:\n/pc/A.BIN\nThe file is empty "
                          "or too large, or the compressed copy cannot be written. No file was "
                          "sent to the tester.\n");
        // A terminal has no use for the blank the texts keep before a line break.
        const QByteArray noAnswer = QByteArray::fromStdString(ToolErrorText(12)).replace(" \n", "\n");
        QTest::newRow("no %s: the detail on a line of its own")
            << 12 << QByteArray("/pc/A.BIN") << 1 << "zoltctl: " + noAnswer + "\n\n/pc/A.BIN\n";
        const QByteArray unknown = QByteArray::fromStdString(ToolErrorText(42));
        QTest::newRow("a flood, once and counted")
            << 42 << QByteArray() << 500
            << "zoltctl: " + unknown +
                   "\nzoltctl: the same message came 500 times in all: " + unknown + "\n";
    }
    void errorPrinter()
    {
        QFETCH(int, number);
        QFETCH(QByteArray, detail);
        QFETCH(int, times);
        AppConfig.language = 1;
        const std::vector<ErrorReport> reports(std::size_t(times),
                                               Report(number, detail.toStdString()));
        QTEST(Printed(reports), "printed");
    }

    void yes_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("yes");
        QTest::newRow("english y") << 1 << "y" << true;
        QTest::newRow("english Yes") << 1 << " Yes\n" << true;
        QTest::newRow("english n") << 1 << "n" << false;
        QTest::newRow("empty is no") << 1 << "" << false;
        QTest::newRow("italian si") << 0 << "si" << true;
        QTest::newRow("italian s") << 0 << "S" << true;
        QTest::newRow("german ja") << 3 << "ja" << true;
        QTest::newRow("french oui") << 2 << "oui" << true;
        QTest::newRow("greek nai") << 5 << "ναι" << true;
        QTest::newRow("y in every language") << 3 << "y" << true;
        QTest::newRow("italian no") << 0 << "no" << false;
    }
    void yes()
    {
        QFETCH(int, language);
        QFETCH(QString, answer);
        AppConfig.language = std::uint8_t(language);
        QTEST(MeansYes(answer.toStdString()), "yes");
    }
};

QTEST_GUILESS_MAIN(TestZoltctlOutput)
#include "tst_zoltctl_output.moc"
