// Tests of failure reports: the text the user sees, and which sink receives them.
#include "core/app_config.h"
#include "core/error_sink.h"
#include "core/texts.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestErrorSink : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        const QString path = dir.filePath("SWBASE.TXT");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[MESSAGGI_ERRORE]\ns1_ITA=Errore\ns2_ITA=Porta chiusa\n"
                   "s21_ITA=Il file %s non si apre\n[ALTRO]\ns7_ITA=Basta\n");
        file.close();
        AppConfig.textsPath = path.toStdString();
        AppConfig.language = 0;
    }

    void text_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "MESSAGGI_ERRORE" << 2 << "" << "Porta chiusa";
        QTest::newRow("detail on a line of its own")
            << "MESSAGGI_ERRORE" << 2 << "busy" << "Porta chiusa\n\nbusy";
        QTest::newRow("detail fills %s") << "MESSAGGI_ERRORE" << 21 << "/a/%d"
                                         << "Il file /a/%d non si apre";
        QTest::newRow("another section") << "ALTRO" << 7 << "" << "Basta";
        QTest::newRow("missing text") << "MESSAGGI_ERRORE" << 99 << "" << "Message not present !";
    }

    void text()
    {
        QFETCH(QString, section);
        QFETCH(int, number);
        QFETCH(QString, detail);
        QFETCH(QString, text);
        ErrorReport report;
        report.section = section.toStdString();
        report.number = number;
        report.detail = detail.toStdString();
        QCOMPARE(QString::fromStdString(ReportText(report)), text);
        QCOMPARE(ReportTitle(report), std::string("Errore"));
    }

    // Without an installed sink a report reaches the program's message box, as a box would.
    void messageBoxWithoutSink()
    {
        std::vector<std::string> boxes;
        SetMessageBoxHook([&](const std::string& title, const std::string& text, int style) {
            boxes.push_back(title + "|" + text + "|" + std::to_string(style));
            return 1;
        });
        ReportError(kErrorSection, 2, "busy");
        ReportLiteral("SYSTEM MESSAGE", "Contatore");
        SetMessageBoxHook(nullptr);
        QCOMPARE(boxes, (std::vector<std::string>{"Errore|Porta chiusa\n\nbusy|16",
                                                  "SYSTEM MESSAGE|Contatore|16"}));
    }

    void recordingSinksNest()
    {
        RecordingErrorSink outer;
        {
            RecordingErrorSink inner;
            ReportError(kErrorSection, 2);
            QCOMPARE(inner.Numbers(), std::vector<int>{2});
        }
        ReportError("ALTRO", 7);
        QCOMPARE(outer.Numbers(), std::vector<int>{7});
        QCOMPARE(outer.reports[0].section, std::string("ALTRO"));
    }
};

QTEST_GUILESS_MAIN(TestErrorSink)
#include "tst_error_sink.moc"
