#include "codec/frame.h"
#include "commands/motion_plan.h"
#include "commands/protocol.h"
#include "link/reply_decoder.h"
#include "pty_client.h"
#include "sim/protocol_doc.h"
#include "sim/virtual_device.h"
#include "support.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointF>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace stepbench;
using namespace std::chrono_literals;

namespace {

Bytes Rtu(const char* request) {
    return EncodeRtuFrame(B(request));
}

QString Report(const Bytes& reply) {
    const auto r = DecodeReply(reply, LinkMode::Rtu);
    return r.report ? Q(r.report->chinese()) : QString("-");
}

QString FieldOf(const Bytes& reply, std::string_view field) {
    for (const auto& f : DecodeReply(reply, LinkMode::Rtu).fields)
        if (f.field == field) return Q(f.text);
    return "-";
}

std::string Value32(std::int32_t v) {
    return QString("%1").arg(quint32(v), 8, 16, QChar('0')).toStdString();
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT
    std::unique_ptr<sim::VirtualDevice> device_;
    std::unique_ptr<PtyClient> line_;

    void startDevice(sim::DeviceOptions options = sim::DeviceOptions()) {
        line_.reset();
        device_ = std::make_unique<sim::VirtualDevice>(std::move(options));
        std::string error;
        QVERIFY2(device_->start(&error), error.c_str());
        line_ = std::make_unique<PtyClient>(device_->path());
        QVERIFY(line_->isOpen());
    }
    Bytes ask(const char* request) { return line_->transact(Rtu(request)); }

private slots:
    void init() { startDevice(); }
    void cleanup() {
        line_.reset();
        device_.reset();
    }

    // Every command of the table, answered in process: the reply carries the command code and
    // as many data bytes as the table says, so the table and the device cannot drift apart.
    void everyCommandAnswersAsTheTableSays() {
        sim::Device device(1);
        for (const CommandInfo& c : CommandTable()) {
            Bytes request{0x01, c.code, c.request.min};
            request.resize(3 + c.request.min, c.code == 0x43 ? 0x01 : 0x00);
            if (c.code == 0x22 || c.code == 0x24 || c.code == 0x4B) request[3] = 0x01;
            const auto replies = device.receive(EncodeRtuFrame(request), sim::Device::Clock::now());
            QVERIFY2(replies.size() == 1, qPrintable(QString("code %1").arg(c.code, 2, 16)));
            const Bytes& r = replies[0];
            QCOMPARE(r[1], c.code);
            QVERIFY(r[2] >= c.reply.min && r[2] <= c.reply.max);
            QCOMPARE(r.size(), std::size_t(3 + r[2] + 2));
            if (c.code == 0x47) device = sim::Device(1); // a reset would restore the checks
        }
    }

    void readmeShowsTheProtocolTable() {
        QFile readme(STEPBENCH_SOURCE_DIR "/README.md");
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        const QString table = Q(sim::ProtocolMarkdown());
        QVERIFY2(text.contains(table),
                 "README's protocol table differs from stepbench-sim --protocol");
    }

    void handshakeAndParameter() {
        QCOMPARE(Hex(ask("012000")), QString("01 20 00 39 C0"));
        QCOMPARE(Report(ask("01250400 0003E8")), QString("设置运动初速度:"));
        QCOMPARE(FieldOf(ask("012600"), "Text27"), QString("1000"));
        QCOMPARE(Report(ask("012300")), QString("查询当前波特率:当前波特率设置为6"));
        QCOMPARE(Report(ask("002100")), QString("查询设备地址:当前地址为1"));
    }

    void positionMoveRunsToItsTarget() {
        // A steep profile keeps the move short.
        ask(("012704" + Value32(200000)).c_str());
        ask(("012B04" + Value32(2000000)).c_str());
        ask(("012D04" + Value32(2000000)).c_str());
        ask(("013104" + Value32(20000)).c_str());
        const auto moving = DecodeReply(ask("013B00"), LinkMode::Rtu);
        QCOMPARE(moving.lamps.front(), (LampUpdate{"Shape1", true}));
        const int early = FieldOf(ask("013700"), "Text18").toInt();
        QVERIFY(early > 0 && early < 20000);
        QTRY_COMPARE_WITH_TIMEOUT(FieldOf(ask("013700"), "Text18"), QString("20000"), 3000);
        const auto stopped = DecodeReply(ask("013B00"), LinkMode::Rtu);
        QCOMPARE(stopped.lamps.front(), (LampUpdate{"Shape1", false}));
        QCOMPARE(FieldOf(ask("013600"), "Text17"), QString("0"));
        ask("013800");
        QCOMPARE(FieldOf(ask("013700"), "Text18"), QString("0"));
        // Negative moves report two's complement positions.
        ask(("013104" + Value32(-3)).c_str());
        QTRY_COMPARE_WITH_TIMEOUT(FieldOf(ask("013700"), "Text18"), QString("-3"), 3000);
    }

    // The plan of a move against ramps worked out by hand: its phases' ends, in time, distance
    // and speed.
    // clang-format off
    void motionPlans_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("distance");
        QTest::addColumn<double>("initial");
        QTest::addColumn<QList<QPointF>>("times"); // (s, steps) on the plan
        QTest::addColumn<double>("duration");
        // 100 -> 5000 in 0.49 s over 1249.5 steps, 1.5101 s at 5000, 5000 -> 1000 in 0.4 s over 1200.
        QTest::newRow("trapezoid") << 100.0 << 5000.0 << 1000.0 << 10000.0 << 0.0 << QList<QPointF>{{0.49, 1249.5}, {2.0001, 8800}} << 2.4001;
        // Peak at sqrt(100² + 10000 * 1000) = 3163.86, reached half way.
        QTest::newRow("triangle") << 100.0 << 5000.0 << 100.0 << 1000.0 << 0.0 << QList<QPointF>{{0.306386, 500}} << 0.612772;
        QTest::newRow("backwards") << 100.0 << 5000.0 << 100.0 << -1000.0 << 0.0 << QList<QPointF>{{0.306386, -500}} << 0.612772;
        // The climb to an end speed of 2000 needs 199.5 steps: at 100 the target cuts it off at 1417.7.
        QTest::newRow("end speed above the start, short") << 100.0 << 5000.0 << 2000.0 << 100.0 << 0.0 << QList<QPointF>{} << 0.131774;
        // Braking from a running 5000 reaches the target 100 steps on long before 1000.
        QTest::newRow("braking from a running speed") << 100.0 << 5000.0 << 1000.0 << 100.0 << 5000.0 << QList<QPointF>{} << 0.0204168;
    }
    // clang-format on
    void motionPlans() {
        QFETCH(double, start);
        QFETCH(double, top);
        QFETCH(double, end);
        QFETCH(double, distance);
        QFETCH(double, initial);
        QFETCH(QList<QPointF>, times);
        QFETCH(double, duration);
        const MotionParameters p{start, top, end, 10000, 10000};
        const auto plan = MotionPlan::Move(p, distance, initial);
        QVERIFY(plan);
        QVERIFY2(std::fabs(*plan->duration() - duration) < 1e-5,
                 qPrintable(QString::number(*plan->duration(), 'g', 8)));
        for (const QPointF& at : times)
            QVERIFY2(std::fabs(plan->positionAt(at.x()) - at.y()) < 0.05,
                     qPrintable(QString::number(plan->positionAt(at.x()))));
        QCOMPARE(plan->positionAt(duration + 1), distance);
        QCOMPARE(plan->speedAt(duration + 1), 0.0);
        // Never faster than the maximum, never backwards, never past the target.
        double last = 0;
        for (double t = 0; t < duration; t += duration / 200) {
            QVERIFY(plan->speedAt(t) <= top + 1e-9);
            QVERIFY(std::fabs(plan->positionAt(t)) >= last - 1e-9);
            last = std::fabs(plan->positionAt(t));
            QVERIFY(last <= std::fabs(distance) + 1e-9);
        }
        QVERIFY(!MotionPlan::Move({start, top, end, 0, 10000}, distance)); // no acceleration
        const auto run = MotionPlan::Run(p, 3000, 1);
        QVERIFY(run && !run->duration());
        QVERIFY(std::fabs(run->positionAt(1.29) - 3449.5) < 1e-6); // 449.5 up to speed, then 3000
    }

    // The virtual device moves by the same plan: sampled at 20 Hz, it is on it.
    void deviceFollowsThePlan() {
        sim::Device d(1);
        auto now = sim::Device::Clock::now();
        const auto heard = [&](const char* hex) { (void)d.receive(Rtu(hex), now); };
        heard(("012704" + Value32(6000)).c_str());
        heard(("012904" + Value32(500)).c_str());
        heard(("012B04" + Value32(20000)).c_str());
        heard(("012D04" + Value32(8000)).c_str());
        heard(("013104" + Value32(-7000)).c_str());
        const auto plan = MotionPlan::Move({100, 6000, 500, 20000, 8000}, -7000);
        QVERIFY(plan);
        for (double t = 0.05; t < *plan->duration() + 0.2; t += 0.05) {
            d.advance(now + std::chrono::duration_cast<sim::Device::Clock::duration>(
                                std::chrono::duration<double>(t)));
            QVERIFY2(std::fabs(d.axis().absolute() - plan->positionAt(t)) < 0.01,
                     qPrintable(QString("%1 s: %2 against %3")
                                    .arg(t)
                                    .arg(d.axis().absolute())
                                    .arg(plan->positionAt(t))));
            QVERIFY(std::fabs(d.axis().speed() - plan->speedAt(t)) < 0.01);
        }
        QVERIFY(!d.axis().moving());
    }

    void homingEndsAtZero() {
        ask(("013004" + Value32(0)).c_str()); // a query in between must not disturb it
        ask(("012F04" + Value32(100000)).c_str());
        ask(("012B04" + Value32(2000000)).c_str());
        ask("013E0100");
        QTRY_COMPARE_WITH_TIMEOUT(DecodeReply(ask("013B00"), LinkMode::Rtu).lamps.front().red,
                                  false, 3000);
        QCOMPARE(FieldOf(ask("013700"), "Text18"), QString("0"));
        const auto status = DecodeReply(ask("013B00"), LinkMode::Rtu);
        QCOMPARE(status.lamps[2], (LampUpdate{"Shape3", true})); // at the home switch
    }

    void ioOverrideStoredAndReadBack() {
        QCOMPARE(Hex(line_->transact(B("01400705310400002710EB3A"))), Hex(Rtu("014000")));
        QCOMPARE(FieldOf(line_->transact(B("014101 05905F")), "Text31"),
                 QString("31 04 00 00 27 10 "));
        QCOMPARE(FieldOf(ask("01410106"), "Text31"), QString(""));
        // The inputs matching the pattern run the stored move.
        device_->withDevice([](sim::Device& d) { d.setInputs(0x05, sim::Device::Clock::now()); });
        QVERIFY(device_->withDevice([](sim::Device& d) { return d.axis().moving(); }));
        const auto inputs = DecodeReply(ask("014200"), LinkMode::Rtu);
        QCOMPARE(inputs.lamps[0], (LampUpdate{"Shape5", true}));
        QCOMPARE(inputs.lamps[1], (LampUpdate{"Shape6", false}));
        QCOMPARE(inputs.lamps[2], (LampUpdate{"Shape7", true}));
    }

    // Several drives on one line: each its own settings and axis, answering its own address;
    // a broadcast reaches them all.
    void drivesOnOneLine() {
        startDevice({.address = 1, .more = {2, 3}});
        ask(("022504" + Value32(222)).c_str());
        QCOMPARE(FieldOf(ask("012600"), "Text27"), QString("100"));
        QCOMPARE(FieldOf(ask("022600"), "Text27"), QString("222"));
        QCOMPARE(FieldOf(ask("032600"), "Text27"), QString("100"));
        QVERIFY(ask("042600").empty());
        line_->write(Rtu(("002504" + Value32(333)).c_str()));
        QTest::qWait(50);
        for (const char* query : {"012600", "022600", "032600"})
            QCOMPARE(FieldOf(ask(query), "Text27"), QString("333"));
        ask(("033104" + Value32(1000)).c_str());
        QVERIFY(device_->withDevice([](sim::Device& d) { return d.axis().moving(); }, 3));
        QVERIFY(!device_->withDevice([](sim::Device& d) { return d.axis().moving(); }, 2));
    }

    void replySuppression() {
        QVERIFY(ask("0151028080").empty());
        QVERIFY(ask("012000").empty());
        QCOMPARE(Report(ask("0151020080")), QString("-")); // answered, no report line for 0x51
        QCOMPARE(Report(ask("012000")), QString("请求握手命令:"));
    }

    void checksumChecking() {
        Bytes damaged = Rtu("012000");
        damaged.back() ^= 0xFF;
        Bytes wrongLrc = EncodeAsciiFrame(B("012000"));
        wrongLrc[wrongLrc.size() - 3] = '0';
        QVERIFY(line_->transact(damaged).empty());
        ask("01480101"); // checking off
        QCOMPARE(Report(line_->transact(damaged)), QString("请求握手命令:"));
        QCOMPARE(Q(DecodeReply(line_->transact(wrongLrc), LinkMode::Ascii).report->chinese()),
                 QString("请求握手命令:"));
        ask("01480100");
        QVERIFY(line_->transact(damaged).empty());
    }

    void limitSwitchesInTheMotionState() {
        device_->withDevice([](sim::Device& d) { d.forceLimit(true, true); });
        QCOMPARE(Hex(ask("013B00")), Hex(Rtu("013B04 00 00 01 01")));
        device_->withDevice([](sim::Device& d) {
            d.forceLimit(true, false);
            d.forceLimit(false, true);
        });
        QCOMPARE(Hex(ask("013B00")), Hex(Rtu("013B04 00 01 01 00")));
    }

    void lastCharacterAppendedToReplies() {
        const Bytes on = ask("0151020142");
        QCOMPARE(Hex(on), Hex(Rtu("015100")) + " 42");
        QCOMPARE(Hex(ask("012000")), Hex(Rtu("012000")) + " 42");
        ask("0151020042");
        QCOMPARE(Hex(ask("012000")), Hex(Rtu("012000")));
    }

    void plcStandardProtocol() {
        ask(("013F04" + Value32(1000)).c_str());
        // Read the start speed: register 1000 + 0x26.
        QCOMPARE(Hex(ask("01 03 04 0E 00 02")), Hex(Rtu("01 03 04 00 00 00 64")));
        // Write the start speed: register 1000 + 0x25, address and quantity echoed.
        QCOMPARE(Hex(ask("01 10 04 0D 00 02 04 00 00 03 E8")), Hex(Rtu("01 10 04 0D 00 02")));
        QCOMPARE(FieldOf(ask("012600"), "Text27"), QString("1000"));
        // A command without data in the read form runs and answers no registers.
        QCOMPARE(Hex(ask("01 03 04 08 00 00")), Hex(Rtu("01 03 00")));
        // What it cannot serve gets a standard exception.
        QCOMPARE(Hex(ask("01 03 00 00 00 02")), Hex(Rtu("01 83 02")));
        QCOMPARE(Hex(ask("01 03 04 0D 00 02")), Hex(Rtu("01 83 02")));
        QCOMPARE(Hex(ask("01 10 04 0D 00 02 02 00 00")), Hex(Rtu("01 90 03")));
    }

    void asciiRequestsAnsweredInAscii() {
        const Bytes reply = line_->transact(EncodeAsciiFrame(B("012600")));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(reply.data()), qsizetype(reply.size())),
                 QByteArray(":0126040000006471\r\n"));
        QCOMPARE(Q(DecodeReply(reply, LinkMode::Ascii).report->chinese()),
                 QString("查询运动初速度:"));
        Bytes wrongLrc = EncodeAsciiFrame(B("012000"));
        wrongLrc[wrongLrc.size() - 3] = '0';
        QVERIFY(line_->transact(wrongLrc).empty());
    }

    void busBehaviour() {
        QVERIFY(ask("022000").empty());         // another device's request
        QVERIFY(ask("00250400000001").empty()); // broadcast: acts, does not answer
        QCOMPARE(FieldOf(ask("012600"), "Text27"), QString("1"));
        QVERIFY(line_->transact(B("FF FF 00 13 37 42 01")).empty()); // garbage
        QCOMPARE(Report(ask("012000")), QString("请求握手命令:"));
        line_->write(B("01 26")); // a request broken off...
        std::this_thread::sleep_for(100ms);
        QCOMPARE(Report(ask("012000")), QString("请求握手命令:")); // ...does not eat the next
        ask("012201 07");
        QVERIFY(ask("012000").empty());
        QCOMPARE(Report(ask("072000")), QString("请求握手命令:"));
        ask("074700"); // factory reset restores address 1
        QCOMPARE(Report(ask("012000")), QString("请求握手命令:"));
    }

    // The command-line program: path first, inputs from standard input, a clean exit on SIGTERM.
    void commandLineProgram() {
        QProcess sim;
        sim.start(STEPBENCH_SIM_PATH, {"--delay", "1"});
        QVERIFY(sim.waitForReadyRead(5000));
        const QString path = QString::fromUtf8(sim.readLine()).trimmed();
        QVERIFY2(path.startsWith("/dev/pts/"), qPrintable(path));
        PtyClient client(path.toStdString());
        QVERIFY(client.isOpen());
        QCOMPARE(Hex(client.transact(Rtu("012000"))), QString("01 20 00 39 C0"));
        sim.write("in 10000\n");
        QVERIFY(sim.waitForBytesWritten(2000));
        QTRY_COMPARE(DecodeReply(client.transact(Rtu("014200")), LinkMode::Rtu).lamps[4],
                     (LampUpdate{"Shape9", true}));
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);

        // With --chaos, --truth says what it did for each request: a line each, whole at once.
        QTemporaryDir dir;
        const QString truth = dir.filePath("truth.jsonl");
        sim.start(STEPBENCH_SIM_PATH, {"--chaos", "5", "--timeout", "50", "--truth", truth});
        QVERIFY(sim.waitForReadyRead(5000));
        PtyClient chaos(QString::fromUtf8(sim.readLine()).trimmed().toStdString());
        for (int i = 0; i < 3; ++i)
            chaos.transact(Rtu("012600"), 120ms);
        const auto told = [&truth] {
            QFile file(truth);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_COMPARE(told().count('\n'), 3);
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        const QJsonObject first = QJsonDocument::fromJson(told().split('\n')[0]).object();
        QCOMPARE(first["heard"].toString(), Hex(Rtu("012600")));
        QCOMPARE(first["reply"].toString(), Hex(Rtu("01260400000064")));
        QVERIFY(first.contains("did") && first["sent"].isArray());
        QCOMPARE(QProcess::execute(STEPBENCH_SIM_PATH, {"--chaos", "5", "--truth", ""}), 2);
    }

    void splitRepliesComeInTwoPieces() {
        startDevice({.replyDelay = 0ms, .splitPause = 150ms, .trace = {}});
        line_->write(Rtu("012600"));
        const Bytes first = line_->read(60ms);
        const Bytes second = line_->read(60ms, 500ms);
        QCOMPARE(Hex(first) + " " + Hex(second), Hex(Rtu("01260400000064")));
        QVERIFY(!first.empty() && !second.empty());
    }
};

QTEST_APPLESS_MAIN(TestSim)
#include "test_sim.moc"
