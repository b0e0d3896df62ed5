// Tests of the main window: menus, access letters, toolbar, status bar, printing set-up and the
// language of Qt's own dialogs.
#include "app/app_constants.h"
#include "app/main_frame.h"
#include "app/zolt_view.h"
#include "core/app_config.h"
#include "core/texts.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

// The menus in order (the fourth in the corner bar), each with its title's text number and its
// items' commands and text numbers.
struct MenuDesign
{
    int title;
    std::vector<std::pair<int, int>> items;
};
const MenuDesign kMenus[4] = {
    {1,
     {{cmd::TesterSoftware, 12}, {cmd::InstallSoftware, 18}, {cmd::PrintSetup, 6}, {cmd::Exit, 7}}},
    {13, {{cmd::SelectSerialPort, 8}, {cmd::SelectLanguage, 16}}},
    {3, {{cmd::ViewToolbar, 9}, {cmd::ViewStatusBar, 10}}},
    {4, {{cmd::Help, 22}, {cmd::AppAbout, 5}}}};

// The four top-level menu entries in order: three in the menu bar, the last in its corner.
QList<QAction*> titleActions(CMainFrame& frame)
{
    QList<QAction*> titles = frame.menuBar()->actions();
    auto* corner = qobject_cast<QMenuBar*>(frame.menuBar()->cornerWidget(Qt::TopRightCorner));
    if (corner)
        titles += corner->actions();
    return titles;
}

QString menuText(int number)
{
    return UiText("STRINGHE_MENU", number);
}

void addLanguageRows()
{
    QTest::addColumn<int>("language");
    for (int i = 0; i < 6; ++i)
        QTest::newRow(kLanguageCodes[i]) << i;
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        AppConfig.textsPath = std::string(ZOLT_SOURCE_DIR) + "/data/SWBASE.TXT";
        AppConfig.ecuCatalogPath = "/nonexistent/ECU.INI";
    }

    void cleanup() { AppConfig.language = 0; }

    // Each title and item shows its own text number; the toolbar holds the commands in order.
    void menusAndTipsInEveryLanguage_data() { addLanguageRows(); }
    void menusAndTipsInEveryLanguage()
    {
        QFETCH(int, language);
        CMainFrame frame;
        AppConfig.language = std::uint8_t(language);
        frame.RelabelMenu();
        const QList<QAction*> titles = titleActions(frame);
        QCOMPARE(titles.size(), 4);
        for (int m = 0; m < 4; ++m) {
            QCOMPARE(titles[m]->text(), menuText(kMenus[m].title));
            QStringList commands;
            for (QAction* a : titles[m]->menu()->actions())
                if (!a->isSeparator())
                    commands << QString::number(a->data().toInt());
            QStringList expected;
            for (auto [command, number] : kMenus[m].items) {
                expected << QString::number(command);
                QCOMPARE(frame.GetAction(command)->text(), menuText(number));
            }
            QCOMPARE(commands, expected);
        }
        for (int command : {cmd::TesterSoftware, cmd::InstallSoftware, cmd::SelectSerialPort,
                            cmd::SelectLanguage, cmd::PrintSetup, cmd::AppAbout}) {
            const QString tip = MainToolBar::TipText(command);
            QVERIFY2(!tip.isEmpty() && !tip.contains(kTextNotFound) && tip.size() <= 79,
                     qPrintable(tip));
        }
        QCOMPARE(MainToolBar::TipText(cmd::SelectLanguage), UiText("DIALOGO_SELEZIONE_LINGUA", 1));
        QCOMPARE(MainToolBar::TipText(cmd::PrintSetup), menuText(23));
        QVERIFY(MainToolBar::TipText(cmd::Exit).isEmpty());
        QStringList order;
        for (QAction* a : frame.findChild<QToolBar*>("mainToolBar")->actions())
            order << (a->isSeparator() ? "-" : QString::number(a->data().toInt()));
        QCOMPARE(order.join(' '), QString("32772 32784 - 32771 32776 - 57606 57664"));
        const char* const indicators[3] = {"indicatorCAP", "indicatorNUM", "indicatorSCRL"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(frame.findChild<QLabel*>(indicators[i])->text(), menuText(30 + i));
    }

    // Alt and a letter open each menu: every title and item has a letter of its own within its
    // menu, and the four titles differ from one another.
    void accessLetters_data() { addLanguageRows(); }
    void accessLetters()
    {
        QFETCH(int, language);
        AppConfig.language = std::uint8_t(language);
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        const QList<QAction*> titles = titleActions(frame);
        QCOMPARE(titles.size(), 4);
        auto checkUnique = [](const QList<QAction*>& actions) {
            QList<QKeySequence> keys;
            for (QAction* a : actions) {
                if (a->isSeparator())
                    continue;
                const QKeySequence key = QKeySequence::mnemonic(a->text());
                QVERIFY2(!key.isEmpty(), qPrintable(a->text()));
                QVERIFY2(!keys.contains(key), qPrintable(a->text()));
                keys << key;
            }
        };
        checkUnique(titles);
        for (QAction* title : titles)
            checkUnique(title->menu()->actions());
        for (QAction* title : titles) {
            const QKeyCombination key = QKeySequence::mnemonic(title->text())[0];
            // With the letter's text: the key code alone is refused for letters beyond ASCII.
            const QString letter = QChar(char32_t(key.key())).toLower();
            QTest::sendKeyEvent(QTest::Click, &frame, key.key(), letter, key.keyboardModifiers());
            QTRY_VERIFY2(title->menu()->isVisible(), qPrintable(title->text()));
            title->menu()->close();
        }
        // F10 opens the first menu.
        QTest::keyClick(&frame, Qt::Key_F10);
        QTRY_VERIFY(titles[0]->menu()->isVisible());
        titles[0]->menu()->close();
    }

    // The arrow keys and the mouse go round all four menus, the corner bar's Help menu among
    // them, as they would along one bar.
    void arrowsAndMouseReachEveryMenu_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key"); // 0: the mouse slides onto the other menu's title
        QTest::addColumn<int>("to");
        QTest::newRow("1st, right") << 0 << int(Qt::Key_Right) << 1;
        QTest::newRow("3rd, right") << 2 << int(Qt::Key_Right) << 3;
        QTest::newRow("4th, right wraps") << 3 << int(Qt::Key_Right) << 0;
        QTest::newRow("4th, left") << 3 << int(Qt::Key_Left) << 2;
        QTest::newRow("1st, left wraps") << 0 << int(Qt::Key_Left) << 3;
        QTest::newRow("mouse from 2nd onto 4th") << 1 << 0 << 3;
        QTest::newRow("mouse from 4th onto 1st") << 3 << 0 << 0;
    }
    void arrowsAndMouseReachEveryMenu()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        CMainFrame frame;
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        const QList<QAction*> titles = titleActions(frame);
        QCOMPARE(titles.size(), 4);
        auto* bar = qobject_cast<QMenuBar*>(titles[from]->parent()->parent());
        QVERIFY(bar);
        bar->setActiveAction(titles[from]);
        QMenu* open = titles[from]->menu();
        QTRY_VERIFY2_WITH_TIMEOUT(open->isVisible(), "the first menu did not open", 2000);
        if (key) {
            QTest::keyClick(open, Qt::Key(key));
        } else {
            auto* target = qobject_cast<QMenuBar*>(titles[to]->parent()->parent());
            QVERIFY(target);
            const QPoint global = target->mapToGlobal(target->actionGeometry(titles[to]).center());
            QMouseEvent move(QEvent::MouseMove, QPointF(open->mapFromGlobal(global)),
                             QPointF(global), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(open, &move);
        }
        QTRY_VERIFY2_WITH_TIMEOUT(titles[to]->menu()->isVisible(),
                                  qPrintable(QString("menu %1 did not open").arg(to + 1)), 2000);
        for (int m = 0; m < 4; ++m)
            if (m != to)
                QVERIFY2(!titles[m]->menu()->isVisible(), qPrintable(QString::number(m + 1)));
        titles[to]->menu()->close();
    }

    // A longer title for the corner menu after a language change is not cut behind an
    // extension button.
    void helpMenuFollowsItsTitle_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        for (int to : {0, 1, 3, 4, 5})
            QTest::addRow("FRA to %s", kLanguageCodes[to]) << 2 << to;
        QTest::newRow("GRE to ING") << 5 << 1;
    }
    void helpMenuFollowsItsTitle()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        AppConfig.language = std::uint8_t(from);
        CMainFrame frame;
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        AppConfig.language = std::uint8_t(to);
        frame.RelabelMenu();
        auto* corner = frame.findChild<QMenuBar*>("rightMenuBar");
        QVERIFY(corner);
        QTRY_COMPARE(corner->width(), corner->sizeHint().width());
        auto* extension = corner->findChild<QToolButton*>("qt_menubar_ext_button");
        QVERIFY(!extension || !extension->isVisible());
        QVERIFY(corner->actionGeometry(corner->actions().value(0)).right() < corner->width());
    }

    // The toolbar's context menu names it; Shift+F1 shows each button's tip as What's This.
    void toolbarTitleAndWhatsThis_data() { addLanguageRows(); }
    void toolbarTitleAndWhatsThis()
    {
        QFETCH(int, language);
        CMainFrame frame;
        AppConfig.language = std::uint8_t(language);
        frame.RelabelMenu();
        std::unique_ptr<QMenu> popup(frame.createPopupMenu());
        QVERIFY(popup);
        QCOMPARE(popup->actions().size(), 1);
        QCOMPARE(popup->actions()[0]->text(), WithoutAccessLetter(menuText(9)));
        for (QToolButton* button :
             frame.findChild<QToolBar*>("mainToolBar")
                 ->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!button->defaultAction())
                continue;
            const int command = button->defaultAction()->data().toInt();
            QCOMPARE(button->whatsThis(), MainToolBar::TipText(command));
        }
    }

    void withoutAccessLetter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("plain");
        QTest::newRow("first") << "&Diagnosi"
                               << "Diagnosi";
        QTest::newRow("inside") << "Barra di s&tato"
                                << "Barra di stato";
        QTest::newRow("doubled") << "R&&D &tools"
                                 << "R&D tools";
        QTest::newRow("last") << "Fine&"
                              << "Fine&";
        QTest::newRow("none") << "Esci"
                              << "Esci";
    }
    void withoutAccessLetter()
    {
        QFETCH(QString, text);
        QFETCH(QString, plain);
        QCOMPARE(WithoutAccessLetter(text), plain);
    }

    // The offscreen platform cannot tell the lock states: the panes are not shown at all.
    void lockIndicatorsHiddenWhereUnknown()
    {
        CMainFrame frame;
        frame.show();
        for (const char* name : {"indicatorCAP", "indicatorNUM", "indicatorSCRL"}) {
            auto* pane = frame.findChild<QLabel*>(name);
            QVERIFY2(pane, name);
            QVERIFY2(!pane->isVisible(), name);
        }
    }

    // Each toolbar picture has a form drawn at double resolution, used on a screen scaled by 2.
    void toolbarPicturesAtDoubleResolution()
    {
        CMainFrame frame;
        int buttons = 0;
        for (QAction* a : frame.findChild<QToolBar*>("mainToolBar")->actions()) {
            if (a->isSeparator())
                continue;
            ++buttons;
            const QList<QSize> sizes = a->icon().availableSizes();
            QVERIFY2(sizes.contains(QSize(16, 15)) && sizes.contains(QSize(32, 30)),
                     qPrintable(a->objectName()));
            const QPixmap doubled = a->icon().pixmap(QSize(16, 15), 2.0);
            QCOMPARE(doubled.size(), QSize(32, 30));
            QCOMPARE(doubled.toImage().convertToFormat(QImage::Format_ARGB32),
                     QImage(QString(":/pictures/toolbar_%1@2x.png").arg(a->data().toInt()))
                         .convertToFormat(QImage::Format_ARGB32));
        }
        QCOMPARE(buttons, 6);
    }

    // The printer chosen in Print set-up is the one Print then uses.
    void printSetupReachesPrint()
    {
        CMainFrame frame;
        frame.SetView(new CZOLTView(&frame));
        QPrinter* seen[2] = {};
        auto answer = [&seen](int i, bool choose) {
            QTimer::singleShot(0, [&seen, i, choose] {
                auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
                QVERIFY(dlg);
                seen[i] = dlg->printer();
                if (choose)
                    dlg->printer()->setPageOrientation(QPageLayout::Landscape);
                dlg->reject();
            });
        };
        answer(0, true);
        frame.OnCommand(cmd::PrintSetup);
        answer(1, false);
        frame.OnCommand(cmd::Print);
        QVERIFY(seen[0] && seen[1]);
        QCOMPARE(seen[1], seen[0]);
        QCOMPARE(seen[1]->pageLayout().orientation(), QPageLayout::Landscape);
    }

    // Print set-up confirms the choice in the program's words; it prints nothing.
    void printSetupConfirmsWithOk_data() { addLanguageRows(); }
    void printSetupConfirmsWithOk()
    {
        QFETCH(int, language);
        AppConfig.language = std::uint8_t(language);
        CMainFrame frame;
        QString title, ok;
        QTimer::singleShot(0, [&title, &ok] {
            auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            title = dlg->windowTitle();
            auto* buttons = dlg->findChild<QDialogButtonBox*>();
            QVERIFY(buttons && buttons->button(QDialogButtonBox::Ok));
            ok = buttons->button(QDialogButtonBox::Ok)->text();
            dlg->reject();
        });
        frame.OnCommand(cmd::PrintSetup);
        QCOMPARE(title, menuText(23));
        QCOMPARE(ok, UiText("GENERIC_STRING", 10));
    }

    // Qt's own dialogs speak the chosen language where Qt has translations for it (not Greek),
    // and switch with it.
    void qtDialogsFollowTheLanguage()
    {
        CMainFrame frame;
        auto qtText = [] { return QCoreApplication::translate("QPrintDialog", "Print"); };
        QStringList seen;
        for (int language : {0, 2, 1, 3, 5, 4}) {
            AppConfig.language = std::uint8_t(language);
            frame.RelabelMenu();
            seen << qtText();
        }
        QCOMPARE(seen[2], QString("Print"));
        QCOMPARE(seen[4], QString("Print"));
        for (int i : {0, 1, 3, 5})
            QVERIFY2(seen[i] != "Print", qPrintable(seen.join(", ")));
        QCOMPARE(QSet<QString>(seen.begin(), seen.end()).size(), 5);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_main_frame.moc"
