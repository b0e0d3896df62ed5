// Tests of the working directory rule and of where data files and texts are read from.
#include "core/app_config.h"
#include "core/work_dir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

void Write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(data);
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything below `root`, as relative paths, to see that nothing was written.
QStringList Tree(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(root).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

class TestWorkDir : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp_;
    QString Path(const QString& relative) const { return tmp_->filePath(relative); }

private slots:
    void init()
    {
        tmp_ = std::make_unique<QTemporaryDir>();
        QVERIFY(tmp_->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(Path("home/data")));
        qputenv("ZOLT_SHARE_DIR", QFile::encodeName(Path("installed")));
        AppConfig.language = 1;
    }

    void choose_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("holds"); // a file in the current folder
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("reason");
        const int option = int(WorkDirChoice::Reason::Option);
        const int current = int(WorkDirChoice::Reason::CurrentFolder);
        const int perUser = int(WorkDirChoice::Reason::PerUserFolder);
        QTest::newRow("option wins over a workshop folder") << "/x/y"
                                                            << "VELANTO.INI"
                                                            << "/x/y" << option;
        QTest::newRow("relative option") << "sub/../w"
                                         << ""
                                         << "cwd/w" << option;
        QTest::newRow("workshop profile") << ""
                                          << "VELANTO.INI"
                                          << "cwd" << current;
        QTest::newRow("workshop catalogue") << ""
                                            << "ECU.INI"
                                            << "cwd" << current;
        QTest::newRow("texts alone make no workshop") << ""
                                                      << "SWBASE.TXT"
                                                      << "home/data/zolt" << perUser;
        QTest::newRow("home folder") << ""
                                     << ""
                                     << "home/data/zolt" << perUser;
    }
    void choose()
    {
        QFETCH(QString, option);
        QFETCH(QString, holds);
        QFETCH(QString, chosen);
        QFETCH(int, reason);
        QDir().mkpath(Path("cwd"));
        if (!holds.isEmpty())
            Write(Path("cwd/" + holds), "");
        const WorkDirChoice choice = ChooseWorkDir(option, Path("cwd"));
        QCOMPARE(choice.path, chosen.startsWith('/') ? chosen : Path(chosen));
        QCOMPARE(int(choice.reason), reason);
    }

    // The per-user folder is made at first start; a later start keeps what the user changed.
    void perUserFolderIsMadeOnce()
    {
        const WorkDirChoice choice = ChooseWorkDir({}, Path("cwd"));
        QCOMPARE(PrepareWorkDir(choice), QString());
        QCOMPARE(Tree(choice.path), (QStringList{"ECU.INI", "VELANTO.INI"}));
        const QByteArray profile = Read(choice.path + "/VELANTO.INI");
        QVERIFY2(profile.contains(QByteArray("lingua=") + DesktopLanguageCode()),
                 profile.constData());
        QVERIFY2(profile.contains("porta_com=COM1"), profile.constData());
        QVERIFY(Read(choice.path + "/ECU.INI").contains("nV=0"));

        Write(choice.path + "/VELANTO.INI", "[CONFIGURAZIONE]\nlingua=GRE\n");
        QCOMPARE(PrepareWorkDir(choice), QString());
        QCOMPARE(Read(choice.path + "/VELANTO.INI"), QByteArray("[CONFIGURAZIONE]\nlingua=GRE\n"));
    }

    // A folder that cannot be made or written is refused with the system's reason, and nothing
    // is written anywhere instead.
    void unusableFolder_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("dataHome");
        QTest::newRow("missing option folder") << "missing/w"
                                               << "home/data";
        QTest::newRow("option is a file") << "file"
                                          << "home/data";
        QTest::newRow("read-only option folder") << "/proc"
                                                 << "home/data";
        QTest::newRow("home under a file") << ""
                                           << "file/data";
        QTest::newRow("read-only home") << ""
                                        << "/proc/zolt-home";
    }
    void unusableFolder()
    {
        QFETCH(QString, option);
        QFETCH(QString, dataHome);
        Write(Path("file"), "x");
        qputenv("XDG_DATA_HOME",
                QFile::encodeName(dataHome.startsWith('/') ? dataHome : Path(dataHome)));
        const QString cwd = Path("cwd");
        QDir().mkpath(cwd);
        const QStringList before = Tree(tmp_->path());
        const WorkDirChoice choice = ChooseWorkDir(option, cwd);
        const QString reason = PrepareWorkDir(choice);
        QVERIFY2(!reason.isEmpty(), qPrintable(choice.path));
        QCOMPARE(Tree(tmp_->path()), before);
    }

    void languageForLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("code");
        QTest::newRow("German") << "de_DE.UTF-8"
                                << "TED";
        QTest::newRow("Italian") << "it_IT"
                                 << "ITA";
        QTest::newRow("French with a modifier") << "fr_FR@euro"
                                                << "FRA";
        QTest::newRow("Spanish, BCP 47") << "es-419"
                                         << "SPA";
        QTest::newRow("Greek") << "el_GR.UTF-8"
                               << "GRE";
        QTest::newRow("English") << "en_US"
                                 << "ING";
        QTest::newRow("Portuguese has no texts") << "pt_BR"
                                                 << "ING";
        QTest::newRow("C locale") << "C"
                                  << "ING";
        QTest::newRow("nothing set") << ""
                                     << "ING";
    }
    void languageForLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, code);
        QCOMPARE(QString(LanguageCodeForLocale(locale)), code);
    }

    // The workshop's own files win, the installed ones stand in, and a file found nowhere is
    // named where the workshop would put it.
    void dataFile_data()
    {
        QTest::addColumn<bool>("own");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("own") << true << true << "work/LOGO.BMP";
        QTest::newRow("installed") << false << true << "installed/LOGO.BMP";
        QTest::newRow("nowhere") << false << false << "work/LOGO.BMP";
    }
    void dataFile()
    {
        QFETCH(bool, own);
        QFETCH(bool, installed);
        QFETCH(QString, expected);
        QDir().mkpath(Path("work"));
        if (own)
            Write(Path("work/LOGO.BMP"), "BM");
        if (installed)
            Write(Path("installed/LOGO.BMP"), "BM");
        QCOMPARE(QString::fromStdString(DataFilePath(Path("work").toStdString(), "LOGO.BMP")),
                 Path(expected));
    }

    // A text file that holds no text of the language (junk, empty, a folder, a FIFO, another
    // language only) gives way to the installed one; a FIFO is never opened.
    void textsFile_data()
    {
        QTest::addColumn<QString>("own");
        QTest::addColumn<QByteArray>("installed");
        QTest::addColumn<QString>("expected");
        const QByteArray texts = "[STRINGHE_MENU]\ns1_ING=File\n";
        QTest::newRow("own texts") << "texts" << texts << "work/SWBASE.TXT";
        QTest::newRow("own holds some texts only") << "some" << texts << "work/SWBASE.TXT";
        QTest::newRow("junk") << "junk" << texts << "installed/SWBASE.TXT";
        QTest::newRow("empty") << "empty" << texts << "installed/SWBASE.TXT";
        QTest::newRow("a folder") << "folder" << texts << "installed/SWBASE.TXT";
        QTest::newRow("a FIFO") << "fifo" << texts << "installed/SWBASE.TXT";
        QTest::newRow("another language only") << "italian" << texts << "installed/SWBASE.TXT";
        QTest::newRow("none of its own") << "" << texts << "installed/SWBASE.TXT";
        QTest::newRow("installed damaged, none of its own")
            << "" << QByteArray("\x01\x02junk") << "installed/SWBASE.TXT";
        QTest::newRow("both damaged") << "junk" << QByteArray("junk") << "work/SWBASE.TXT";
        QTest::newRow("nothing anywhere") << "" << QByteArray() << "work/SWBASE.TXT";
    }
    void textsFile()
    {
        QFETCH(QString, own);
        QFETCH(QByteArray, installed);
        QFETCH(QString, expected);
        const QString file = Path("work/SWBASE.TXT");
        QDir().mkpath(Path("work"));
        if (own == "texts")
            Write(file, "[STRINGHE_MENU]\ns1_ING=Workshop file\n");
        else if (own == "some")
            Write(file, "[MESSAGGI_ERRORE]\ns52_ING=Failed\n");
        else if (own == "junk")
            Write(file, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        else if (own == "empty")
            Write(file, "");
        else if (own == "folder")
            QDir().mkpath(file);
        else if (own == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        else if (own == "italian")
            Write(file, "[STRINGHE_MENU]\ns1_ITA=File\n");
        if (!installed.isNull())
            Write(Path("installed/SWBASE.TXT"), installed);
        QCOMPARE(QString::fromStdString(TextsFilePath(Path("work").toStdString())), Path(expected));
    }
};

QTEST_GUILESS_MAIN(TestWorkDir)
#include "tst_work_dir.moc"
