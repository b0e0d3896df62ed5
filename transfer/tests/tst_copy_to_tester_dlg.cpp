// Tests of the copy dialog: its texts and progress display while a transfer runs, Cancel, the
// close box and Escape with their results, and the rate line under the progress text.
#include "core/error_boxes.h"
#include "core/message_box.h"
#include "transfer/copy_animation.h"
#include "transfer/copy_to_tester_dlg.h"
#include "transfer/tests/copy_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using Strings = std::vector<std::string>;

namespace {

// The copy fixture with the boxes the dialog shows failures in, their texts recorded.
struct DialogFixture : CopyFixture
{
    ErrorBoxes boxes{workspace};
    DialogFixture()
    {
        SetMessageBoxHook([this](const std::string&, const std::string& text, int) {
            messages.push_back(text);
            return 1;
        });
    }
    ~DialogFixture() { SetMessageBoxHook(nullptr); }
};

} // namespace

class TestCopyToTesterDlg : public QObject
{
    Q_OBJECT

    struct Seen
    {
        bool visible = false;
        QString title, caption, cancel, path, progressText;
        int value = -1, maximum = -1;
        bool animating = false;
    };

    static Seen Look(CCopyToTesterDlg& dlg)
    {
        Seen s;
        s.visible = dlg.isVisible();
        s.title = dlg.windowTitle();
        s.caption = dlg.findChild<QLabel*>("caption")->text();
        s.cancel = dlg.findChild<QPushButton*>("cancelButton")->text();
        s.path = dlg.findChild<QLabel*>("pcPath")->text();
        s.progressText = dlg.findChild<QLabel*>("progressText")->text();
        s.value = dlg.findChild<QProgressBar*>("progress")->value();
        s.maximum = dlg.findChild<QProgressBar*>("progress")->maximum();
        s.animating = dlg.findChild<CopyAnimation*>("animation")->Running();
        return s;
    }

private slots:
    void showsTextsPathAndProgressWhileSending()
    {
        DialogFixture f;
        const std::string first = f.MakeFile("ONE.BIN", 220);
        const std::string second = f.MakeFile("TWO.BIN", 80);
        CCopyToTesterDlg dlg(f.link, f.workspace, f.boxes);
        QCOMPARE(dlg.AddFile(first.c_str(), "/FN0/ONE.BIN", 0, 0), 1);
        QCOMPARE(dlg.AddFile(second.c_str(), "/FN0/TWO.BIN", 0, 0), 1);
        Seen duringFirst, duringSecond;
        f.tester->script = [&](const ScriptedTester::Request& r) {
            if (r.code == 9 && r.nth == 2)
                duringFirst = Look(dlg);
            if (r.code == 9 && r.nth == 3)
                duringSecond = Look(dlg);
            return ScriptedTester::kKeep;
        };
        QCOMPARE(dlg.exec(), 1);
        QVERIFY(duringFirst.visible);
        QCOMPARE(duringFirst.title, QString("Invio"));
        QCOMPARE(duringFirst.caption, QString("File:"));
        QCOMPARE(duringFirst.cancel, QString("Annulla"));
        QCOMPARE(duringFirst.path, QString::fromStdString(first));
        QCOMPARE(duringFirst.progressText, QString("Byte: 220 - 300"));
        QCOMPARE(duringFirst.value, 220);
        QCOMPARE(duringFirst.maximum, 300);
        QVERIFY(duringFirst.animating);
        QCOMPARE(duringSecond.path, QString::fromStdString(second));
        QCOMPARE(duringSecond.progressText, QString("Byte: 300 - 300"));
        QVERIFY(!dlg.findChild<CopyAnimation*>("animation")->Running());
        QCOMPARE(f.tester->files.size(), std::size_t(2));
    }

    void stopping_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("Cancel button gives 2") << "button" << 2;
        QTest::newRow("Escape gives 2") << "escape" << 2;
        QTest::newRow("close box gives 0") << "close" << 0;
    }

    void stopping()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        DialogFixture f;
        CCopyToTesterDlg dlg(f.link, f.workspace, f.boxes);
        dlg.AddFile(f.MakeFile("C.BIN", 2000).c_str(), "/FN0/C.BIN", 0, 0);
        auto* cancel = dlg.findChild<QPushButton*>("cancelButton");
        f.tester->script = [&](const ScriptedTester::Request& r) {
            if (r.code != 9 || r.nth != 4)
                return ScriptedTester::kKeep;
            QTimer::singleShot(0, &dlg, [&] {
                if (how == "button")
                    QTest::mouseClick(cancel, Qt::LeftButton);
                else if (how == "escape")
                    QTest::keyClick(&dlg, Qt::Key_Escape);
                else
                    dlg.close();
            });
            return ScriptedTester::kNoAnswer;
        };
        // The dialog ends at once; the link ends the exchange on its own a moment later.
        QCOMPARE(dlg.exec(), result);
        QVERIFY(cancel->isEnabled());
        QTRY_COMPARE(f.tester->cancels, 1);
        QVERIFY(f.tester->files.empty());
        QVERIFY(f.messages.empty());
        QVERIFY(!dlg.isVisible());
    }

    // A queued file that cannot be read ends the transfer before the dialog appears.
    void unreadableFileEndsBeforeShowing()
    {
        DialogFixture f;
        CCopyToTesterDlg dlg(f.link, f.workspace, f.boxes);
        const std::string missing = f.Path("MISSING.BIN");
        dlg.AddFile(missing.c_str(), "/FN0/MISSING.BIN", 0, 0);
        bool visibleAtMessage = true;
        SetMessageBoxHook([&](const std::string&, const std::string& text, int) {
            f.messages.push_back(text);
            visibleAtMessage = dlg.isVisible();
            return 1;
        });
        QCOMPARE(dlg.exec(), 0);
        QTRY_COMPARE(f.messages, Strings{"E21 " + missing});
        QVERIFY(!visibleAtMessage);
        QCOMPARE(f.tester->Count(), 0);
    }

    void longPathKeepsItsEndsAndTip()
    {
        DialogFixture f;
        const std::string dir = f.Path(std::string(60, 'd') + "/" + std::string(60, 'e'));
        QVERIFY(QDir().mkpath(QString::fromStdString(dir)));
        const std::string pc = dir + "/LONGNAME.BIN";
        QFile file(QString::fromStdString(pc));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(50, 'z'));
        file.close();
        CCopyToTesterDlg dlg(f.link, f.workspace, f.boxes);
        dlg.AddFile(pc.c_str(), "/FN0/LONGNAME.BIN", 0, 0);
        QCOMPARE(dlg.exec(), 1);
        auto* label = dlg.findChild<QLabel*>("pcPath");
        QCOMPARE(label->toolTip(), QString::fromStdString(pc));
        QVERIFY(label->text().endsWith("LONGNAME.BIN"));
        QVERIFY(label->text().startsWith("/"));
    }

    void rateLine_data()
    {
        QTest::addColumn<QList<int>>("msAndBytes"); // pairs of samples
        QTest::addColumn<int>("remaining");
        QTest::addColumn<QString>("text");
        QTest::newRow("too early to tell") << QList<int>{0, 0, 300, 600} << 1000 << "";
        QTest::newRow("line rate of 19200 baud")
            << QList<int>{0, 0, 1000, 1600, 2000, 3200} << 96000 << "1.6 KB/s   \u22121:00";
        QTest::newRow("fast link")
            << QList<int>{0, 0, 1000, 400000} << 800000 << "391 KB/s   \u22120:02";
        QTest::newRow("slow link, hours left")
            << QList<int>{0, 0, 1000, 500} << 2000000 << "500 B/s   \u22121:06:40";
        QTest::newRow("only the last five seconds count")
            << QList<int>{0, 0, 1000, 100000, 6000, 100500, 11000, 101000} << 10000
            << "100 B/s   \u22121:40";
    }

    void rateLine()
    {
        QFETCH(QList<int>, msAndBytes);
        QFETCH(int, remaining);
        QFETCH(QString, text);
        RateMeter meter;
        for (int i = 0; i + 1 < msAndBytes.size(); i += 2)
            meter.Add(msAndBytes[i], std::uint64_t(msAndBytes[i + 1]));
        QCOMPARE(QString::fromStdString(meter.Text(std::uint64_t(remaining))), text);
    }
};

QTEST_MAIN(TestCopyToTesterDlg)
#include "tst_copy_to_tester_dlg.moc"
