// End-to-end tests: the program's link (link session, link library) against the tester
// simulator running as its own process on a pseudo-terminal.
#include "core/messages.h"
#include "report_recorder.h"
#include "core/message_box.h"
#include "core/texts.h"
#include "link/view_link_handler.h"
#include "linklib/serial_device.h"
#include "sim_link_fixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Text(const char* text)
{
    return Bytes(text, text + std::strlen(text));
}

Bytes BlockPayload(std::uint32_t number, const Bytes& carried)
{
    Bytes p(4);
    proto::PutU32BE(p.data(), number);
    std::uint8_t sum = 0;
    for (std::uint8_t b : carried) {
        p.push_back(b);
        sum = std::uint8_t(sum + b);
    }
    p.push_back(std::uint8_t(~sum));
    return p;
}

} // namespace

class TestLinkEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void syncIsAnsweredBy7()
    {
        SimLink link;
        QVERIFY(link.AddSimulator());
        QVERIFY(link.Open());
        QCOMPARE(link.Exchange(3), 7);
        QCOMPARE(int(link.Response()[7]), 1);
        QCOMPARE(int(link.Response()[4]), link.session->LinkId() & 0xFF);
    }

    void listingReadsEveryEntry()
    {
        SimLink link;
        QFile(link.fsDir + "/ABS.BIN_5").open(QIODevice::WriteOnly);
        QDir(link.fsDir).mkdir("SUB");
        QVERIFY(link.AddSimulator());
        QVERIFY(link.Open());
        link.sims[0]->Command("version ABS.BIN_5 02.10");
        QCOMPARE(link.Exchange(3), 7);
        QCOMPARE(link.Exchange(21, Text("/FN0")), 18);
        QCOMPARE(int(link.Response()[7]), 1);
        QStringList names;
        for (std::uint8_t i = 0;; ++i) {
            QCOMPARE(link.Exchange(22, {0, 0, 0, i}), 19);
            const std::uint8_t* r = link.Response();
            if (r[7] == 4)
                break;
            QCOMPARE(int(r[7]), 1);
            QCOMPARE(int(r[11]), int(i));
            const int length = r[2];
            names << QString::fromLatin1(reinterpret_cast<const char*>(r + 38), length - 37) +
                         (r[12] == 1 ? "/" : "") + " " +
                         QString::fromLatin1(reinterpret_cast<const char*>(r + 27), 5);
        }
        QCOMPARE(names, (QStringList{"ABS.BIN_5 02.10", "SUB/ 01.00"}));
    }

    // A file reaches the tester's directory only when its end of file has been verified.
    void copyFileToTester()
    {
        SimLink link;
        QVERIFY(link.AddSimulator());
        QVERIFY(link.Open());
        Bytes content(250);
        for (std::size_t i = 0; i < content.size(); ++i)
            content[i] = std::uint8_t(i * 7);
        QCOMPARE(link.Exchange(3), 7);
        QCOMPARE(link.Exchange(11, Text("/FN0/ECU.BIN_250")), 8);
        QCOMPARE(int(link.Response()[7]), 1);
        std::uint8_t sums[110] = {};
        for (std::uint32_t block = 0; block * 110 < content.size(); ++block) {
            const Bytes carried(content.begin() + block * 110,
                                content.begin() +
                                    std::min<std::size_t>(content.size(), (block + 1) * 110));
            for (std::size_t i = 0; i < carried.size(); ++i)
                sums[i] = std::uint8_t(sums[i] + carried[i]);
            QCOMPARE(link.Exchange(12, BlockPayload(block, carried)), 9);
            QCOMPARE(int(link.Response()[7]), 1);
        }
        QVERIFY(!QFile::exists(link.fsDir + "/ECU.BIN_250"));
        Bytes eof;
        for (std::uint8_t s : sums)
            eof.push_back(std::uint8_t(~s));
        QCOMPARE(link.Exchange(13, eof), 10);
        QCOMPARE(int(link.Response()[7]), 1);
        QFile stored(link.fsDir + "/ECU.BIN_250");
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray bytes = stored.readAll();
        QCOMPARE(Bytes(bytes.begin(), bytes.end()), content);
    }

    // With a fifth of the frames lost each way, the retry timer still carries exchanges through.
    void lossyLineCompletesThroughRetries()
    {
        SimLink link;
        QVERIFY(link.AddSimulator({"--drop", "0.2", "--seed", "7"}));
        QVERIFY(link.Open());
        int retried = 0;
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(link.Exchange(21, Text("/FN0")), 18);
            retried += link.session->Window()->Attempt() > 1;
        }
        QVERIFY(retried > 0);
        QVERIFY(link.sims[0]->ErrorOutput().contains("lost (simulated)"));
    }

    void garbageOnTheLineDoesNotDerailNextFrame()
    {
        SimLink link;
        QVERIFY(link.AddSimulator({"--seed", "3"}));
        QVERIFY(link.Open());
        for (int round = 0; round < 5; ++round) {
            link.sims[0]->Command("garbage 300");
            QTest::qWait(20);
            QCOMPARE(link.Exchange(3), 7);
            QCOMPARE(int(link.session->Window()->Attempt()), 1);
        }
    }

    // After the user picked another port the link really moves: the old device is let go and
    // the next exchange is answered by the simulator on the new one.
    void changeOfPortMovesTheLink()
    {
        SimLink link;
        QVERIFY(link.AddSimulator({"--verbose"}));
        QVERIFY(link.AddSimulator({"--verbose"}));
        QVERIFY(link.Open());
        QCOMPARE(link.Exchange(3), 7);
        ReportRecorder reports;
        reports.Watch(link.session.get());
        QCOMPARE(link.session->ReopenPort(PortTarget::Com(2)), LinkSession::Reopen::Opened);
        QVERIFY(reports.reports.empty());
        QVERIFY(link.session->PortOpen());

        const serial::OpenResult first =
            serial::OpenDevice(link.work.filePath("tester1").toStdString(), proto::kBaudRate);
        QVERIFY2(first.fd >= 0, first.why.c_str());
        QVERIFY(!first.lowLatency); // a pseudo-terminal has no such setting and opens all the same
        serial::CloseDevice(first.fd);

        const QByteArray firstLog = link.sims[0]->ErrorOutput();
        const QByteArray secondLog = link.sims[1]->ErrorOutput();
        QCOMPARE(link.Exchange(3), 7);
        QTRY_VERIFY(link.sims[1]->ErrorOutput().size() > secondLog.size());
        QCOMPARE(link.sims[0]->ErrorOutput(), firstLog);
    }

    // A port that cannot be opened: message 73 (the port used so far stays) with the reason in
    // the user's language, and nothing else; the port that worked stays in use.
    void changeToAMissingPortKeepsTheOldOne()
    {
        SimLink link;
        QVERIFY(link.AddSimulator());
        QVERIFY(link.Open());
        AppConfig.textsPath = ZOLT_SOURCE_DIR "/data/SWBASE.TXT";
        AppConfig.language = 2;
        QFile ini(link.work.filePath("VELANTO.INI"));
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("COM3=" + link.work.filePath("no-such-device").toUtf8() + "\n");
        ini.close();
        ReportRecorder reports;
        reports.Watch(link.session.get());
        QCOMPARE(link.session->ReopenPort(PortTarget::Com(3)), LinkSession::Reopen::Kept);
        QCOMPARE(reports.Numbers(), std::vector<int>{73});
        QVERIFY(link.session->PortOpen());
        const std::string expected =
            FillText(GetText(kErrorSection, 60, AppConfig.textsPath.c_str()),
                     {link.work.filePath("no-such-device").toStdString()});
        QCOMPARE(reports.reports[0].detail, expected);
        QVERIFY(expected.find("n'existe pas") != std::string::npos);
        QCOMPARE(link.Exchange(3), 7);
        AppConfig.language = 0;
    }

    // The simulator unplugged in the middle of an exchange (its option) and while idle (its
    // command): the exchange ends unanswered at once, not after its attempts; each loss is said
    // once, the same device is found again, and exchanges go on without a failure report.
    void unpluggedTesterIsFoundAgain()
    {
        SimLink link;
        QVERIFY(link.AddSimulator({"--unplug", "2:300"}));
        QVERIFY(link.Open());
        ReportRecorder reports;
        reports.Watch(link.session.get());
        QSignalSpy gone(link.session.get(), &LinkSession::Disconnected);
        QSignalSpy back(link.session.get(), &LinkSession::Reconnected);
        QCOMPARE(link.Exchange(3), 7);
        QElapsedTimer cut;
        cut.start();
        QCOMPARE(link.Exchange(3), LinkTimeout); // the simulator's second frame
        QVERIFY2(cut.elapsed() < 2000, qPrintable(QString::number(cut.elapsed())));
        QCOMPARE(gone.count(), 1);
        const QString device = link.work.filePath("tester1");
        QCOMPARE(gone[0][0].toString(), device);
        link.session->EndExchange(&link.catcher);
        QCOMPARE(link.Exchange(3), -1); // refused at once while the tester is away
        QTRY_COMPARE_WITH_TIMEOUT(back.count(), 1, 5000);
        QCOMPARE(back[0][0].toString(), device);
        QCOMPARE(link.Exchange(3), 7);

        link.sims[0]->Command("unplug 300");
        QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 2, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(back.count(), 2, 5000);
        QCOMPARE(link.Exchange(3), 7);
        QVERIFY(reports.reports.empty());
        QCOMPARE(link.sims[0]->ErrorOutput().count("unplugged for 300 ms"), 2);
    }

    void testerEventsReachTheView()
    {
        SimLink link;
        QVERIFY(link.AddSimulator());
        QVERIFY(link.Open());
        ViewLinkHandler handler(*link.session, &link.view);
        ReportRecorder reports;
        reports.Watch(&handler);
        QSignalSpy maximize(&handler, &ViewLinkHandler::MaximizeRequested);
        QCOMPARE(link.Exchange(3), 7); // the simulator learns the link id
        link.sims[0]->Command("event 4");
        QTRY_COMPARE(maximize.count(), 1);
        // Code 27 with 1: the view answers with type 42 until the fourth one, then gives up.
        link.sims[0]->Command("code27 1");
        QTRY_COMPARE(reports.reports.size(), std::size_t(1));
        QCOMPARE(reports.reports[0].section, std::string("GENERIC_STRING"));
        QCOMPARE(handler.RepeatCounter(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLinkEndToEnd)
#include "tst_link_end_to_end.moc"
