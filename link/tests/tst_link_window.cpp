// Tests of the exchange primitives of the link window against a scripted link library.
#include "fake_link_api.h"
#include "link/link_window.h"
#include "manual_clock.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Bytes = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(Bytes)

class TestLinkWindow : public QObject
{
    Q_OBJECT

    // The window on a scripted library and a clock the test moves.
    struct Fixture
    {
        ManualClock clock;
        FakeLinkApi api;
        LinkWindow window{api, clock};
        Requester requester;
        Requester view;
        Fixture()
        {
            api.Init(&window, 0);
            window.SetLinkId(0x1234); // only the low byte goes into frames
            window.SetViewWindow(&view);
            api.now = [this] { return clock.Now(); };
            requester.now = api.now;
        }
        std::vector<qint64> SendTimes() const
        {
            std::vector<qint64> times;
            for (const FakeCall& c : api.calls)
                if (c.name == "Send")
                    times.push_back(c.atMs);
            return times;
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
        auto frame = [](int n, int cls, int code, const Bytes& payload) {
            Bytes f = payload;
            const Bytes header{87,   std::uint8_t(n >> 8), std::uint8_t(n),   0,
                               0x34, std::uint8_t(cls),    std::uint8_t(code)};
            f.insert(f.begin(), header.begin(), header.end());
            return f;
        };
        // A few requests of each payload rule, attempt count and time-out; the copy and the
        // listing put the others on the wire in their own tests.
        QTest::newRow("type 3: sync, two attempts of 3000 ms")
            << 3 << nine << frame(6, 11, 7, {}) << 2 << 3000;
        QTest::newRow("type 24: a single attempt") << 24 << nine << frame(6, 10, 1, {}) << 1 << 3000;
        QTest::newRow("type 23: attempts of 300 ms") << 23 << nine << frame(6, 10, 0, {}) << 3 << 300;
        QTest::newRow("type 31: the first data byte")
            << 31 << nine << frame(7, 12, 23, {42}) << 3 << 4000;
        QTest::newRow("type 42: data, 1000 ms") << 42 << nine << frame(15, 10, 27, nine) << 3 << 1000;
        QTest::newRow("type 53: the last row") << 53 << nine << frame(15, 11, 46, nine) << 3 << 4000;
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
        QVERIFY(!f.window.Busy()); // built, not yet on the line
        QCOMPARE(f.window.SendRequest(&f.requester), 1);
        QVERIFY(f.window.Busy());
        QCOMPARE(f.window.FrameLength(), int(frame.size()) - 1);
        QCOMPARE(Bytes(f.window.Request(), f.window.Request() + frame.size()), frame);
        QCOMPARE(int(f.window.MaxAttempts()), attempts);
        QCOMPARE(f.window.Timeout(), timeout);
        QCOMPARE(int(f.window.Attempt()), 1);
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
        messages.Watch(&f.window);
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
        f.clock.Advance(900);
        QCOMPARE(f.requester.codes.size(), std::size_t(1));
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
        captured.Watch(&f.window);
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

    // Every request type against a silent line: how many times its frame goes out, how far
    // apart, and when its requester hears that nobody answered.
    void silentLine_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<int>("waitMs"); // for each attempt
        const struct
        {
            int type, attempts, waitMs;
        } kDesign[] = {
            {3, 2, 3000},  {8, 3, 4000},  {9, 3, 4000},  {11, 3, 4000}, {12, 3, 4000},
            {13, 3, 4000}, {14, 3, 4000}, {15, 3, 4000}, {16, 3, 4000}, {17, 3, 4000},
            {18, 3, 4000}, {19, 3, 4000}, {20, 3, 4000}, {21, 3, 4000}, {22, 3, 4000},
            {23, 3, 300},  {24, 1, 3000}, {27, 3, 1000}, {28, 3, 4000}, {29, 3, 2000},
            {30, 3, 4000}, {31, 3, 4000}, {35, 3, 300},  {36, 3, 4000}, {37, 3, 1000},
            {38, 3, 500},  {42, 3, 1000}, {47, 3, 4000}, {51, 3, 4000}, {53, 3, 4000},
        };
        for (const auto& row : kDesign)
            QTest::addRow("type %d", row.type) << row.type << row.attempts << row.waitMs;
    }

    void silentLine()
    {
        QFETCH(int, type);
        QFETCH(int, attempts);
        QFETCH(int, waitMs);
        Fixture f;
        const Bytes data(8, 1);
        QCOMPARE(f.window.BuildRequest(type, data.data(), int(data.size())), 1);
        QCOMPARE(f.window.SendRequest(&f.requester), 1);
        f.clock.Advance(qint64(attempts) * waitMs - 1);
        QVERIFY2(f.requester.codes.empty(), "the requester was told too early");
        f.clock.Advance(1);
        QCOMPARE(f.requester.codes, std::vector<long long>{LinkTimeout});
        QCOMPARE(f.requester.atMs, std::vector<qint64>{qint64(attempts) * waitMs});
        std::vector<qint64> expected;
        for (int i = 0; i < attempts; ++i)
            expected.push_back(qint64(i) * waitMs);
        QCOMPARE(f.SendTimes(), expected);
        QVERIFY(!f.window.Busy());
        QVERIFY(f.window.Pending()); // until EndExchange
        f.clock.Advance(10000);
        QCOMPARE(f.SendTimes().size(), std::size_t(attempts));
    }

    // The cap on each attempt's wait (a lossy line in tests) only ever shortens a wait.
    void attemptCapShortensOnly_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("cap");
        QTest::addColumn<qint64>("timedOutAt");
        QTest::newRow("sync: 2 attempts of 100 ms") << 3 << 100 << qint64(200);
        QTest::newRow("type 23: its own 300 ms are below the cap") << 23 << 1000 << qint64(900);
    }

    void attemptCapShortensOnly()
    {
        QFETCH(int, type);
        QFETCH(int, cap);
        QFETCH(qint64, timedOutAt);
        Fixture f;
        f.window.SetAttemptTimeoutLimit(cap);
        f.window.BuildRequest(type);
        f.window.SendRequest(&f.requester);
        f.clock.Advance(5000);
        QCOMPARE(f.requester.atMs, std::vector<qint64>{timedOutAt});
    }

    // What ends an exchange that EndExchange gave up, and what the line does meanwhile: it is
    // held, so a request made then goes after the library's exchange was cancelled.
    void endExchange_data()
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
        QTest::newRow("second EndExchange") << false << "end" << Calls{"Cancel"} << Codes{};
        QTest::newRow("after a time-out") << true << "" << Calls{"Cancel"} << Codes{};
        QTest::newRow("link closes: library untouched") << false << "close" << Calls{} << Codes{};
        QTest::newRow("next request waits for the end")
            << false << "next" << Calls{"Cancel", "Send", "Receive"} << Codes{9};
        QTest::newRow("next request after a time-out waits for the end")
            << true << "next" << Calls{"Cancel", "Send", "Receive"} << Codes{9};
    }

    void endExchange()
    {
        QFETCH(bool, timedOut);
        QFETCH(QString, during);
        QFETCH(std::vector<std::string>, calls);
        QFETCH(std::vector<long long>, nextCodes);
        Fixture f;
        Requester next;
        f.window.BuildRequest(timedOut ? 23 : 3); // type 23: 3 attempts of 300 ms
        f.window.SendRequest(&f.requester);
        if (timedOut) {
            f.clock.Advance(900);
            QCOMPARE(f.requester.codes.size(), std::size_t(1));
        }
        const std::size_t start = f.api.calls.size();
        if (during == "answer")
            f.api.Deliver(7, 1); // already queued when the exchange is given up
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(f.window.EndExchange(), 1); // at once
        QVERIFY(clock.elapsed() < 100);
        QVERIFY(f.window.Busy());
        if (during == "end")
            QCOMPARE(f.window.EndExchange(), 1);
        else if (during == "close")
            f.window.Shutdown();
        else if (during == "next") {
            const Bytes block{0, 0, 0, 0, 0xFF};
            QCOMPARE(f.window.BuildRequest(12, block.data(), int(block.size())), 1);
            QCOMPARE(f.window.SendRequest(&next), 1);
            QCOMPARE(f.api.calls.size(), start); // queued behind the end
            f.clock.Advance(proto::kEndExchangeMs - 1);
            QCOMPARE(f.api.calls.size(), start); // the line is held for the whole wait
            f.clock.Advance(1);
            QCOMPARE(f.api.Count("Send"), timedOut ? 4 : 2);
            f.api.Deliver(9, 1);
            QTRY_COMPARE(next.codes, nextCodes);
        }
        f.clock.Advance(2 * proto::kEndExchangeMs);
        std::vector<std::string> names;
        for (std::size_t i = start; i < f.api.calls.size(); ++i)
            names.push_back(f.api.calls[i].name);
        QCOMPARE(names, calls);
        QCOMPARE(f.requester.codes.size(), std::size_t(timedOut ? 1 : 0));
        QCOMPARE(next.codes, nextCodes);
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

    // When the line has gone, a resend fails: the requester hears "cannot send" at once, not
    // "no answer" after the attempts left, and the line is free for the next request.
    void failedResendEndsTheExchange_data()
    {
        QTest::addColumn<bool>("retryNow");
        QTest::newRow("the timer's resend") << false;
        QTest::newRow("RetryNow") << true;
    }

    void failedResendEndsTheExchange()
    {
        QFETCH(bool, retryNow);
        Fixture f;
        f.window.BuildRequest(23); // three attempts of 300 ms
        f.window.SendRequest(&f.requester);
        f.api.sendResult = 0;
        if (retryNow)
            QCOMPARE(f.window.RetryNow(&f.requester), 1);
        f.clock.Advance(retryNow ? 0 : 300);
        QCOMPARE(f.requester.codes, std::vector<long long>{LinkSendFailed});
        QCOMPARE(f.api.Count("Send"), 2);
        QVERIFY(!f.window.Busy() && !f.window.Pending());
        f.clock.Advance(700); // past the attempts the exchange had left
        QCOMPARE(f.requester.codes.size(), std::size_t(1));
    }

    // Requests made while the line is held go out one after the other, in the order made, each
    // after the answer to the one before; a requester gone while queued sends nothing.
    void requestsMadeWhileBusyGoInOrder()
    {
        Fixture f;
        Requester second, third;
        auto gone = std::make_unique<Requester>();
        const std::uint8_t path[] = {'/', 'F', 'N', '0'};
        QCOMPARE(f.window.BuildRequest(3), 1);
        QCOMPARE(f.window.SendRequest(&f.requester), 1);
        QCOMPARE(f.window.BuildRequest(21, path, 4), 1);
        QCOMPARE(f.window.SendRequest(&second), 1);
        QCOMPARE(f.window.BuildRequest(24), 1);
        QCOMPARE(f.window.SendRequest(gone.get()), 1);
        QCOMPARE(f.window.BuildRequest(22, path, 4), 1);
        QCOMPARE(f.window.SendRequest(&third), 1);
        gone.reset();
        QCOMPARE(f.api.Count("Send"), 1);
        QCOMPARE(f.window.Queued(), 3);

        auto lastCode = [&] { return int(f.api.calls.back().frame[6]); };
        f.api.Deliver(7, 1);
        QTRY_COMPARE(f.api.Count("Send"), 2);
        QCOMPARE(f.requester.codes, std::vector<long long>{7});
        QCOMPARE(lastCode(), 18);
        QCOMPARE(f.api.lastSender.data(), &second);
        f.api.Deliver(18, 1);
        QTRY_COMPARE(f.api.Count("Send"), 3);
        QCOMPARE(second.codes, std::vector<long long>{18});
        QCOMPARE(lastCode(), 19); // type 24 of the requester that went was skipped
        QCOMPARE(f.api.lastSender.data(), &third);
        f.api.Deliver(19, 1);
        QTRY_COMPARE(third.codes, std::vector<long long>{19});
        QVERIFY(!f.window.Busy());
        QCOMPARE(f.api.Count("Send"), 3);
    }

    // A request made from inside an answer handler, while others wait for the line, goes
    // behind them: the line is free for a moment there, but the queue is not.
    void requestFromAnAnswerHandlerQueuesBehindTheWaiting()
    {
        Fixture f;
        Requester waiting, late;
        const std::uint8_t path[] = {'/', 'F', 'N', '0'};
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        f.window.BuildRequest(21, path, 4);
        f.window.SendRequest(&waiting);
        f.requester.onCode = [&](long long) {
            f.window.BuildRequest(24);
            f.window.SendRequest(&late);
        };
        f.api.Deliver(7, 1);
        QTRY_COMPARE(f.api.Count("Send"), 2);
        f.api.Deliver(18, 1);
        QTRY_COMPARE(f.api.Count("Send"), 3);
        std::vector<int> wire;
        for (const FakeCall& c : f.api.calls)
            if (c.name == "Send")
                wire.push_back(c.frame[proto::kOffsetCode]);
        QCOMPARE(wire, (std::vector<int>{7, 18, 1})); // sync, the waiting listing, then type 24
    }

    // The answered requester runs before the next queued request is sent, so it may still
    // send its frame again (a refused block).
    void answeredRequesterMayRetryBeforeTheQueueMoves()
    {
        Fixture f;
        Requester other;
        const Bytes block{0, 0, 0, 0, 0xFF};
        f.window.BuildRequest(12, block.data(), int(block.size()));
        f.window.SendRequest(&f.requester);
        f.window.BuildRequest(3);
        f.window.SendRequest(&other);
        int retried = -1;
        f.requester.onCode = [&](long long) { retried = f.window.RetryNow(); };
        f.api.Deliver(9, 2);
        QTRY_COMPARE(retried, 1);
        QCoreApplication::processEvents();
        QCOMPARE(f.api.Count("Send"), 2);
        QCOMPARE(f.api.calls.back().frame, f.api.calls[1].frame);
        f.requester.onCode = nullptr;
        f.api.Deliver(9, 1);
        QTRY_COMPARE(f.api.Count("Send"), 3);
        QCOMPARE(int(f.api.calls.back().frame[6]), 7);
    }

    // A queued request the library refuses when its turn comes is answered LinkSendFailed.
    void queuedRequestRefusedAtItsTurn()
    {
        Fixture f;
        Requester next;
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        f.window.BuildRequest(3);
        QCOMPARE(f.window.SendRequest(&next), 1);
        f.api.sendResult = 0;
        f.api.Deliver(7, 1);
        QTRY_COMPARE(next.codes, std::vector<long long>{LinkSendFailed});
        QVERIFY(!f.window.Busy());
    }

    // Event 256, the library's device gone: the exchange on the line is answered "no answer" at
    // once, whatever state it is in it is never answered twice, and requests are refused at
    // once, without reaching the library, until the session has the device open again.
    void deviceLost_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<std::vector<long long>>("codes");
        QTest::newRow("idle") << "idle" << std::vector<long long>{};
        QTest::newRow("exchange in flight") << "in flight" << std::vector<long long>{LinkTimeout};
        QTest::newRow("exchange timed out already")
            << "timed out" << std::vector<long long>{LinkTimeout};
        QTest::newRow("exchange being ended") << "ending" << std::vector<long long>{};
    }

    void deviceLost()
    {
        QFETCH(QString, state);
        QFETCH(std::vector<long long>, codes);
        Fixture f;
        Requester queued;
        QSignalSpy lost(&f.window, &LinkWindow::DeviceLost);
        const bool withQueue = state == "in flight" || state == "ending";
        if (state != "idle") {
            f.window.BuildRequest(3);
            f.window.SendRequest(&f.requester);
        }
        if (withQueue) {
            f.window.BuildRequest(3);
            f.window.SendRequest(&queued);
        }
        if (state == "timed out")
            f.clock.Advance(6000);
        if (state == "ending")
            f.window.EndExchange(&f.requester);
        const int sends = f.api.Count("Send");
        f.api.PostEvent(proto::kEventDeviceLost);
        f.clock.Advance(0);
        QCOMPARE(f.requester.codes, codes);
        QCOMPARE(lost.count(), 1);
        QVERIFY(f.window.LineDown());
        QVERIFY(!f.window.Busy());
        if (withQueue)
            QTRY_COMPARE(queued.codes, std::vector<long long>{LinkSendFailed});
        f.window.EndExchange(&f.requester); // nothing late can come: the line is free at once
        QVERIFY(!f.window.Busy() && !f.window.Pending());
        QVERIFY(f.window.BuildRequest(3));
        QCOMPARE(f.window.SendRequest(&f.requester), 0);
        f.clock.Advance(10000);
        QCOMPARE(f.api.Count("Send"), sends);
        QCOMPARE(f.requester.codes, codes);

        f.window.SetLineDown(false); // the session opened the device again
        f.window.BuildRequest(3);
        QCOMPARE(f.window.SendRequest(&f.requester), 1);
        QCOMPARE(f.api.Count("Send"), sends + 1);
    }

    void shutdownDropsQueuedRequests()
    {
        Fixture f;
        Requester next;
        f.window.BuildRequest(3);
        f.window.SendRequest(&f.requester);
        f.window.BuildRequest(3);
        f.window.SendRequest(&next);
        f.window.Shutdown();
        QCOMPARE(f.window.Queued(), 0);
        QCOMPARE(f.window.BuildRequest(3), 0);
        QCOMPARE(f.window.SendRequest(&next), 0);
    }
};

QTEST_GUILESS_MAIN(TestLinkWindow)
#include "tst_link_window.moc"
