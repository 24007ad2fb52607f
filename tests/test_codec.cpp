#include "codec/checksum.h"
#include "codec/frame.h"
#include "support.h"

#include <QRandomGenerator>
#include <QTest>
#include <array>

using namespace stepbench;

namespace {

// An independent CRC-16/MODBUS: the usual byte-wise table form.
std::uint16_t ReferenceCrc(const Bytes& data) {
    static const auto table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            std::uint16_t c = static_cast<std::uint16_t>(i);
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(c >> 1);
            t[i] = c;
        }
        return t;
    }();
    std::uint16_t crc = 0xFFFF;
    for (auto b : data)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ b) & 0xFF]);
    return crc;
}

} // namespace

class TestCodec : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void crc_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("digits 1-9") << QByteArray("123456789") << "374B";
        QTest::newRow("read register") << QByteArray::fromHex("010300000001") << "840A";
        QTest::newRow("handshake") << QByteArray::fromHex("012000") << "39C0";
        QTest::newRow("start speed 1000") << QByteArray::fromHex("01250400 0003E8") << "FD8B";
        QTest::newRow("empty keeps initial value") << QByteArray() << "FFFF";
    }
    // clang-format on
    void crc() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const Crc16Value crc = Crc16(B(bytes));
        QCOMPARE(Q(crc.text()), text);
        QCOMPARE(Hex({crc.lo, crc.hi}).remove(' '), text);
    }

    void crcMatchesReferenceOnRandomInput() {
        auto* rng = QRandomGenerator::global();
        for (int n = 0; n < 500; ++n) {
            Bytes data(rng->bounded(0, 300));
            for (auto& b : data)
                b = static_cast<std::uint8_t>(rng->bounded(256));
            const Crc16Value crc = Crc16(data);
            const std::uint16_t ref = ReferenceCrc(data);
            QCOMPARE(crc.lo, std::uint8_t(ref & 0xFF));
            QCOMPARE(crc.hi, std::uint8_t(ref >> 8));
        }
    }

    // clang-format off
    void lrc_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lrc");
        QTest::newRow("01 02 02 02") << QByteArray::fromHex("01020202") << 0xF9;
        QTest::newRow("handshake") << QByteArray::fromHex("012000") << 0xDF;
        QTest::newRow("sum wraps to 0") << QByteArray::fromHex("8080") << 0x00;
        QTest::newRow("200 x FF") << QByteArray(200, char(0xFF)) << 0xC8;
    }
    // clang-format on
    void lrc() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lrc);
        QCOMPARE(int(Lrc(B(bytes))), lrc);
    }

    // clang-format off
    void encode_data() {
        QTest::addColumn<QString>("modeText");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("rtu handshake") << "Modbus RTU" << QByteArray::fromHex("012000") << QByteArray::fromHex("01200039C0");
        QTest::newRow("ascii handshake") << "Modbus ASC" << QByteArray::fromHex("012000") << QByteArray(":012000DF\r\n");
        QTest::newRow("any other text frames ascii") << "modbus rtu" << QByteArray::fromHex("0A") << QByteArray(":0AF6\r\n");
        QTest::newRow("ascii start speed") << "Modbus ASC" << QByteArray::fromHex("012504000003E8") << QByteArray(":012504000003E8EB\r\n");
    }
    // clang-format on
    void encode() {
        QFETCH(QString, modeText);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, frame);
        QCOMPARE(Hex(EncodeFrame(B(request), LinkModeFromText(modeText.toStdString()))),
                 Hex(B(frame)));
    }

    // clang-format off
    void plc_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("write");
        QTest::addColumn<double>("mapping");
        QTest::addColumn<QByteArray>("expected"); // without checksum; empty means refused
        QTest::newRow("read handshake") << QByteArray::fromHex("01200039C0") << false << 0.0 << QByteArray::fromHex("010300200000");
        QTest::newRow("read query of two registers") << QByteArray::fromHex("012600FFFF") << false << 0.0 << QByteArray::fromHex("010300260002");
        QTest::newRow("read address query counts 0") << QByteArray::fromHex("002100FFFF") << false << 0.0 << QByteArray::fromHex("000300210000");
        QTest::newRow("read reads only two bytes") << QByteArray::fromHex("0136") << false << 0.0 << QByteArray::fromHex("010300360002");
        QTest::newRow("write start speed at 1000") << QByteArray::fromHex("012504000003E8FD8B") << true << 1000.0 << QByteArray::fromHex("0110040D00020400000 3E8");
        QTest::newRow("register wraps at 65536") << QByteArray::fromHex("012504000003E8FD8B") << true << 65500.0 << QByteArray::fromHex("011000010002040000 03E8");
        QTest::newRow("mapping rounds half to even") << QByteArray::fromHex("012000FFFF") << false << 0.5 << QByteArray::fromHex("010300200000");
        QTest::newRow("negative mapping wraps") << QByteArray::fromHex("012000FFFF") << false << -33.0 << QByteArray::fromHex("0103FFFF0000");
        QTest::newRow("write without value") << QByteArray::fromHex("013C00FFFF") << true << 0.0 << QByteArray::fromHex("0110003C000000");
        QTest::newRow("write of five value bytes pads to eight") << QByteArray::fromHex("014C050102030405FFFF") << true << 0.0 << QByteArray::fromHex("0110004C00040801020304050000 00");
        QTest::newRow("write of 21 bytes takes 24") << (QByteArray::fromHex("014C15") + QByteArray(21, 7) + QByteArray(2, 0)) << true << 0.0 << (QByteArray::fromHex("0110004C000C18") + QByteArray(21, 7) + QByteArray(3, 0));
        QTest::newRow("bytes after an ascii line's end make it no line") << QByteArray(":0126\r\nZ") << false << 0.0 << QByteArray::fromHex("3A0300300002");
        QTest::newRow("one byte is refused") << QByteArray::fromHex("01") << false << 0.0 << QByteArray();
        QTest::newRow("write without length byte is refused") << QByteArray::fromHex("0125") << true << 0.0 << QByteArray();
        QTest::newRow("write whose length disagrees is refused") << QByteArray::fromHex("012504000003E8") << true << 0.0 << QByteArray();
        QTest::newRow("write above 123 registers is refused") << (QByteArray::fromHex("014CF8") + QByteArray(0xF8, 1) + QByteArray(2, 0)) << true << 0.0 << QByteArray();
    }
    // clang-format on
    void plc() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, write);
        QFETCH(double, mapping);
        QFETCH(QByteArray, expected);
        const auto wrapped = WrapForPlc(B(frame), write ? PlcForm::Write : PlcForm::Read, mapping);
        if (expected.isEmpty()) {
            QVERIFY(!wrapped);
            QVERIFY(!wrapped.error().empty());
            return;
        }
        QVERIFY2(wrapped.ok(), wrapped.ok() ? "" : wrapped.error().c_str());
        QCOMPARE(Hex(*wrapped), Hex(EncodeRtuFrame(B(expected))));
    }

    void plcOfAsciiLineStaysAscii() {
        const auto wrapped =
            WrapForPlc(EncodeAsciiFrame(B("012504000003E8")), PlcForm::Write, 1000);
        QVERIFY(wrapped.ok());
        QCOMPARE(Hex(*wrapped), Hex(EncodeAsciiFrame(B("0110040D00020400 0003E8"))));
        const auto read = WrapForPlc(EncodeAsciiFrame(B("012000")), PlcForm::Read, 0);
        QCOMPARE(Hex(*read), Hex(EncodeAsciiFrame(B("010300200000"))));
    }

    // clang-format off
    void commandCode_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("code"); // -1: none
        QTest::newRow("rtu") << QByteArray::fromHex("01200039C0") << 0x20;
        QTest::newRow("ascii line") << QByteArray(":012600D9\r\n") << 0x26;
        QTest::newRow("rtu to device 0x3A") << QByteArray::fromHex("3A26000000") << 0x26;
        QTest::newRow("one byte") << QByteArray::fromHex("01") << -1;
        QTest::newRow("ascii line of one byte") << QByteArray(":01\r\n") << -1;
    }
    // clang-format on
    void commandCode() {
        QFETCH(QByteArray, frame);
        QFETCH(int, code);
        const auto c = CommandCodeOfFrame(B(frame));
        QCOMPARE(c ? int(*c) : -1, code);
    }
};

QTEST_APPLESS_MAIN(TestCodec)
#include "test_codec.moc"
