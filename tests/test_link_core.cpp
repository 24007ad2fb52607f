#include "codec/frame.h"
#include "link/echo_matcher.h"
#include "link/frame_cutter.h"
#include "link/transaction.h"
#include "link/transaction_stats.h"
#include "support.h"

#include <QTest>

using namespace stepbench;

namespace {

// Bytes written as the protocol documents them, with 'text' in quotes for ASCII: "'Z' 3A 30".
Bytes Wire(const QString& pieces) {
    Bytes out;
    for (const QString& part : pieces.split('|')) {
        const QString p = part.trimmed();
        if (p.startsWith('\'')) {
            const QByteArray text =
                p.mid(1, p.size() - 2).toLatin1().replace("\\r", "\r").replace("\\n", "\n");
            out.insert(out.end(), text.begin(), text.end());
        } else {
            const Bytes b = B(p.toLatin1().constData());
            out.insert(out.end(), b.begin(), b.end());
        }
    }
    return out;
}

// "F:01 20 00 39 C0" per piece: F frame, B bad checksum, N noise.
QStringList Describe(const std::vector<Piece>& pieces) {
    QStringList out;
    for (const Piece& p : pieces)
        out << QString("%1:%2")
                   .arg(p.kind == PieceKind::Frame         ? 'F'
                        : p.kind == PieceKind::BadChecksum ? 'B'
                                                           : 'N')
                   .arg(Hex(p.bytes));
    return out;
}

QStringList Cut(const Bytes& bytes, LinkMode mode, bool byteByByte, bool keepStarted) {
    FrameCutter cutter(mode);
    QStringList out;
    if (byteByByte) {
        for (std::uint8_t b : bytes)
            out << Describe(cutter.push(ByteView(&b, 1)));
    } else {
        out << Describe(cutter.push(bytes));
    }
    out << "|" << Describe(cutter.flush(keepStarted));
    return out;
}

} // namespace

class TestLinkCore : public QObject {
    Q_OBJECT
private slots:
    // What comes out before the line goes quiet, "|", then what the quiet spell gives out.
    // clang-format off
    void cutting_data() {
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<QString>("wire");
        QTest::addColumn<bool>("keepStarted");
        QTest::addColumn<QString>("pieces");
        QTest::newRow("value reply") << false << "01 26 04 00 00 00 64 FC ED" << false << "F:01 26 04 00 00 00 64 FC ED,|";
        QTest::newRow("two replies back to back") << false << "01 20 00 39 C0 | 01 37 04 00 00 00 00 FE 47" << false << "F:01 20 00 39 C0,F:01 37 04 00 00 00 00 FE 47,|";
        QTest::newRow("noise before a reply") << false << "FF 13 | 01 20 00 39 C0" << false << "N:FF 13,F:01 20 00 39 C0,|";
        QTest::newRow("value bytes that look like a frame") << false << "01 26 04 FF F1 B0 75 28 C6" << false << "F:01 26 04 FF F1 B0 75 28 C6,|";
        QTest::newRow("length byte hit: no frame") << false << "01 26 05 00 00 03 E8 FD B8" << false << "|,N:01 26 05 00 00 03 E8 FD B8";
        QTest::newRow("wrong crc comes out when quiet") << false << "01 26 04 00 00 00 64 FC EE" << false << "|,B:01 26 04 00 00 00 64 FC EE";
        QTest::newRow("wrong crc while awaited, its bytes looking like more") << false << "01 26 04 00 00 02 2B BC 86" << true << "|,B:01 26 04 00 00 02 2B BC 86";
        QTest::newRow("wrong crc, then a good reply") << false << "01 20 00 39 C1 | 01 20 00 39 C0" << false << "B:01 20 00 39 C1,F:01 20 00 39 C0,|";
        QTest::newRow("reply padded to eight bytes") << false << "01 20 00 00 00 00 00 00 | " + Hex(EncodeRtuFrame(B("0120000000000000"))).mid(24) << false << "F:" + Hex(EncodeRtuFrame(B("0120000000000000"))) + ",|";
        QTest::newRow("last character after a reply") << false << "01 20 00 39 C0 80" << false << "F:01 20 00 39 C0,|,N:80";
        QTest::newRow("modbus read reply") << false << Hex(EncodeRtuFrame(B("010304000000 64"))) << false << "F:" + Hex(EncodeRtuFrame(B("01030400000064"))) + ",|";
        QTest::newRow("modbus write reply") << false << Hex(EncodeRtuFrame(B("0110040D0002"))) << false << "F:" + Hex(EncodeRtuFrame(B("0110040D0002"))) + ",|";
        QTest::newRow("modbus exception") << false << "01 83 02 C0 F1" << false << "F:01 83 02 C0 F1,|";
        QTest::newRow("a reply cut short is held while awaited") << false << "01 26 04 00 00" << true << "|";
        QTest::newRow("a reply cut short is noise when not") << false << "01 26 04 00 00" << false << "|,N:01 26 04 00 00";
        QTest::newRow("single stray byte") << false << "06" << false << "|,N:06";
        QTest::newRow("ascii line") << true << "':0126040000006471\\r\\n'" << false << "F:" + Hex(Wire("':0126040000006471\\r\\n'")) + ",|";
        QTest::newRow("ascii noise before the line") << true << "'Z:0126040000006471\\r\\n'" << false << "N:5A,F:" + Hex(Wire("':0126040000006471\\r\\n'")) + ",|";
        QTest::newRow("ascii stray colon before the line") << true << "'::0126040000006471\\r\\n'" << false << "N:3A,F:" + Hex(Wire("':0126040000006471\\r\\n'")) + ",|";
        QTest::newRow("ascii wrong lrc") << true << "':0126040000006470\\r\\n'" << false << "B:" + Hex(Wire("':0126040000006470\\r\\n'")) + ",|";
        QTest::newRow("ascii line not yet ended") << true << "':01260400'" << false << "|,N:" + Hex(Wire("':01260400'"));
    }
    // clang-format on
    void cutting() {
        QFETCH(bool, ascii);
        QFETCH(QString, wire);
        QFETCH(bool, keepStarted);
        QFETCH(QString, pieces);
        const Bytes bytes = Wire(wire);
        const LinkMode mode = ascii ? LinkMode::Ascii : LinkMode::Rtu;
        // Fed whole and byte by byte, the line is cut the same way.
        for (bool byteByByte : {false, true})
            QCOMPARE(Cut(bytes, mode, byteByByte, keepStarted).join(','), pieces);
    }

    // Noise never grows the held bytes without end, and nothing is lost.
    void noiseIsBounded() {
        FrameCutter cutter;
        std::size_t out = 0;
        Bytes noise(5000);
        for (std::size_t i = 0; i < noise.size(); ++i)
            noise[i] = std::uint8_t(i * 7919 % 251);
        for (const Piece& p : cutter.push(noise))
            out += p.bytes.size();
        QVERIFY(out >= noise.size() - 1024);
        for (const Piece& p : cutter.flush())
            out += p.bytes.size();
        QCOMPARE(out, noise.size());
    }

    // clang-format off
    void judging_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("piece"); // kind and bytes as the cutter gives them
        QTest::addColumn<QString>("verdict"); // "-": the piece does not concern the request
        QTest::newRow("reply") << QByteArray::fromHex("01260 03A60") << "F:01 26 04 00 00 00 64 FC ED" << "正常";
        QTest::newRow("another command") << QByteArray::fromHex("012600 3A60") << "F:01 20 00 39 C0" << "应答不符";
        QTest::newRow("another address") << QByteArray::fromHex("022000 39C0") << "F:01 20 00 39 C0" << "应答不符";
        QTest::newRow("damaged reply") << QByteArray::fromHex("012000 39C0") << "B:01 20 00 39 C1" << "校验错误";
        QTest::newRow("noise") << QByteArray::fromHex("012000 39C0") << "N:01 20" << "-";
        QTest::newRow("modbus exception") << QByteArray::fromHex("010304260002 0000") << "F:01 83 02 C0 F1" << "异常应答";
        QTest::newRow("address query: any address") << QByteArray::fromHex("002100 0000") << "F:07 21 01 07 00 00" << "正常";
        QTest::newRow("ascii reply") << QByteArray(":012600D9\r\n") << "A::0126040000006471\r\n" << "正常";
        // R: a frame whose CRC the test appends. A reply must also have the size its request asks for.
        QTest::newRow("register read, as many registers as asked") << QByteArray::fromHex("010300280002") << "R:010304000013 88" << "正常";
        QTest::newRow("register read, another count") << QByteArray::fromHex("010300200000") << "R:010304000013 88" << "应答不符";
        QTest::newRow("register read, byte count wrong") << QByteArray::fromHex("010300280002") << "R:010302 1388" << "应答不符";
        QTest::newRow("register write echoed") << QByteArray::fromHex("011000250002 0400 0003E8") << "R:011000250002" << "正常";
        QTest::newRow("register write, another register") << QByteArray::fromHex("011000250002 0400 0003E8") << "R:011000270002" << "应答不符";
        QTest::newRow("register write, another count") << QByteArray::fromHex("011000250002 0400 0003E8") << "R:011000250001" << "应答不符";
        QTest::newRow("device reply, a length its command never has") << QByteArray::fromHex("012600") << "R:0126020064" << "应答不符";
        QTest::newRow("device reply padded to eight bytes") << QByteArray::fromHex("012000") << "R:0120000000000000" << "正常";
        QTest::newRow("exception of the wrong size") << QByteArray::fromHex("010300280002") << "R:01830200" << "应答不符";
        QTest::newRow("io-override entry of the pattern asked for") << QByteArray::fromHex("01410103") << "R:0141020320" << "正常";
        QTest::newRow("io-override entry of another pattern") << QByteArray::fromHex("01410103") << "R:0141020220" << "应答不符";
        QTest::newRow("ascii line damaged into a letter") << QByteArray(":012600D9\r\n") << "C::012604000000G471\r\n" << "校验错误";
    }

    // What could begin the reply a request waits for, as far as it has come; and how many
    // characters the longest such reply takes.
    void beginnings_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("could");
        QTest::addColumn<int>("characters");
        QTest::newRow("its address") << QByteArray::fromHex("012600") << QByteArray::fromHex("01") << true << 10;
        QTest::newRow("its address and command") << QByteArray::fromHex("012600") << QByteArray::fromHex("0126") << true << 10;
        QTest::newRow("its exception") << QByteArray::fromHex("012600") << QByteArray::fromHex("01A6") << true << 10;
        QTest::newRow("a noise byte") << QByteArray::fromHex("012600") << QByteArray::fromHex("00") << false << 10;
        QTest::newRow("another command") << QByteArray::fromHex("012600") << QByteArray::fromHex("0137") << false << 10;
        QTest::newRow("any address for the address query") << QByteArray::fromHex("002100") << QByteArray::fromHex("07") << true << 10;
        QTest::newRow("register read of 2") << QByteArray::fromHex("010300260002") << QByteArray::fromHex("0103") << true << 9;
        QTest::newRow("register write") << QByteArray::fromHex("011000250002040000 03E8") << QByteArray::fromHex("01") << true << 8;
        QTest::newRow("an io-override entry") << QByteArray::fromHex("01410103") << QByteArray::fromHex("01") << true << 12;
        QTest::newRow("ascii: the colon") << QByteArray(":012600D9\r\n") << QByteArray(":") << true << 21;
        QTest::newRow("ascii: its address") << QByteArray(":012600D9\r\n") << QByteArray(":01") << true << 21;
        QTest::newRow("ascii: another address") << QByteArray(":012600D9\r\n") << QByteArray(":02") << false << 21;
        QTest::newRow("ascii: no colon") << QByteArray(":012600D9\r\n") << QByteArray("01") << false << 21;
        QTest::newRow("ascii: noise after the colon") << QByteArray(":012600D9\r\n") << QByteArray(":?") << false << 21;
    }
    void beginnings() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, could);
        QFETCH(int, characters);
        const auto e = ExpectationOf(B(request));
        QVERIFY(e);
        QCOMPARE(CouldBegin(*e, B(bytes)), could);
        QCOMPARE(int(ReplyCharacters(*e)), characters);
    }
    // clang-format on
    void judging() {
        QFETCH(QByteArray, request);
        QFETCH(QString, piece);
        QFETCH(QString, verdict);
        const auto expected = ExpectationOf(B(request));
        QVERIFY(expected);
        Piece p;
        if (piece.startsWith("A:")) {
            p = {PieceKind::Frame, B(piece.mid(2).toLatin1()), LinkMode::Ascii};
        } else if (piece.startsWith("C:")) { // an ASCII line as the cutter makes it
            FrameCutter cutter(LinkMode::Ascii);
            p = cutter.push(B(piece.mid(2).toLatin1())).at(0);
        } else if (piece.startsWith("R:")) {
            p = {PieceKind::Frame, EncodeRtuFrame(B(piece.mid(2).toLatin1().constData()))};
        } else {
            p.kind = piece[0] == 'F'   ? PieceKind::Frame
                     : piece[0] == 'B' ? PieceKind::BadChecksum
                                       : PieceKind::Noise;
            p.bytes = B(piece.mid(2).toLatin1().constData());
        }
        const auto v = Judge(*expected, p);
        QCOMPARE(v ? QString::fromUtf8(VerdictName(*v).data()) : QString("-"), verdict);
    }

    void broadcastExpectsNothing() {
        QVERIFY(ExpectationOf(B("00250400000001"))->broadcast);
        QVERIFY(!ExpectationOf(B("002100"))->broadcast);
        QVERIFY(!ExpectationOf(B("01"))); // too short to name a function
    }

    void statistics() {
        TransactionStats stats;
        // 150 round trips: the 99th percentile's rank, 148.5, is rounded up.
        for (int i = 1; i <= 150; ++i)
            stats.add(0x26, Verdict::Ok, i / 10.0);
        stats.add(0x26, Verdict::NoReply, std::nullopt);
        stats.add(0x26, Verdict::Cancelled, std::nullopt);
        stats.add(0x26, Verdict::Late, std::nullopt);
        stats.add(0x20, Verdict::BadChecksum, 3.0);
        const CommandStats& s = stats.byCommand().at(0x26);
        QCOMPARE(s.sent, std::size_t(151)); // neither the cancelled one nor the late reply
        QCOMPARE(s.ok, std::size_t(150));
        QCOMPARE(s.noReply, std::size_t(1));
        QCOMPARE(s.cancelled, std::size_t(1));
        QCOMPARE(s.minMs, 0.1);
        QCOMPARE(s.maxMs, 15.0);
        QCOMPARE(s.meanMs(), 7.55);
        QCOMPARE(s.p99Ms(), 14.9);
        QCOMPARE(stats.total().sent, std::size_t(152));
        QCOMPARE(stats.total().badChecksum, std::size_t(1));
    }

    // An adapter's echo told by its time: steps of a line (times in ms; a character is 1 ms),
    // what comes out of each ("E:" an echo, "P:" bytes passed on to be cut, "missing"), and what
    // the adapter is found to be.
    // clang-format off
    void echo_data() {
        QTest::addColumn<int>("latency"); // of the kind of port, ms
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QString>("adapter");
        QTest::newRow("while it goes out") << 0 << QStringList{"write 01 20 00 39 C0 same @0", "take 01 20 00 @3", "take 39 C0 @4", "sent @5"} << QStringList{"E:01 20 00 39 C0"} << "echoes";
        QTest::newRow("a moment after") << 0 << QStringList{"write 01 20 00 39 C0 same @0", "sent @5", "take 01 20 00 39 C0 @5.9"} << QStringList{"E:01 20 00 39 C0"} << "echoes";
        QTest::newRow("after it left: the reply") << 0 << QStringList{"write 01 20 00 39 C0 same @0", "sent @5", "take 01 20 00 39 C0 @7"} << QStringList{"P:01 20 00 39 C0"} << "unknown";
        QTest::newRow("a USB adapter's latency") << 20 << QStringList{"write 01 20 00 39 C0 same @0", "sent @5", "take 01 20 00 39 C0 @24"} << QStringList{"E:01 20 00 39 C0"} << "echoes";
        QTest::newRow("beyond it") << 20 << QStringList{"write 01 20 00 39 C0 same @0", "sent @5", "take 01 20 00 39 C0 @27"} << QStringList{"P:01 20 00 39 C0"} << "unknown";
        QTest::newRow("a reply that differs: the bytes tell") << 0 << QStringList{"write 01 26 00 3A 60 @0", "sent @5", "take 01 26 00 @30", "take 3A 60 @34"} << QStringList{"E:01 26 00 3A 60"} << "echoes";
        QTest::newRow("something else first") << 0 << QStringList{"write 01 26 00 3A 60 @0", "sent @5", "take 01 26 04 00 @8", "write 01 20 00 39 C0 same @20", "take 01 20 00 39 C0 @21"} << QStringList{"P:01 26 04 00", "missing", "P:01 20 00 39 C0"} << "silent";
        QTest::newRow("nothing at all") << 0 << QStringList{"write 01 20 00 39 C0 same @0", "sent @5", "expire @40", "expire @70"} << QStringList{"missing"} << "silent";
        QTest::newRow("half of one, then the line quiet") << 0 << QStringList{"write 01 26 00 3A 60 @0", "sent @5", "take 01 26 @6", "expire all @50", "write 01 20 00 39 C0 same @60", "take 01 20 00 39 C0 @61"} << QStringList{"P:01 26", "E:01 20 00 39 C0"} << "echoes";
        QTest::newRow("two requests, their echoes late and in pieces") << 0 << QStringList{"write 01 26 00 3A 60 @0", "sent @5", "write 01 3C 00 30 90 same @14", "sent @19", "take 01 26 00 @12", "take 3A 60 01 3C @16", "take 00 30 90 @28"} << QStringList{"E:01 26 00 3A 60", "E:01 3C 00 30 90"} << "echoes";
        QTest::newRow("the latency it has shown") << 0 << QStringList{"write 01 26 00 3A 60 @0", "sent @5", "take 01 26 00 3A 60 @12", "write 01 20 00 39 C0 same @20", "sent @25", "take 01 20 00 39 C0 @42", "write 01 20 00 39 C0 same @60", "sent @65", "take 01 20 00 39 C0 @84"} << QStringList{"E:01 26 00 3A 60", "E:01 20 00 39 C0", "P:01 20 00 39 C0"} << "echoes";
        QTest::newRow("an adapter that echoes: a late reply first") << 0 << QStringList{"write 01 26 00 3A 60 @0", "take 01 26 00 3A 60 @1", "sent @5", "write 01 37 00 36 30 @20", "take 01 26 04 00 00 00 64 FC ED 01 37 00 36 30 @22"} << QStringList{"E:01 26 00 3A 60", "E:01 37 00 36 30", "P:01 26 04 00 00 00 64 FC ED"} << "echoes";
        QTest::newRow("off") << 0 << QStringList{"off", "write 01 20 00 39 C0 same @0", "take 01 20 00 39 C0 @1"} << QStringList{"P:01 20 00 39 C0"} << "unknown";
    }
    // clang-format on
    void echo() {
        QFETCH(int, latency);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, out);
        QFETCH(QString, adapter);
        const auto ns = [](const QString& at) {
            return EchoMatcher::Ns(at.mid(1).toDouble() * 1e6);
        };
        EchoMatcher echo;
        echo.reset(latency * 1'000'000LL, 1'000'000);
        echo.setEnabled(true);
        QStringList got;
        const auto note = [&](const EchoMatcher::Out& o) {
            for (const Bytes& e : o.echoes)
                got << "E:" + Hex(e);
            Bytes passed; // one stream, however many runs
            for (const EchoMatcher::Run& r : o.passed)
                passed.insert(passed.end(), r.bytes.begin(), r.bytes.end());
            if (!passed.empty()) got << "P:" + Hex(passed);
            if (o.missing) got << "missing";
        };
        for (const QString& step : steps) {
            QStringList w = step.split(' ');
            const QString at = w.last().startsWith('@') ? w.takeLast() : QString("@0");
            const QString verb = w.takeFirst();
            const bool same = w.removeAll("same") > 0;
            const bool all = w.removeAll("all") > 0;
            const Bytes bytes = B(w.join("").toLatin1().constData());
            if (verb == "off") echo.setEnabled(false);
            if (verb == "write") echo.expect(bytes, same, ns(at));
            if (verb == "sent") echo.sent(ns(at));
            if (verb == "take") note(echo.take(bytes, ns(at)));
            if (verb == "expire") note(echo.expire(ns(at), all));
        }
        QCOMPARE(got, out);
        const QString found = echo.adapter() == EchoMatcher::Adapter::Echoes   ? "echoes"
                              : echo.adapter() == EchoMatcher::Adapter::Silent ? "silent"
                                                                               : "unknown";
        QCOMPARE(found, adapter);
    }
};

QTEST_APPLESS_MAIN(TestLinkCore)
#include "test_link_core.moc"
