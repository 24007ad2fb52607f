#include "commands/profile.h"
#include "commands/request.h"
#include "support.h"

#include <QTest>

using namespace stepbench;

Q_DECLARE_METATYPE(DataPart::Kind)

class TestRequest : public QObject {
    Q_OBJECT
private slots:
    // One value field of each form, sent to address 1 with code 0x25.
    // clang-format off
    void dataForms_data() {
        QTest::addColumn<DataPart::Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("data"); // empty means refused
        using K = DataPart::Kind;
        QTest::newRow("int32 1000") << K::Int32 << "1000" << QByteArray::fromHex("000003E8");
        QTest::newRow("int32 -2") << K::Int32 << "-2" << QByteArray::fromHex("FFFFFFFE");
        QTest::newRow("int32 -1") << K::Int32 << "-1" << QByteArray::fromHex("FFFFFFFF");
        QTest::newRow("int32 -10000") << K::Int32 << "-10000" << QByteArray::fromHex("FFFFD8F0");
        QTest::newRow("int32 2.5") << K::Int32 << "2.5" << QByteArray::fromHex("00000002");
        QTest::newRow("int32 3.5") << K::Int32 << "3.5" << QByteArray::fromHex("00000004");
        QTest::newRow("int32 min") << K::Int32 << "-2147483648" << QByteArray::fromHex("80000000");
        QTest::newRow("int32 max") << K::Int32 << "2147483647" << QByteArray::fromHex("7FFFFFFF");
        QTest::newRow("int32 above max") << K::Int32 << "2147483648" << QByteArray();
        QTest::newRow("int32 below min") << K::Int32 << "-2147483649" << QByteArray();
        QTest::newRow("int32 huge") << K::Int32 << "1e999" << QByteArray();
        QTest::newRow("int32 not a number") << K::Int32 << "abc" << QByteArray::fromHex("00000000");
        QTest::newRow("int24 70000") << K::Int24 << "70000" << QByteArray::fromHex("011170");
        QTest::newRow("int24 max") << K::Int24 << "16777215" << QByteArray::fromHex("FFFFFF");
        QTest::newRow("int24 above its 24 bits") << K::Int24 << "16777216" << QByteArray();
        QTest::newRow("int24 -1") << K::Int24 << "-1" << QByteArray();
        QTest::newRow("uint32 3000000000") << K::Uint32 << "3000000000" << QByteArray::fromHex("B2D05E00");
        QTest::newRow("uint32 max") << K::Uint32 << "4294967295" << QByteArray::fromHex("FFFFFFFF");
        QTest::newRow("uint32 above max") << K::Uint32 << "4294967296" << QByteArray();
        QTest::newRow("uint32 -1") << K::Uint32 << "-1" << QByteArray();
        QTest::newRow("uint32 -0.4 rounds to 0") << K::Uint32 << "-0.4" << QByteArray::fromHex("00000000");
        QTest::newRow("byte 2") << K::Byte << "2" << QByteArray::fromHex("02");
        QTest::newRow("byte 1.5 rounds to 2") << K::Byte << "1.5" << QByteArray::fromHex("02");
        QTest::newRow("byte 255") << K::Byte << "255" << QByteArray::fromHex("FF");
        QTest::newRow("byte 256") << K::Byte << "256" << QByteArray();
        QTest::newRow("byte 300") << K::Byte << "300" << QByteArray();
        QTest::newRow("byte -1") << K::Byte << "-1" << QByteArray();
        QTest::newRow("byte -0.5 rounds to 0") << K::Byte << "-0.5" << QByteArray::fromHex("00");
        QTest::newRow("hex byte 1F") << K::HexByte << "1F" << QByteArray::fromHex("1F");
        QTest::newRow("hex byte empty") << K::HexByte << "" << QByteArray();
        QTest::newRow("hex byte 0x02") << K::HexByte << "0x02" << QByteArray();
        QTest::newRow("hex byte 100") << K::HexByte << "100" << QByteArray();
    }
    // clang-format on
    void dataForms() {
        QFETCH(DataPart::Kind, kind);
        QFETCH(QString, text);
        QFETCH(QByteArray, data);
        const std::string t = text.toStdString();
        const DataPart part{kind, {}, Field{"初速度", t}};
        const auto request = BuildRequest(Field{"地址", "1"}, 0x25, std::span(&part, 1));
        if (data.isEmpty()) {
            QVERIFY(!request);
            QVERIFY2(request.error().find("初速度") != std::string::npos, request.error().c_str());
            QVERIFY2(request.error().find(t) != std::string::npos, request.error().c_str());
            return;
        }
        QVERIFY2(request.ok(), request.ok() ? "" : request.error().c_str());
        Bytes expected{0x01, 0x25, std::uint8_t(data.size())};
        expected.insert(expected.end(), data.begin(), data.end());
        QCOMPARE(Hex(*request), Hex(expected));
    }

    void composedRequests() {
        // 24-bit with selector: direction byte then 24-bit count.
        const DataPart move[] = {DataPart::Byte({"方向", "1"}),
                                 DataPart::Int24({"脉冲数", "1000"})};
        QCOMPARE(Hex(*BuildRequest(Field{"地址", "1"}, 0x32, move)),
                 QString("01 32 04 01 00 03 E8"));
        // No data still carries the length byte.
        QCOMPARE(Hex(*BuildRequest(Field{"地址", "1"}, 0x20, {})), QString("01 20 00"));
        // Fixed address, constant bytes and a byte field.
        const DataPart reply[] = {DataPart::Fixed({0x80}), DataPart::Byte({"值", "128"})};
        QCOMPARE(Hex(*BuildRequest(0, 0x51, reply)), QString("00 51 02 80 80"));
        // Hex bytes are cut to their maximum.
        const DataPart can[] = {DataPart::HexBytes({"数据", "01 02 03 04 05 06 07"}, 5)};
        QCOMPARE(Hex(*BuildRequest(Field{"地址", "1"}, 0x4C, can)),
                 QString("01 4C 05 01 02 03 04 05"));
        const DataPart blank[] = {DataPart::HexBytes({"数据", "   "}, 5)};
        QCOMPARE(Hex(*BuildRequest(Field{"地址", "1"}, 0x4C, blank)), QString("01 4C 00"));
    }

    // clang-format off
    void address_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("address"); // -1: refused
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("1F") << "1F" << 0x1F;
        QTest::newRow("lower case") << "ff" << 0xFF;
        QTest::newRow("0 broadcasts") << "0" << 0;
        QTest::newRow("blanks around") << " 2 " << 2;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("not hex") << "xyz" << -1;
        QTest::newRow("0x prefix") << "0x01" << -1;
        QTest::newRow("letter O") << "O1" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("&H prefix") << "&H10" << -1;
        QTest::newRow("100 is too big") << "100" << -1;
    }
    // clang-format on
    void address() {
        QFETCH(QString, text);
        QFETCH(int, address);
        const std::string t = text.toStdString();
        const auto a = ReadAddress({"设备操作地址(Hex)", t});
        QCOMPARE(a ? int(*a) : -1, address);
        if (!a) QVERIFY(a.error().find("设备操作地址") != std::string::npos);
    }

    // Lists of drives: ranges and singles in hex, each address once in the order typed.
    // clang-format off
    void addressList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("addresses"); // hex bytes, or "refused"
        QTest::newRow("single") << "A" << "0A";
        QTest::newRow("range") << "1-4" << "01 02 03 04";
        QTest::newRow("mixed, blanks") << " 1, 3 ,8-9" << "01 03 08 09";
        QTest::newRow("repeats once") << "2,1-3,2" << "02 01 03";
        QTest::newRow("highest unicast") << "F6-F7" << "F6 F7";
        QTest::newRow("broadcast refused") << "0-2" << "refused";
        QTest::newRow("beyond F7") << "F7-F8" << "refused";
        QTest::newRow("range backwards") << "4-1" << "refused";
        QTest::newRow("empty part") << "1,,2" << "refused";
        QTest::newRow("trailing comma") << "1," << "refused";
        QTest::newRow("two dashes") << "1-2-3" << "refused";
        QTest::newRow("empty") << "" << "refused";
        QTest::newRow("decimal word") << "ten" << "refused";
        QTest::newRow("too many") << "1-5" << "too many";
    }
    // clang-format on
    void addressList() {
        QFETCH(QString, text);
        QFETCH(QString, addresses);
        const auto list = ReadAddressList({"多台地址", text.toStdString()}, 4);
        if (list) {
            QCOMPARE(Hex(Bytes(list->begin(), list->end())), addresses);
            return;
        }
        QVERIFY2(addresses == "refused" || addresses == "too many", list.error().c_str());
        QVERIFY(list.error().find("多台地址") != std::string::npos);
        QCOMPARE(list.error().find("最多 4 个") != std::string::npos, addresses == "too many");
    }

    void refusalNamesFirstBadField() {
        const DataPart parts[] = {DataPart::Byte({"方向", "300"}),
                                  DataPart::Int24({"脉冲数", "1e20"})};
        const auto r = EncodeData(parts);
        QVERIFY(!r);
        QVERIFY(r.error().find("方向") != std::string::npos);
        QVERIFY(r.error().find("0 到 255") != std::string::npos);
    }

    void codeFromList() {
        static constexpr CodeListEntry kBaud[] = {{"9600", 0x06}, {"57600", 0x0B}};
        QCOMPARE(int(CodeFromList("9600", kBaud)), 0x06);
        QCOMPARE(int(CodeFromList("115200", kBaud)), 0);
        QCOMPARE(int(CodeFromList("9600 ", kBaud)), 0);
    }

    // A setting's value read back from a reply's message: only from the query that reads it,
    // and an IO-override entry only for the pattern asked for.
    // clang-format off
    void valuesFromReplies_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("value"); // empty: not this setting's value
        QTest::newRow("start speed") << "start-speed" << QByteArray::fromHex("01260400000064") << QByteArray::fromHex("00000064");
        QTest::newRow("another query's value") << "start-speed" << QByteArray::fromHex("01280400000064") << QByteArray();
        QTest::newRow("a value cut short") << "start-speed" << QByteArray::fromHex("012604000000") << QByteArray();
        QTest::newRow("io entry of its pattern") << "io-override-00101" << QByteArray::fromHex("014107053104000027 10") << QByteArray::fromHex("310400002710");
        QTest::newRow("io entry of another pattern") << "io-override-00101" << QByteArray::fromHex("014107063104000027 10") << QByteArray();
    }
    // clang-format on
    void valuesFromReplies() {
        QFETCH(QString, setting);
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, value);
        const ProfileSetting* s = FindProfileSetting(setting.toStdString());
        QVERIFY(s);
        const auto got = ValueOfReply(*s, B(message));
        QCOMPARE(got ? Hex(*got) : QString("-"), value.isEmpty() ? QString("-") : Hex(B(value)));
    }

    // Codes between the table's commands are no command; each command is found by its code.
    void commandLookup() {
        for (int code : {0x00, 0x1F, 0x4D, 0x54, 0x63, 0x65, 0xFF})
            QVERIFY2(!FindCommand(std::uint8_t(code)), qPrintable(QString::number(code, 16)));
        for (const CommandInfo& c : CommandTable())
            QCOMPARE(FindCommand(c.code), &c);
    }
};

QTEST_APPLESS_MAIN(TestRequest)
#include "test_request.moc"
