// The port the user picks in the serial-port dialog is the one the program's link then holds.
#include "app/app_constants.h"
#include "app/zolt_view.h"
#include "core/app_config.h"
#include "core/error_sink.h"
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

    QString Device(int port) const { return work_.filePath(QString("tester%1").arg(port)); }

private slots:
    // COM1 and COM2 lead to two pseudo-terminals.
    void initTestCase()
    {
        QByteArray ini = "[CONFIGURAZIONE]\nporta_com=COM1\n[PORTE_COM]\n";
        for (int i = 0; i < 2; ++i) {
            masters_[i] = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
            QVERIFY(masters_[i] >= 0 && grantpt(masters_[i]) == 0 && unlockpt(masters_[i]) == 0);
            QVERIFY(QFile::link(QString::fromLatin1(ptsname(masters_[i])), Device(i + 1)));
            ini += "COM" + QByteArray::number(i + 1) + "=" + Device(i + 1).toUtf8() + "\n";
        }
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

    void chosenPortIsReopened()
    {
        RecordingErrorSink reports;
        CZOLTView view;
        QVERIFY(view.Create());
        QCOMPARE(view.GetLink()->Port(), 1);
        QTimer::singleShot(0, [] {
            QWidget* dlg = QApplication::activeModalWidget();
            QVERIFY(dlg);
            QTest::mouseClick(dlg->findChild<QRadioButton*>("radioCom2"), Qt::LeftButton);
            QTest::mouseClick(dlg->findChild<QPushButton*>("buttonOk"), Qt::LeftButton);
        });
        view.OnCommand(cmd::SelectSerialPort);

        QCOMPARE(view.GetLink()->Port(), 2);
        QVERIFY(view.GetLink()->PortOpen());
        QCOMPARE(reports.Numbers(), std::vector<int>{55});
        // The first device is free again for another program.
        const int fd = ::open(qPrintable(Device(1)), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
    }
};

QTEST_MAIN(TestPortChange)
#include "tst_port_change.moc"
