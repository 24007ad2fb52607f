#include "link/reply_decoder.h"
#include "support.h"

#include <QTest>

using namespace stepbench;

namespace {

// "Text27=1000;Shape1=red;..." in the order the decoder gives them, for one-column tables.
QString Effects(const DecodedReply& r) {
    QStringList parts;
    for (const auto& f : r.fields)
        parts << QString::fromUtf8(f.field.data(), qsizetype(f.field.size())) + "=" + Q(f.text);
    for (const auto& l : r.lamps)
        parts << QString::fromUtf8(l.lamp.data(), qsizetype(l.lamp.size())) +
                     (l.red ? "=red" : "=dark");
    return parts.join(';');
}

} // namespace

class TestReplyDecoder : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void rows_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("report"); // "-" for none
        QTest::addColumn<QString>("effects");
        QTest::newRow("handshake") << QByteArray::fromHex("01200039C0") << "请求握手命令:" << "";
        QTest::newRow("address in line") << QByteArray::fromHex("01210500 00") << "查询设备地址:当前地址为1" << "";
        QTest::newRow("address 1F in line") << QByteArray::fromHex("1F2100AABB") << "查询设备地址:当前地址为1F" << "";
        QTest::newRow("baud in line") << QByteArray::fromHex("0223010500 00") << "查询当前波特率:当前波特率设置为5" << "";
        QTest::newRow("baud code A") << QByteArray::fromHex("01230 10A0000") << "查询当前波特率:当前波特率设置为A" << "";
        QTest::newRow("baud without its byte") << QByteArray::fromHex("022300") << "查询当前波特率:当前波特率设置为" << "";
        QTest::newRow("start speed") << QByteArray::fromHex("012604000003E8AABB") << "查询运动初速度:" << "Text27=1000";
        QTest::newRow("max speed") << QByteArray::fromHex("012804000027100000") << "查询运动最大速度:" << "Text26=10000";
        QTest::newRow("end speed") << QByteArray::fromHex("012A0400000001 0000") << "查询运动末速度:" << "Text25=1";
        QTest::newRow("acceleration") << QByteArray::fromHex("012C04000000020000") << "查询运动加速度:" << "Text24=2";
        QTest::newRow("deceleration") << QByteArray::fromHex("012E04000000030000") << "查询运动减速度:" << "Text6=3";
        QTest::newRow("homing speed") << QByteArray::fromHex("013004000000040000") << "查询归零运动速度:" << "Text28=4";
        QTest::newRow("unsigned above int32") << QByteArray::fromHex("013604FFFFFFFE0000") << "查询运动速度:" << "Text17=4294967294";
        QTest::newRow("unsigned top bit") << QByteArray::fromHex("013604800000000000") << "查询运动速度:" << "Text17=2147483648";
        QTest::newRow("signed -2") << QByteArray::fromHex("013704FFFFFFFE0000") << "查询运动绝对位置:" << "Text18=-2";
        QTest::newRow("signed min") << QByteArray::fromHex("013704800000000000") << "查询运动绝对位置:" << "Text18=-2147483648";
        QTest::newRow("relative position") << QByteArray::fromHex("0139040000FFFF0000") << "查询运动相对位置:" << "Text19=65535";
        QTest::newRow("relative position -2") << QByteArray::fromHex("013904FFFFFFFE0000") << "查询运动相对位置:" << "Text19=-2";
        QTest::newRow("seven bytes leave the field") << QByteArray::fromHex("01260400 0186A0") << "查询运动初速度:" << "";
        QTest::newRow("motion state stopped") << QByteArray::fromHex("013B0400010001AABB") << "查询运动状态:" << "LabelMotionState=停止;Shape1=dark;Shape2=dark;Shape3=red;Shape4=dark";
        QTest::newRow("motion state moving") << QByteArray::fromHex("013B0401000100AABB") << "查询运动状态:" << "LabelMotionState=运动中;Shape1=red;Shape2=red;Shape3=dark;Shape4=red";
        QTest::newRow("inputs") << QByteArray::fromHex("0142050100010100AABB") << "查询 IN 1-5 状态:" << "Shape5=dark;Shape6=red;Shape7=dark;Shape8=dark;Shape9=red";
        QTest::newRow("inputs need eight bytes") << QByteArray::fromHex("01420501000101") << "查询 IN 1-5 状态:" << "";
        QTest::newRow("error code") << QByteArray::fromHex("01640107000000AABB") << "查询闭环错误代码:" << "Text40=7";
        QTest::newRow("closed-loop absolute") << QByteArray::fromHex("015804FFFFFC180000") << "查询闭环绝对位置:" << "Text37=-1000";
        QTest::newRow("closed-loop relative") << QByteArray::fromHex("015A04FFFFFFFE0000") << "查询闭环相对位置:" << "Text38=-2";
        QTest::newRow("gear numerator") << QByteArray::fromHex("016004FFFFFFFE0000") << "查询闭环齿轮分子:" << "Text4=-2";
        QTest::newRow("gear denominator") << QByteArray::fromHex("016204FFFFFFFD0000") << "查询闭环齿轮分母:" << "Text39=-3";
        QTest::newRow("io entry") << QByteArray::fromHex("014107000A0B0CAABB") << "读取IO取代命令:" << "Text31=0A 0B 0C ";
        QTest::newRow("io entry of six bytes") << QByteArray::fromHex("01410700310400002710AABB") << "读取IO取代命令:" << "Text31=31 04 00 00 27 10 ";
        QTest::newRow("io entry too short is empty") << QByteArray::fromHex("014101050000") << "读取IO取代命令:" << "Text31=";
        QTest::newRow("io set") << QByteArray::fromHex("014000AABB") << "设置IO取代命令:" << "";
        QTest::newRow("speed factor") << QByteArray::fromHex("014400AABB") << "设置变速因子命令:" << "";
        QTest::newRow("factory reset") << QByteArray::fromHex("014700AABB") << "出厂设置命令:" << "";
        QTest::newRow("no row for 0x3F") << QByteArray::fromHex("013F00AABB") << "-" << "";
        QTest::newRow("no row for 0x43") << QByteArray::fromHex("014300AABB") << "-" << "";
        QTest::newRow("no row for 0x59") << QByteArray::fromHex("015900AABB") << "-" << "";
        QTest::newRow("two bytes") << QByteArray::fromHex("0126") << "-" << "";
        QTest::newRow("single byte") << QByteArray::fromHex("06") << "-" << "";
        QTest::newRow("two replies in one poll read the first") << QByteArray::fromHex("012604000003E8AABB013704FFFFFFFE0000") << "查询运动初速度:" << "Text27=1000";
    }
    // clang-format on
    void rows() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, report);
        QFETCH(QString, effects);
        const DecodedReply r = DecodeReply(B(reply), LinkMode::Rtu);
        QCOMPARE(r.report ? Q(r.report->chinese()) : QString("-"), report);
        QCOMPARE(Effects(r), effects);
    }

    void echoLines() {
        const DecodedReply r = DecodeReply(B("06"), LinkMode::Rtu);
        QCOMPARE(Q(r.hexLine), QString("RecHex:06 "));
        QCOMPARE(Q(r.textLine), QString("RecAsc:\u00B7"));
        const DecodedReply a = DecodeReply(B(QByteArray(":01200000DF\r\n")), LinkMode::Ascii);
        QCOMPARE(Q(a.textLine), QString("RecAsc::01200000DF\u00B7\u00B7"));
        QVERIFY(a.hexLine.starts_with("RecHex:3A 30 31 "));
    }

    // clang-format off
    void asciiMode_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("effects");
        QTest::newRow("value line") << QByteArray(":012604000003E8EA\r\n") << "查询运动初速度:" << "Text27=1000";
        QTest::newRow("line without its end") << QByteArray(":012604000003E8EA") << "查询运动初速度:" << "Text27=1000";
        QTest::newRow("io entry keeps one checksum byte") << QByteArray(":014103000A0BAB\r\n") << "读取IO取代命令:" << "Text31=0A 0B ";
        QTest::newRow("tail of a split line is only echoed") << QByteArray("03E8EA\r\n") << "-" << "";
        QTest::newRow("binary reply in ascii mode") << QByteArray::fromHex("01200039C0") << "-" << "";
        QTest::newRow("colon alone") << QByteArray(":") << "-" << "";
    }
    // clang-format on
    void asciiMode() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, report);
        QFETCH(QString, effects);
        const DecodedReply r = DecodeReply(B(reply), LinkMode::Ascii);
        QCOMPARE(r.report ? Q(r.report->chinese()) : QString("-"), report);
        QCOMPARE(Effects(r), effects);
    }
};

QTEST_APPLESS_MAIN(TestReplyDecoder)
#include "test_reply_decoder.moc"
