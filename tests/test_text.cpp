#include "codec/codepage.h"
#include "codec/hextext.h"
#include "codec/number.h"
#include "support.h"

#include <QTest>
#include <cmath>

using namespace stepbench;

class TestText : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void readNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // after rounding half to even
        QTest::newRow("plain") << "1000" << 1000.0;
        QTest::newRow("trailing letters") << "12abc" << 12.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("negative") << "-1" << -1.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("half down to even") << "2.5" << 2.0;
        QTest::newRow("half up to even") << "3.5" << 4.0;
        QTest::newRow("negative half") << "-2.5" << -2.0;
        QTest::newRow("above half") << "2.51" << 3.0;
        QTest::newRow("leading point") << ".6" << 1.0;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("lone sign") << "-" << 0.0;
        QTest::newRow("blanks inside") << " 1 000 " << 1000.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("e without digits") << "5e" << 5.0;
        QTest::newRow("hex prefix") << "&H1F" << 31.0;
        QTest::newRow("hex prefix lower") << "&hff" << 255.0;
        QTest::newRow("hex stops at non-digit") << "&H1G" << 1.0;
        QTest::newRow("int32 max") << "2147483647" << 2147483647.0;
        QTest::newRow("beyond int32") << "2147483648" << 2147483648.0;
        QTest::newRow("tiny") << "1e-400" << 0.0;
        QTest::newRow("many zeros then digit") << "0.000000000000000000000000000001" << 0.0;
    }
    // clang-format on
    void readNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(ReadInteger(text.toStdString()), value);
    }

    void hugeNumbersAreInfinite() {
        QVERIFY(std::isinf(ReadNumber(std::string(400, '9'))));
        QVERIFY(ReadNumber("-" + std::string(400, '9')) < 0);
        QVERIFY(std::isinf(ReadNumber("1e999")));
        QVERIFY(std::isinf(ReadHexNumber(std::string(300, 'F'))));
    }

    // clang-format off
    void parseHexText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("spaced") << "01 20" << QByteArray::fromHex("0120");
        QTest::newRow("no blanks") << "0120" << QByteArray::fromHex("0120");
        QTest::newRow("pairs form across blanks") << "1 20" << QByteArray::fromHex("1200");
        QTest::newRow("odd count pads last digit") << "123" << QByteArray::fromHex("1203");
        QTest::newRow("single digit") << "7" << QByteArray::fromHex("07");
        QTest::newRow("lower case") << "ab cd" << QByteArray::fromHex("ABCD");
        QTest::newRow("second char not hex") << "1G" << QByteArray::fromHex("01");
        QTest::newRow("first char not hex") << "G1" << QByteArray::fromHex("00");
        QTest::newRow("0G") << "0G" << QByteArray::fromHex("00");
        QTest::newRow("only blanks") << "   " << QByteArray();
        QTest::newRow("empty") << "" << QByteArray();
        QTest::newRow("chinese counts as one char") << "中1" << QByteArray::fromHex("00");
        QTest::newRow("tab is not a blank") << "1\t2" << QByteArray::fromHex("0102");
    }
    // clang-format on
    void parseHexText() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Hex(ParseHexText(text.toStdString())), Hex(B(bytes)));
    }

    void frameText() {
        QCOMPARE(Q(HexFrameText(B("01200039C0"))), QString("01 20 00 39 C0 "));
        QCOMPARE(Q(HexFrameText({})), QString());
        QCOMPARE(Q(ShortHexByte(0x0A)), QString("A"));
        QCOMPARE(Q(ShortHexByte(0x1F)), QString("1F"));
    }

    // clang-format off
    void textToHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hex");
        QTest::newRow("letters") << "AB" << "41 42 ";
        QTest::newRow("control char has one digit") << "\t1" << "9 31 ";
        QTest::newRow("line feed") << "\n" << "A ";
        QTest::newRow("chinese in gbk") << "中文" << "D6D0 CEC4 ";
        QTest::newRow("mixed") << "a中" << "61 D6D0 ";
        QTest::newRow("euro is 80") << "\u20AC" << "80 ";
        QTest::newRow("not in code page") << "\U0001F600" << "3F ";
        QTest::newRow("empty") << "" << "";
    }
    // clang-format on
    void textToHex() {
        QFETCH(QString, text);
        QFETCH(QString, hex);
        QCOMPARE(Q(TextToHex(text.toStdString())), hex);
    }

    void codePageRoundTrip() {
        const std::string text = "Delay:1000 中文注释";
        const Bytes gbk = ToCodePage(text);
        QCOMPARE(Hex(gbk).right(11), QString("D7 A2 CA CD"));
        QCOMPARE(FromCodePage(gbk), text);
    }

    // clang-format off
    void visibleText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("printable") << QByteArray("AB:") << "AB:";
        QTest::newRow("controls are dots") << QByteArray::fromHex("01200D0A00") << "\u00B7 \u00B7\u00B7\u00B7";
        QTest::newRow("gbk pair") << QByteArray::fromHex("D6D041") << "中A";
        QTest::newRow("lone lead byte at end") << QByteArray::fromHex("41D6") << "A\u00B7";
        QTest::newRow("invalid pair") << QByteArray::fromHex("C07FFF") << "\u00B7\u00B7\u00B7";
        QTest::newRow("euro") << QByteArray::fromHex("80") << "\u20AC";
    }
    // clang-format on
    void visibleText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Q(VisibleText(B(bytes))), text);
    }

    void malformedUtf8IsReplaced() {
        const std::u32string cps = CodePoints(std::string("a\xE4\xB8", 3));
        QCOMPARE(cps.size(), std::size_t(3));
        QCOMPARE(cps[1], char32_t(0xFFFD));
    }
};

QTEST_APPLESS_MAIN(TestText)
#include "test_text.moc"
