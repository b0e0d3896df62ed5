// Tests of the main view's handling of link messages: maximise, time-out, and code 27.
#include "fake_link_api.h"
#include "link/link_session.h"
#include "link/view_link_handler.h"

#include <QSignalSpy>
#include <QTest>

class TestViewLinkHandler : public QObject
{
    Q_OBJECT

private slots:
    void code27_data()
    {
        QTest::addColumn<std::vector<int>>("values");
        QTest::addColumn<std::vector<int>>("sentCounters");
        QTest::addColumn<std::vector<std::string>>("messages");
        QTest::addColumn<int>("counter");
        QTest::newRow("one repeat")
            << std::vector<int>{1} << std::vector<int>{1} << std::vector<std::string>{} << 1;
        QTest::newRow("fourth repeat gives up")
            << std::vector<int>{1, 1, 1, 1} << std::vector<int>{1, 2, 3}
            << std::vector<std::string>{"G7"} << 0;
        QTest::newRow("2 resets") << std::vector<int>{1, 1, 2} << std::vector<int>{1, 2}
                                  << std::vector<std::string>{} << 0;
        QTest::newRow("253 resets")
            << std::vector<int>{1, 253} << std::vector<int>{1} << std::vector<std::string>{} << 0;
        QTest::newRow("other value") << std::vector<int>{1, 7} << std::vector<int>{1}
                                     << std::vector<std::string>{"E29"} << 0;
        QTest::newRow("after giving up it starts again")
            << std::vector<int>{1, 1, 1, 1, 1} << std::vector<int>{1, 2, 3, 1}
            << std::vector<std::string>{"G7"} << 1;
    }

    void code27()
    {
        QFETCH(std::vector<int>, values);
        QFETCH(std::vector<int>, sentCounters);
        QFETCH(std::vector<std::string>, messages);
        QFETCH(int, counter);
        CapturedMessages captured;
        auto* api = new FakeLinkApi;
        LinkSession session{AppConfig, std::unique_ptr<LinkApi>(api)};
        QObject view;
        session.OpenLink(&view, PortTarget::Com(1));
        ViewLinkHandler handler(session, &view);
        captured.Watch(&session);
        captured.Watch(&handler);
        // The first code 27 comes unprompted; the later ones answer the view's type 42.
        for (std::size_t i = 0; i < values.size(); ++i) {
            api->Deliver(27, std::uint8_t(values[i]), i == 0 || !session.Window()->Busy());
            for (int k = 0; k < 3; ++k)
                QCoreApplication::sendPostedEvents();
        }
        std::vector<int> sent;
        for (const FakeCall& c : api->calls)
            if (c.name == "Send") {
                QCOMPARE(c.frame.size(), std::size_t(8));
                QCOMPARE(int(c.frame[5]), 10);
                QCOMPARE(int(c.frame[6]), 27);
                QCOMPARE(api->lastSender.data(), &view);
                sent.push_back(c.frame[7]);
            }
        QCOMPARE(sent, sentCounters);
        QCOMPARE(captured.texts, messages);
        QCOMPARE(handler.RepeatCounter(), counter);
    }

    void sendFailureResetsCounter()
    {
        CapturedMessages captured;
        auto* api = new FakeLinkApi;
        LinkSession session{AppConfig, std::unique_ptr<LinkApi>(api)};
        QObject view;
        session.OpenLink(&view, PortTarget::Com(1));
        ViewLinkHandler handler(session, &view);
        captured.Watch(&session);
        captured.Watch(&handler);
        api->sendResult = 0;
        api->Deliver(27, 1, true);
        QTRY_COMPARE(captured.texts, std::vector<std::string>{"E15"});
        QCOMPARE(handler.RepeatCounter(), 0);
    }

    // A tester repeating code 27 while the line is held queues one acknowledgement, not one
    // for each repeat.
    void repeatsWhileTheLineIsHeldQueueOneAcknowledgement()
    {
        CapturedMessages captured;
        auto* api = new FakeLinkApi;
        LinkSession session{AppConfig, std::unique_ptr<LinkApi>(api)};
        QObject view;
        session.OpenLink(&view, PortTarget::Com(1));
        ViewLinkHandler handler(session, &view);
        captured.Watch(&session);
        captured.Watch(&handler);
        Requester engine;
        session.BuildRequest(3);
        session.SendRequest(&engine);
        for (int i = 0; i < 300; ++i)
            api->Deliver(27, 1, true);
        QTRY_COMPARE(int(captured.texts.size()), 75); // every fourth repeat: G7
        QCOMPARE(session.Window()->Queued(&view), 1);
        QCOMPARE(api->Count("Send"), 1);
    }

    void otherMessages()
    {
        CapturedMessages captured;
        auto* api = new FakeLinkApi;
        LinkSession session{AppConfig, std::unique_ptr<LinkApi>(api)};
        QObject view;
        session.OpenLink(&view, PortTarget::Com(1));
        ViewLinkHandler handler(session, &view);
        captured.Watch(&session);
        captured.Watch(&handler);
        QSignalSpy maximize(&handler, &ViewLinkHandler::MaximizeRequested);
        api->PostEvent(4); // library event 4 reaches the view through the link window
        QTRY_COMPARE(maximize.count(), 1);
        QCoreApplication::postEvent(&view, new LinkMessageEvent(LinkTimeout, 0));
        QTRY_COMPARE(captured.texts, std::vector<std::string>{"E12"});
        QVERIFY(!handler.HandleLinkMessage(7)); // answers of other exchanges are not the view's
        QVERIFY(captured.texts.size() == 1);
    }
};

QTEST_GUILESS_MAIN(TestViewLinkHandler)
#include "tst_view_link_handler.moc"
