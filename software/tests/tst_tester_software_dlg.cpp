// Tests of the tester software dialog as a view of its engine, with a scripted tester.
#include "core/app_config.h"
#include "core/help_request.h"
#include "core/error_boxes.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "core/plain_box.h"
#include "software/tester_software_dlg.h"
#include "software/tests/tester_script.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

struct Box
{
    std::string title, text;
    int style;
};

} // namespace

class TestTesterSoftwareDlg : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::vector<Box> boxes_;
    int answer_ = 6; // what question boxes answer
    std::vector<std::vector<TesterSoftwareEngine::CopyItem>> copies_;

    template <typename T>
    static T* Find(QWidget& dlg, const char* name)
    {
        T* w = dlg.findChild<T*>(name);
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }

    // A dialog whose first listing has been answered with `names`.
    std::unique_ptr<CTesterSoftwareDlg> Opened(ScriptedLink& link,
                                               const std::vector<std::string>& names = {})
    {
        auto dlg = std::make_unique<CTesterSoftwareDlg>(
            link, [this](QWidget*, const std::vector<TesterSoftwareEngine::CopyItem>& q) {
                copies_.push_back(q);
                return int(q.size());
            });
        dlg->show();
        if (!QTest::qWaitForWindowExposed(dlg.get()))
            return dlg;
        if (!QTest::qWaitFor([&] { return !link.sent.empty(); }, 2000))
            return dlg;
        AnswerListing(dlg->Engine(), names);
        return dlg;
    }

    static void ChooseVehicle(CTesterSoftwareDlg& dlg, int row)
    {
        auto* vehicles = Find<QTreeWidget>(dlg, "vehicleList");
        vehicles->setCurrentItem(vehicles->topLevelItem(row));
    }

    // The list's double-click on a row, as the list reports it.
    static void DoubleClick(QTreeWidget* list, int row)
    {
        emit list->itemDoubleClicked(list->topLevelItem(row), 0);
    }

    static QStringList Texts(QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }

    void MakeSoftware(const QString& name, qint64 size)
    {
        QFile f(dir_.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        AppConfig.workDir = dir_.path().toStdString();
        AppConfig.ecuCatalogPath = dir_.filePath("ECU.INI").toStdString();
        AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
        AppConfig.language = 1;
        QFile ini(dir_.filePath("ECU.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[VEICOLI]\nnV=2\ncar0=PUNTO\ncar1=DUCATO\n"
                  "[PUNTO]\nnE=3\necu0=ABS.BIN_100\nname0=ABS Bosch\n"
                  "ecu1=NBC.BIN_200000\nname1=Body computer\n"
                  "ecu2=AIRP.BIN_10\nname2=Airbag\n"
                  "[DUCATO]\nnE=2\necu0=ENG.BIN_50\nname0=Engine\n"
                  "ecu1=AIRD.BIN_10\nname1=Airbag\n");
        ini.close();
        MakeSoftware("ABS.BIN_100", 100);
        MakeSoftware("NBC.BIN_200000", 200000);
        MakeSoftware("AIRP.BIN_10", 10);
        MakeSoftware("AIRD.BIN_10", 10);
        MakeSoftware("ENG.BIN_50", 50);
        SetMessageBoxHook([this](const std::string& title, const std::string& text, int style) {
            boxes_.push_back({title, text, style});
            return style == kStyleQuestion ? answer_ : 6;
        });
        SetPlainBoxHook([this](const std::string& title, const std::string& text, BoxIcon) {
            boxes_.push_back({title, text, 0});
        });
    }

    void init()
    {
        boxes_.clear();
        copies_.clear();
        answer_ = 6;
    }

    void opening()
    {
        QFile leftover(dir_.filePath("SCARICO.INI"));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        ScriptedLink link;
        CTesterSoftwareDlg dlg(link, nullptr);
        QCOMPARE(dlg.windowTitle(), QString("Tester software management"));
        QCOMPARE(Find<QLabel>(dlg, "entryCount")->text(), QString("--"));
        QVERIFY(!Find<QPushButton>(dlg, "downloadButton")->isEnabled());
        QVERIFY(!Find<QPushButton>(dlg, "removeButton")->isEnabled());
        QCOMPARE(Find<QTreeWidget>(dlg, "vehicleList")->topLevelItemCount(), 2);
        QVERIFY(!QFile::exists(dir_.filePath("SCARICO.INI")));
        dlg.show();
        QTRY_COMPARE(link.sent.size(), std::size_t(1));
        AnswerListing(dlg.Engine(), {"A.BIN_1", "S&&1-2.B_98304", "S&&2-2.B_1"});
        QCOMPARE(Find<QLabel>(dlg, "entryCount")->text(), QString("3"));
        QCOMPARE(Texts(Find<QListWidget>(dlg, "testerList")),
                 (QStringList{"A.BIN_1 VER. 01.00 DEL 07/12/2024",
                              "S.B_98305 VER. 01.00 DEL 07/12/2024"}));
        QVERIFY(Find<QPushButton>(dlg, "refreshButton")->isEnabled());
        QVERIFY(!Find<QPushButton>(dlg, "downloadButton")->isEnabled()); // nothing chosen
    }

    void choosingEcus()
    {
        ScriptedLink link;
        auto dlg = Opened(link);
        ChooseVehicle(*dlg, 0);
        auto* ecus = Find<QTreeWidget>(*dlg, "ecuList");
        QCOMPARE(ecus->topLevelItemCount(), 3);
        QCOMPARE(ecus->currentItem(), ecus->topLevelItem(0));
        DoubleClick(ecus, 1);
        DoubleClick(ecus, 1); // no twin
        auto* selection = Find<QListWidget>(*dlg, "selectionList");
        QCOMPARE(Texts(selection), QStringList{"Body computer (PUNTO)"});
        QVERIFY(Find<QPushButton>(*dlg, "downloadButton")->isEnabled());
        QVERIFY(Find<QPushButton>(*dlg, "removeButton")->isEnabled());

        // Removing asks first; No keeps the row.
        selection->item(0)->setSelected(true);
        answer_ = 7;
        QTest::mouseClick(Find<QPushButton>(*dlg, "removeButton"), Qt::LeftButton);
        QCOMPARE(selection->count(), 1);
        answer_ = 6;
        QTest::mouseClick(Find<QPushButton>(*dlg, "removeButton"), Qt::LeftButton);
        QCOMPARE(selection->count(), 0);
        QVERIFY(!Find<QPushButton>(*dlg, "downloadButton")->isEnabled());
    }

    // Two ECUs of one name from two vehicles are two software files: both are chosen, shown
    // with their vehicles, and sent; the same one again is not chosen twice.
    void sameNameFromTwoVehicles()
    {
        ScriptedLink link;
        auto dlg = Opened(link);
        auto* ecus = Find<QTreeWidget>(*dlg, "ecuList");
        ChooseVehicle(*dlg, 0);
        DoubleClick(ecus, 2);
        ChooseVehicle(*dlg, 1);
        DoubleClick(ecus, 1);
        auto* selection = Find<QListWidget>(*dlg, "selectionList");
        QCOMPARE(Texts(selection), (QStringList{"Airbag (PUNTO)", "Airbag (DUCATO)"}));
        ChooseVehicle(*dlg, 0);
        DoubleClick(ecus, 2);
        QCOMPARE(selection->count(), 2);
        QCOMPARE(selection->currentRow(), 0); // where it was chosen already
        QTest::mouseClick(Find<QPushButton>(*dlg, "downloadButton"), Qt::LeftButton);
        QTRY_COMPARE(copies_.size(), std::size_t(1));
        QCOMPARE(copies_[0].size(), std::size_t(2));
        QCOMPARE(copies_[0][0].testerPath, std::string("/FN0/AIRP.BIN_10"));
        QCOMPARE(copies_[0][1].testerPath, std::string("/FN0/AIRD.BIN_10"));
    }

    // After a time-out on the opening sync the dialog stays as it is, and its download works.
    void downloadAfterOpeningTimeout()
    {
        ScriptedLink link;
        auto dlg = std::make_unique<CTesterSoftwareDlg>(
            link, [this](QWidget*, const std::vector<TesterSoftwareEngine::CopyItem>& q) {
                copies_.push_back(q);
                return int(q.size());
            });
        dlg->show();
        QTRY_COMPARE(link.sent.size(), std::size_t(1));
        dlg->Engine().OnAnswer(TesterSoftwareEngine::kTimeout, nullptr, 0);
        QTRY_COMPARE(boxes_.size(), std::size_t(1));
        QVERIFY(dlg->isVisible());
        ChooseVehicle(*dlg, 1);
        DoubleClick(Find<QTreeWidget>(*dlg, "ecuList"), 0);
        auto* download = Find<QPushButton>(*dlg, "downloadButton");
        QVERIFY(download->isEnabled());
        QTest::mouseClick(download, Qt::LeftButton);
        QTRY_COMPARE(copies_.size(), std::size_t(1));
        QCOMPARE(copies_[0][0].testerPath, std::string("/FN0/ENG.BIN_50"));
    }

    // The line lost in the middle of a download: the copy says it cannot send, and so does the
    // listing after it; shown in the program's one set of boxes, it is said once.
    void lineLostDuringADownloadIsSaidOnce()
    {
        ScriptedLink link;
        ErrorBoxes program(AppConfig);
        auto dlg = std::make_unique<CTesterSoftwareDlg>(
            link, [&](QWidget*, const std::vector<TesterSoftwareEngine::CopyItem>& q) {
                copies_.push_back(q);
                program.Show(ErrorReport(ErrorText::kCannotSend)); // as the copy reports it
                link.refuse = true;                                // the line is gone
                return 0;
            });
        dlg->ShowFailuresIn(program);
        dlg->show();
        QTRY_COMPARE(link.sent.size(), std::size_t(1));
        AnswerListing(dlg->Engine(), {});
        // A modal box: what arrives while it is open is dispatched under it.
        SetMessageBoxHook([this](const std::string& title, const std::string& text, int style) {
            boxes_.push_back({title, text, style});
            QEventLoop open;
            QTimer::singleShot(100, &open, &QEventLoop::quit);
            open.exec();
            return 6;
        });
        ChooseVehicle(*dlg, 1);
        DoubleClick(Find<QTreeWidget>(*dlg, "ecuList"), 0);
        answer_ = 6;
        QTest::mouseClick(Find<QPushButton>(*dlg, "downloadButton"), Qt::LeftButton);
        QTRY_VERIFY(!dlg->isVisible());
        QTest::qWait(50);
        QCOMPARE(boxes_.size(), std::size_t(1));
        QCOMPARE(boxes_[0].text, GetText("MESSAGGI_ERRORE", 15, AppConfig.textsPath.c_str()));
        initTestCase(); // the usual hook again
    }

    // A name from the tester is shown with its control bytes written out, and a name that
    // cannot be sent back is refused at once, without the question and without a request.
    void hostileNameShownAndRefused()
    {
        ScriptedLink link;
        auto dlg = Opened(link, {"../FN1/ABS\x1b[2J.BIN_5", "OK.BIN_1", std::string(400, 'L')});
        auto* tester = Find<QListWidget>(*dlg, "testerList");
        QCOMPARE(Texts(tester).mid(0, 2),
                 (QStringList{"../FN1/ABS\\x1B[2J.BIN_5 VER. 01.00 DEL 07/12/2024",
                              "OK.BIN_1 VER. 01.00 DEL 07/12/2024"}));
        tester->item(0)->setSelected(true);
        tester->item(1)->setSelected(true);
        tester->item(2)->setSelected(true);
        const std::size_t requests = link.sent.size();
        QTest::mouseClick(Find<QPushButton>(*dlg, "deleteButton"), Qt::LeftButton);
        QTRY_COMPARE(boxes_.size(), std::size_t(1));
        QCOMPARE(boxes_[0].style, kStyleError);
        QVERIFY(QString::fromStdString(boxes_[0].text)
                    .startsWith(QString::fromStdString(
                        GetText("MESSAGGI_ERRORE", 68, AppConfig.textsPath.c_str()))));
        const QString said = QString::fromStdString(boxes_[0].text);
        QVERIFY(said.contains("../FN1/ABS\\x1B[2J.BIN_5"));
        // The cut name is shortened in its middle, so that all of the message fits the box.
        QVERIFY2(said.contains(QString("L") + QChar(0x2026) + "L") && said.size() <= 399,
                 qPrintable(said));
        QCOMPARE(link.sent.size(), requests);
        QVERIFY(Find<QPushButton>(*dlg, "deleteButton")->isEnabled());
    }

    void dragAndDrop_data()
    {
        QTest::addColumn<bool>("ontoSelection");
        QTest::newRow("released over the selection") << true;
        QTest::newRow("released elsewhere") << false;
    }
    void dragAndDrop()
    {
        QFETCH(bool, ontoSelection);
        ScriptedLink link;
        auto dlg = Opened(link);
        ChooseVehicle(*dlg, 1);
        auto* ecus = Find<QTreeWidget>(*dlg, "ecuList");
        auto* selection = Find<QListWidget>(*dlg, "selectionList");
        QWidget* from = ecus->viewport();
        const QPoint start = ecus->visualItemRect(ecus->topLevelItem(0)).center();
        QTest::mousePress(from, Qt::LeftButton, {}, start);
        QTest::mouseMove(from, start + QPoint(30, 0));
        QVERIFY(QApplication::overrideCursor());
        const QPoint target = ontoSelection ? selection->rect().center()
                                            : Find<QTreeWidget>(*dlg, "vehicleList")->rect().center();
        const QWidget* over = ontoSelection ? static_cast<QWidget*>(selection)
                                            : Find<QTreeWidget>(*dlg, "vehicleList");
        QTest::mouseRelease(from, Qt::LeftButton, {}, from->mapFromGlobal(over->mapToGlobal(target)));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(selection->count(), ontoSelection ? 1 : 0);
    }

    void downloadRunsCopyThenLists()
    {
        ScriptedLink link;
        auto dlg = Opened(link, {"NBC.BIN_100"});
        ChooseVehicle(*dlg, 0);
        auto* ecus = Find<QTreeWidget>(*dlg, "ecuList");
        DoubleClick(ecus, 1);
        QTest::mouseClick(Find<QPushButton>(*dlg, "downloadButton"), Qt::LeftButton);
        // The software is on the tester whole; the new file needs 3 parts: asked, Yes.
        QTRY_COMPARE(boxes_.size(), std::size_t(1));
        QCOMPARE(boxes_[0].style, kStyleQuestion);
        QVERIFY(QString::fromStdString(boxes_[0].text).contains("NBC"));
        QCOMPARE(link.Last().Text(), std::string("/FN0/NBC.BIN_100"));
        AnswerStatus(dlg->Engine(), 15, 1);
        QTRY_COMPARE(copies_.size(), std::size_t(1));
        QCOMPARE(copies_[0].size(), std::size_t(3));
        QCOMPARE(copies_[0][2].testerPath, std::string("/FN0/NBC&&3-3.BIN_3392"));
        QTRY_COMPARE(link.Last().type, TesterSoftwareEngine::kSync);
        QCOMPARE(Find<QLabel>(*dlg, "entryCount")->text(), QString("--"));
    }

    void deleteFromTester()
    {
        ScriptedLink link;
        auto dlg = Opened(link, {"A.BIN_1", "B.BIN_1"});
        auto* tester = Find<QListWidget>(*dlg, "testerList");
        tester->item(1)->setSelected(true);
        QTest::mouseClick(Find<QPushButton>(*dlg, "deleteButton"), Qt::LeftButton);
        QCOMPARE(link.Last().Text(), std::string("/FN0/B.BIN_1"));
        QVERIFY(!Find<QPushButton>(*dlg, "refreshButton")->isEnabled());
        QVERIFY(!tester->isEnabled());
    }

    void failureCloses()
    {
        ScriptedLink link;
        CTesterSoftwareDlg dlg(link, nullptr);
        dlg.show();
        QTRY_COMPARE(link.sent.size(), std::size_t(1));
        AnswerStatus(dlg.Engine(), 7, 1);
        AnswerStatus(dlg.Engine(), 18, 2);
        QTRY_COMPARE(boxes_.size(), std::size_t(1)); // shown from the event loop
        QCOMPARE(boxes_[0].text, GetText("MESSAGGI_ERRORE", 32, AppConfig.textsPath.c_str()));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), 1);
    }

    void indexMismatchShowsSystemBox()
    {
        ScriptedLink link;
        CTesterSoftwareDlg dlg(link, nullptr);
        dlg.show();
        QTRY_COMPARE(link.sent.size(), std::size_t(1));
        AnswerStatus(dlg.Engine(), 7, 1);
        AnswerStatus(dlg.Engine(), 18, 1);
        Answer(dlg.Engine(), EntryFrame(1, "X.B_1"));
        QTRY_COMPARE(boxes_.size(), std::size_t(1));
        QCOMPARE(boxes_[0].title, std::string("SYSTEM MESSAGE"));
        QVERIFY(!dlg.isVisible());
    }

    void help()
    {
        int asked = 0;
        SetHelpHandler([&](int id) { asked = id; });
        ScriptedLink link;
        auto dlg = Opened(link);
        QTest::mouseClick(Find<QPushButton>(*dlg, "helpButton"), Qt::LeftButton);
        SetHelpHandler(nullptr);
        QCOMPARE(asked, 131203);
    }

    // After the installation dialog the catalogue is read again, the selection is empty and
    // the tester is listed again.
    void installReopens()
    {
        ScriptedLink link;
        auto dlg = Opened(link);
        ChooseVehicle(*dlg, 1);
        auto* ecus = Find<QTreeWidget>(*dlg, "ecuList");
        DoubleClick(ecus, 0);
        QFile ini(dir_.filePath("ECU.INI"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray catalogue = ini.readAll();
        ini.close();
        dlg->SetInstallRunner([&](QWidget*) {
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write(QByteArray(catalogue).replace("nV=2\n", "nV=3\ncar2=PANDA\n"));
            ini.close();
        });
        const std::size_t before = link.sent.size();
        QTest::mouseClick(Find<QPushButton>(*dlg, "installButton"), Qt::LeftButton);
        QCOMPARE(Find<QTreeWidget>(*dlg, "vehicleList")->topLevelItemCount(), 3);
        QCOMPARE(Find<QListWidget>(*dlg, "selectionList")->count(), 0);
        QTRY_VERIFY(link.sent.size() > before);
        QCOMPARE(link.Last().type, TesterSoftwareEngine::kSync);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(catalogue);
    }
};

QTEST_MAIN(TestTesterSoftwareDlg)
#include "tst_tester_software_dlg.moc"
