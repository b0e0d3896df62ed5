// Tests of the simulated tester's protocol: frame checks, listing, and receiving files.
#include "tools/tester_sim/tester_sim.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using Bytes = wire::Bytes;
Q_DECLARE_METATYPE(Bytes)

namespace {

Bytes Req(std::uint8_t cls, std::uint8_t code, const Bytes& payload = {})
{
    return wire::MakeFrame(5, cls, code, payload);
}
Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}
Bytes Block(std::uint32_t n, const Bytes& carried)
{
    Bytes p(4);
    proto::PutU32BE(p.data(), n);
    std::uint8_t sum = 0;
    for (std::uint8_t b : carried)
        p.push_back(b), sum = std::uint8_t(sum + b);
    p.push_back(std::uint8_t(~sum));
    return Req(11, 9, p);
}
Bytes EndOfFile(const std::vector<Bytes>& blocks)
{
    std::uint8_t sums[110] = {};
    for (const Bytes& b : blocks)
        for (std::size_t i = 0; i < b.size(); ++i)
            sums[i] = std::uint8_t(sums[i] + b[i]);
    Bytes p;
    for (std::uint8_t s : sums)
        p.push_back(std::uint8_t(~s));
    return Req(11, 10, p);
}
int Status(const std::optional<Bytes>& answer)
{
    return answer && answer->size() > 7 ? (*answer)[7] : -1;
}

} // namespace

class TestTesterSim : public QObject
{
    Q_OBJECT

private slots:
    void malformedFramesAreNotAnswered_data()
    {
        QTest::addColumn<Bytes>("frame");
        Bytes byte3 = Req(11, 7);
        byte3[3] = 1;
        Bytes length = Req(11, 7);
        length[2] = 9;
        QTest::newRow("byte 3 not zero") << byte3;
        QTest::newRow("length field wrong") << length;
        QTest::newRow("unknown class and code") << Req(13, 7);
        QTest::newRow("sync with payload") << Req(11, 7, {1});
        QTest::newRow("type 28 of wrong length") << Req(10, 25, {1, 2});
        QTest::newRow("other link id than the sync") << wire::MakeFrame(6, 11, 18, Text("/FN0"));
    }

    void malformedFramesAreNotAnswered()
    {
        QFETCH(Bytes, frame);
        QTemporaryDir dir;
        TesterSim sim(dir.path().toStdString());
        QCOMPARE(Status(sim.Handle(Req(11, 7))), 1);
        std::string complaint;
        QVERIFY(!sim.Handle(frame, &complaint));
        QVERIFY2(complaint.find("malformed") == 0, complaint.c_str());
    }

    // A serial line that goes away (adapter unplugged) ends the simulator with an error
    // instead of leaving it spinning on a line that reports the hang-up for ever.
    void vanishedLineEndsServing()
    {
        const QString program = QCoreApplication::applicationDirPath() + "/../bin/zolt-tester-sim";
        if (!QFileInfo(program).isExecutable())
            QSKIP("zolt-tester-sim is not built");
        QTemporaryDir fs;
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        QProcess sim;
        sim.setProcessChannelMode(QProcess::MergedChannels);
        sim.start(program, {"--fs", fs.path(), "--device", QString::fromLatin1(ptsname(master))});
        QVERIFY(sim.waitForStarted(10000));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += sim.readAll()).contains("serving"), 20000);
        ::close(master);
        QVERIFY(sim.waitForFinished(30000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 1);
    }

    void listing()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("B.BIN_1")).open(QIODevice::WriteOnly);
        QFile(dir.filePath("A.BIN_2")).open(QIODevice::WriteOnly);
        QDir(dir.path()).mkdir("SUB");
        TesterSim sim(dir.path().toStdString());
        sim.SetVersion("B.BIN_1", "03.20");
        QCOMPARE(Status(sim.Handle(Req(11, 18, Text("/FN1")))), 2);
        QCOMPARE(Status(sim.Handle(Req(11, 18, Text("/FN0")))), 1);
        QStringList rows;
        for (std::uint8_t i = 0; i < 4; ++i) {
            const Bytes a = *sim.Handle(Req(11, 19, {0, 0, 0, i}));
            QCOMPARE(int(a[6]), 19);
            if (a[7] == 4) {
                QCOMPARE(int(i), 3);
                break;
            }
            QCOMPARE(int(a[11]), int(i));
            QCOMPARE(std::size_t(a[2]) + 1, a.size());
            rows << QString::fromLatin1(reinterpret_cast<const char*>(&a[38]), a[2] - 37) + " " +
                        QString::number(a[12]) + " " +
                        QString::fromLatin1(reinterpret_cast<const char*>(&a[27]), 5);
            QVERIFY(QByteArray(reinterpret_cast<const char*>(&a[17]), 10).contains('/'));
        }
        QCOMPARE(rows, (QStringList{"A.BIN_2 0 01.00", "B.BIN_1 0 03.20", "SUB 1 01.00"}));
    }

    void fileAppearsOnlyAfterVerifiedEnd()
    {
        QTemporaryDir dir;
        TesterSim sim(dir.path().toStdString());
        const Bytes b0(110, 0x41), b1{1, 2, 3};
        QCOMPARE(Status(sim.Handle(Req(11, 8, Text("/FN0/F.BIN_113")))), 1);
        QCOMPARE(Status(sim.Handle(Block(0, b0))), 1);
        QCOMPARE(Status(sim.Handle(Block(0, b0))), 1); // repeated after a lost answer
        QCOMPARE(Status(sim.Handle(Block(5, b1))), 2); // out of sequence
        Bytes bad = Block(1, b1);
        bad.back() ^= 1;
        QCOMPARE(Status(sim.Handle(bad)), 2); // wrong checksum
        QCOMPARE(Status(sim.Handle(Block(1, b1))), 1);
        QVERIFY(sim.ReadDirectory().empty());
        QCOMPARE(Status(sim.Handle(EndOfFile({b0, b1}))), 1);
        QCOMPARE(Status(sim.Handle(EndOfFile({b0, b1}))), 1); // repeated after a lost answer
        QFile f(dir.filePath("F.BIN_113"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray(110, 0x41) + QByteArray("\x01\x02\x03"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void refusedOrAbandonedTransferLeavesNothing_data()
    {
        QTest::addColumn<Bytes>("ending");
        QTest::addColumn<int>("status");
        QTest::newRow("sums do not match") << EndOfFile({{9}}) << 2;
        QTest::newRow("sync abandons the transfer") << Req(11, 7) << 1;
        QTest::newRow("another file abandons it") << Req(11, 8, Text("/FN0/G")) << 1;
    }

    void refusedOrAbandonedTransferLeavesNothing()
    {
        QFETCH(Bytes, ending);
        QFETCH(int, status);
        QTemporaryDir dir;
        {
            TesterSim sim(dir.path().toStdString());
            QCOMPARE(Status(sim.Handle(Req(11, 8, Text("/FN0/F")))), 1);
            QCOMPARE(Status(sim.Handle(Block(0, {1, 2}))), 1);
            QCOMPARE(Status(sim.Handle(ending)), status);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }

    void openRefusals()
    {
        QTemporaryDir dir;
        TesterSim sim(dir.path().toStdString());
        QCOMPARE(Status(sim.Handle(Req(11, 8, Text("/FN1/X")))), 2);
        QCOMPARE(Status(sim.Handle(Req(11, 8, Text("/FN0/../X")))), 2);
        QCOMPARE(Status(sim.Handle(Req(11, 8, Text("/FN0/")))), 2);
        for (int i = 0; i < TesterSim::kMaxEntries; ++i)
            QFile(dir.filePath(QString("F%1").arg(i))).open(QIODevice::WriteOnly);
        QCOMPARE(Status(sim.Handle(Req(11, 8, Text("/FN0/NEW")))), 2);
        QCOMPARE(Status(sim.Handle(Req(11, 8, Text("/FN0/F3")))), 1); // replaces, no new entry
    }

    void deleteFile()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("X")).open(QIODevice::WriteOnly);
        TesterSim sim(dir.path().toStdString());
        QCOMPARE(Status(sim.Handle(Req(11, 15, Text("/FN0/X")))), 1);
        QCOMPARE(Status(sim.Handle(Req(11, 15, Text("/FN0/X")))), 1); // repeated delete
        QCOMPARE(Status(sim.Handle(Req(11, 15, Text("/FN0/Y")))), 2);
        QVERIFY(!QFile::exists(dir.filePath("X")));
    }

    // Each fault changes the answer it names and nothing else.
    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Bytes>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("index"); // bytes 8-11 of the answer; -1: not checked
        QTest::newRow("open refused") << "open 2" << Req(11, 18, Text("/FN0")) << 2 << -1;
        QTest::newRow("entry refused") << "entry 3 1" << Req(11, 19, {0, 0, 0, 1}) << 3 << 1;
        QTest::newRow("entry fault at another index")
            << "entry 3 1" << Req(11, 19, {0, 0, 0, 0}) << 1 << 0;
        QTest::newRow("index jumps") << "jump 0" << Req(11, 19, {0, 0, 0, 0}) << 1 << 1;
        QTest::newRow("delete refused") << "delete 2" << Req(11, 15, Text("/FN0/A.B_1")) << 2
                                        << -1;
        QTest::newRow("fill lists kind-1 entries") << "fill 31" << Req(11, 19, {0, 0, 0, 30})
                                                   << 1 << 30;
        QTest::newRow("none switches them off")
            << "none" << Req(11, 15, Text("/FN0/A.B_1")) << 1 << -1;
    }
    void faults()
    {
        QFETCH(QString, fault);
        QFETCH(Bytes, request);
        QTemporaryDir dir;
        QFile(dir.filePath("A.B_1")).open(QIODevice::WriteOnly);
        TesterSim sim(dir.path().toStdString());
        sim.SetFault("delete 2");
        QVERIFY(sim.SetFault(fault.toStdString()));
        QCOMPARE(Status(sim.Handle(Req(11, 18, Text("/FN0")))), fault == "open 2" ? 2 : 1);
        const std::optional<Bytes> answer = sim.Handle(request);
        QTEST(Status(answer), "status");
        QFETCH(int, index);
        if (index >= 0)
            QCOMPARE(int((*answer)[11]), index);
        if (fault.startsWith("fill"))
            QCOMPARE(int((*answer)[12]), 1);
    }

    void faultSpecs_data()
    {
        QTest::addColumn<QString>("spec");
        QTest::addColumn<bool>("valid");
        QTest::newRow("fill") << "fill 30" << true;
        QTest::newRow("entry without index") << "entry 2" << true;
        QTest::newRow("unknown") << "explode" << false;
        QTest::newRow("status too large") << "delete 256" << false;
        QTest::newRow("missing value") << "jump" << false;
    }
    void faultSpecs()
    {
        QFETCH(QString, spec);
        std::string why;
        QTEST(TesterSim::CheckFault(spec.toStdString(), &why), "valid");
    }
};

QTEST_GUILESS_MAIN(TestTesterSim)
#include "tst_tester_sim.moc"
