// Tests of the information dialog: its table, the exchange file written by Print, help, closing,
// the heading without the label library, and the About command opening it.
#include "app/app_constants.h"
#include "app/info_dlg.h"
#include "app/main_frame.h"
#include "controls/common/kro_host.h"
#include "core/app_config.h"
#include "core/help_request.h"
#include "core/texts.h"
#include "link/link_api.h"
#include "link/link_session.h"
#include "platform/profile.h"

#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString Cell(const std::string& path, int number)
{
    char value[1024];
    const std::string key = "S" + std::to_string(number);
    GetPrivateProfileStringA("INFORMAZIOMI", key.c_str(), "()", value, sizeof value, path.c_str());
    return QString::fromUtf8(value);
}

} // namespace

class TestInfoDlg : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::vector<std::string> calls_;

    CInfoDlg::LinkTexts Link(const std::string& version, const std::string& date)
    {
        return {[this, date] { return calls_.push_back("date"), date; },
                [this, version] { return calls_.push_back("version"), version; }};
    }

private slots:
    void init()
    {
        AppConfig.workDir = dir_.path().toStdString();
        AppConfig.textsPath = std::string(ZOLT_SOURCE_DIR) + "/data/SWBASE.TXT";
        AppConfig.profilePath = dir_.filePath("VELANTO.INI").toStdString();
        AppConfig.ecuCatalogPath = dir_.filePath("ECU.INI").toStdString();
        AppConfig.language = 0;
        calls_.clear();
        CReportPrinter::SetPrintDialogHook(nullptr);
    }

    void table()
    {
        CInfoDlg dlg(nullptr, Link("2.01.00", "12/03/2024"));
        QCOMPARE(calls_, (std::vector<std::string>{"date", "version"}));
        QCOMPARE(dlg.windowTitle(), UiText("DIALOGO_INFORMAZIONI", 1));
        auto* table = dlg.findChild<QTreeWidget*>("table");
        QVERIFY(table);
        QCOMPARE(table->columnCount(), 3);
        QCOMPARE(table->headerItem()->text(1), UiText("DIALOGO_INFORMAZIONI", 10));
        QCOMPARE(table->columnWidth(0), 200);
        QCOMPARE(table->topLevelItemCount(), 2);
        const QStringList rows[2] = {{UiText("DIALOGO_INFORMAZIONI", 3), "1.08.00", "06/06/2007"},
                                     {UiText("DIALOGO_INFORMAZIONI", 4), "2.01.00", "12/03/2024"}};
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 3; ++column)
                QCOMPARE(table->topLevelItem(row)->text(column), rows[row][column]);
        QCOMPARE(dlg.findChild<QPushButton*>("buttonPrint")->text(),
                 UiText("DIALOGO_INFORMAZIONI", 15));
    }

    // Columns 1 and 2 keep 200 and 100 pixels; the last keeps 80 unless its text needs more,
    // and then takes no more than it needs and the table holds; a cut text is whole in its
    // tooltip.
    void columnsAndTips_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("versionCut");
        QTest::newRow("usual texts") << "2.01.00"
                                     << "12/03/2024" << false;
        QTest::newRow("long version") << "2.01.00 build 1234, release candidate"
                                      << "12/03/2024" << true;
        QTest::newRow("long date") << "2.01.00"
                                   << "12 marzo 2024, 14:05" << false;
        QTest::newRow("date beyond the table") << "2.01.00" << QString(90, u'8') << false;
    }
    void columnsAndTips()
    {
        QFETCH(QString, version);
        QFETCH(QString, date);
        QFETCH(bool, versionCut);
        CInfoDlg dlg(nullptr, Link(version.toStdString(), date.toStdString()));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* table = dlg.findChild<QTreeWidget*>("table");
        QCOMPARE(table->columnWidth(0), 200);
        QCOMPARE(table->columnWidth(1), 100);
        const int last = table->columnWidth(2);
        const int room = table->viewport()->width() - 300;
        int need = 0;
        for (int row = 0; row < 2; ++row)
            need = std::max(need, table->sizeHintForIndex(table->model()->index(row, 2)).width());
        QVERIFY2(last >= 80 && last <= std::max(80, need) && last <= std::max(80, room),
                 qPrintable(QString("%1 (needs %2, room %3)").arg(last).arg(need).arg(room)));
        QVERIFY2(need <= last || last == room, "a date is cut while the table has room");
        for (int row = 0; row < 2; ++row)
            for (int c = 0; c < 3; ++c) {
                const QTreeWidgetItem* item = table->topLevelItem(row);
                const bool cut = table->sizeHintForIndex(table->model()->index(row, c)).width() >
                                 table->columnWidth(c);
                QCOMPARE(item->toolTip(c), cut ? item->text(c) : QString());
            }
        QCOMPARE(table->topLevelItem(1)->toolTip(1), versionCut ? version : QString());
    }

    // The link row comes from the link library itself, through its ordinals 9 and 8.
    void linkRowFromTheLibrary()
    {
        QString error;
        std::unique_ptr<LinkApi> api =
            LoadLinkLibrary(&error, ZOLT_BINARY_DIR "/bin/libCOMMVELANTO.so");
        QVERIFY2(api, qPrintable(error));
        const QString version = QString::fromStdString(api->Version());
        const QString date = QString::fromStdString(api->Date());
        QVERIFY(!version.isEmpty() && !date.isEmpty());
        LinkSession session(AppConfig, std::move(api));
        CInfoDlg dlg(nullptr, LinkTextsOf(&session));
        const QTreeWidgetItem* row = dlg.findChild<QTreeWidget*>("table")->topLevelItem(1);
        QCOMPARE(row->text(1), version);
        QCOMPARE(row->text(2), date);
        QVERIFY(LinkTextsOf(nullptr).date == nullptr);
    }

    void printWritesExchangeFileFirst_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("Italian") << 0;
        // Greek letters take two bytes each: the cut counts letters.
        QTest::newRow("Greek") << 5;
    }

    // Print saves the table first, each cell cut to 49 characters, then runs the report's print.
    void printWritesExchangeFileFirst()
    {
        QFETCH(int, language);
        AppConfig.language = language;
        const QString version = QString(60, QChar(0x03B2));
        CInfoDlg dlg(nullptr, Link(version.toStdString(), "12/03/2024"));
        const std::string path = AppConfig.workDir + "/STAMPE.$$$";
        QStringList seen;
        QWidget* over = nullptr;
        CReportPrinter::SetPrintDialogHook([&](QPrinter&, QWidget* parent) {
            for (int i = 1; i <= 7; ++i)
                seen << Cell(path, i);
            over = parent;
            return false; // cancelled: nothing printed
        });
        QTest::mouseClick(dlg.findChild<QPushButton*>("buttonPrint"), Qt::LeftButton);
        QCOMPARE(seen, (QStringList{UiText("DIALOGO_INFORMAZIONI", 3), "1.08.00", "06/06/2007",
                                    UiText("DIALOGO_INFORMAZIONI", 4), version.left(49),
                                    "12/03/2024", "()"}));
        QCOMPARE(over, &dlg);
    }

    void helpAndClosing()
    {
        int asked = 0;
        SetHelpHandler([&](int helpId) { asked = helpId; });
        CInfoDlg dlg(nullptr, Link("v", "d"));
        QTest::mouseClick(dlg.findChild<QPushButton*>("buttonHelp"), Qt::LeftButton);
        SetHelpHandler(nullptr);
        QCOMPARE(asked, 131172);

        QTimer::singleShot(0, &dlg, [&dlg] { QTest::keyClick(&dlg, Qt::Key_Escape); });
        QCOMPARE(dlg.exec(), 1);
        QTimer::singleShot(0, &dlg, [&dlg] {
            QTest::mouseClick(dlg.findChild<QPushButton*>("buttonContinue"), Qt::LeftButton);
        });
        QCOMPARE(dlg.exec(), 1);
    }

    // Without the label library the dialog still opens, the heading's frame empty at its size.
    void opensWithoutLabelLibrary()
    {
        QTemporaryDir registry;
        const QByteArray saved = qgetenv("ZOLT_REGISTRY");
        qputenv("ZOLT_REGISTRY", QFile::encodeName(registry.filePath("registry.ini")));
        CInfoDlg dlg(nullptr, Link("v", "d"));
        qputenv("ZOLT_REGISTRY", saved);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(!dlg.Heading());
        auto* frame = dlg.findChild<QWidget*>("heading");
        QVERIFY(frame);
        QCOMPARE(frame->size(), QSize(461, 28));
        QVERIFY(frame->findChildren<QWidget*>().isEmpty());
    }

    // The heading is the label created by class id and loaded from the stored record; its
    // properties are the stored ones and it saves the very stream it was loaded from.
    void headingFromStoredRecord()
    {
        QTemporaryDir registry;
        const QByteArray saved = qgetenv("ZOLT_REGISTRY");
        qputenv("ZOLT_REGISTRY", QFile::encodeName(registry.filePath("registry.ini")));
        QString error;
        QCOMPARE(RegisterControlLibrary(ZOLT_BINARY_DIR "/bin/KroLabel.ocx", false, &error), 0L);
        CInfoDlg dlg(nullptr, Link("v", "d"));
        qputenv("ZOLT_REGISTRY", saved);
        QWidget* heading = dlg.Heading();
        QVERIFY(heading);
        QCOMPARE(heading->parentWidget(), dlg.findChild<QWidget*>("heading"));

        const QString text = " TESTER VELANTO Dozozovir Avurez Erezevo";
        const std::pair<const char*, QVariant> stored[] = {{"Caption", text},
                                                           {"TestoContenuto", text},
                                                           {"AllOrizzontaleTesto", 0},
                                                           {"AllVerticaleTesto", 1},
                                                           {"Bordo", true},
                                                           {"ColoreBordo", 0x000000},
                                                           {"StileSfondo", 2},
                                                           {"ColoreOpacoSfondo", 0xFFFFFF},
                                                           {"OrientamentoGrad", true},
                                                           {"ColoreGradiente1", 0xFFFFFF},
                                                           {"ColoreGradiente2", 0xF8E2AC},
                                                           {"ColoreGradiente3", 0x6C6C6C},
                                                           {"FontName", "Arial"},
                                                           {"DimensioneFont", 16},
                                                           {"ColoreTesto", 0x000000},
                                                           {"Italico", true},
                                                           {"Sottolineato", false},
                                                           {"Barrato", false},
                                                           {"Bold", 774},
                                                           {"EffettoContorno", 3},
                                                           {"EffettoTesto", 0}};
        for (const auto& [name, value] : stored)
            QVERIFY2(heading->property(name).toString() == value.toString(), name);

        // Laid out in its frame, the label also has the stored extent again.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(heading->size(), QSize(461, 28));
        const QByteArray record = HeadingInitData();
        QCOMPARE(record.size(), 164);
        QByteArray stream;
        QVERIFY(QMetaObject::invokeMethod(heading, "SaveToStream", Qt::DirectConnection,
                                          Q_RETURN_ARG(QByteArray, stream)));
        QCOMPARE(stream, record.mid(4, 151));
    }

    // The About command opens the dialog from its menu item and its toolbar button.
    void aboutCommandOpensDialog()
    {
        CMainFrame frame;
        for (const char* how : {"menu", "toolbar"}) {
            QString opened;
            QTimer::singleShot(0, [&opened] {
                QWidget* dlg = QApplication::activeModalWidget();
                QVERIFY(dlg);
                opened = dlg->objectName();
                QTest::mouseClick(dlg->findChild<QPushButton*>("buttonContinue"), Qt::LeftButton);
            });
            if (QByteArray(how) == "menu")
                frame.GetAction(cmd::AppAbout)->trigger();
            else
                frame.findChild<QToolButton*>("toolButton57664")->click();
            QCOMPARE(opened, QString("CInfoDlg"));
        }
    }
};

QTEST_MAIN(TestInfoDlg)
#include "tst_info_dlg.moc"
