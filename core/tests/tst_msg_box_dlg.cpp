// Tests of the program's message box: buttons, captions, icons and closing codes.
#include "core/app_config.h"
#include "core/help_request.h"
#include "core/msg_box_dlg.h"
#include "linklib/link_event.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>

namespace {

// Runs the box modally and performs `action` on it once it is shown; returns its code.
int runBox(int style, const std::function<void(CMsgBoxDlg&)>& action)
{
    CMsgBoxDlg box;
    box.SetContent("Titolo", "Messaggio", style, 0);
    QTimer::singleShot(0, &box, [&] { action(box); });
    return box.exec();
}

QPushButton* button(CMsgBoxDlg& box, const char* name)
{
    return box.findChild<QPushButton*>(name);
}

} // namespace

class TestMsgBoxDlg : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void initTestCase()
    {
        AppConfig.textsPath = dir_.filePath("SWBASE.TXT").toStdString();
        std::ofstream(AppConfig.textsPath)
            << "[DIALOGO_MSG_BOX]\ns1_ITA=No\ns2_ITA=Ok\ns3_ITA=Sì\ns4_ITA=Annulla\n"
               "s1_GRE=Όχι\ns2_GRE=Εντάξει\ns3_GRE=Ναι\ns4_GRE=Άκυρο\n";
    }

    void layout_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("ok");
        QTest::addColumn<QString>("no");
        QTest::addColumn<int>("icon");
        // An empty caption marks a hidden button.
        QTest::newRow("error") << 0 << 16 << ""
                               << "Ok"
                               << "" << int(QStyle::SP_MessageBoxCritical);
        QTest::newRow("question") << 0 << 36 << "Sì"
                                  << ""
                                  << "No" << int(QStyle::SP_MessageBoxQuestion);
        QTest::newRow("exclamation") << 0 << 48 << ""
                                     << "Ok"
                                     << "" << int(QStyle::SP_MessageBoxWarning);
        QTest::newRow("information") << 0 << 64 << ""
                                     << "Ok"
                                     << "" << int(QStyle::SP_MessageBoxInformation);
        QTest::newRow("no icon field") << 0 << 0 << ""
                                       << "Ok"
                                       << "" << int(QStyle::SP_MessageBoxInformation);
        QTest::newRow("ok cancel") << 0 << 1 << "Ok"
                                   << ""
                                   << "Annulla" << int(QStyle::SP_MessageBoxInformation);
        QTest::newRow("both sets: ok cancel captions win")
            << 0 << 5 << "Ok"
            << ""
            << "Annulla" << int(QStyle::SP_MessageBoxInformation);
        QTest::newRow("greek question") << 5 << 36 << "Ναι"
                                        << ""
                                        << "Όχι" << int(QStyle::SP_MessageBoxQuestion);
        QTest::newRow("greek error") << 5 << 16 << ""
                                     << "Εντάξει"
                                     << "" << int(QStyle::SP_MessageBoxCritical);
    }

    void layout()
    {
        QFETCH(int, language);
        QFETCH(int, style);
        QFETCH(QString, yes);
        QFETCH(QString, ok);
        QFETCH(QString, no);
        QFETCH(int, icon);
        AppConfig.language = std::uint8_t(language);
        CMsgBoxDlg box;
        box.SetContent("Titolo", "Testo del messaggio", style, 0);
        box.show();
        auto caption = [&](const char* name) {
            QPushButton* b = button(box, name);
            return b->isVisible() ? b->text() : QString();
        };
        QCOMPARE(caption("buttonYes"), yes);
        QCOMPARE(caption("buttonOk"), ok);
        QCOMPARE(caption("buttonNo"), no);
        QCOMPARE(box.findChild<QLabel*>("icon")->property("stockIcon").toInt(), icon);
        QCOMPARE(box.windowTitle(), QString("Titolo"));
        QCOMPARE(box.findChild<QLabel*>("message")->text(), QString("Testo del messaggio"));
        AppConfig.language = 0;
    }

    void closing_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("code");
        QTest::newRow("yes") << 36 << "buttonYes" << 6;
        QTest::newRow("no") << 36 << "buttonNo" << 7;
        QTest::newRow("yes/no escape") << 36 << "escape" << 7;
        QTest::newRow("yes/no close box") << 36 << "close" << 7;
        QTest::newRow("ok of ok/cancel") << 1 << "buttonYes" << 1;
        QTest::newRow("cancel of ok/cancel") << 1 << "buttonNo" << 2;
        QTest::newRow("ok/cancel escape") << 1 << "escape" << 2;
        QTest::newRow("ok/cancel close box") << 1 << "close" << 7;
        QTest::newRow("single ok") << 16 << "buttonOk" << 1;
        QTest::newRow("single ok escape") << 16 << "escape" << 1;
        QTest::newRow("single ok close box") << 16 << "close" << 7;
    }

    void closing()
    {
        QFETCH(int, style);
        QFETCH(QString, action);
        QFETCH(int, code);
        int result = runBox(style, [&](CMsgBoxDlg& box) {
            if (action == "escape")
                QTest::keyClick(&box, Qt::Key_Escape);
            else if (action == "close")
                box.close();
            else
                QTest::mouseClick(button(box, action.toLatin1()), Qt::LeftButton);
        });
        QCOMPARE(result, code);
    }

    // A link notification arriving while the box is open must not close or disturb it.
    void linkMessageIsIgnored()
    {
        int result = runBox(16, [](CMsgBoxDlg& box) {
            QCoreApplication::postEvent(&box, new LinkMessageEvent(1, 0));
            QTimer::singleShot(20, &box, [&box] {
                QVERIFY(box.isVisible());
                QTest::mouseClick(button(box, "buttonOk"), Qt::LeftButton);
            });
        });
        QCOMPARE(result, 1);
    }

    void longTextsAreCut()
    {
        CMsgBoxDlg box;
        box.SetContent(std::string(600, 't'), std::string(600, 'm'), 16, 131351);
        QCOMPARE(box.windowTitle().size(), 399);
        QCOMPARE(box.findChild<QLabel*>("message")->text().size(), 399);
        QCOMPARE(box.GetHelpId(), 131351);
        int asked = 0;
        SetHelpHandler([&](int id) { asked = id; });
        QTest::keyClick(&box, Qt::Key_F1);
        SetHelpHandler(nullptr);
        QCOMPARE(asked, 131351);
    }
};

QTEST_MAIN(TestMsgBoxDlg)
#include "tst_msg_box_dlg.moc"
