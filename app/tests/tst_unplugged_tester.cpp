// The program's window against the tester simulator, which is unplugged in the middle of a
// download from the tester software dialog and plugged in again.
#include "app/app_constants.h"
#include "app/main_frame.h"
#include "app/zolt_view.h"
#include "core/app_config.h"
#include "core/message_box.h"
#include "core/plain_box.h"
#include "core/texts.h"
#include "link/link_session.h"
#include "software/tester_software_dlg.h"
#include "tools/tester_sim/tester_sim_process.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <utility>

namespace {

QByteArray Pattern(int size)
{
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 31 + i / 251) & 0xFF);
    return data;
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestUnpluggedTester : public QObject
{
    Q_OBJECT

    QTemporaryDir work_;
    QString fs_;
    QString previousDir_ = QDir::currentPath();
    std::vector<std::string> boxes_;

    QString Link() const { return work_.filePath("tester"); }
    QStringList OnTester() const { return QDir(fs_).entryList(QDir::Files, QDir::Name); }

    // Opens the tester software dialog as its menu command does and runs `onSettled` each time
    // its engine has nothing pending, until the dialog closes, by itself or by `onSettled`.
    // Returns false when it had to be closed after `limitMs`.
    static bool RunDialog(CZOLTView& view, std::function<void(CTesterSoftwareDlg&)> onSettled,
                          int limitMs = 60000)
    {
        bool closedInTime = true;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CTesterSoftwareDlg*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            connect(
                &dlg->Engine(), &TesterSoftwareEngine::Settled, dlg,
                [dlg, onSettled] { onSettled(*dlg); }, Qt::QueuedConnection);
            QTimer::singleShot(limitMs, dlg, [dlg, &closedInTime] {
                closedInTime = false;
                dlg->done(1);
            });
        });
        view.OnCommand(cmd::TesterSoftware);
        return closedInTime;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        fs_ = work_.filePath("FN0");
        QVERIFY(QDir().mkpath(fs_));
        QVERIFY(
            Write(work_.filePath("VELANTO.INI"), "[PORTE_COM]\nCOM1=" + Link().toUtf8() + "\n"));
        QVERIFY(
            Write(work_.filePath("ECU.INI"),
                  "[VEICOLI]\nnV=1\ncar0=PUNTO\n[PUNTO]\nnE=1\necu0=ABS.BIN_200000\nname0=ABS\n"));
        QVERIFY(Write(work_.filePath("ABS.BIN_200000"), Pattern(200000)));
        QDir::setCurrent(work_.path());
        LoadConfiguration(work_.path().toStdString());
        AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
        AppConfig.language = 1;
        SetMessageBoxHook([this](const std::string&, const std::string& text, int) {
            boxes_.push_back(text);
            return 1;
        });
        SetPlainBoxHook([this](const std::string&, const std::string& text, BoxIcon) {
            boxes_.push_back(text);
        });
    }

    void cleanupTestCase()
    {
        SetMessageBoxHook(nullptr);
        SetPlainBoxHook(nullptr);
        QDir::setCurrent(previousDir_);
    }

    // The download of three parts is cut in the second one: it fails, and says so only by the
    // status bar's one line, without a box; the tester keeps no file that is not the part it
    // stands for. Once the tester is back (one line again), the next listing works and purges
    // the part that came whole.
    void downloadCutByAnUnplugFails()
    {
        // The listing takes 3 frames, the copy's sync 1 and the first part 896 (opening, 894
        // blocks, end of file): frame 1300 is a block of the second part.
        TesterSimProcess sim;
        QVERIFY(sim.Start(fs_, Link(), {"--unplug", "1300:300"}));
        CMainFrame frame;
        auto* view = new CZOLTView(&frame);
        QVERIFY(view->Create());
        frame.SetView(view);
        frame.show();
        QStringList lines;
        connect(view, &CZOLTView::StatusMessage, this, [&](const QString& text) { lines << text; });

        bool downloading = false;
        QVERIFY(RunDialog(*view, [&](CTesterSoftwareDlg& dlg) {
            if (std::exchange(downloading, true))
                return;
            auto* vehicles = dlg.findChild<QTreeWidget*>("vehicleList");
            vehicles->setCurrentItem(vehicles->topLevelItem(0));
            auto* ecus = dlg.findChild<QTreeWidget*>("ecuList");
            emit ecus->itemDoubleClicked(ecus->topLevelItem(0), 0);
            QTest::mouseClick(dlg.findChild<QPushButton*>("downloadButton"), Qt::LeftButton);
        }));
        QVERIFY(downloading);
        QTRY_VERIFY(sim.ErrorOutput().contains("unplugged for 300 ms"));
        const QString gone = QString::fromStdString(
            FillText(AppConfig.Text("GENERIC_STRING", 20), {Link().toStdString()}));
        QCOMPARE(lines, QStringList{gone});
        QVERIFY(gone.startsWith("Tester disconnected: "));
        for (const QString& name : OnTester())
            QVERIFY2(Read(fs_ + "/" + name) == Read(work_.filePath(name)), qPrintable(name));
        QCOMPARE(OnTester(), QStringList{"ABS&&1-3.BIN_98304"});

        QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 2, 5000);
        QCOMPARE(lines[1], QString::fromStdString(FillText(AppConfig.Text("GENERIC_STRING", 21),
                                                           {Link().toStdString()})));
        QVERIFY(view->GetLink()->PortOpen());
        QString entries;
        QVERIFY(RunDialog(*view, [&](CTesterSoftwareDlg& dlg) {
            entries = dlg.findChild<QLabel*>("entryCount")->text();
            dlg.done(1);
        }));
        QCOMPARE(entries, QString("0"));
        QCOMPARE(OnTester(), QStringList{});
        QCOMPARE(lines.size(), 2);
        QCOMPARE(frame.statusBar()->currentMessage(), lines[1]);
        QCOMPARE(boxes_, std::vector<std::string>{});
    }
};

QTEST_MAIN(TestUnpluggedTester)
#include "tst_unplugged_tester.moc"
