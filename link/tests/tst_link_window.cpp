// Tests of the exchange primitives of the link window against a scripted link library.
#include "fake_link_api.h"
#include "link/link_window.h"

#include <QTest>
#include <QTimer>

using Bytes = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(Bytes)

class TestLinkWindow : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        FakeLinkApi api;
        LinkWindow window{api};
        Requester requester;
        Requester view;
        Fixture()
        {
            api.Init(&window, 0);
            window.SetLinkId(0x1234); // only the low byte goes into frames
            window.SetViewWindow(&view);
        }
    };

private slots:
    void buildRequest_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<int>("timeout");

        const Bytes five{1, 2, 3, 4, 5};
        const Bytes nine{42, 2, 3, 4, 5, 6, 7, 8, 9};
        // Header bytes 0-4 for a frame of N: 87, N >> 8, N & 255, 0, link id low byte (0x34).
        auto frame = [](int n, int cls, int code, Bytes payload) {
            Bytes f{87,   std::uint8_t(n >> 8), std::uint8_t(n),   0,
                    0x34, std::uint8_t(cls),    std::uint8_t(code)};
            f.insert(f.end(), payload.begin(), payload.end());
            return f;
        };
        struct Row
        {
            int type, cls, code;
            char payload; // n none, d data, or the count of leading bytes
            int attempts, timeout;
        };
        const Row rows[] = {
            {3, 11, 7, 'n', 2, 3000},   {9, 11, 49, 'd', 3, 4000},  {11, 11, 8, 'd', 3, 4000},
            {12, 11, 9, 'd', 3, 4000},  {13, 11, 10, 'd', 3, 4000}, {14, 11, 11, 'd', 3, 4000},
            {15, 11, 12, 'd', 3, 4000}, {16, 11, 13, 'd', 3, 4000}, {17, 11, 14, 'd', 3, 4000},
            {18, 11, 15, 'd', 3, 4000}, {19, 11, 16, 'd', 3, 4000}, {20, 11, 17, 'd', 3, 4000},
            {21, 11, 18, 'd', 3, 4000}, {22, 11, 19, 'd', 3, 4000}, {23, 10, 0, 'n', 3, 300},
            {24, 10, 1, 'n', 1, 3000},  {27, 10, 24, 'n', 3, 1000}, {28, 10, 25, 7, 3, 4000},
            {29, 10, 26, 'n', 3, 2000}, {30, 12, 22, 5, 3, 4000},   {31, 12, 23, 1, 3, 4000},
            {35, 10, 2, 'n', 3, 300},   {36, 10, 3, 'n', 3, 4000},  {37, 10, 4, 'd', 3, 1000},
            {38, 10, 5, 'd', 3, 500},   {42, 10, 27, 'd', 3, 1000}, {47, 10, 6, 'd', 3, 4000},
            {51, 11, 42, 'd', 3, 4000}, {53, 11, 46, 'd', 3, 4000},
        };
        for (const Row& r : rows) {
            Bytes payload;
            if (r.payload == 'd')
                payload = nine;
            else if (r.payload != 'n')
                payload.assign(nine.begin(), nine.begin() + r.payload);
            QTest::addRow("type %d", r.type)
                << r.type << nine << frame(int(payload.size()) + 6, r.cls, r.code, payload)
                << r.attempts << r.timeout;
        }
        QTest::newRow("type 9 with 5 bytes is 12 bytes")
            << 9 << five << Bytes{87, 0, 11, 0, 0x34, 11, 49, 1, 2, 3, 4, 5} << 3 << 4000;
        QTest::newRow("type 8 takes its class from the first data byte")
            << 8 << nine << frame(6, 42, 40, {}) << 3 << 4000;
        QTest::newRow("type 28 pads a short payload to 7 bytes")
            << 28 << Bytes{9, 8} << frame(13, 10, 25, {9, 8, 0, 0, 0, 0, 0}) << 3 << 4000;
        QTest::newRow("data request without data")
            << 12 << Bytes{} << frame(6, 11, 9, {}) << 3 << 4000;
        Bytes big(1017, 0xAB);
        QTest::newRow("largest payload fills 1024 bytes")
            << 12 << big << frame(1023, 11, 9, big) << 3 << 4000;
    }

    void buildRequest()
    {
        QFETCH(int, type);
        QFETCH(Bytes, data);
        QFETCH(Bytes, frame);
        QFETCH(int, attempts);
        QFETCH(int, timeout);
        Fixture f;
        QCOMPARE(f.window.BuildRequest(type, data.data(), int(data.size())), 1);
        QVERIFY(f.window.Busy());
        QCOMPARE(f.window.FrameLength(), int(frame.size()) - 1);
        QCOMPARE(Bytes(f.window.Request(), f.window.Request() + frame.size()), frame);
        QCOMPARE(int(f.window.MaxAttempts()), attempts);
        QCOMPARE(f.window.Timeout(), timeout);
        QCOMPARE(int(f.window.Attempt()), 1);
        QCOMPARE(f.window.SendRequest(&f.requester), 1);
        QCOMPARE(f.api.calls.back().frame, frame);
    }

    void refusedRequestLeavesLinkIdle_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("length");
        QTest::newRow("type 0") << 0 << 0;
        QTest::newRow("type 10") << 10 << 0;
        QTest::newRow("type 25") << 25 << 0;
        QTest::newRow("type 54") << 54 << 0;
        QTest::newRow("type 1500") << 1500 << 0;
        QTest::newRow("payload of 1018 bytes") << 12 << 1018;
        QTest::newRow("negative length") << 12 << -1;
    }

    void refusedRequestLeavesLinkIdle()
    {
        QFETCH(int, type);
        QFETCH(int, length);
        CapturedMessages messages;
        Fixture f;
        Bytes data(2000, 1);
        QCOMPARE(f.window.BuildRequest(type, data.data(), length), 0);
        QCOMPARE(messages.texts, std::vector<std::string>{"E14"});
        QVERIFY(!f.window.Busy());
        // Idle means the next request goes ahead without waiting.
        QCOMPARE(f.window.BuildRequest(3), 1);
    }

    void answerReachesRequester()
    {
        Fixture f;
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        f.api.Deliver(7, 1);
        QTRY_COMPARE(f.requester.codes, std::vector<long long>{7});
        QVERIFY(!f.window.Busy());
        QVERIFY(!f.window.Pending());
        QCOMPARE(int(f.window.Response()[7]), 1);
        QVERIFY(f.view.codes.empty());
    }

    // A tester message that answers nothing must not end someone else's exchange.
    void unsolicitedFrameGoesToViewAndLeavesExchange()
    {
        Fixture f;
        f.window.BuildRequest(21, reinterpret_cast<const std::uint8_t*>("/FN0"), 4);
        f.window.SendRequest(&f.requester);
        f.api.Deliver(27, 1, true);
        QTRY_COMPARE(f.view.codes, std::vector<long long>{27});
        QVERIFY(f.window.Busy());
        QVERIFY(f.window.Pending());
        f.api.Deliver(18, 1);
        QTRY_COMPARE(f.requester.codes, std::vector<long long>{18});
    }

    // An answer to a timed-out exchange fetched after the next exchange began belongs to its
    // own requester and must not end the next one, whose requester would then wait for ever.
    void lateAnswerLeavesNextExchange()
    {
        Fixture f;
        f.window.BuildRequest(23); // 3 attempts of 300 ms
        f.window.SendRequest(&f.requester);
        QTRY_COMPARE_WITH_TIMEOUT(f.requester.codes.size(), std::size_t(1), 15000);
        Requester next;
        f.window.BuildRequest(3);
        f.window.SendRequest(&next);
        f.api.DeliverTo(&f.requester, 0, 1);
        QTRY_COMPARE(f.requester.codes, (std::vector<long long>{LinkTimeout, 0}));
        QVERIFY(f.window.Busy() && f.window.Pending());
        QCOMPARE(f.window.Requester(), &next);
        f.api.Deliver(7, 1);
        QTRY_COMPARE(next.codes, std::vector<long long>{7});
        QVERIFY(!f.window.Busy() && !f.window.Pending());
    }

    void libraryEvents_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<int>("receiveResult");
        QTest::addColumn<std::vector<std::string>>("messages");
        QTest::addColumn<std::vector<long long>>("toView");
        QTest::newRow("event 4 goes to the view")
            << 4 << 1 << std::vector<std::string>{} << std::vector<long long>{4};
        QTest::newRow("event 1 shows the view")
            << 1 << 1 << std::vector<std::string>{} << std::vector<long long>{};
        QTest::newRow("unknown event")
            << 9 << 1 << std::vector<std::string>{"E42"} << std::vector<long long>{};
        QTest::newRow("receive fails")
            << 3 << 0 << std::vector<std::string>{"E16"} << std::vector<long long>{};
        QTest::newRow("frame cancelled before it was fetched")
            << 3 << 1 << std::vector<std::string>{} << std::vector<long long>{};
    }

    void libraryEvents()
    {
        QFETCH(int, event);
        QFETCH(int, receiveResult);
        QFETCH(std::vector<std::string>, messages);
        QFETCH(std::vector<long long>, toView);
        CapturedMessages captured;
        Fixture f;
        f.api.receiveResult = receiveResult;
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        f.api.PostEvent(event);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(captured.texts, messages);
        QCOMPARE(f.view.codes, toView);
        if (receiveResult != 1)
            QVERIFY(!f.window.Busy() && !f.window.Pending());
    }

    void sendFailureLeavesLinkIdle()
    {
        Fixture f;
        f.api.sendResult = 0;
        f.window.BuildRequest(3);
        QCOMPARE(f.window.SendRequest(&f.requester), 0);
        QVERIFY(!f.window.Busy());
        QVERIFY(!f.window.Pending());
    }

    // The design's time-outs, in real time: 3000 ms per attempt, two attempts.
    void unansweredSyncIsSentTwiceThenTimesOut()
    {
        Fixture f;
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        QTRY_COMPARE_WITH_TIMEOUT(f.requester.codes.size(), std::size_t(1), 20000);
        QCOMPARE(f.requester.codes[0], LinkTimeout);
        QCOMPARE(f.api.Count("Send"), 2);
        // The retry timer never fires early; how late it fires depends on the machine's load,
        // so the upper bounds only tell 3000 ms from the default 4000 ms per attempt.
        const qint64 second = f.api.calls.back().atMs - f.api.calls[1].atMs;
        QVERIFY2(second >= 2990 && second < 3900, QByteArray::number(second));
        QVERIFY2(f.requester.atMs[0] >= 5990 && f.requester.atMs[0] < 7900,
                 QByteArray::number(f.requester.atMs[0]));
        QVERIFY(!f.window.Busy());
        QVERIFY(f.window.Pending()); // until EndExchange
    }

    void singleAttemptRequestIsSentOnce()
    {
        Fixture f;
        f.window.BuildRequest(24);
        f.window.SendRequest(&f.requester);
        QTRY_COMPARE_WITH_TIMEOUT(f.requester.codes.size(), std::size_t(1), 15000);
        QCOMPARE(f.requester.codes[0], LinkTimeout);
        QVERIFY2(f.requester.atMs[0] >= 2990, QByteArray::number(f.requester.atMs[0]));
        QCOMPARE(f.api.Count("Send"), 1);
    }

    void endExchangeAfterTimeoutCancelsBeforeNextRequest()
    {
        Fixture f;
        f.window.BuildRequest(23); // 3 attempts of 300 ms
        f.window.SendRequest(&f.requester);
        QTRY_COMPARE_WITH_TIMEOUT(f.requester.codes.size(), std::size_t(1), 15000);
        QCOMPARE(f.api.Count("Send"), 3);
        QCOMPARE(f.window.EndExchange(), 1);
        QVERIFY(!f.window.Pending());
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        const std::vector<std::string> names = f.api.Names();
        QCOMPARE(std::vector<std::string>(names.end() - 2, names.end()),
                 (std::vector<std::string>{"Cancel", "Send"}));
    }

    // What ends the wait of EndExchange and what the link is left with. "next request" runs
    // inside the wait, as a dialog's or the view's handler may: it must not wait forever for
    // an idle link that only the unwinding of EndExchange would bring.
    void endExchangeWait_data()
    {
        QTest::addColumn<bool>("timedOut");
        QTest::addColumn<QString>("during");
        QTest::addColumn<std::vector<std::string>>("calls"); // Cancel/Send/Receive after the start
        QTest::addColumn<std::vector<long long>>("nextCodes");
        using Calls = std::vector<std::string>;
        using Codes = std::vector<long long>;
        QTest::newRow("late answer is swallowed")
            << false << "answer" << Calls{"Cancel"} << Codes{};
        QTest::newRow("quiet line") << false << "" << Calls{"Cancel"} << Codes{};
        QTest::newRow("nested EndExchange") << false << "end" << Calls{"Cancel"} << Codes{};
        QTest::newRow("after a time-out") << true << "" << Calls{"Cancel"} << Codes{};
        QTest::newRow("link closes: library untouched") << false << "close" << Calls{} << Codes{};
        QTest::newRow("next request waits for the end")
            << false << "next" << Calls{"Cancel", "Send", "Receive"} << Codes{9};
        QTest::newRow("next request after a time-out replaces it")
            << true << "next" << Calls{"Cancel", "Send", "Receive"} << Codes{9};
    }

    void endExchangeWait()
    {
        QFETCH(bool, timedOut);
        QFETCH(QString, during);
        QFETCH(std::vector<std::string>, calls);
        QFETCH(std::vector<long long>, nextCodes);
        Fixture f;
        Requester next;
        f.window.BuildRequest(timedOut ? 23 : 3); // type 23: 3 attempts of 300 ms
        f.window.SendRequest(&f.requester);
        if (timedOut)
            QTRY_COMPARE_WITH_TIMEOUT(f.requester.codes.size(), std::size_t(1), 15000);
        const std::size_t start = f.api.calls.size();
        if (during == "answer")
            f.api.Deliver(7, 1); // already queued when the wait begins
        int built = -1, sent = -1;
        QTimer::singleShot(0, [&] {
            if (during == "end")
                f.window.EndExchange();
            else if (during == "close")
                f.window.Shutdown();
            else if (during == "next") {
                const Bytes block{0, 0, 0, 0, 0xFF};
                built = f.window.BuildRequest(12, block.data(), int(block.size()));
                sent = f.window.SendRequest(&next);
                f.api.Deliver(9, 1);
            }
        });
        // Turns a hang into a failure.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [&] { f.window.Shutdown(); });
        watchdog.start(20000);
        QCOMPARE(f.window.EndExchange(), 1);
        if (during == "next") {
            QTRY_COMPARE(next.codes, nextCodes);
            QCOMPARE(built, 1);
            QCOMPARE(sent, 1);
        }
        QCoreApplication::processEvents();
        QVERIFY(watchdog.isActive());
        std::vector<std::string> names;
        for (std::size_t i = start; i < f.api.calls.size(); ++i)
            names.push_back(f.api.calls[i].name);
        QCOMPARE(names, calls);
        QCOMPARE(f.requester.codes.size(), std::size_t(timedOut ? 1 : 0));
        QCOMPARE(next.codes, nextCodes);
        QVERIFY(!f.window.Waiting());
        if (during != "close") {
            QCOMPARE(f.window.Pending(), false);
            QCOMPARE(f.window.Busy(), false);
        }
    }

    void endExchangeWithoutPendingDoesNothing()
    {
        Fixture f;
        QCOMPARE(f.window.EndExchange(), 1);
        QCOMPARE(f.api.Count("Cancel"), 0);
    }

    void retryNowCountsAttempts()
    {
        Fixture f;
        const Bytes block{0, 0, 0, 0, 0xFF};
        f.window.BuildRequest(12, block.data(), int(block.size()));
        f.window.SendRequest(&f.requester);
        QCOMPARE(f.window.RetryNow(), 1);
        QCOMPARE(int(f.window.Attempt()), 2);
        QVERIFY(f.window.Busy() && f.window.Pending());
        QCOMPARE(f.window.RetryNow(), 1);
        QCOMPARE(f.window.RetryNow(), 0);
        QVERIFY(!f.window.Busy());
        QCOMPARE(f.api.Count("Send"), 3);
        QCOMPARE(f.api.Count("Cancel"), 3);
        for (const FakeCall& c : f.api.calls)
            if (c.name == "Send")
                QCOMPARE(c.frame, f.api.calls[1].frame);
    }

    // The second request waits for the first exchange, while timers and posted events still run.
    void secondBuildRequestWaitsAndDispatches()
    {
        Fixture f;
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        bool dispatched = false;
        QTimer::singleShot(20, [&] { dispatched = true; });
        QTimer::singleShot(80, [&] { f.api.Deliver(7, 1); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(f.window.BuildRequest(21, reinterpret_cast<const std::uint8_t*>("/FN0"), 4), 1);
        QVERIFY(clock.elapsed() >= 70);
        QVERIFY(dispatched);
        QCOMPARE(int(f.window.RequestType()), 21);
        QTRY_COMPARE(f.requester.codes, std::vector<long long>{7});
    }

    void shutdownEndsAWaitingRequest()
    {
        Fixture f;
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        QTimer::singleShot(20, [&] { f.window.Shutdown(); });
        QCOMPARE(f.window.BuildRequest(3), 0);
    }
};

QTEST_GUILESS_MAIN(TestLinkWindow)
#include "tst_link_window.moc"
