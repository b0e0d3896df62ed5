// Tests of setting the link up, switching ports and tearing it down, against a scripted library.
#include "fake_link_api.h"
#include "link/link_session.h"

#include <QTest>
#include <QTimer>

class TestLinkSession : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        CapturedMessages messages;
        FakeLinkApi* api = new FakeLinkApi;
        LinkSession session{std::unique_ptr<LinkApi>(api)};
        std::vector<std::string>& notices = messages.notices;
        QObject view;
        Fixture() { AppConfig.comPort = 1; }
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
        QCOMPARE(f.session.OpenLink(&f.view), 0);
        QVERIFY(f.session.PortOpen());
        QCOMPARE(f.LastOpen()->port, 3);
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
        QCOMPARE(f.session.OpenLink(&f.view), -1);
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
        QCOMPARE(f.session.OpenLink(&f.view), 0);
        QVERIFY(!f.session.PortOpen());
        QCOMPARE(f.messages.texts.size(), std::size_t(1));
        QVERIFY(f.messages.texts[0].rfind("E2\n\n", 0) == 0);
        QVERIFY(f.messages.texts[0].find("dialout") != std::string::npos);
    }

    // The start-up rate must survive a change of port, or the tester stops answering.
    void reopenPortKeepsStartRate()
    {
        Fixture f;
        f.session.OpenLink(&f.view);
        QVERIFY(f.session.ReopenPort(2));
        QCOMPARE(f.LastOpen()->port, 2);
        QCOMPARE(f.LastOpen()->baud, 19200);
        QCOMPARE(AppConfig.comPort, std::uint8_t(2));
        const std::vector<std::string> names = f.api->Names();
        QCOMPARE(std::vector<std::string>(names.end() - 2, names.end()),
                 (std::vector<std::string>{"ClosePort", "OpenPort"}));
        QCOMPARE(f.notices, std::vector<std::string>{"E55"});
        QVERIFY(f.messages.texts.empty());
    }

    void reopenSamePortDoesNothing()
    {
        Fixture f;
        f.session.OpenLink(&f.view);
        QVERIFY(!f.session.ReopenPort(1));
        QCOMPARE(f.api->Count("OpenPort"), 1);
        QCOMPARE(f.api->Count("ClosePort"), 0);
        QVERIFY(f.notices.empty());
    }

    void reopenFailureShowsMessageThenNotice()
    {
        Fixture f;
        f.session.OpenLink(&f.view);
        f.api->openResult = 0;
        QVERIFY(f.session.ReopenPort(4));
        QVERIFY(!f.session.PortOpen());
        QCOMPARE(f.messages.texts, std::vector<std::string>{"E2"});
        QCOMPARE(f.notices, std::vector<std::string>{"E55"});
        // Without an open port there is nothing to close on the next change.
        QCOMPARE(f.api->Count("ClosePort"), 1);
        f.api->openResult = 1;
        f.session.ReopenPort(5);
        QCOMPARE(f.api->Count("ClosePort"), 1);
        QVERIFY(f.session.PortOpen());
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
        f.session.OpenLink(&f.view);
        f.session.CloseLink();
        QCOMPARE(f.api->Names(),
                 (std::vector<std::string>{"Init", "OpenPort", "ClosePort", "Release"}));
        QCOMPARE(f.messages.texts, messages);
        QCOMPARE(f.session.BuildRequest(3), 0);
        f.session.CloseLink();
        QCOMPARE(f.api->Count("Release"), 1);
    }

    // The view may go (and the library with it) while the box of a failure the link window
    // reported is open: the window finishes its handler and goes afterwards.
    void closingInsideAReport()
    {
        auto session = std::make_unique<LinkSession>(std::make_unique<FakeLinkApi>());
        struct ClosingSink : ErrorSink
        {
            std::unique_ptr<LinkSession>* session;
            int reports = 0;
            void Report(const ErrorReport&) override
            {
                ++reports;
                session->reset();
            }
        } sink;
        sink.session = &session;
        ErrorSink* previous = SetErrorSink(&sink);
        QObject view;
        QCOMPARE(session->OpenLink(&view), 0);
        QPointer<LinkWindow> window = session->Window();
        QCoreApplication::postEvent(window, new LinkMessageEvent(9, 0)); // unknown: message 42
        QTRY_COMPARE(sink.reports, 1);
        QVERIFY(!session);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        SetErrorSink(previous);
    }

    void missingLibraryEndsProgram()
    {
        CapturedMessages messages;
        qputenv("ZOLT_LINK_LIBRARY", "/nonexistent/libCOMMVELANTO.so");
        LinkSession session;
        QObject view;
        QCOMPARE(session.OpenLink(&view), -1);
        qunsetenv("ZOLT_LINK_LIBRARY");
        QCOMPARE(messages.texts.size(), std::size_t(1));
        QVERIFY(messages.texts[0].rfind("E10\n\n", 0) == 0);
    }
};

QTEST_GUILESS_MAIN(TestLinkSession)
#include "tst_link_session.moc"
