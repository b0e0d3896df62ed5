// Tests of the language and serial-port dialogs and of how their choices are applied.
#include "app/app_constants.h"
#include "app/help_key_filter.h"
#include "app/language_dlg.h"
#include "app/serial_port_dlg.h"
#include "core/app_config.h"
#include "core/help_request.h"
#include "core/link_event.h"
#include "core/texts.h"
#include "platform/serial_ports.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <fstream>
#include <sstream>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Clicks the child `name` of the next dialog that opens.
void clickInNextDialog(const char* name)
{
    QTimer::singleShot(0, [name] {
        QWidget* dlg = QApplication::activeModalWidget();
        QVERIFY(dlg);
        auto* button = dlg->findChild<QAbstractButton*>(name);
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    });
}

} // namespace

class TestSettingsDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::vector<int> messages_;

private Q_SLOTS:
    void init()
    {
        AppConfig.workDir = dir_.path().toStdString();
        AppConfig.profilePath = dir_.filePath("VELANTO.INI").toStdString();
        AppConfig.textsPath = std::string(ZOLT_SOURCE_DIR) + "/data/SWBASE.TXT";
        std::ofstream(AppConfig.profilePath)
            << "[CONFIGURAZIONE]\r\nlingua=ITA\r\nporta_com = COM1\r\n";
        AppConfig.language = 0;
        AppConfig.comPort = 1;
        messages_.clear();
        SetMessageBoxHook([this](const std::string&, const std::string& text, int) {
            messages_.push_back(int(text.size()));
            return 1;
        });
    }

    void captionsInEveryLanguage_data()
    {
        QTest::addColumn<int>("language");
        for (int i = 0; i < 6; ++i)
            QTest::newRow(kLanguageCodes[i]) << i;
    }

    void captionsInEveryLanguage()
    {
        QFETCH(int, language);
        AppConfig.language = std::uint8_t(language);
        CLanguageDlg lang;
        CSerialPortDlg port(3);
        for (QWidget* w : {static_cast<QWidget*>(&lang), static_cast<QWidget*>(&port)}) {
            QVERIFY(!w->windowTitle().contains("()----()"));
            for (auto* b : w->findChildren<QAbstractButton*>())
                QVERIFY2(!b->text().isEmpty() && !b->text().contains("()----()"),
                         qPrintable(b->objectName()));
        }
        QVERIFY(port.findChild<QRadioButton*>("radioCom3")->isChecked());
        QVERIFY(port.findChild<QRadioButton*>("radioCom3")->text().endsWith("3"));
    }

    void sameLanguageWritesNothing()
    {
        const std::string before = readFile(AppConfig.profilePath);
        clickInNextDialog("buttonItalia");
        QCOMPARE(SelectLanguage(nullptr), false);
        QCOMPARE(readFile(AppConfig.profilePath), before);
        QCOMPARE(int(AppConfig.language), 0);
    }

    void otherLanguageIsSavedAndApplied()
    {
        clickInNextDialog("buttonGrecia");
        QCOMPARE(SelectLanguage(nullptr), true);
        QCOMPARE(int(AppConfig.language), 5);
        QCOMPARE(readFile(AppConfig.profilePath),
                 std::string("[CONFIGURAZIONE]\r\nlingua=GRE\r\nporta_com = COM1\r\n"));
        QVERIFY(messages_.empty());
    }

    void unwritableProfileStillChangesLanguage()
    {
        AppConfig.profilePath = dir_.filePath("missing-folder/VELANTO.INI").toStdString();
        clickInNextDialog("buttonGermania");
        QCOMPARE(SelectLanguage(nullptr), true);
        QCOMPARE(int(AppConfig.language), 3);
        QCOMPARE(messages_.size(), size_t(1));
    }

    void cancelChangesNothing()
    {
        clickInNextDialog("buttonCancel");
        QCOMPARE(SelectLanguage(nullptr), false);
        QCOMPARE(int(AppConfig.language), 0);
    }

    void helpAsksForItsTopic()
    {
        std::vector<int> asked;
        SetHelpHandler([&](int id) { asked.push_back(id); });
        CLanguageDlg lang;
        QTest::mouseClick(lang.findChild<QPushButton*>("buttonHelp"), Qt::LeftButton);
        CSerialPortDlg port(1);
        QTest::mouseClick(port.findChild<QPushButton*>("buttonHelp"), Qt::LeftButton);
        // F1 anywhere in a dialog asks for the same topic as its Help button.
        HelpKeyFilter filter;
        qApp->installEventFilter(&filter);
        QTest::keyClick(port.findChild<QRadioButton*>("radioCom2"), Qt::Key_F1);
        QTest::keyClick(&lang, Qt::Key_F1);
        qApp->removeEventFilter(&filter);
        SetHelpHandler(nullptr);
        QCOMPARE(asked, (std::vector<int>{helpid::Language, helpid::SerialPort, helpid::SerialPort,
                                          helpid::Language}));
    }

    void timeoutNoticeInLanguageDialog()
    {
        CLanguageDlg lang;
        QCoreApplication::sendEvent(&lang, new LinkMessageEvent(LinkTimeout, 0));
        QCOMPARE(messages_.size(), size_t(1));
    }

    void port_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("reopened");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("same port rewrites, no reopen")
            << "radioCom1"
            << "buttonOk" << 0 << QByteArray("porta_com=COM1");
        QTest::newRow("another port reopens") << "radioCom5"
                                              << "buttonOk" << 5 << QByteArray("porta_com=COM5");
        QTest::newRow("cancel changes nothing")
            << "radioCom4"
            << "buttonCancel" << 0 << QByteArray("porta_com = COM1");
    }

    void port()
    {
        QFETCH(QString, radio);
        QFETCH(QString, button);
        QFETCH(int, reopened);
        QFETCH(QByteArray, written);
        // The profile holds "porta_com = COM1": a rewrite of the same port shows as "COM1"
        // without the blanks.
        QTimer::singleShot(0, [radio, button] {
            QWidget* dlg = QApplication::activeModalWidget();
            QVERIFY(dlg);
            QTest::mouseClick(dlg->findChild<QRadioButton*>(radio), Qt::LeftButton);
            QTest::mouseClick(dlg->findChild<QPushButton*>(button), Qt::LeftButton);
        });
        int reopenedWith = 0;
        SelectSerialPort(nullptr, [&](int p) { reopenedWith = p; });
        QCOMPARE(reopenedWith, reopened);
        QVERIFY(readFile(AppConfig.profilePath).find(written.toStdString()) != std::string::npos);
    }

    void devicesComeFromTheProfile()
    {
        std::ofstream(AppConfig.profilePath, std::ios::app)
            << "[PORTE_COM]\r\nCOM2=" << dir_.filePath("tester.pty").toStdString() << "\r\n";
        std::ofstream(dir_.filePath("tester.pty").toStdString()) << "";
        QCOMPARE(SerialDeviceForPort(1, AppConfig.profilePath.c_str()), std::string("/dev/ttyS0"));
        QCOMPARE(SerialDeviceForPort(2, AppConfig.profilePath.c_str()),
                 dir_.filePath("tester.pty").toStdString());
        CSerialPortDlg dlg(2);
        QVERIFY(dlg.findChild<QLabel*>("deviceCom2")->isEnabled());
        QVERIFY(!dlg.findChild<QLabel*>("deviceCom6")->isEnabled() || QFile::exists("/dev/ttyS5"));
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settings_dialogs.moc"
