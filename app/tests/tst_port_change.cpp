// The port the user picks in the serial-port dialog is the one the program's link then holds.
#include "app/app_constants.h"
#include "app/zolt_view.h"
#include "core/app_config.h"
#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "link/link_session.h"

#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

class TestPortChange : public QObject
{
    Q_OBJECT

    QTemporaryDir work_;
    QString previousDir_ = QDir::currentPath();
    int masters_[2] = {-1, -1};

    // The boxes the program shows, text and style, in order.
    std::vector<std::pair<std::string, int>> boxes;

    QString Device(int port) const { return work_.filePath(QString("tester%1").arg(port)); }

private slots:
    // COM1 and COM2 lead to two pseudo-terminals, COM3 to nothing.
    void initTestCase()
    {
        QByteArray ini = "[CONFIGURAZIONE]\nporta_com=COM1\n[PORTE_COM]\n";
        for (int i = 0; i < 2; ++i) {
            masters_[i] = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
            QVERIFY(masters_[i] >= 0 && grantpt(masters_[i]) == 0 && unlockpt(masters_[i]) == 0);
            QVERIFY(QFile::link(QString::fromLatin1(ptsname(masters_[i])), Device(i + 1)));
            ini += "COM" + QByteArray::number(i + 1) + "=" + Device(i + 1).toUtf8() + "\n";
        }
        ini += "COM3=" + work_.filePath("unplugged").toUtf8() + "\n";
        QFile file(work_.filePath("VELANTO.INI"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        QDir::setCurrent(work_.path());
        AppConfig.workDir = work_.path().toStdString();
        AppConfig.profilePath = file.fileName().toStdString();
        AppConfig.textsPath = std::string(ZOLT_SOURCE_DIR) + "/data/SWBASE.TXT";
        AppConfig.comPort = 1;
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(previousDir_);
        for (int fd : masters_)
            ::close(fd);
    }

    // Picks COM`port` in the serial-port dialog of `view`.
    static void ChoosePort(CZOLTView& view, int port)
    {
        QTimer::singleShot(0, [port] {
            QWidget* dlg = QApplication::activeModalWidget();
            QVERIFY(dlg);
            QTest::mouseClick(dlg->findChild<QRadioButton*>(QString("radioCom%1").arg(port)),
                              Qt::LeftButton);
            QTest::mouseClick(dlg->findChild<QPushButton*>("buttonOk"), Qt::LeftButton);
        });
        view.OnCommand(cmd::SelectSerialPort);
    }

    // The port "VELANTO.INI" holds, read from the file as it is now.
    static std::string SavedPort()
    {
        QFile file(QString::fromStdString(AppConfig.profilePath));
        if (!file.open(QIODevice::ReadOnly))
            return "no profile";
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.trimmed().startsWith("porta_com"))
                return line.mid(line.indexOf('=') + 1).trimmed().toStdString();
        return "no porta_com";
    }

    void init()
    {
        boxes.clear();
        SetMessageBoxHook([this](const std::string&, const std::string& text, int style) {
            boxes.push_back({text, style});
            return 1;
        });
    }
    void cleanup() { SetMessageBoxHook(nullptr); }

    void chosenPortIsReopened()
    {
        CZOLTView view;
        QVERIFY(view.Create());
        QCOMPARE(view.GetLink()->Port().com, 1);
        ChoosePort(view, 2);

        QCOMPARE(view.GetLink()->Port().com, 2);
        QVERIFY(view.GetLink()->PortOpen());
        QCOMPARE(int(AppConfig.comPort), 2);
        QCOMPARE(SavedPort(), std::string("COM2"));
        // The change is announced in the platform's notice box.
        QTRY_COMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].first, GetText("MESSAGGI_ERRORE", 55, AppConfig.textsPath.c_str()));
        QCOMPARE(boxes[0].second, kStyleNotice);
        // The first device is free again for another program.
        const int fd = ::open(qPrintable(Device(1)), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
        ChoosePort(view, 1);
        QTRY_COMPARE(boxes.size(), std::size_t(2));
    }

    // A port that cannot be opened: its reason is said, and nothing else; the port that worked
    // stays in use and in the profile.
    void failedChoiceKeepsThePortThatWorked()
    {
        CZOLTView view;
        QVERIFY(view.Create());
        QCOMPARE(view.GetLink()->Port().com, 1);
        ChoosePort(view, 3); // COM3 leads to a device that is not there
        QTRY_COMPARE(boxes.size(), std::size_t(1));
        QTest::qWait(50);
        QCOMPARE(boxes.size(), std::size_t(1));
        QVERIFY(boxes[0].first.rfind(GetText("MESSAGGI_ERRORE", 73, AppConfig.textsPath.c_str()),
                                     0) == 0);
        QCOMPARE(boxes[0].second, kStyleError);
        QCOMPARE(view.GetLink()->Port().com, 1);
        QVERIFY(view.GetLink()->PortOpen());
        QCOMPARE(int(AppConfig.comPort), 1);
        QCOMPARE(SavedPort(), std::string("COM1"));
    }
};

QTEST_MAIN(TestPortChange)
#include "tst_port_change.moc"
