// Tests of the language and serial-port dialogs and of how their choices are applied.
#include "app/app_constants.h"
#include "app/help_key_filter.h"
#include "app/language_dlg.h"
#include "app/serial_port_dlg.h"
#include "core/app_config.h"
#include "core/help_request.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "linklib/link_event.h"
#include "platform/serial_ports.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <cerrno>

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

// A seam with no devices at all, so that the machine's own do not change a test.
SerialPortContext NoDevices()
{
    SerialPortContext context;
    context.seam.paths = QStringList();
    return context;
}

} // namespace

class TestSettingsDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    struct Box
    {
        std::string title, text;
        int style;
    };
    std::vector<Box> messages_;

    // Checks that exactly one box was shown, with the error title and MESSAGGI_ERRORE `number`
    // in language `language`.
    void checkOneError(int number, int language)
    {
        QCOMPARE(messages_.size(), std::size_t(1));
        const char* file = AppConfig.textsPath.c_str();
        const std::uint8_t current = AppConfig.language;
        AppConfig.language = std::uint8_t(language);
        const std::string title = GetText("MESSAGGI_ERRORE", 1, file);
        const std::string text = GetText("MESSAGGI_ERRORE", number, file);
        AppConfig.language = current;
        QCOMPARE(messages_[0].title, title);
        QCOMPARE(messages_[0].text, text);
        QCOMPARE(messages_[0].style, kStyleError);
    }

private slots:
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
        SetMessageBoxHook([this](const std::string& title, const std::string& text, int style) {
            messages_.push_back({title, text, style});
            return 1;
        });
    }

    // Every caption is its own text number of the dialog's section, in every language.
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
        const char* lang = "DIALOGO_SELEZIONE_LINGUA";
        const char* port = "DIALOGO_SELEZIONE_PORTA_SERIALE";
        CLanguageDlg langDlg;
        CSerialPortDlg portDlg(3);
        QCOMPARE(langDlg.windowTitle(), UiText(lang, 1));
        QCOMPARE(portDlg.windowTitle(), UiText(port, 1));
        const std::pair<const char*, int> langCaptions[] = {
            {"buttonItalia", 4},  {"buttonInghilterra", 6}, {"buttonGermania", 3},
            {"buttonFrancia", 2}, {"buttonSpagna", 5},      {"buttonGrecia", 9},
            {"buttonCancel", 10}, {"buttonHelp", 11}};
        for (auto [name, number] : langCaptions) {
            auto* button = langDlg.findChild<QAbstractButton*>(name);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), UiText(lang, number));
        }
        const std::pair<const char*, int> portCaptions[] = {
            {"buttonOk", 3}, {"buttonCancel", 4}, {"buttonHelp", 5}};
        for (auto [name, number] : portCaptions) {
            auto* button = portDlg.findChild<QAbstractButton*>(name);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), UiText(port, number));
        }
        for (int n = 1; n <= 6; ++n) {
            auto* radio = portDlg.findChild<QRadioButton*>(QString("radioCom%1").arg(n));
            QVERIFY(radio);
            QCOMPARE(radio->text(), UiText(port, 2) + QString::number(n));
            QCOMPARE(radio->isChecked(), n == 3);
        }
        for (QWidget* w : {static_cast<QWidget*>(&langDlg), static_cast<QWidget*>(&portDlg)})
            for (auto* b : w->findChildren<QAbstractButton*>())
                QVERIFY2(!b->text().isEmpty() && !b->text().contains(kTextNotFound),
                         qPrintable(b->objectName()));
    }

    // Each language button saves its own code and sets its own index.
    void eachButtonSavesItsLanguage_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("language");
        QTest::newRow("Inghilterra") << "buttonInghilterra" << 1;
        QTest::newRow("Francia") << "buttonFrancia" << 2;
        QTest::newRow("Germania") << "buttonGermania" << 3;
        QTest::newRow("Spagna") << "buttonSpagna" << 4;
        QTest::newRow("Grecia") << "buttonGrecia" << 5;
    }

    void eachButtonSavesItsLanguage()
    {
        QFETCH(QString, button);
        QFETCH(int, language);
        const QByteArray name = button.toLatin1();
        clickInNextDialog(name.constData());
        QCOMPARE(SelectLanguage(nullptr), true);
        QCOMPARE(int(AppConfig.language), language);
        QCOMPARE(readFile(AppConfig.profilePath),
                 "[CONFIGURAZIONE]\r\nlingua=" + std::string(kLanguageCodes[language]) +
                     "\r\nporta_com = COM1\r\n");
        QVERIFY(messages_.empty());
    }

    void sameLanguageWritesNothing()
    {
        const std::string before = readFile(AppConfig.profilePath);
        clickInNextDialog("buttonItalia");
        QCOMPARE(SelectLanguage(nullptr), false);
        QCOMPARE(readFile(AppConfig.profilePath), before);
        QCOMPARE(int(AppConfig.language), 0);
    }

    void unwritableProfileStillChangesLanguage()
    {
        AppConfig.profilePath = dir_.filePath("missing-folder/VELANTO.INI").toStdString();
        clickInNextDialog("buttonGermania");
        QCOMPARE(SelectLanguage(nullptr), true);
        QCOMPARE(int(AppConfig.language), 3);
        checkOneError(3, 0); // said in the language of the moment, Italian
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
        LinkMessageEvent timeout(LinkTimeout, 0);
        QCoreApplication::sendEvent(&lang, &timeout);
        checkOneError(12, 0);
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
        // The new port is saved by the reopening once it opened (the view's port change).
        QTest::newRow("another port reopens, not yet saved")
            << "radioCom5"
            << "buttonOk" << 5 << QByteArray("porta_com = COM1");
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
        SelectSerialPort(nullptr, NoDevices(), [&](int p) { reopenedWith = p; });
        QCOMPARE(reopenedWith, reopened);
        QVERIFY(readFile(AppConfig.profilePath).find(written.toStdString()) != std::string::npos);
    }

    // Each port shows the device the profile names for it, greyed when it is not there.
    void devicesComeFromTheProfile()
    {
        const std::string present = dir_.filePath("tester.pty").toStdString();
        const std::string absent = dir_.filePath("gone.pty").toStdString();
        std::ofstream(AppConfig.profilePath, std::ios::app)
            << "[PORTE_COM]\r\nCOM2=" << present << "\r\nCOM6=" << absent << "\r\n";
        std::ofstream(present) << "";
        QCOMPARE(SerialDeviceForPort(1, AppConfig.profilePath.c_str()), std::string("/dev/ttyS0"));
        QCOMPARE(SerialDeviceForPort(2, AppConfig.profilePath.c_str()), present);
        CSerialPortDlg dlg(2);
        QCOMPARE(dlg.findChild<QLabel*>("deviceCom2")->toolTip(), QString::fromStdString(present));
        QVERIFY(dlg.findChild<QLabel*>("deviceCom2")->isEnabled());
        QCOMPARE(dlg.findChild<QLabel*>("deviceCom6")->toolTip(),
                 QString::fromStdString(absent) + " (" +
                     UiText("DIALOGO_SELEZIONE_PORTA_SERIALE", 17) + ")");
        QVERIFY(!dlg.findChild<QLabel*>("deviceCom6")->isEnabled());
        // A long path is shortened, what is said of it never: in Greek, a cut "Μη συνδεδεμένη"
        // would read "connected".
        const QString shown = dlg.findChild<QLabel*>("deviceCom6")->text();
        QVERIFY2(shown.endsWith(" (" + UiText("DIALOGO_SELEZIONE_PORTA_SERIALE", 17) + ")"),
                 qPrintable(shown));
    }

    // The devices of the seam: two adapters (one with a stable link), one the user may not
    // open and one that is gone; each choice stores what names the device for good.
    void chosenDeviceIsStoredByItsStableName_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("reopened");
        QTest::newRow("adapter with a stable link")
            << "ttyUSB0"
            << "radioCom2" << QByteArray("COM2=by-id/usb-FTDI_A1") << 2;
        QTest::newRow("adapter without one") << "ttyACM0"
                                             << "radioCom3" << QByteArray("COM3=ttyACM0") << 3;
        QTest::newRow("no permission yet") << "ttyUSB1"
                                           << "radioCom4" << QByteArray("COM4=ttyUSB1") << 4;
        // The port in use, checked as before, now leads elsewhere: the link must open it.
        QTest::newRow("port in use moved") << "ttyACM0"
                                           << "radioCom1" << QByteArray("COM1=ttyACM0") << 1;
    }

    void chosenDeviceIsStoredByItsStableName()
    {
        QFETCH(QString, device);
        QFETCH(QString, radio);
        QFETCH(QByteArray, stored);
        QFETCH(int, reopened);
        QTemporaryDir devices;
        const QString dev = devices.path() + "/";
        for (const char* name : {"ttyUSB0", "ttyACM0", "ttyUSB1"})
            QFile(dev + name).open(QIODevice::WriteOnly);
        QDir().mkpath(dev + "by-id");
        QVERIFY(QFile::link(dev + "ttyUSB0", dev + "by-id/usb-FTDI_A1"));
        // The devices and their stable links as a set-up names them to the program.
        const QStringList paths{dev + "ttyUSB0", dev + "ttyACM0", dev + "ttyUSB1", dev + "ttyUSB7"};
        qputenv("ZOLT_SERIAL_DEVICES", QFile::encodeName(paths.join(':')));
        qputenv("ZOLT_SERIAL_BY_ID", QFile::encodeName(dev + "by-id"));
        SerialPortContext context;
        context.seam = SerialDeviceSeam::FromEnvironment();
        qunsetenv("ZOLT_SERIAL_DEVICES");
        qunsetenv("ZOLT_SERIAL_BY_ID");
        context.seam.describe = [dev] {
            return std::vector<SerialDeviceInfo>{
                {dev + "ttyUSB0", "FT232R USB UART", "FTDI", "A1", 0x0403, 0x6001},
                {dev + "ttyACM0", "Tester USB", "Velanto", "", 0x2341, 0x0043}};
        };
        context.seam.accessError = [dev](const QString& path) {
            return path == dev + "ttyUSB1" ? EACCES : 0;
        };

        QString state, tip;
        QTimer::singleShot(0, [&] {
            QWidget* dlg = QApplication::activeModalWidget();
            QVERIFY(dlg);
            auto* list = dlg->findChild<QTreeWidget*>("deviceList");
            QCOMPARE(list->topLevelItemCount(), 4);
            const QStringList usb0 = {dev + "ttyUSB0", "FT232R USB UART", "FTDI", "A1",
                                      "0403:6001"};
            for (int column = 0; column < usb0.size(); ++column)
                QCOMPARE(list->topLevelItem(1)->text(column), usb0[column]);
            QCOMPARE(list->topLevelItem(3)->text(5),
                     UiText("DIALOGO_SELEZIONE_PORTA_SERIALE", 17)); // ttyUSB7: gone
            QTest::mouseClick(dlg->findChild<QRadioButton*>(radio), Qt::LeftButton);
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                if (list->topLevelItem(row)->text(0) == dev + device)
                    list->setCurrentItem(list->topLevelItem(row));
            state = list->currentItem()->text(5);
            tip = dlg->findChild<QLabel*>("deviceNote")->text();
            QTest::mouseClick(dlg->findChild<QPushButton*>("buttonUseDevice"), Qt::LeftButton);
            QTest::mouseClick(dlg->findChild<QPushButton*>("buttonOk"), Qt::LeftButton);
        });
        int reopenedWith = 0;
        SelectSerialPort(nullptr, context, [&](int p) { reopenedWith = p; });
        QCOMPARE(reopenedWith, reopened);
        std::string profile = readFile(AppConfig.profilePath);
        const std::string prefix = dev.toStdString();
        for (std::size_t at; (at = profile.find(prefix)) != std::string::npos;)
            profile.erase(at, prefix.size());
        QVERIFY2(profile.find(stored.toStdString()) != std::string::npos, profile.c_str());
        if (device == "ttyUSB1") {
            // The user is told why and how to mend it, in the program's permission text.
            QCOMPARE(state, UiText("DIALOGO_SELEZIONE_PORTA_SERIALE", 18));
            QVERIFY2(tip.contains("dialout"), qPrintable(tip));
        }
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settings_dialogs.moc"
