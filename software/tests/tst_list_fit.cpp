// Tests of sizing lists to their texts, and of the tester software dialog that uses it, on a
// 2560 x 1440 screen scaled by 2 (a configured offscreen screen).
#include "core/app_config.h"
#include "software/list_fit.h"
#include "software/tester_software_dlg.h"
#include "software/tests/tester_script.h"
#include "software/vehicle_catalogue.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QHelpEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Whether `view` shows the text of `index` whole: the part of its row within the view is as
// wide as the row needs.
bool Whole(const QAbstractItemView* view, const QModelIndex& index)
{
    const QRect shown = view->visualRect(index).intersected(view->viewport()->rect());
    return shown.width() >= view->sizeHintForIndex(index).width();
}

QString CutRows(const QAbstractItemView* view)
{
    QStringList cut;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (!Whole(view, model->index(row, 0)))
            cut << model->index(row, 0).data().toString();
    return cut.join(", ");
}

// A window laid out as the tester software dialog: four lists over their buttons.
struct Grid
{
    QWidget window;
    QGridLayout* grid = nullptr;
    QListWidget* lists[4] = {};

    Grid()
    {
        auto* outer = new QVBoxLayout(&window);
        grid = new QGridLayout;
        outer->addLayout(grid);
        for (int c = 0; c < 4; ++c) {
            lists[c] = new QListWidget;
            lists[c]->setMinimumWidth(60);
            lists[c]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
            grid->addWidget(lists[c], 0, c);
        }
        grid->addWidget(new QPushButton("Elimina"), 1, 2);
        window.resize(300, 300);
    }
};

} // namespace

class TestListFit : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void initTestCase()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(screen.size(), QSize(1280, 720)); // 2560 x 1440 at scale 2
        AppConfig.workDir = dir_.path().toStdString();
        AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
        AppConfig.language = 0;
        AppConfig.ecuCatalogPath = dir_.filePath("ECU.INI").toStdString();
        QVERIFY(QFile::copy(ZOLT_SOURCE_DIR "/data/demo/ECU.INI", dir_.filePath("ECU.INI")));
    }

    // Columns share the width by their needs; a window too narrow for them widens within the
    // screen, about its centre once shown.
    void gridColumnsGetTheirNeeds_data()
    {
        QTest::addColumn<QList<int>>("needs");
        QTest::addColumn<int>("width"); // of the window before
        QTest::addColumn<bool>("shown");
        QTest::newRow("widens") << QList<int>{150, 300, 200, 250} << 300 << false;
        QTest::newRow("widens about its centre") << QList<int>{150, 300, 200, 250} << 300 << true;
        QTest::newRow("wide already") << QList<int>{100, 100, 100, 100} << 900 << true;
        QTest::newRow("wider than the screen") << QList<int>{500, 600, 400, 500} << 300 << true;
    }
    void gridColumnsGetTheirNeeds()
    {
        QFETCH(QList<int>, needs);
        QFETCH(int, width);
        QFETCH(bool, shown);
        Grid g;
        g.window.resize(width, 300);
        const QRect area = g.window.screen()->availableGeometry();
        if (shown) {
            g.window.move(area.center() - QPoint(width / 2, 150));
            g.window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&g.window));
        }
        const QPoint centre = g.window.frameGeometry().center();
        FitGridColumns(&g.window, g.grid, needs);
        g.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g.window));
        g.window.layout()->activate();
        int sum = 0;
        for (int need : needs)
            sum += need;
        QVERIFY2(g.window.width() >= width, "the window shrank");
        QVERIFY(area.contains(g.window.frameGeometry()));
        if (sum < area.width() - 100) {
            for (int c = 0; c < 4; ++c)
                QVERIFY2(g.lists[c]->width() >= needs[c],
                         qPrintable(QString("column %1: %2").arg(c).arg(g.lists[c]->width())));
            if (shown && width < sum)
                QVERIFY(std::abs(g.window.frameGeometry().center().x() - centre.x()) <= 1);
        } else {
            QVERIFY(g.window.width() > area.width() - 40);
        }
    }

    // A cut row shows its text in a tooltip; a whole row shows none.
    void cutRowsShowTheirTextInATooltip()
    {
        QListWidget list;
        list.addItems({"ABS", QString(80, u'M')});
        list.resize(120, 100);
        ShowCutTextsInTooltips(&list);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (int row : {0, 1}) {
            const QPoint at = list.visualRect(list.model()->index(row, 0)).center();
            QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
            QApplication::sendEvent(list.viewport(), &help);
            QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(),
                     row == 1 ? QString(80, u'M') : QString());
        }
    }

    // At scale 2 on 2560 x 1440 every name of the demo catalogue shows whole: vehicles, their
    // ECUs, the selection of the longest names, and the tester's listing.
    void demoCatalogueWholeAtScale2()
    {
        ScriptedLink link;
        CTesterSoftwareDlg dlg(link, nullptr);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY2(QTest::qWaitFor([&] { return !link.sent.empty(); }, 2000),
                 "the dialog did not start its listing");
        AnswerListing(dlg.Engine(), {"IAW59F.BIN_131072", "EDC16C39D.BIN_196608"});
        auto* vehicles = dlg.findChild<QTreeWidget*>("vehicleList");
        auto* ecus = dlg.findChild<QTreeWidget*>("ecuList");
        auto* selection = dlg.findChild<QAbstractItemView*>("selectionList");
        auto* tester = dlg.findChild<QAbstractItemView*>("testerList");
        QVERIFY(vehicles && ecus && selection && tester);
        QCOMPARE(vehicles->topLevelItemCount(), 6);
        for (int v = 0; v < vehicles->topLevelItemCount(); ++v) {
            vehicles->setCurrentItem(vehicles->topLevelItem(v));
            QTest::qWait(0);
            QVERIFY(ecus->topLevelItemCount() > 0);
            QVERIFY2(CutRows(ecus).isEmpty(), qPrintable(CutRows(ecus)));
            // The longest name of each vehicle joins the selection.
            emit ecus->itemDoubleClicked(ecus->topLevelItem(0), 0);
        }
        QTest::qWait(0);
        QVERIFY(selection->model()->rowCount() > 0);
        QVERIFY(tester->model()->rowCount() > 0);
        for (const QAbstractItemView* view :
             {static_cast<QAbstractItemView*>(vehicles), selection, tester})
            QVERIFY2(CutRows(view).isEmpty(),
                     qPrintable(view->objectName() + ": " + CutRows(view)));
        QVERIFY(dlg.screen()->availableGeometry().contains(dlg.frameGeometry()));
    }
};

int main(int argc, char** argv)
{
    // One 2560 x 1440 screen, as the offscreen platform reads it from a file, scaled by 2.
    QTemporaryDir config;
    const QString file = config.filePath("screens.json");
    QFile json(file);
    if (!json.open(QIODevice::WriteOnly) ||
        json.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 2560,
                       "height": 1440, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0)
        return 1;
    json.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + file).toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestListFit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_list_fit.moc"
