#include "codec/frame.h"
#include "core/bench.h"
#include "sim/virtual_device.h"
#include "support.h"

#include <QTest>

using namespace stepbench;
using namespace std::chrono_literals;

namespace {

Bytes Rtu(const char* hex) {
    return EncodeRtuFrame(B(hex));
}

// The value of a four-byte setting a drive has said, or -1 when it has said none.
qint64 ValueOf(const Bench& bench, std::uint8_t address, const char* name) {
    const auto said = bench.drives().setting(address, name);
    if (!said || said->value.size() != 4) return -1;
    return qint64((quint32(said->value[0]) << 24) | (quint32(said->value[1]) << 16) |
                  (quint32(said->value[2]) << 8) | said->value[3]);
}

} // namespace

// What each drive has said, kept by address: only what it answered counts.
class TestDriveState : public QObject {
    Q_OBJECT
private slots:
    // rows: the requests sent in turn; then what drives 1 and 2 hold of the maximum speed.
    void whatADriveHasSaid_data() {
        QTest::addColumn<QList<Bytes>>("requests");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("second");
        QTest::newRow("a fresh start: nothing") << QList<Bytes>{} << qint64(-1) << qint64(-1);
        QTest::newRow("a set acknowledged")
            << QList<Bytes>{Rtu("012704 00001388")} << qint64(5000) << qint64(-1);
        QTest::newRow("a query answered")
            << QList<Bytes>{Rtu("012800")} << qint64(10000) << qint64(-1);
        QTest::newRow("two drives, each its own")
            << QList<Bytes>{Rtu("012704 00001388"), Rtu("022704 00001B58")} << qint64(5000)
            << qint64(7000);
        QTest::newRow("a set nobody answers: unknown still")
            << QList<Bytes>{Rtu("012704 00001388"), Rtu("032704 00001B58")} << qint64(5000)
            << qint64(-1);
        QTest::newRow("to every drive: unconfirmed")
            << QList<Bytes>{Rtu("002704 00001B58")} << qint64(-1) << qint64(-1);
        QTest::newRow("a register write acknowledged")
            << QList<Bytes>{Rtu("011000270002 04 00001770")} << qint64(6000) << qint64(-1);
        QTest::newRow("a register read answered")
            << QList<Bytes>{Rtu("010300280002")} << qint64(10000) << qint64(-1);
    }
    void whatADriveHasSaid() {
        QFETCH(QList<Bytes>, requests);
        QFETCH(qint64, first);
        QFETCH(qint64, second);
        sim::VirtualDevice device({.more = {2}});
        QVERIFY(device.start());
        Bench bench;
        QString error;
        QVERIFY(bench.open(Q(device.path()), "115200", &error));
        bench.queue().setReplyTimeout(50ms);
        quint64 last = 0;
        for (const Bytes& r : requests) {
            // A register read or write carries the device command its register names.
            const bool registers = r[1] == 0x03 || r[1] == 0x10;
            last = bench.queue().submit({.frame = r, .command = registers ? r[3] : r[1]});
        }
        QTRY_VERIFY(bench.queue().idle() &&
                    bench.stats().total().sent == std::size_t(requests.size()));
        QCOMPARE(ValueOf(bench, 1, "max-speed"), first);
        QCOMPARE(ValueOf(bench, 2, "max-speed"), second);
        if (first >= 0 && requests.size() == 1) {
            const auto said = bench.drives().setting(1, "max-speed");
            QCOMPARE(said->transaction, last);
            QCOMPARE(said->acknowledged, requests[0][1] == 0x27 || requests[0][1] == 0x10);
        }
    }

    // A set the drive takes but does not confirm (its reply lost) leaves what it last said.
    void aSetWithoutItsReply() {
        sim::VirtualDevice device({.dropEvery = 2});
        QVERIFY(device.start());
        Bench bench;
        QString error;
        QVERIFY(bench.open(Q(device.path()), "115200", &error));
        bench.queue().setReplyTimeout(50ms);
        for (const Bytes& r : {Rtu("012704 00001388"), Rtu("012704 00001B58")})
            bench.queue().submit({.frame = r, .command = 0x27});
        QTRY_VERIFY(bench.queue().idle() && bench.stats().total().sent == 2);
        QCOMPARE(bench.stats().total().noReply, std::size_t(1));
        QCOMPARE(ValueOf(bench, 1, "max-speed"), qint64(5000));
        // The speed profile of a move: known only when the drive has said all five.
        std::vector<std::string> unknown;
        QVERIFY(!bench.drives().motionParameters(1, &unknown));
        QCOMPARE(unknown.size(), std::size_t(4));
        // (Every second request goes unanswered: each query twice.)
        for (const char* query :
             {"012600", "012600", "012A00", "012A00", "012C00", "012C00", "012E00", "012E00"})
            bench.queue().submit({.frame = Rtu(query), .command = B(query)[1]});
        QTRY_VERIFY(bench.drives().motionParameters(1, &unknown));
        const auto p = *bench.drives().motionParameters(1, &unknown);
        QCOMPARE(p.maxSpeed, 5000.0);
        QCOMPARE(p.startSpeed, 100.0);
    }
};

QTEST_GUILESS_MAIN(TestDriveState)
#include "test_drive_state.moc"
