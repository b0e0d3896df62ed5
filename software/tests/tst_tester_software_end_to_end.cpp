// The tester software dialog against the tester simulator on a pseudo-terminal, through the
// program's own link session and copy dialog: listing, purge, download in parts, delete.
#include "core/app_config.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "link/link_session.h"
#include "software/tester_software_dlg.h"
#include "core/error_boxes.h"
#include "link/request_link.h"
#include "tools/tester_sim/tester_sim_process.h"
#include "transfer/copy_to_tester_dlg.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

class TestTesterSoftwareEndToEnd : public QObject
{
    Q_OBJECT

private:
    QString previousDir_ = QDir::currentPath();
    std::unique_ptr<QTemporaryDir> work_;
    QString fs_;
    TesterSimProcess sim_;
    std::unique_ptr<LinkSession> session_;
    QObject view_;
    std::vector<std::string> questions_;
    int answer_ = 6;

    static QByteArray Pattern(int size, int seed)
    {
        QByteArray data(size, '\0');
        for (int i = 0; i < size; ++i)
            data[i] = char((i * 31 + seed * 7 + i / 251) & 0xFF);
        return data;
    }
    static void Write(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList OnTester() const { return QDir(fs_).entryList(QDir::Files, QDir::Name); }

    template <typename T>
    static T* Find(QWidget& dlg, const char* name)
    {
        T* w = dlg.findChild<T*>(name);
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }

    // The dialog as the main view opens it, on the session to the simulator.
    struct Opened
    {
        ErrorBoxes boxes{AppConfig};
        SessionRequestLink link;
        CTesterSoftwareDlg dlg;
        explicit Opened(LinkSession& session)
            : link(session),
              dlg(link, [this, &session](QWidget* parent,
                                         const std::vector<TesterSoftwareEngine::CopyItem>& queue) {
                  SessionRequestLink copyLink(session);
                  CCopyToTesterDlg copy(copyLink, AppConfig, boxes, parent);
                  for (const TesterSoftwareEngine::CopyItem& item : queue)
                      copy.AddFile(item.pcPath.c_str(), item.testerPath.c_str(), 0, 0);
                  copy.exec();
                  return copy.Engine().FilesSent();
              })
        {
            boxes.Watch(&session);
            dlg.show();
        }
        QString Count() { return Find<QLabel>(dlg, "entryCount")->text(); }
        QStringList Rows()
        {
            QStringList out;
            auto* list = Find<QListWidget>(dlg, "testerList");
            for (int i = 0; i < list->count(); ++i)
                out << list->item(i)->text();
            return out;
        }
        bool Idle() { return Find<QPushButton>(dlg, "refreshButton")->isEnabled(); }
        void Choose(int vehicle, int ecu)
        {
            auto* vehicles = Find<QTreeWidget>(dlg, "vehicleList");
            vehicles->setCurrentItem(vehicles->topLevelItem(vehicle));
            auto* ecus = Find<QTreeWidget>(dlg, "ecuList");
            emit ecus->itemDoubleClicked(ecus->topLevelItem(ecu), 0);
        }
    };

    bool Start()
    {
        if (!sim_.Start(fs_, work_->filePath("tester")))
            return false;
        session_ = std::make_unique<LinkSession>(AppConfig);
        return session_->OpenLink(&view_, PortTarget::Com(1)) == 0 && session_->PortOpen();
    }

private slots:
    void init()
    {
        work_ = std::make_unique<QTemporaryDir>();
        QVERIFY(work_->isValid());
        fs_ = work_->filePath("FN0");
        QVERIFY(QDir().mkpath(fs_));
        Write(work_->filePath("VELANTO.INI"),
              "[PORTE_COM]\nCOM1=" + work_->filePath("tester").toUtf8() + "\n");
        Write(work_->filePath("ECU.INI"), "[VEICOLI]\nnV=1\ncar0=PUNTO\n"
                                          "[PUNTO]\nnE=2\necu0=ABS.BIN_200000\nname0=ABS\n"
                                          "ecu1=ENG.BIN_100000\nname1=Engine\n");
        QDir::setCurrent(work_->path());
        LoadConfiguration(work_->path().toStdString());
        AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
        AppConfig.language = 1;
        questions_.clear();
        answer_ = 6;
        SetMessageBoxHook([this](const std::string&, const std::string& text, int style) {
            if (style == kStyleQuestion)
                questions_.push_back(text);
            return style == kStyleQuestion ? answer_ : 1;
        });
    }
    void cleanup()
    {
        if (session_)
            session_->CloseLink();
        session_.reset();
        sim_.Stop();
        SetMessageBoxHook(nullptr);
        QDir::setCurrent(previousDir_);
        work_.reset();
    }

    // 200,000 bytes go as three parts with the right bytes, list as one row, and Delete takes
    // all three away again.
    void downloadInPartsThenDelete()
    {
        const QByteArray software = Pattern(200000, 3);
        Write(work_->filePath("ABS.BIN_200000"), software);
        QVERIFY(Start());
        Opened o(*session_);
        QTRY_COMPARE_WITH_TIMEOUT(o.Count(), QString("0"), 10000);
        o.Choose(0, 0);
        QTest::mouseClick(Find<QPushButton>(o.dlg, "downloadButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(o.Count(), QString("3"), 60000);
        QCOMPARE(OnTester(), (QStringList{"ABS&&1-3.BIN_98304", "ABS&&2-3.BIN_98304",
                                          "ABS&&3-3.BIN_3392"}));
        QCOMPARE(Read(fs_ + "/ABS&&1-3.BIN_98304") + Read(fs_ + "/ABS&&2-3.BIN_98304") +
                     Read(fs_ + "/ABS&&3-3.BIN_3392"),
                 software);
        QCOMPARE(o.Rows().size(), 1);
        QVERIFY2(o.Rows()[0].startsWith("ABS.BIN_200000 VER. 01.00 DEL "), qPrintable(o.Rows()[0]));
        QTRY_VERIFY(o.Idle());

        Find<QListWidget>(o.dlg, "testerList")->item(0)->setSelected(true);
        QTest::mouseClick(Find<QPushButton>(o.dlg, "deleteButton"), Qt::LeftButton);
        QCOMPARE(questions_.size(), std::size_t(1)); // "are you sure"
        QTRY_COMPARE_WITH_TIMEOUT(o.Count(), QString("0"), 10000);
        QCOMPARE(OnTester(), QStringList{});
        QVERIFY(o.Rows().isEmpty());
    }

    // Software with a part missing on the tester is deleted by the listing's purge, and the
    // tester is listed again.
    void incompleteSoftwareIsPurged()
    {
        Write(fs_ + "/ABS&&1-3.BIN_98304", "1");
        Write(fs_ + "/ABS&&3-3.BIN_3392", "3");
        Write(fs_ + "/KEEP.BIN_1", "k");
        QVERIFY(Start());
        Opened o(*session_);
        QTRY_COMPARE_WITH_TIMEOUT(o.Count(), QString("1"), 10000);
        QCOMPARE(OnTester(), QStringList{"KEEP.BIN_1"});
        QCOMPARE(o.Rows().size(), 1);
        QVERIFY(o.Rows()[0].startsWith("KEEP.BIN_1 VER. "));
    }

    // Software on the tester whole, now needing two parts: asked once; Yes deletes the old
    // file before the parts go.
    void conflictReplacesTheOldSoftware()
    {
        Write(fs_ + "/ENG.BIN_10", "0123456789");
        const QByteArray software = Pattern(100000, 5);
        Write(work_->filePath("ENG.BIN_100000"), software);
        QVERIFY(Start());
        Opened o(*session_);
        QTRY_COMPARE_WITH_TIMEOUT(o.Count(), QString("1"), 10000);
        o.Choose(0, 1);
        QTest::mouseClick(Find<QPushButton>(o.dlg, "downloadButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(OnTester(),
                                  (QStringList{"ENG&&1-2.BIN_98304", "ENG&&2-2.BIN_1696"}), 60000);
        QTRY_COMPARE_WITH_TIMEOUT(o.Count(), QString("2"), 10000);
        QCOMPARE(questions_.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(questions_[0]).contains("ENG"));
        QCOMPARE(Read(fs_ + "/ENG&&1-2.BIN_98304") + Read(fs_ + "/ENG&&2-2.BIN_1696"), software);
    }
};

QTEST_MAIN(TestTesterSoftwareEndToEnd)
#include "tst_tester_software_end_to_end.moc"
