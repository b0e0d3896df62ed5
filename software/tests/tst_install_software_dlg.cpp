// Tests of the new software installation dialog on temporary folders.
#include "core/app_config.h"
#include "core/help_request.h"
#include "core/plain_box.h"
#include "platform/profile.h"
#include "software/file_tools.h"
#include "software/install_engine.h"
#include "software/install_software_dlg.h"
#include "software/vehicle_catalogue.h"
#include "ui/folder_tree.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

const char* const kTexts = "[MESSAGGI_ERRORE]\ns52_ITA=FAILED\ns53_ITA=DONE\ns54_ITA=NONE\n"
                           "[AGGIORNAMENTO_SW_ECU]\ns1_ITA=Install title\ns16_ITA=Installa\n";

} // namespace

class TestInstallSoftwareDlg : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString base_, work_, source_;
    QStringList boxes_; // application boxes show their text; system boxes "SYSTEM:" and the text
    QStringList titles_, named_; // each box's caption, and the software an application box names

    QString Source(const QString& name) const { return source_ + "/" + name; }
    QString Work(const QString& name) const { return work_ + "/" + name; }

    // Writes a description; a null value leaves its key out.
    void Describe(const char* file, const char* car, const char* ecu, const char* name)
    {
        QByteArray text = "[VEICOLI]\n";
        if (car)
            text += QByteArray("car=") + car + "\n";
        text += "[ECU]\n";
        if (ecu)
            text += QByteArray("ecu=") + ecu + "\n";
        if (name)
            text += QByteArray("name=") + name + "\n";
        WriteAll(Source(file), text);
    }

    static QTreeWidget* List(CInstallSoftwareDlg& dialog)
    {
        return dialog.findChild<QTreeWidget*>("descriptionList");
    }

    // Chooses the rows whose ECU column shows one of `names` and presses "Installa".
    void Install(CInstallSoftwareDlg& dialog, const QStringList& names)
    {
        QTreeWidget* list = List(dialog);
        list->clearSelection();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (names.contains(list->topLevelItem(i)->text(1)))
                list->topLevelItem(i)->setSelected(true);
        QCOMPARE(list->selectedItems().size(), names.size());
        auto* install = dialog.findChild<QPushButton*>("installButton");
        QVERIFY(install->isEnabled());
        boxes_.clear();
        titles_.clear();
        named_.clear();
        install->click();
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        base_ = QDir(dir_->path()).canonicalPath();
        work_ = base_ + "/WORK";
        source_ = base_ + "/NEW";
        for (const char* folder : {"WORK", "NEW/SUB", "EMPTY"})
            QVERIFY(QDir(base_).mkpath(folder));
        WriteAll(Work("SWBASE.TXT"), kTexts);
        WriteAll(Work("VELANTO.INI"), "[CONFIGURAZIONE]\ndir_inst=" + source_.toUtf8() + "\n");
        LoadConfiguration(work_.toStdString());
        CFolderTree::SetVolumeSource([this] {
            return std::vector<FolderTreeVolume>{{base_.toStdString(), VolumeKind::Fixed}};
        });
        boxes_.clear();
        SetPlainBoxHook([this](const std::string& title, const std::string& text, BoxIcon) {
            const bool system = title == "ERRORE DI SISTEMA";
            QStringList paragraphs = QString::fromStdString(text).split("\n\n");
            if (!system && paragraphs.size() > 1)
                named_ << paragraphs.takeLast();
            titles_ << QString::fromStdString(title);
            boxes_ << (system ? "SYSTEM:" : "") + paragraphs.join("\n\n");
        });
        for (const char* ecu : {"ABS.BIN_5", "ENG.BIN_6", "AIR.BIN_7"})
            WriteAll(Source(ecu), QByteArray(ecu).right(1).toInt() == 5 ? "abcde" : "xxxxxxx");
        Describe("ABS.INSTALL", "PUNTO", "ABS.BIN_5", "ABS");
        Describe("ENG.INSTALL", "PUNTO", "ENG.BIN_6", "Motore");
    }

    void cleanup()
    {
        SetPlainBoxHook(nullptr);
        SetHelpHandler(nullptr);
        CFileTools::SetWriteFailAfter(-1);
        platform::setProfileWriteFailAfter(-1);
        CFolderTree::SetVolumeSource(nullptr);
    }

    void opens_at_last_folder_with_its_descriptions()
    {
        Describe("NOCAR.INSTALL", nullptr, "AIR.BIN_7", "Airbag");
        Describe("NONAME.INSTALL", "DUCATO", "AIR.BIN_7", nullptr);
        CInstallSoftwareDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString("Install title"));
        QCOMPARE(dialog.findChild<QPlainTextEdit*>("instructionEdit")->toPlainText(),
                 QString("()----()"));
        QCOMPARE(dialog.CurrentFolder(), source_.toStdString());
        QCOMPARE(dialog.findChild<QLineEdit*>("pathEdit")->text(), source_);
        QTreeWidget* list = List(dialog);
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(1);
        rows.sort();
        QCOMPARE(rows, QStringList({"DUCATO|NONAME.INSTALL", "NOCAR.INSTALL|Airbag", "PUNTO|ABS",
                                    "PUNTO|Motore"}));
        QVERIFY(list->topLevelItem(0)->isSelected());
        QVERIFY(dialog.findChild<QPushButton*>("installButton")->isEnabled());
    }

    void installing_twice_copies_again_and_keeps_catalogue()
    {
        CInstallSoftwareDlg dialog;
        Install(dialog, {"ABS"});
        QCOMPARE(boxes_, QStringList{"DONE"});
        QCOMPARE(ReadAll(Work("ABS.BIN_5")), QByteArray("abcde"));
        QByteArray catalogue = ReadAll(Work("ECU.INI"));
        QVERIFY(catalogue.contains("ecu0=ABS.BIN_5"));

        WriteAll(Source("ABS.BIN_5"), "ABCDE");
        Install(dialog, {"ABS"});
        QCOMPARE(boxes_, QStringList{"DONE"});
        QCOMPARE(ReadAll(Work("ABS.BIN_5")), QByteArray("ABCDE"));
        QCOMPARE(ReadAll(Work("ECU.INI")), catalogue);
    }

    void two_descriptions_for_one_vehicle()
    {
        CInstallSoftwareDlg dialog;
        Install(dialog, {"ABS", "Motore"});
        QCOMPARE(boxes_, QStringList({"DONE", "DONE"}));
        LoadVehicleCatalogue();
        QCOMPARE(VehicleCatalogue.vehicleCount, 1);
        QCOMPARE(VehicleCatalogue.vehicles[0].name, std::string("PUNTO"));
        QCOMPARE(VehicleCatalogue.vehicles[0].ecuCount, 2);
        QVERIFY(!ReadAll(Work("ECU.INI")).contains("car1"));
    }

    void one_of_three_rows_fails()
    {
        Describe("GONE.INSTALL", "PUNTO", "GONE.BIN_1", "Gone");
        CInstallSoftwareDlg dialog;
        Install(dialog, {"ABS", "Motore", "Gone"});
        QCOMPARE(boxes_.count("DONE"), 2);
        QCOMPARE(boxes_.count("FAILED"), 1);
        QVERIFY(!boxes_.contains("NONE"));
        int failed = boxes_.indexOf("FAILED");
        QCOMPARE(boxes_.value(failed - 1),
                 "SYSTEM:Errore apertura in lettura del file: " + Source("GONE.BIN_1"));
        LoadVehicleCatalogue();
        QCOMPARE(VehicleCatalogue.vehicles[0].ecuCount, 2);
    }

    // One box per row under the application title, each naming the row's software; the copy's
    // system box keeps its own title.
    void each_box_names_its_software()
    {
        Describe("GONE.INSTALL", "DUCATO", "GONE.BIN_1", "Gone");
        Describe("NOCAR.INSTALL", nullptr, "AIR.BIN_7", "Airbag");
        CInstallSoftwareDlg dialog;
        Install(dialog, {"ABS", "Motore", "Gone", "Airbag"});
        QCOMPARE(titles_,
                 QStringList({"VELANTO", "VELANTO", "ERRORE DI SISTEMA", "VELANTO", "VELANTO"}));
        QStringList named = named_;
        named.sort();
        QCOMPARE(named,
                 QStringList({"DUCATO \u2013 Gone (GONE.BIN_1)",
                              "NOCAR.INSTALL \u2013 Airbag (AIR.BIN_7)",
                              "PUNTO \u2013 ABS (ABS.BIN_5)", "PUNTO \u2013 Motore (ENG.BIN_6)"}));
    }

    void folder_offered_again_after_restart()
    {
        Describe("SUB/VAN.INSTALL", "DUCATO", "VAN.BIN_1", "Van");
        {
            CInstallSoftwareDlg dialog;
            auto* edit = dialog.findChild<QLineEdit*>("pathEdit");
            edit->selectAll();
            QTest::keyClicks(edit, (source_ + "/sub").toLower());
            QCOMPARE(dialog.CurrentFolder(), Source("SUB").toStdString());
            QCOMPARE(edit->text(), Source("SUB"));
            QCOMPARE(edit->cursorPosition(), int(edit->text().size()));
            QCOMPARE(List(dialog)->topLevelItemCount(), 1);
            dialog.findChild<QPushButton*>("closeButton")->click();
        }
        LoadConfiguration(work_.toStdString());
        CInstallSoftwareDlg dialog;
        QCOMPARE(dialog.CurrentFolder(), Source("SUB").toStdString());
        QCOMPARE(List(dialog)->topLevelItem(0)->text(1), QString("Van"));
    }

    void folder_without_descriptions()
    {
        WriteAll(Work("VELANTO.INI"), "[CONFIGURAZIONE]\ndir_inst=" + base_.toUtf8() + "/EMPTY\n");
        CInstallSoftwareDlg dialog;
        QCOMPARE(List(dialog)->topLevelItemCount(), 0);
        QVERIFY(!dialog.findChild<QPushButton*>("installButton")->isEnabled());
        QCOMPARE(dialog.InstallChosen(), 0);
        QCOMPARE(boxes_, QStringList{"NONE"});
    }

    void compressed_source_expanded()
    {
        QFile::remove(Source("ABS.BIN_5"));
        QVERIFY(QFile::copy(ZOLT_SOURCE_DIR "/software/tests/data/ecu_sample.bin.szdd",
                            Source("ABS.BIN_5")));
        CInstallSoftwareDlg dialog;
        Install(dialog, {"ABS"});
        QCOMPARE(boxes_, QStringList{"DONE"});
        QCOMPARE(ReadAll(Work("ABS.BIN_5")),
                 ReadAll(ZOLT_SOURCE_DIR "/software/tests/data/ecu_sample.bin"));
    }

    // Rows that must install nothing: neither a file anywhere nor a catalogue entry, and the
    // program's own files stay as they were.
    void refused_rows_data()
    {
        QTest::addColumn<QByteArray>("car");
        QTest::addColumn<QByteArray>("ecu");
        const QByteArray car = "PUNTO", ecu = "ABS.BIN_5";
        QTest::newRow("parent folder") << car << QByteArray("../ABS.BIN_5");
        QTest::newRow("dot dot") << car << QByteArray("..");
        QTest::newRow("absolute path") << car << QByteArray("/tmp/X.BIN_1");
        QTest::newRow("subfolder") << car << QByteArray("SUB/X.BIN_1");
        QTest::newRow("backslash") << car << QByteArray("SUB\\X.BIN_1");
        QTest::newRow("no vehicle") << QByteArray("") << ecu;
        QTest::newRow("no software file name") << car << QByteArray("");
        // The program's own files, each lying beside the description.
        for (const char* own : {"ECU.INI", "VELANTO.INI", "swbase.txt", "LOGO.BMP",
                                "TVELANTO_ITA.CHM", "Logoprn.bmp"})
            QTest::newRow(own) << car << QByteArray(own);
        QTest::newRow("no size") << car << QByteArray("ABS.BIN");
        QTest::newRow("size not decimal") << car << QByteArray("ABS.BIN_5x");
        QTest::newRow("no extension") << car << QByteArray("ABS_5");
        QTest::newRow("no base") << car << QByteArray(".ABS.BIN_5");
        QTest::newRow("control character in file name") << car << QByteArray("AB\x01S.BIN_5");
        // Vehicle names that would corrupt the catalogue.
        QTest::newRow("] in vehicle") << QByteArray("PUN]TO") << ecu;
        QTest::newRow("= in vehicle") << QByteArray("PUNTO=2") << ecu;
        QTest::newRow("vehicle begins with [") << QByteArray("[PUNTO") << ecu;
        QTest::newRow("vehicle begins with ;") << QByteArray(";PUNTO") << ecu;
        QTest::newRow("control character in vehicle") << QByteArray("PUN\x02TO") << ecu;
        QTest::newRow("vehicle in quotes") << QByteArray("\"'PUNTO'\"") << ecu;
        QTest::newRow("vehicle named as the vehicle list") << QByteArray("veicoli") << ecu;
    }

    void refused_rows()
    {
        QFETCH(QByteArray, car);
        QFETCH(QByteArray, ecu);
        WriteAll(Source("SUB/X.BIN_1"), "x");
        // Whatever the row names beside the description is there to be copied.
        if (!ecu.isEmpty() && ecu != ".." && !ecu.contains('/') && !ecu.contains('\\'))
            WriteAll(Source(QString::fromLatin1(ecu)), "HOSTILE");
        Describe("BAD.INSTALL", car, ecu, "Bad");
        const QByteArray profile = ReadAll(Work("VELANTO.INI"));
        QStringList before = QDir(base_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        {
            CInstallSoftwareDlg dialog;
            Install(dialog, {"Bad"});
        }
        QCOMPARE(boxes_, QStringList({"FAILED", "NONE"}));
        QCOMPARE(QDir(work_).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({"SWBASE.TXT", "VELANTO.INI"}));
        QCOMPARE(ReadAll(Work("SWBASE.TXT")), QByteArray(kTexts));
        QCOMPARE(ReadAll(Work("VELANTO.INI")), profile);
        QCOMPARE(QDir(base_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // A file the program is configured to keep under a name of software form is no software to
    // install, whatever the case the description spells it in.
    void configured_files_guarded_in_any_case_data()
    {
        QTest::addColumn<int>("file"); // which configured path
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("catalogue, upper case asked") << 0 << "cat.bin_100"
                                                     << "CAT.BIN_100" << false;
        QTest::newRow("catalogue, same case") << 0 << "CAT.BIN_100"
                                              << "CAT.BIN_100" << false;
        QTest::newRow("catalogue, other size") << 0 << "cat.bin_100"
                                               << "CAT.BIN_101" << true;
        QTest::newRow("texts, mixed case") << 1 << "Texts.Txt_1"
                                           << "tEXTS.tXT_1" << false;
        QTest::newRow("profile") << 2 << "CONF.INI_2"
                                 << "conf.ini_2" << false;
        QTest::newRow("logo") << 3 << "Logo.Bmp_3"
                              << "LOGO.BMP_3" << false;
        QTest::newRow("splash") << 4 << "START.BMP_4"
                                << "Start.bmp_4" << false;
    }

    void configured_files_guarded_in_any_case()
    {
        QFETCH(int, file);
        QFETCH(QString, configured);
        QFETCH(QString, asked);
        QFETCH(bool, accepted);
        std::string* paths[] = {&AppConfig.ecuCatalogPath, &AppConfig.textsPath,
                                &AppConfig.profilePath, &AppConfig.logoPath, &AppConfig.splashPath};
        *paths[file] = Work(configured).toStdString();
        QCOMPARE(IsSoftwareFileName(asked.toStdString(), AppConfig), accepted);
    }

    // When the catalogue cannot be written, the software copied for it goes again, and an
    // older copy of it stays as it was.
    void catalogue_failure_leaves_no_software_data()
    {
        QTest::addColumn<bool>("olderCopy");
        QTest::addColumn<bool>("missingFolder"); // else the disk is full
        QTest::newRow("catalogue folder missing") << false << true;
        QTest::newRow("disk full") << false << false;
        QTest::newRow("disk full, older copy there") << true << false;
    }

    void catalogue_failure_leaves_no_software()
    {
        QFETCH(bool, olderCopy);
        QFETCH(bool, missingFolder);
        if (olderCopy)
            WriteAll(Work("ABS.BIN_5"), "old");
        CInstallSoftwareDlg dialog;
        if (missingFolder)
            AppConfig.ecuCatalogPath = Work("missing/ECU.INI").toStdString();
        else
            platform::setProfileWriteFailAfter(0);
        Install(dialog, {"ABS"});
        platform::setProfileWriteFailAfter(-1);
        QCOMPARE(boxes_, QStringList({"FAILED", "NONE"}));
        QStringList expected{"SWBASE.TXT", "VELANTO.INI"};
        if (olderCopy)
            expected.prepend("ABS.BIN_5");
        QCOMPARE(QDir(work_).entryList(QDir::Files | QDir::Hidden | QDir::System), expected);
        if (olderCopy)
            QCOMPARE(ReadAll(Work("ABS.BIN_5")), QByteArray("old"));
    }

    // The engine alone: a software file that cannot be opened is said by Failed, once, with the
    // path; nothing is installed and no box opens below the dialog.
    void engineReportsBySignal()
    {
        QFile::remove(Source("ABS.BIN_5"));
        InstallEngine engine(AppConfig);
        QSignalSpy failed(&engine, &InstallEngine::Failed);
        QVERIFY(!engine.Install(Source("ABS.INSTALL").toStdString()));
        QCOMPARE(failed.count(), 1);
        const auto report = failed.at(0).at(0).value<ErrorReport>();
        QVERIFY2(QString::fromStdString(report.literal).contains("ABS.BIN_5"),
                 report.literal.c_str());
        QVERIFY(boxes_.isEmpty());
        QVERIFY(!QFile::exists(Work("ABS.BIN_5")));
    }

    // FIFOs are refused as missing files are, without blocking: as the software to install and
    // as the configuration profile.
    void fifos_do_not_hang()
    {
        QFile::remove(Source("ABS.BIN_5"));
        QCOMPARE(::mkfifo(Source("ABS.BIN_5").toLocal8Bit(), 0600), 0);
        {
            CInstallSoftwareDlg dialog;
            Install(dialog, {"ABS"});
            QCOMPARE(boxes_, QStringList({"SYSTEM:Errore apertura in lettura del file: " +
                                              Source("ABS.BIN_5"),
                                          "FAILED", "NONE"}));
        }
        QFile::remove(Work("VELANTO.INI"));
        QCOMPARE(::mkfifo(Work("VELANTO.INI").toLocal8Bit(), 0600), 0);
        CInstallSoftwareDlg dialog;
        QCOMPARE(dialog.CurrentFolder(), std::string());
    }

    void copy_failing_after_open_is_a_failure()
    {
        WriteAll(Work("ABS.BIN_5"), "old");
        CFileTools::SetWriteFailAfter(2);
        CInstallSoftwareDlg dialog;
        Install(dialog, {"ABS"});
        QCOMPARE(boxes_, QStringList({"FAILED", "NONE"}));
        QCOMPARE(ReadAll(Work("ABS.BIN_5")), QByteArray("old"));
        QVERIFY(!QFile::exists(Work("ECU.INI")));
    }

    void keys_in_the_tree_install_and_enter_elsewhere_does_not()
    {
        CInstallSoftwareDlg dialog;
        QTreeWidget* list = List(dialog);
        QTest::keyClick(list, Qt::Key_Return);
        QTest::keyClick(dialog.findChild<QLineEdit*>("pathEdit"), Qt::Key_Return);
        QVERIFY(boxes_.isEmpty());
        QTest::keyClick(dialog.findChild<QTreeWidget*>("folderTree"), Qt::Key_Insert);
        QCOMPARE(boxes_, QStringList{"DONE"});
        QTest::keyClick(dialog.findChild<QTreeWidget*>("folderTree"), Qt::Key_Return);
        QCOMPARE(boxes_, QStringList({"DONE", "DONE"}));
    }

    void help_asks_for_its_topic()
    {
        int asked = 0;
        SetHelpHandler([&asked](int id) { asked = id; });
        CInstallSoftwareDlg dialog;
        dialog.findChild<QPushButton*>("helpButton")->click();
        QCOMPARE(asked, 131351);
    }
};

QTEST_MAIN(TestInstallSoftwareDlg)
#include "tst_install_software_dlg.moc"
