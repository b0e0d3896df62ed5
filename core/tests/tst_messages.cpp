// Tests of failure reports and texts: what the user sees for a report, the one way texts are
// filled, and the one place that shows reports in boxes.
#include "core/error_boxes.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/workspace.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestMessages : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    Workspace workspace;

private slots:
    void initTestCase()
    {
        const QString path = dir.filePath("SWBASE.TXT");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[MESSAGGI_ERRORE]\ns1_ITA=Errore\ns2_ITA=Porta chiusa\n"
                   "s12_ITA=Nessuna risposta\n"
                   "s21_ITA=Il file %s non si apre\n[ALTRO]\ns7_ITA=Basta\ns12_ITA=Altro 12\n");
        file.close();
        workspace = WorkspaceAt(dir.path().toStdString());
    }

    void text_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "MESSAGGI_ERRORE" << 2 << ""
                               << "Porta chiusa";
        QTest::newRow("detail on a line of its own") << "MESSAGGI_ERRORE" << 2 << "busy"
                                                     << "Porta chiusa\n\nbusy";
        QTest::newRow("detail fills %s") << "MESSAGGI_ERRORE" << 21 << "/a/%d"
                                         << "Il file /a/%d non si apre";
        QTest::newRow("another section") << "ALTRO" << 7 << ""
                                         << "Basta";
        QTest::newRow("missing text") << "MESSAGGI_ERRORE" << 99 << ""
                                      << "Message not present !";
    }

    void text()
    {
        QFETCH(QString, section);
        QFETCH(int, number);
        QFETCH(QString, detail);
        QFETCH(QString, text);
        const ErrorReport report(section.toStdString(), number, detail.toStdString());
        QCOMPARE(QString::fromStdString(ReportText(report, workspace)), text);
        QCOMPARE(ReportTitle(report, workspace), std::string("Errore"));
    }

    void fillText_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        const QStringList path{"/a/b"};
        QTest::newRow("the path fills %s") << "open %s now" << path << "open /a/b now";
        QTest::newRow("%% is a percent sign") << "100%% %s" << path << "100% /a/b";
        QTest::newRow("a second %s stays as written") << "%s and %s" << path << "/a/b and %s";
        QTest::newRow("other directives are not read") << "%d %n %s" << path << "%d %n /a/b";
        QTest::newRow("a lone % at the end") << "%s 5%" << path << "/a/b 5%";
        QTest::newRow("%s and %d in order")
            << "%s: %d on the tester, %d new" << QStringList{"ABS", "2", "3"}
            << "ABS: 2 on the tester, 3 new";
    }

    void fillText()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        std::vector<std::string> args;
        for (const QString& a : arguments)
            args.push_back(a.toStdString());
        const std::string filled =
            args.size() == 1 ? FillText(format.toStdString(), {args[0]})
                             : FillText(format.toStdString(), {args[0], args[1], args[2]});
        QCOMPARE(QString::fromStdString(filled), expected);
    }

    // Reports reach a box only from the event loop, never inside the emitter's own call.
    void boxesShowFromTheEventLoop()
    {
        std::vector<std::string> boxes;
        SetMessageBoxHook([&](const std::string& title, const std::string& text, int style) {
            boxes.push_back(title + "|" + text + "|" + std::to_string(style));
            return 1;
        });
        ErrorBoxes shown(workspace);
        shown.Show(ErrorReport(2, "busy"));
        shown.Show(ErrorReport::Literal("SYSTEM MESSAGE", "Contatore"));
        QVERIFY(boxes.empty());
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), std::size_t(2), 2000);
        SetMessageBoxHook(nullptr);
        QCOMPARE(boxes, (std::vector<std::string>{"Errore|Porta chiusa\n\nbusy|16",
                                                  "SYSTEM MESSAGE|Contatore|16"}));
    }

    // While a box is open (it runs an event loop of its own) the same message is counted, not
    // stacked; another message, even of the same number in another section, is shown.
    void openBoxHoldsBackOnlyItsOwnMessage()
    {
        std::vector<std::string> boxes;
        ErrorBoxes shown(workspace);
        SetMessageBoxHook([&](const std::string&, const std::string& text, int) {
            boxes.push_back(text);
            if (boxes.size() == 1) {
                shown.Show(ErrorReport(ErrorText::kNoAnswer));
                shown.Show(ErrorReport("ALTRO", 12));
                shown.Show(ErrorReport(ErrorText::kNoAnswer, "again"));
                QEventLoop loop; // a modal box dispatches what arrives meanwhile
                QTimer::singleShot(50, &loop, &QEventLoop::quit);
                loop.exec();
            }
            return 1;
        });
        shown.Show(ErrorReport(ErrorText::kNoAnswer));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), std::size_t(2), 2000);
        QTest::qWait(20);
        SetMessageBoxHook(nullptr);
        QCOMPARE(boxes, (std::vector<std::string>{"Nessuna risposta", "Altro 12"}));
        QCOMPARE(shown.HeldBack(), std::size_t(2));
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
