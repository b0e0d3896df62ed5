// Tests of setting the link up, switching ports and tearing it down, against a scripted library.
#include "fake_link_api.h"
#include "link/link_session.h"
#include "manual_clock.h"

#include "core/app_config.h"
#include "core/app_settings.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestLinkSession : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        CapturedMessages messages;
        FakeLinkApi* api = new FakeLinkApi;
        LinkSession session{AppConfig, std::unique_ptr<LinkApi>(api)};
        QObject view;
        Fixture()
        {
            AppConfig.comPort = 1;
            messages.Watch(&session);
        }
        int Open() { return session.OpenLink(&view, PortTarget::Com(AppConfig.comPort)); }
        const FakeCall* LastOpen() const
        {
            for (auto it = api->calls.rbegin(); it != api->calls.rend(); ++it)
                if (it->name == "OpenPort")
                    return &*it;
            return nullptr;
        }
    };

private slots:
    void openLinkOpensConfiguredPortAtStartRate()
    {
        Fixture f;
        AppConfig.comPort = 3;
        QCOMPARE(f.Open(), 0);
        QVERIFY(f.session.PortOpen());
        QCOMPARE(f.LastOpen()->device, std::string("/dev/ttyS2"));
        QCOMPARE(f.LastOpen()->baud, 19200);
        QCOMPARE(f.api->notify.data(), static_cast<QObject*>(f.session.Window()));
        QVERIFY(f.messages.texts.empty());
    }

    void initFailureEndsProgram_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<std::string>("message");
        QTest::newRow("-1") << -1 << std::string("E10");
        QTest::newRow("-2") << -2 << std::string("E9");
        QTest::newRow("-3") << -3 << std::string("E8");
        QTest::newRow("-4") << -4 << std::string("E7");
    }

    void initFailureEndsProgram()
    {
        QFETCH(int, result);
        QFETCH(std::string, message);
        Fixture f;
        f.api->initResult = result;
        QCOMPARE(f.Open(), -1);
        QVERIFY(f.session.LinkFailed());
        QCOMPARE(f.messages.texts, std::vector<std::string>{message});
        QCOMPARE(f.api->Count("OpenPort"), 0);
        f.session.CloseLink();
        QCOMPARE(f.api->Count("Release"), 0); // a failed link is never released
    }

    void portFailureSaysWhyAndRunsOn()
    {
        Fixture f;
        f.api->openResult = 0;
        f.api->portError = "/dev/ttyS0: permission denied. The user must be a member of the "
                           "\"dialout\" group.";
        QCOMPARE(f.Open(), 0);
        QVERIFY(!f.session.PortOpen());
        QCOMPARE(f.messages.texts.size(), std::size_t(1));
        QVERIFY(f.messages.texts[0].rfind("E2\n\n", 0) == 0);
        QVERIFY(f.messages.texts[0].find("dialout") != std::string::npos);
    }

    // The start-up rate must survive a change of port, or the tester stops answering.
    void reopenPortKeepsStartRate()
    {
        Fixture f;
        f.Open();
        QCOMPARE(f.session.ReopenPort(PortTarget::Com(2)), LinkSession::Reopen::Opened);
        QCOMPARE(f.LastOpen()->device, std::string("/dev/ttyS1"));
        QCOMPARE(f.LastOpen()->baud, 19200);
        QCOMPARE(f.session.Port().com, 2);
        const std::vector<std::string> names = f.api->Names();
        QCOMPARE(std::vector<std::string>(names.end() - 2, names.end()),
                 (std::vector<std::string>{"ClosePort", "OpenPort"}));
        QVERIFY(f.messages.texts.empty());
    }

    void reopenSamePortDoesNothing()
    {
        Fixture f;
        f.Open();
        QCOMPARE(f.session.ReopenPort(PortTarget::Com(1)), LinkSession::Reopen::Unchanged);
        QCOMPARE(f.api->Count("OpenPort"), 1);
        QCOMPARE(f.api->Count("ClosePort"), 0);
    }

    // A port that cannot be opened is said once, and the port that worked stays in use; only
    // when that one cannot be opened again either is no port open.
    void reopenFailureKeepsThePortThatWorked()
    {
        Fixture f;
        f.Open();
        f.api->openResult = 0;
        int opens = 0;
        f.api->onOpen = [&](const std::string&) { return ++opens == 2 ? 1 : 0; };
        QCOMPARE(f.session.ReopenPort(PortTarget::Com(4)), LinkSession::Reopen::Kept);
        QVERIFY(f.session.PortOpen());
        QCOMPARE(f.session.Port().com, 1);
        QCOMPARE(f.LastOpen()->device, std::string("/dev/ttyS0"));
        QCOMPARE(f.messages.texts.size(), std::size_t(1));
        QVERIFY(f.messages.texts[0].rfind("E73", 0) == 0);

        f.api->onOpen = nullptr;
        QCOMPARE(f.session.ReopenPort(PortTarget::Com(5)), LinkSession::Reopen::NoPort);
        QVERIFY(!f.session.PortOpen());
        QCOMPARE(f.messages.texts.size(), std::size_t(2));
        QVERIFY(f.messages.texts[1].rfind("E64", 0) == 0);
        // Without an open port there is nothing to close on the next change.
        const int closes = f.api->Count("ClosePort");
        f.api->openResult = 1;
        QCOMPARE(f.session.ReopenPort(PortTarget::Com(6)), LinkSession::Reopen::Opened);
        QCOMPARE(f.api->Count("ClosePort"), closes);
        QVERIFY(f.session.PortOpen());
    }

    // The user chose another device for the port in use: it is opened; while it cannot be, the
    // device that worked stays in use, not the one the profile names for the port now.
    void samePortLeadingToAnotherDevice()
    {
        QTemporaryDir dir;
        const std::string previousProfile = AppConfig.profilePath;
        AppConfig.profilePath = dir.filePath("VELANTO.INI").toStdString();
        Fixture f;
        f.Open();
        QVERIFY(SaveComDevice(1, "/dev/ttyUSB0"));
        f.api->onOpen = [](const std::string& device) { return device == "/dev/ttyS0" ? 1 : 0; };
        QCOMPARE(f.session.ReopenPort(PortTarget::Com(1)), LinkSession::Reopen::Kept);
        QCOMPARE(f.LastOpen()->device, std::string("/dev/ttyS0"));
        f.api->onOpen = nullptr;
        QCOMPARE(f.session.ReopenPort(PortTarget::Com(1)), LinkSession::Reopen::Opened);
        QCOMPARE(f.LastOpen()->device, std::string("/dev/ttyUSB0"));
        QCOMPARE(f.session.ReopenPort(PortTarget::Com(1)), LinkSession::Reopen::Unchanged);
        AppConfig.profilePath = previousProfile;
    }

    // A device that goes away is said once and looked for once a second, the same device and
    // nothing else, without a failure report per attempt; once it opens it is said once again
    // and requests go. A port the user chooses meanwhile ends the search.
    void lostDeviceIsLookedForOnceASecond_data()
    {
        QTest::addColumn<bool>("chooseAnother");
        QTest::newRow("the device comes back") << false;
        QTest::newRow("another port is chosen meanwhile") << true;
    }

    void lostDeviceIsLookedForOnceASecond()
    {
        QFETCH(bool, chooseAnother);
        ManualClock clock;
        Fixture f;
        f.session.SetClock(clock);
        QCOMPARE(f.Open(), 0);
        QSignalSpy gone(&f.session, &LinkSession::Disconnected);
        QSignalSpy back(&f.session, &LinkSession::Reconnected);
        Requester requester;
        std::vector<std::string> tried;
        bool present = false;
        f.api->onOpen = [&](const std::string& device) {
            tried.push_back(device);
            return present || device == "/dev/ttyS1" ? 1 : 0;
        };
        f.api->PostEvent(proto::kEventDeviceLost);
        clock.Advance(0);
        QCOMPARE(gone.count(), 1);
        QCOMPARE(gone[0][0].toString(), QString("/dev/ttyS0"));
        QVERIFY(!f.session.PortOpen() && f.session.Reconnecting());
        QVERIFY(f.session.BuildRequest(3));
        QCOMPARE(f.session.SendRequest(&requester), 0);
        clock.Advance(999);
        QVERIFY(tried.empty());
        clock.Advance(2001);
        QCOMPARE(tried, (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS0", "/dev/ttyS0"}));
        if (chooseAnother) {
            QCOMPARE(f.session.ReopenPort(PortTarget::Com(2)), LinkSession::Reopen::Opened);
            tried.clear();
            present = true;
            clock.Advance(5000);
            QVERIFY(tried.empty());
            QCOMPARE(back.count(), 0);
        } else {
            present = true;
            clock.Advance(1000);
            QCOMPARE(back.count(), 1);
            QCOMPARE(back[0][0].toString(), QString("/dev/ttyS0"));
            clock.Advance(5000);
            QCOMPARE(tried.size(), std::size_t(4));
        }
        QVERIFY(f.session.PortOpen() && !f.session.Reconnecting());
        QVERIFY(f.session.BuildRequest(3));
        QCOMPARE(f.session.SendRequest(&requester), 1);
        QCOMPARE(gone.count(), 1);
        QVERIFY(f.messages.texts.empty());
    }

    void closeLinkReleasesLibrary_data()
    {
        QTest::addColumn<int>("releaseResult");
        QTest::addColumn<std::vector<std::string>>("messages");
        QTest::newRow("released") << 1 << std::vector<std::string>{};
        QTest::newRow("release fails") << 0 << std::vector<std::string>{"E6"};
    }

    void closeLinkReleasesLibrary()
    {
        QFETCH(int, releaseResult);
        QFETCH(std::vector<std::string>, messages);
        Fixture f;
        f.api->releaseResult = releaseResult;
        f.Open();
        f.session.CloseLink();
        QCOMPARE(f.api->Names(),
                 (std::vector<std::string>{"Init", "OpenPort", "ClosePort", "Release"}));
        QCOMPARE(f.messages.texts, messages);
        QCOMPARE(f.session.BuildRequest(3), 0);
        f.session.CloseLink();
        QCOMPARE(f.api->Count("Release"), 1);
    }

    // The view may go (and the library with it) as soon as the failure the link window
    // reported is shown: it is shown from the event loop, after the window's handler returned.
    void closingWhenAReportIsShown()
    {
        auto session = std::make_unique<LinkSession>(AppConfig, std::make_unique<FakeLinkApi>());
        int reports = 0;
        QObject top;
        connect(
            session.get(), &LinkSession::Failed, &top,
            [&] {
                ++reports;
                session.reset();
            },
            Qt::QueuedConnection);
        QObject view;
        QCOMPARE(session->OpenLink(&view, PortTarget::Com(1)), 0);
        QPointer<LinkWindow> window = session->Window();
        QCoreApplication::postEvent(window, new LinkMessageEvent(9, 0)); // unknown: message 42
        QTRY_COMPARE_WITH_TIMEOUT(reports, 1, 2000);
        QVERIFY(!session);
        QVERIFY(window.isNull());
    }

    void missingLibraryEndsProgram()
    {
        CapturedMessages messages;
        qputenv("ZOLT_LINK_LIBRARY", "/nonexistent/libCOMMVELANTO.so");
        LinkSession session(AppConfig);
        messages.Watch(&session);
        QObject view;
        QCOMPARE(session.OpenLink(&view, PortTarget::Com(1)), -1);
        qunsetenv("ZOLT_LINK_LIBRARY");
        QCOMPARE(messages.texts.size(), std::size_t(1));
        QVERIFY(messages.texts[0].rfind("E10\n\n", 0) == 0);
    }
};

QTEST_GUILESS_MAIN(TestLinkSession)
#include "tst_link_session.moc"
