#include "codec/frame.h"
#include "link/transaction_queue.h"
#include "pty_client.h"
#include "sim/virtual_device.h"
#include "support.h"

#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

Q_DECLARE_METATYPE(stepbench::Bytes)

using namespace stepbench;
using namespace std::chrono_literals;

namespace {

Bytes Rtu(const char* hex) {
    return EncodeRtuFrame(B(hex));
}

Bytes Ascii(const char* hex) {
    return EncodeAsciiFrame(B(hex));
}

// Two pieces of bytes, as an adapter hands on what it received.
std::pair<Bytes, Bytes> Halves(const Bytes& b) {
    const auto half = static_cast<std::ptrdiff_t>(b.size() / 2);
    return {Bytes(b.begin(), b.begin() + half), Bytes(b.begin() + half, b.end())};
}

void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double Ms(qint64 ns) {
    return double(ns) / 1e6;
}

// The far end of a line, scripted by the test: what the program wrote and when, and what is
// written back.
class FarEnd : public QObject {
public:
    struct Chunk {
        qint64 ns;
        Bytes bytes;
    };

    FarEnd() {
        connect(&notifier_, &QSocketNotifier::activated, this, [this] {
            const Bytes got = peer_.take();
            if (got.empty()) return;
            chunks.push_back({Link::now(), got});
            heard.insert(heard.end(), got.begin(), got.end());
            if (onHeard) onHeard(got);
        });
    }
    std::string path() const { return peer_.path(); }
    // Returns when the bytes went.
    qint64 write(const Bytes& b) {
        peer_.write(b);
        return Link::now();
    }
    void writeLater(const Bytes& b, int ms) {
        QTimer::singleShot(ms, Qt::PreciseTimer, this, [this, b] { wrote.push_back(write(b)); });
    }
    void hangUp() {
        notifier_.setEnabled(false);
        peer_.hangUp();
    }

    std::vector<Chunk> chunks;
    Bytes heard;
    std::vector<qint64> wrote; // when writeLater's bytes went
    std::function<void(const Bytes&)> onHeard;

private:
    PtyPeer peer_;
    QSocketNotifier notifier_{peer_.fd(), QSocketNotifier::Read};
};

// A link and its queue, with every transaction, late reply and loss recorded.
class Line : public QObject {
public:
    Line() {
        connect(&queue, &TransactionQueue::closed, this,
                [this](const Transaction& t) { ended.push_back(t); });
        connect(&queue, &TransactionQueue::lateReply, this,
                [this](const Transaction& t) { late.push_back(t); });
        connect(&queue, &TransactionQueue::lineDown, this,
                [this](const TransactionQueue::LineDown& d) { downs.push_back(d); });
        connect(&queue, &TransactionQueue::pieceReceived, this,
                [this](const Piece& piece, std::optional<Origin>, PieceRole role,
                       std::optional<std::uint8_t>) {
                    pieces.push_back({role, piece.bytes});
                });
    }
    // The bytes of the pieces of one role.
    std::size_t bytesOf(PieceRole role) const {
        std::size_t n = 0;
        for (const auto& [r, bytes] : pieces)
            if (r == role) n += bytes.size();
        return n;
    }
    bool open(const std::string& path, int baud = 9600) {
        QString error;
        return link.open(Q(path), QString::number(baud), &error);
    }
    quint64 send(const Bytes& frame, std::optional<std::chrono::milliseconds> timeout = {}) {
        return queue.submit(
            {.frame = frame, .command = CommandCodeOfFrame(frame), .timeout = timeout});
    }
    quint64 sendTyped(const Bytes& bytes) {
        return queue.submit({.frame = bytes, .origin = Origin::Manual, .raw = true});
    }
    int endings(quint64 id) const {
        return int(std::count_if(ended.begin(), ended.end(),
                                 [id](const Transaction& t) { return t.id == id; }));
    }
    const Transaction& of(quint64 id) const {
        static const Transaction none;
        const auto it = std::find_if(ended.begin(), ended.end(),
                                     [id](const Transaction& t) { return t.id == id; });
        return it == ended.end() ? none : *it;
    }
    QString verdict(quint64 id) const {
        return QString::fromUtf8(VerdictName(of(id).verdict).data());
    }

    Link link;
    TransactionQueue queue{link};
    std::vector<Transaction> ended;
    std::vector<Transaction> late;
    std::vector<TransactionQueue::LineDown> downs;
    std::vector<std::pair<PieceRole, Bytes>> pieces;
};

} // namespace

class TestQueue : public QObject {
    Q_OBJECT
private slots:
    // A move queued behind a query nobody answers never goes out after the stop, also when
    // the query's reply is waiting to be read at the moment the stop is pressed.
    void stopGoesFirst_data() {
        QTest::addColumn<bool>("replyWaiting");
        QTest::newRow("query unanswered") << false;
        QTest::newRow("its reply not yet read") << true;
    }
    void stopGoesFirst() {
        QFETCH(bool, replyWaiting);
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        const quint64 query = line.send(Rtu("012600"));
        QTRY_COMPARE(Hex(far.heard), Hex(Rtu("012600")));
        Spin(20); // the query has crossed the line
        if (replyWaiting) far.write(Rtu("01260400000064"));
        const quint64 move = line.send(Rtu("01310400002710"));
        const quint64 stop = line.send(Rtu("013C00"));
        QVERIFY(move && stop);
        QTRY_COMPARE(line.endings(stop), 1);
        Spin(50);
        QCOMPARE(Hex(far.heard), Hex(Rtu("012600")) + " " + Hex(Rtu("013C00")));
        QCOMPARE(line.verdict(move), QString("已取消"));
        QCOMPARE(line.of(move).cause, Cause::Stop);
        QCOMPARE(line.endings(move), 1);
        QCOMPARE(line.verdict(query), QString(replyWaiting ? "正常" : "无应答"));
    }

    // A reply that comes after its request timed out is a late reply linked to it, and the
    // later request gets its own: the device's new value, after the device's own delay.
    void lateReplyNeverClosesALaterRequest() {
        sim::VirtualDevice device({.replyDelay = 150ms});
        QVERIFY(device.start());
        Line line;
        QVERIFY(line.open(device.path()));
        line.queue.setReplyTimeout(100ms);
        const quint64 first = line.send(Rtu("012600"));
        const quint64 broadcast = line.send(Rtu("00250400 0007D0"));
        const quint64 second = line.send(Rtu("012600"), 400ms);
        QTRY_COMPARE_WITH_TIMEOUT(line.endings(second), 1, 3000);
        QCOMPARE(line.verdict(first), QString("无应答"));
        QCOMPARE(line.verdict(broadcast), QString("广播"));
        QCOMPARE(line.late.size(), std::size_t(1));
        QCOMPARE(line.late[0].answers, std::optional(first));
        QCOMPARE(Hex(line.late[0].reply), Hex(Rtu("01260400000064")));
        QCOMPARE(line.verdict(second), QString("正常"));
        QCOMPARE(Hex(line.of(second).reply), Hex(Rtu("012604000007D0")));
        QVERIFY(*line.of(second).roundTripMs >= 150);
    }

    // On a slow line the timeout runs from the request leaving the line to the reply's first
    // byte, which may take longer than the timeout to arrive in whole; bytes that arrive one by
    // one and look like a frame inside the value never cut the reply.
    void slowLinesAreTimedOnTheWire_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("timeout");
        QTest::newRow("1200, 100 ms") << 1200 << 100;
        QTest::newRow("300, 300 ms") << 300 << 300;
    }
    void slowLinesAreTimedOnTheWire() {
        QFETCH(int, baud);
        QFETCH(int, timeout);
        sim::VirtualDevice device({.pace = true});
        QVERIFY(device.start());
        Line line;
        QVERIFY(line.open(device.path(), baud));
        line.queue.setReplyTimeout(std::chrono::milliseconds(timeout));
        const quint64 set = line.send(Rtu("012504FFF1B075"));
        const quint64 query = line.send(Rtu("012600"));
        QTRY_COMPARE_WITH_TIMEOUT(line.endings(query), 1, 5000);
        QCOMPARE(line.verdict(set), QString("正常"));
        QCOMPARE(line.verdict(query), QString("正常"));
        QCOMPARE(Hex(line.of(query).reply), Hex(Rtu("012604FFF1B075")));
        // The reply's nine bytes take their time on the wire.
        QVERIFY(*line.of(query).roundTripMs >= 9 * 10000.0 / baud);
        QVERIFY(line.late.empty());
    }

    // Between a reply's last byte and the next request the line is silent for 3.5 characters;
    // after a broadcast for the turnaround, from the end of its write on the wire.
    void silenceBetweenFrames() {
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path(), 1200));
        far.onHeard = [&](const Bytes& b) {
            if (b == Rtu("012000")) far.writeLater(Rtu("012000"), 0);
        };
        line.send(Rtu("012000"));
        line.send(Rtu("002504000007D0"));
        const quint64 last = line.send(Rtu("012600"));
        QTRY_COMPARE_WITH_TIMEOUT(line.endings(last), 1, 3000);
        QCOMPARE(far.chunks.size(), std::size_t(3));
        const double character = 10000.0 / 1200;
        QVERIFY2(Ms(far.chunks[1].ns - far.wrote[0]) >= 3.5 * character,
                 qPrintable(QString::number(Ms(far.chunks[1].ns - far.wrote[0]))));
        // (Less the time the far end may take to notice the broadcast.)
        QVERIFY(Ms(far.chunks[2].ns - far.chunks[1].ns) >= 9 * character + 100 - 10);
    }

    // Typed bytes keep the line until it has been quiet after what came back: a reply 30 ms
    // later is theirs, and the next request waits for it.
    void rawBytesKeepTheLineUntilQuiet() {
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        far.onHeard = [&](const Bytes& b) {
            if (b == B("012000")) far.writeLater(Rtu("012000"), 30);
        };
        const quint64 raw =
            line.queue.submit({.frame = B("012000"), .origin = Origin::Manual, .raw = true});
        const quint64 next = line.send(Rtu("012600"));
        QTRY_COMPARE(line.endings(next), 1);
        QCOMPARE(line.verdict(raw), QString("未检查"));
        QCOMPARE(Hex(line.of(raw).reply), Hex(Rtu("012000")));
        QCOMPARE(far.chunks.size(), std::size_t(2));
        QVERIFY(far.chunks[1].ns > far.wrote[0]);
    }

    // A timeout ends only its own request: the next one, answered 10 ms after it went out, is
    // answered. A frame for something else while a request waits makes it 应答不符.
    void eachRequestItsOwnEnd() {
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        line.queue.setReplyTimeout(60ms);
        far.onHeard = [&](const Bytes& b) {
            if (b == Rtu("012600")) far.writeLater(Rtu("01260400000064"), 10);
            if (b == Rtu("013600")) far.writeLater(Rtu("012000"), 5); // the wrong answer
        };
        std::vector<std::pair<quint64, quint64>> pairs;
        for (int i = 0; i < 5; ++i)
            pairs.push_back({line.send(Rtu("022600")), line.send(Rtu("012600"))});
        const quint64 foreign = line.send(Rtu("013600"));
        QTRY_COMPARE(line.endings(foreign), 1);
        for (const auto& [silent, answered] : pairs) {
            QCOMPARE(line.verdict(silent), QString("无应答"));
            QCOMPARE(line.verdict(answered), QString("正常"));
        }
        QCOMPARE(line.verdict(foreign), QString("应答不符"));
        QCOMPARE(line.ended.size(), std::size_t(11));
    }

    // Closed, lost, or a write that fails: every request accepted ends once, the one on the line
    // cut off, the waiting ones cancelled, each saying why; then the line's end is told.
    void lineGoesDown_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("closed") << "closed";
        QTest::newRow("lost") << "lost";
        QTest::newRow("write fails") << "write";
    }
    void lineGoesDown() {
        QFETCH(QString, how);
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        std::vector<quint64> ids;
        if (how != "write") {
            for (const char* hex : {"012600", "012800", "012A00"})
                ids.push_back(line.send(Rtu(hex)));
            QTRY_VERIFY(!far.heard.empty());
        }
        if (how == "closed") {
            line.link.close();
        } else {
            far.hangUp();
            if (how == "write") ids.push_back(line.send(Rtu("012600")));
        }
        QTRY_COMPARE(line.downs.size(), std::size_t(1));
        const auto& down = line.downs[0];
        QCOMPARE(down.cause, how == "closed" ? Cause::Closed : Cause::Lost);
        if (how != "write") QCOMPARE(down.cancelled, std::size_t(2));
        for (quint64 id : ids)
            QCOMPARE(line.endings(id), 1);
        QCOMPARE(line.ended.size(), ids.size());
        const Transaction& cut = line.of(ids[0]);
        QVERIFY(cut.cause != Cause::None && cut.cause != Cause::Stop);
        QVERIFY(cut.verdict == Verdict::NoReply || cut.verdict == Verdict::Cancelled);
        for (std::size_t i = 1; i < ids.size(); ++i)
            QCOMPARE(line.verdict(ids[i]), QString("已取消"));
        QVERIFY(!line.queue.submit({.frame = Rtu("012600")}));
    }

    // An adapter that hands back what it sends: with 回显抑制 the echo is what comes back while
    // the request goes out, so a handshake nobody answers is not answered by its own echo; a
    // reply is what begins after the request has left, even when it is the request's own bytes
    // (a handshake), and an adapter that turns out not to echo is said to once.
    void echo_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<Bytes>("request");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<Bytes>("reply"); // empty: nobody answers
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<int>("missing");
        // (At 300 baud a request takes 167 ms to go out; its echo comes at once, however busy
        // the machine.)
        QTest::newRow("echo, nobody there")
            << 300 << Rtu("012000") << true << Bytes{} << "无应答" << 0;
        QTest::newRow("echo, then the reply")
            << 300 << Rtu("012600") << true << Rtu("01260400000064") << "正常" << 0;
        QTest::newRow("no echo, a query's reply")
            << 1200 << Rtu("012600") << false << Rtu("01260400000064") << "正常" << 1;
        QTest::newRow("no echo, a handshake's reply: its own bytes")
            << 1200 << Rtu("012000") << false << Rtu("012000") << "正常" << 0;
        QTest::newRow("no echo, a handshake's reply soon after it left")
            << 9600 << Rtu("012000") << false << Rtu("012000") << "正常" << 0;
    }
    void echo() {
        QFETCH(int, baud);
        QFETCH(Bytes, request);
        QFETCH(bool, echo);
        QFETCH(Bytes, reply);
        QFETCH(QString, verdict);
        QFETCH(int, missing);
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path(), baud));
        line.link.setEchoSuppression(true);
        int missed = 0;
        connect(&line.link, &Link::echoMissing, this, [&] { ++missed; });
        line.queue.setReplyTimeout(1000ms);
        const int wire = int(request.size()) * 10000 / baud;
        far.onHeard = [&](const Bytes& b) {
            if (echo) far.write(b);
            // After the request has left and the 3.5 characters a drive waits.
            if (!reply.empty()) far.writeLater(reply, wire + std::max(5, 35000 / baud));
        };
        const quint64 id = line.send(request);
        QTRY_COMPARE(line.endings(id), 1);
        QCOMPARE(line.verdict(id), verdict);
        QCOMPARE(Hex(line.of(id).reply), Hex(reply));
        QCOMPARE(line.bytesOf(PieceRole::Echo), echo ? request.size() : 0);
        QTRY_COMPARE(missed, missing);
        QVERIFY(line.late.empty());
    }

    // A USB adapter hands its echo back late and in pieces: once it has shown its echo, a stop
    // pressed while the last request's echo is half back is told by its own echo coming as
    // late, not answered by it; every byte reaches the log.
    void lateSplitEcho() {
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        line.link.setEchoSuppression(true);
        line.queue.setReplyTimeout(60ms);
        quint64 stop = 0;
        far.onHeard = [&](const Bytes& b) {
            const auto [first, second] = Halves(b);
            far.writeLater(first, 12);
            far.writeLater(second, 16);
            if (!stop) QTimer::singleShot(14, &far, [&] { stop = line.send(Rtu("013C00")); });
        };
        const quint64 query = line.send(Rtu("012600"));
        QTRY_VERIFY(stop && line.endings(stop) == 1 && line.endings(query) == 1);
        QCOMPARE(line.verdict(query), QString("无应答"));
        QCOMPARE(line.verdict(stop), QString("无应答"));
        QCOMPARE(line.bytesOf(PieceRole::Echo), std::size_t(10));
        QCOMPARE(line.bytesOf(PieceRole::Reply) + line.bytesOf(PieceRole::Other), std::size_t(0));
        QVERIFY(line.late.empty());
    }

    // What carries the line, by its path (a link to a device names the device), and whether
    // it is timed by the baud rate unless told otherwise.
    void portKinds_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("timed");
        QTest::newRow("a UART") << "/dev/ttyS0" << int(Link::PortKind::Uart) << true;
        QTest::newRow("a USB-serial adapter")
            << "/dev/ttyUSB3" << int(Link::PortKind::UsbSerial) << true;
        QTest::newRow("a device's own USB port")
            << "/dev/ttyACM0" << int(Link::PortKind::UsbModem) << false;
        QTest::newRow("Bluetooth") << "/dev/rfcomm0" << int(Link::PortKind::UsbModem) << false;
        QTest::newRow("a pseudo-terminal")
            << "/dev/pts/7" << int(Link::PortKind::PseudoTerminal) << false;
        QTest::newRow("a device server")
            << "tcp://127.0.0.1:4001" << int(Link::PortKind::Network) << false;
    }
    void portKinds() {
        QFETCH(QString, path);
        QFETCH(int, kind);
        QFETCH(bool, timed);
        QCOMPARE(int(Link::KindOfPort(path)), kind);
        const bool untimedKind = kind == int(Link::PortKind::UsbModem) ||
                                 kind == int(Link::PortKind::PseudoTerminal) ||
                                 kind == int(Link::PortKind::Network);
        QCOMPARE(!untimedKind, timed);
        // A link in /dev/serial/by-id to a pseudo-terminal is a pseudo-terminal.
        FarEnd far;
        QTemporaryDir dir;
        const QString link = dir.filePath("usb-FTDI_by-id");
        QVERIFY(QFile::link(Q(far.path()), link));
        QCOMPARE(Link::KindOfPort(link), Link::PortKind::PseudoTerminal);
    }

    // A device behind a port without baud timing (a simulator behind a pseudo-terminal, a
    // drive's own USB port) answers before the request's bytes could have crossed a wire at
    // the baud rate: its reply is the reply, in every framing, but for the request's own bytes,
    // which are an echo. Timed by the baud rate on purpose, the same reply began too soon: a
    // row of its own, and the request unanswered.
    void untimedLines_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<Bytes>("request");
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<bool>("timedByBaud");
        QTest::addColumn<QString>("verdict");
        for (int baud : {9600, 300}) {
            const QByteArray b = QByteArray::number(baud);
            QTest::newRow(b + " rtu")
                << baud << Rtu("012600") << Rtu("01260400000064") << false << "正常";
            QTest::newRow(b + " ascii")
                << baud << Ascii("012600") << Ascii("01260400000064") << false << "正常";
            QTest::newRow(b + " plc")
                << baud << Rtu("010300260002") << Rtu("01030400 0004D2") << false << "正常";
        }
        // (At 300 baud its bytes take 167 ms: back sooner, however busy the machine, they are
        // its echo.)
        QTest::newRow("a handshake's own bytes at once: an echo")
            << 300 << Rtu("012000") << Rtu("012000") << false << "无应答";
        QTest::newRow("300 rtu, timed by the baud rate")
            << 300 << Rtu("012600") << Rtu("01260400000064") << true << "无应答";
    }
    void untimedLines() {
        QFETCH(int, baud);
        QFETCH(Bytes, request);
        QFETCH(Bytes, reply);
        QFETCH(bool, timedByBaud);
        QFETCH(QString, verdict);
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path(), baud));
        QVERIFY(!line.link.timed());
        if (timedByBaud) line.link.setLineTiming(Link::LineTiming::Baud);
        line.queue.setReplyTimeout(100ms);
        far.onHeard = [&](const Bytes&) { far.write(reply); };
        const quint64 id = line.send(request);
        QTRY_COMPARE_WITH_TIMEOUT(line.endings(id), 1, 3000);
        QCOMPARE(line.verdict(id), verdict);
        QCOMPARE(line.late.size(), std::size_t(timedByBaud ? 1 : 0));
        if (timedByBaud) QVERIFY(!line.late[0].answers);
    }

    // After a request got no reply, its late reply never answers the next request of its kind
    // (the same command, or a register read of the same size): that one waits until the late
    // reply has come, which is linked to the request it answers. A request to another address
    // is not held.
    void lateReplyAfterATimeout_data() {
        QTest::addColumn<Bytes>("first");
        QTest::addColumn<Bytes>("firstReply");
        QTest::addColumn<Bytes>("second");
        QTest::addColumn<Bytes>("secondReply");
        QTest::addColumn<bool>("held");
        QTest::newRow("the same command") << Rtu("012600") << Rtu("01260400000064") << Rtu("012600")
                                          << Rtu("012604000007D0") << true;
        QTest::newRow("plc reads of one size")
            << Rtu("010300370002") << Rtu("01030400001234") << Rtu("010300360002")
            << Rtu("01030400000BB8") << true;
        QTest::newRow("another address") << Rtu("012600") << Rtu("01260400000064") << Rtu("022600")
                                         << Rtu("022604000007D0") << false;
    }
    void lateReplyAfterATimeout() {
        QFETCH(Bytes, first);
        QFETCH(Bytes, firstReply);
        QFETCH(Bytes, second);
        QFETCH(Bytes, secondReply);
        QFETCH(bool, held);
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        line.queue.setReplyTimeout(100ms);
        int heard = 0;
        far.onHeard = [&](const Bytes&) {
            if (++heard == 1) far.writeLater(firstReply, 160);
            if (heard == 2) far.writeLater(secondReply, 5);
        };
        const quint64 a = line.send(first);
        const quint64 b = line.send(second);
        QTRY_VERIFY_WITH_TIMEOUT(line.endings(b) == 1 && !far.wrote.empty(), 3000);
        QTRY_COMPARE(line.late.size(), std::size_t(1));
        QCOMPARE(line.verdict(a), QString("无应答"));
        QCOMPARE(line.late[0].answers, std::optional(a));
        QCOMPARE(Hex(line.late[0].reply), Hex(firstReply));
        QCOMPARE(line.verdict(b), QString("正常"));
        QCOMPARE(Hex(line.of(b).reply), Hex(secondReply));
        // The second went on the line after the late reply, or long before it.
        QCOMPARE(far.chunks.size(), std::size_t(2));
        QCOMPARE(far.chunks[1].ns > far.wrote[0], held);
    }

    // Typed bytes keep the line until it is quiet, but a late reply of an earlier request stays
    // a late reply, and a stop's acknowledgement answers the stop.
    void typedBytesBesideLateRepliesAndStops() {
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        line.queue.setReplyTimeout(100ms);
        far.onHeard = [&](const Bytes& b) {
            if (b == Rtu("013700")) far.writeLater(Rtu("01370400001234"), 160);
            // The stop may come in one read with the typed bytes before it.
            if (Hex(b).endsWith(Hex(Rtu("013C00")))) far.writeLater(Rtu("013C00"), 5);
        };
        const quint64 query = line.send(Rtu("013700"));
        QTRY_COMPARE(line.endings(query), 1);
        const quint64 typed = line.sendTyped(B("052000"));
        QTRY_COMPARE_WITH_TIMEOUT(line.endings(typed), 1, 2000);
        QCOMPARE(line.verdict(typed), QString("未检查"));
        QCOMPARE(Hex(line.of(typed).reply), QString());
        QCOMPARE(line.late.size(), std::size_t(1));
        QCOMPARE(line.late[0].answers, std::optional(query));
        QCOMPARE(line.bytesOf(PieceRole::Typed), std::size_t(0));

        const quint64 typedAgain = line.sendTyped(B("052000"));
        const quint64 stop = line.send(Rtu("013C00"));
        QTRY_VERIFY(line.endings(stop) == 1 && line.endings(typedAgain) == 1);
        QCOMPARE(line.verdict(stop), QString("正常"));
        QCOMPARE(Hex(line.of(typedAgain).reply), QString());
    }

    // What a reply must be to answer: the input pattern its query named; a first byte that
    // could begin it (noise just before the timeout does not stretch it); a frame of another
    // command is a mismatch whatever was answered before; a damaged ASCII line is damaged.
    void whatAnswers_data() {
        QTest::addColumn<Bytes>("before"); // a request answered at once first, or empty
        QTest::addColumn<Bytes>("request");
        QTest::addColumn<QList<int>>("after"); // ms after the request was heard, per piece
        QTest::addColumn<QList<Bytes>>("pieces");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<int>("late");
        QTest::newRow("the pattern asked for") << Bytes{} << Rtu("01410103") << QList<int>{5}
                                               << QList<Bytes>{Rtu("0141020320")} << "正常" << 0;
        QTest::newRow("an entry of another pattern")
            << Bytes{} << Rtu("01410103") << QList<int>{5} << QList<Bytes>{Rtu("0141020220")}
            << "应答不符" << 0;
        QTest::newRow("noise just before the timeout")
            << Bytes{} << Rtu("012600") << QList<int>{85, 140}
            << QList<Bytes>{B("00"), Rtu("01260400000064")} << "无应答" << 1;
        QTest::newRow("another command's frame after it was answered")
            << Rtu("012600") << Rtu("013700") << QList<int>{5}
            << QList<Bytes>{Rtu("01260400000064")} << "应答不符" << 0;
        QTest::newRow("an ascii line damaged into a letter")
            << Bytes{} << Ascii("012600") << QList<int>{5}
            << QList<Bytes>{B(QByteArray(":012604000000G471\r\n"))} << "校验错误" << 0;
    }
    void whatAnswers() {
        QFETCH(Bytes, before);
        QFETCH(Bytes, request);
        QFETCH(QList<int>, after);
        QFETCH(QList<Bytes>, pieces);
        QFETCH(QString, verdict);
        QFETCH(int, late);
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        line.queue.setReplyTimeout(100ms);
        far.onHeard = [&](const Bytes& b) {
            if (b == before) far.write(Rtu("01260400000064"));
            if (b == request)
                for (int i = 0; i < after.size(); ++i)
                    far.writeLater(pieces[i], after[i]);
        };
        if (!before.empty()) {
            const quint64 first = line.send(before);
            QTRY_COMPARE(line.verdict(first), QString("正常"));
        }
        const quint64 id = line.send(request);
        QTRY_COMPARE(line.endings(id), 1);
        QCOMPARE(line.verdict(id), verdict);
        QTRY_COMPARE(int(line.late.size()), late);
        if (late) QCOMPARE(line.late[0].answers, std::optional(id));
    }

    // A request's events reach its owner after submit() has returned its id: a broadcast, which
    // ends as soon as it is written, and the requests a stop cancels.
    void eventsAfterSubmit() {
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        std::vector<quint64> known;
        connect(&line.queue, &TransactionQueue::closed, this, [&](const Transaction& t) {
            QVERIFY(std::count(known.begin(), known.end(), t.id));
        });
        known.push_back(line.send(Rtu("002504000007D0")));
        QVERIFY(line.ended.empty());
        QTRY_COMPARE(line.verdict(known[0]), QString("广播"));
        known.push_back(line.send(Rtu("012600")));
        known.push_back(line.send(Rtu("012800")));
        known.push_back(line.send(Rtu("013C00")));
        QTRY_COMPARE(line.verdict(known[2]), QString("已取消"));
    }

    // The queue holds at most 100 waiting requests; a stop is taken even then.
    void queueIsBounded() {
        FarEnd far;
        Line line;
        QVERIFY(line.open(far.path()));
        QVERIFY(line.send(Rtu("012600"))); // on the line
        for (std::size_t i = 0; i < TransactionQueue::kMaxWaiting; ++i)
            QVERIFY(line.send(Rtu("012800")));
        QString why;
        QVERIFY(!line.queue.submit({.frame = Rtu("012800"), .command = 0x28}, &why));
        QVERIFY(why.contains("100"));
        QVERIFY(line.send(Rtu("013C00")));
        QCOMPARE(line.queue.waiting(), std::size_t(0));
    }

    // Whatever the mix and whatever the line does, each request accepted ends exactly once.
    void everyRequestEndsOnce() {
        sim::VirtualDevice device({.dropEvery = 3, .corruptEvery = 4});
        QVERIFY(device.start());
        Line line;
        QVERIFY(line.open(device.path(), 115200));
        line.queue.setReplyTimeout(30ms);
        const std::vector<Bytes> mix = {Rtu("012600"), Rtu("012504000003E8"),
                                        Rtu("013D00"), Rtu("002504000003E8"),
                                        Rtu("022000"), Rtu("013C00")};
        QRandomGenerator random(7);
        std::vector<quint64> ids;
        for (int burst = 0; burst < 30; ++burst) {
            for (int n = random.bounded(1, 5); n > 0; --n) {
                const Bytes& frame = mix[std::size_t(random.bounded(int(mix.size())))];
                if (const quint64 id = line.send(frame)) ids.push_back(id);
            }
            if (random.bounded(3) == 0)
                if (const quint64 id = line.queue.submit(
                        {.frame = B("01 20 00"), .origin = Origin::Manual, .raw = true}))
                    ids.push_back(id);
            Spin(random.bounded(0, 40));
        }
        line.link.close();
        for (quint64 id : ids)
            QCOMPARE(line.endings(id), 1);
        QCOMPARE(line.ended.size(), ids.size());
    }
};

QTEST_GUILESS_MAIN(TestQueue)
#include "test_queue.moc"
