// Tests of the help window on the help files built from data/help: every topic of every
// language, links, pictures, stylesheet, contents, navigation, failures and modality.
#include "built_help_files.h"
#include "platform/help_window.h"

#include <QAbstractTextDocumentLayout>
#include <QDialog>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kHome = QStringLiteral("/html/introduzione.html");

// Every link of the page shown, with the text position of its first character.
QList<QPair<int, QString>> Links(QTextDocument* document)
{
    QList<QPair<int, QString>> links;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString href = fragment.charFormat().anchorHref();
            if (!href.isEmpty() && (links.isEmpty() || links.last().second != href ||
                                    links.last().first + 1 < fragment.position()))
                links.append({fragment.position(), href});
        }
    }
    return links;
}

QStringList Images(QTextDocument* document)
{
    QStringList images;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                images << it.fragment().charFormat().toImageFormat().name();
        }
    }
    return images;
}

QColor HeadingColour(QTextDocument* document)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1)
            return block.charFormat().foreground().color();
    }
    return {};
}

} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    HelpWindow* window() { return HelpWindow::Instance(); }

private slots:
    void topicsShow_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("topic");
        for (const QString& code : kLanguages) {
            for (const QString& topic : kTopics)
                QTest::newRow(qPrintable(code + " " + topic.section('/', -1))) << code << topic;
        }
    }
    void topicsShow()
    {
        REQUIRE_HELP_FILES();
        QFETCH(QString, code);
        QFETCH(QString, topic);
        QVERIFY(ShowHelpTopic(HelpFile(code), topic));
        HelpWindow* w = window();
        QVERIFY(w->isVisible());
        QCOMPARE(w->CurrentTopic(), topic);
        QTextDocument* document = w->Browser()->document();
        const QString title = document->metaInformation(QTextDocument::DocumentTitle);
        QVERIFY(!title.isEmpty());
        QVERIFY(w->windowTitle().startsWith(title));
        // The stylesheet was found: headings take its colour.
        QCOMPARE(HeadingColour(document), QColor("#1f4e79"));
        // Every picture loads from the archive.
        for (const QString& image : Images(document)) {
            const QVariant data = document->resource(QTextDocument::ImageResource, QUrl(image));
            QVERIFY2(!data.isNull(), qPrintable(image));
        }
        // Every link leads to a page of the same archive.
        for (const auto& link : Links(document)) {
            const QUrl target = HelpWindow::TopicUrl(link.second, w->Browser()->source());
            QVERIFY2(w->Archive().Contains(target.path()), qPrintable(link.second));
        }
        // The contents follow the page.
        QVERIFY(w->ContentsTree()->currentItem());
        QCOMPARE(w->ContentsTree()->currentItem()->data(0, Qt::UserRole).toUrl().path(), topic);
    }

    void defaultTopic_data()
    {
        QTest::addColumn<QString>("call");
        QTest::newRow("empty topic") << "topic";
        QTest::newRow("combined form without topic") << "combined";
    }
    void defaultTopic()
    {
        REQUIRE_HELP_FILES();
        QFETCH(QString, call);
        QVERIFY(ShowHelpTopic(HelpFile("ING"), "/html/informazioni_info.html"));
        if (call == "topic")
            QVERIFY(ShowHelpTopic(HelpFile("ITA"), QString()));
        else
            QVERIFY(ShowHelp(HelpFile("ITA")));
        QCOMPARE(window()->CurrentTopic(), kHome);
        QCOMPARE(window()->Archive().FilePath(), QFileInfo(HelpFile("ITA")).canonicalFilePath());
    }

    void combinedForm()
    {
        REQUIRE_HELP_FILES();
        QVERIFY(ShowHelp(HelpFile("TED") + "::/html/opzioni_seleziona_seriale.html"));
        QCOMPARE(window()->CurrentTopic(), QStringLiteral("/html/opzioni_seleziona_seriale.html"));
    }

    // A request that cannot be served shows nothing new: the window keeps its page and file.
    void failuresLeaveTheWindowAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QByteArray>("contents"); // written to file first when not empty
        QTest::newRow("missing file")
            << QStringLiteral(ZOLT_BINARY_DIR "/data/TVELANTO_GRE.CHM") << kHome << QByteArray();
        QTest::newRow("no file name") << QString() << kHome << QByteArray();
        QTest::newRow("missing topic") << HelpFile("SPA") << "/html/nessuna.html" << QByteArray();
        QTest::newRow("folder as topic") << HelpFile("SPA") << "/html/" << QByteArray();
        QTest::newRow("stylesheet as topic") << HelpFile("SPA") << "/help.css" << QByteArray();
        QTest::newRow("damaged file")
            << "damaged.chm" << kHome << QByteArray("ITSF\x03\x00\x00\x00 broken", 15);
    }
    void failuresLeaveTheWindowAlone()
    {
        REQUIRE_HELP_FILES();
        QFETCH(QString, file);
        QFETCH(QString, topic);
        QFETCH(QByteArray, contents);
        if (!contents.isEmpty()) {
            file = dir_.filePath(file);
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        QVERIFY(ShowHelpTopic(HelpFile("ING"), "/html/diagnosi_gestione_software.html"));
        const QString title = window()->windowTitle();
        QVERIFY(!ShowHelpTopic(file, topic));
        QCOMPARE(window()->CurrentTopic(), QStringLiteral("/html/diagnosi_gestione_software.html"));
        QCOMPARE(window()->Archive().FilePath(), QFileInfo(HelpFile("ING")).canonicalFilePath());
        QCOMPARE(window()->windowTitle(), title);
    }

    void failureBeforeAnyTopicShowsNoWindow()
    {
        // Runs on the window in whatever state the tests left it; hiding it first.
        window()->hide();
        QVERIFY(!ShowHelpTopic(QStringLiteral(ZOLT_BINARY_DIR "/data/NESSUNO.CHM"), kHome));
        QVERIFY(!window()->isVisible());
    }

    void oneWindowForAllRequests()
    {
        REQUIRE_HELP_FILES();
        QVERIFY(ShowHelpTopic(HelpFile("ITA"), kTopics[1]));
        HelpWindow* first = window();
        QVERIFY(ShowHelpTopic(HelpFile("ING"), kTopics[2]));
        QCOMPARE(window(), first);
        int helpWindows = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            helpWindows += qobject_cast<HelpWindow*>(w) != nullptr;
        QCOMPARE(helpWindows, 1);
    }

    void backForwardHome()
    {
        REQUIRE_HELP_FILES();
        HelpWindow* w = window();
        QVERIFY(ShowHelpTopic(HelpFile("FRA"), kTopics[1]));
        QVERIFY(!w->BackAction()->isEnabled()); // a new file starts a new history
        QVERIFY(ShowHelpTopic(HelpFile("FRA"), kTopics[2]));
        QVERIFY(w->BackAction()->isEnabled());
        w->BackAction()->trigger();
        QCOMPARE(w->CurrentTopic(), kTopics[1]);
        QVERIFY(w->ForwardAction()->isEnabled());
        w->ForwardAction()->trigger();
        QCOMPARE(w->CurrentTopic(), kTopics[2]);
        w->HomeAction()->trigger();
        QCOMPARE(w->CurrentTopic(), kHome);
    }

    // The same topic path in another language's file must show that file's page.
    void sameTopicInAnotherFile()
    {
        REQUIRE_HELP_FILES();
        HelpWindow* w = window();
        QVERIFY(ShowHelpTopic(HelpFile("ITA"), kTopics[3]));
        const QString italian = w->Browser()->documentTitle();
        QVERIFY(ShowHelpTopic(HelpFile("ING"), kTopics[3]));
        QCOMPARE(w->CurrentTopic(), kTopics[3]);
        QVERIFY(w->Browser()->documentTitle() != italian);
        QVERIFY(w->Browser()->toPlainText().contains("Tester software management"));
        QVERIFY(!w->BackAction()->isEnabled());
    }

    // A help file replaced while the program runs (a newer help installed) is read again.
    void replacedFileIsReadAgain()
    {
        REQUIRE_HELP_FILES();
        const QString path = dir_.filePath("TVELANTO_XXX.CHM");
        QFile::remove(path);
        QVERIFY(QFile::copy(HelpFile("ITA"), path));
        QVERIFY(ShowHelpTopic(path, kTopics[1]));
        const QString italian = window()->Browser()->documentTitle();
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::copy(HelpFile("ING"), path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(ShowHelpTopic(path, kTopics[1]));
        QVERIFY(window()->Browser()->documentTitle() != italian);
        QCOMPARE(window()->BackAction()->text(), QStringLiteral("Back"));
    }

    void labelsFollowTheFileLanguage_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("back");
        QTest::newRow("ITA") << "ITA"
                             << "Indietro";
        QTest::newRow("ING") << "ING"
                             << "Back";
        QTest::newRow("FRA") << "FRA"
                             << "Précédent";
        QTest::newRow("TED") << "TED"
                             << "Zurück";
        QTest::newRow("SPA") << "SPA"
                             << "Atrás";
    }
    void labelsFollowTheFileLanguage()
    {
        REQUIRE_HELP_FILES();
        QFETCH(QString, code);
        QFETCH(QString, back);
        QVERIFY(ShowHelpTopic(HelpFile(code), kHome));
        QCOMPARE(window()->BackAction()->text(), back);
    }

    void clickingALinkFollowsIt()
    {
        REQUIRE_HELP_FILES();
        HelpWindow* w = window();
        w->resize(900, 700);
        QVERIFY(ShowHelpTopic(HelpFile("ING"), kHome));
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const auto links = Links(w->Browser()->document());
        QVERIFY(!links.isEmpty());
        QTextCursor cursor(w->Browser()->document());
        cursor.setPosition(links.first().first + 1);
        w->Browser()->setTextCursor(cursor);
        w->Browser()->ensureCursorVisible();
        const QPoint at = w->Browser()->cursorRect().center();
        QTest::mouseClick(w->Browser()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(w->CurrentTopic(),
                 HelpWindow::TopicUrl(links.first().second, QUrl("chm:" + kHome)).path());
        QVERIFY(w->CurrentTopic() != kHome);
    }

    void contentsOpenTheirPage()
    {
        REQUIRE_HELP_FILES();
        HelpWindow* w = window();
        QVERIFY(ShowHelpTopic(HelpFile("TED"), kHome));
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTreeWidget* tree = w->ContentsTree();
        QVERIFY(tree->isVisible());
        QStringList pages;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            const QUrl url = (*it)->data(0, Qt::UserRole).toUrl();
            if (url.isEmpty())
                continue;
            tree->scrollToItem(*it);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(*it).center());
            QCOMPARE(w->CurrentTopic(), url.path());
            pages << url.path();
        }
        pages.sort();
        QStringList expected = kTopics;
        expected.sort();
        QCOMPARE(pages, expected);
    }

    // A modal dialog blocks every other window: help asked for from it must come up above it,
    // modal itself, or it could not be scrolled or clicked.
    void helpAboveAModalDialogIsUsable()
    {
        REQUIRE_HELP_FILES();
        HelpWindow* w = window();
        w->hide();
        QDialog dialog;
        dialog.setModal(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(QApplication::activeModalWidget(), &dialog);
        QVERIFY(ShowHelpTopic(HelpFile("ITA"), kTopics[4]));
        QCOMPARE(w->windowModality(), Qt::ApplicationModal);
        QVERIFY(w->isVisible());
        w->hide();
        dialog.hide();
        QVERIFY(ShowHelpTopic(HelpFile("ITA"), kTopics[4]));
        QCOMPARE(w->windowModality(), Qt::NonModal);
    }
};

QTEST_MAIN(TestHelpWindow)
#include "tst_help_window.moc"
