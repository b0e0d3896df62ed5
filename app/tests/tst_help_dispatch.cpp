// Tests of help file and topic selection.
#include "app/app_constants.h"
#include "app/help_dispatch.h"
#include "core/app_config.h"

#include <QtTest>

class TestHelpDispatch : public QObject
{
    Q_OBJECT

private slots:
    // No installed help stands in for the working directory's.
    void initTestCase() { qputenv("ZOLT_SHARE_DIR", "/nonexistent"); }
    void init() { AppConfig.workDir = "/work"; }

    void fileAndTopic_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("helpId");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("page");
        const struct
        {
            int id;
            const char* page;
        } topics[] = {{helpid::Information, "informazioni_info.html"},
                      {helpid::SerialPort, "opzioni_seleziona_seriale.html"},
                      {helpid::TesterSoftware, "diagnosi_gestione_software.html"},
                      {helpid::Language, "opzioni_seleziona_llingua.html"},
                      {helpid::InstallSoftware, "diagnosi_installa_software.html"},
                      {0, ""},
                      {131999, ""}};
        // Greek has no help file of its own and opens the English one.
        const char* files[6] = {"TVELANTO_ITA.CHM", "TVELANTO_ING.CHM", "TVELANTO_FRA.CHM",
                                "TVELANTO_TED.CHM", "TVELANTO_SPA.CHM", "TVELANTO_ING.CHM"};
        for (int language = 0; language < 6; ++language)
            for (const auto& t : topics)
                QTest::addRow("%s %d", kLanguageCodes[language], t.id)
                    << language << t.id << QString("/work/") + files[language] << t.page;
    }

    void fileAndTopic()
    {
        QFETCH(int, language);
        QFETCH(int, helpId);
        QFETCH(QString, file);
        QFETCH(QString, page);
        AppConfig.language = std::uint8_t(language);
        std::string seenFile = "none", seenTopic = "none";
        HelpDispatch help([&](const std::string& f, const std::string& t) {
            seenFile = f;
            seenTopic = t;
            return true;
        });
        help.WinHelp(helpId);
        QCOMPARE(QString::fromStdString(seenFile), file);
        QCOMPARE(QString::fromStdString(seenTopic),
                 page.isEmpty() ? QString() : file + "::/html/" + page);
    }

    // Qt sends no topic-less echo after a dialog's help, so every request opens: the main
    // window's Help right after a dialog's Help is the user's own.
    void everyRequestOpens()
    {
        AppConfig.language = 0;
        QStringList opened;
        HelpDispatch help([&](const std::string&, const std::string& t) {
            opened << QString::fromStdString(t.empty() ? "default" : t.substr(t.find("::")));
            return true;
        });
        help.WinHelp(helpid::Language);
        help.WinHelp(0);
        help.WinHelp(0);
        help.WinHelp(helpid::SerialPort);
        help.WinHelp(helpid::Information);
        QCOMPARE(opened, (QStringList{"::/html/opzioni_seleziona_llingua.html", "default",
                                      "default", "::/html/opzioni_seleziona_seriale.html",
                                      "::/html/informazioni_info.html"}));
    }
};

QTEST_GUILESS_MAIN(TestHelpDispatch)
#include "tst_help_dispatch.moc"
