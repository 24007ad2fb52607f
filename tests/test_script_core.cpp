#include "codec/frame.h"
#include "codec/hextext.h"
#include "script/expect.h"
#include "script/script_text.h"
#include "script/step.h"
#include "support.h"

#include <QTest>

using namespace stepbench;

namespace {

// Runs the step function from line 0 and writes what each step does: the line sent (or "-") and
// the pause after it, "A@500 B@2000 ...".
QString Run(const QStringList& script, int loop, int steps) {
    std::vector<std::string> lines;
    for (const QString& l : script)
        lines.push_back(l.toStdString());
    QStringList out;
    int index = 0;
    for (int i = 0; i < steps; ++i) {
        const Step s = ScriptStep(lines, index, loop);
        out << QString("%1@%2").arg(s.send ? Q(*s.send) : "-").arg(s.interval);
        index = s.nextIndex;
        if (s.interval == 0) break; // the runner stops stepping
    }
    return out.join(' ');
}

} // namespace

class TestScriptCore : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void steps_data() {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<int>("loop");
        QTest::addColumn<QString>("run");
        QTest::newRow("delay is the pause after the line before") << QStringList{"A", "Delay:2000", "B"} << 500 << "A@2000 B@500 A@2000 B@500";
        QTest::newRow("jump back to the line before") << QStringList{"A", "B", "GoIdx:1"} << 500 << "A@500 B@500 B@500 B@500";
        QTest::newRow("jump to the top skips what follows") << QStringList{"A", "B", "GoIdx:0", "C"} << 100 << "A@100 B@100 A@100 B@100";
        QTest::newRow("jump beyond the line count is ignored") << QStringList{"A", "GoIdx:3"} << 500 << "A@500 -@500 A@500 -@500";
        QTest::newRow("jump to the line count stands still") << QStringList{"A", "GoIdx:2"} << 500 << "A@500 -@1000 -@1000";
        QTest::newRow("negative jump stands still") << QStringList{"A", "GoIdx:-1"} << 500 << "A@500 -@1000";
        QTest::newRow("jump rounds half to even") << QStringList{"A", "B", "GoIdx:0.5", "C"} << 10 << "A@10 B@10 A@10";
        QTest::newRow("empty list looks every second") << QStringList{} << 500 << "-@1000 -@1000";
        QTest::newRow("empty line stops the walk") << QStringList{"A", "", "B"} << 500 << "A@500 -@1000 -@1000";
        QTest::newRow("delay 0 stops stepping") << QStringList{"A", "Delay:0", "B"} << 500 << "A@0";
        QTest::newRow("delay without number is 0") << QStringList{"A", "Delay:", "B"} << 500 << "A@0";
        QTest::newRow("delay of text is 0") << QStringList{"A", "Delay:x", "B"} << 500 << "A@0";
        QTest::newRow("negative delay keeps the loop interval") << QStringList{"A", "Delay:-5", "B"} << 500 << "A@500 B@500 A@500";
        QTest::newRow("delay above 65535 keeps the loop interval") << QStringList{"A", "Delay:70000", "B"} << 500 << "A@500 B@500";
        QTest::newRow("delay of 65535 is taken") << QStringList{"A", "Delay:65535", "B"} << 500 << "A@65535 B@500";
        QTest::newRow("delay rounds half to even") << QStringList{"A", "Delay:2.5", "B"} << 500 << "A@2 B@500";
        QTest::newRow("delay at the top costs one interval") << QStringList{"Delay:100", "A"} << 500 << "-@500 A@500 -@500";
        QTest::newRow("second delay is skipped") << QStringList{"A", "Delay:100", "Delay:200", "B"} << 50 << "A@100 -@50 B@50 A@100";
        QTest::newRow("five characters are text, never sent") << QStringList{"Delay", "GoIdx"} << 50 << "-@50 -@50";
        QTest::newRow("keywords are case-sensitive") << QStringList{"A", "delay:100"} << 50 << "A@50 -@50";
        QTest::newRow("comments are passed over") << QStringList{"# start", "0A", "# between", "Delay:30", "0B"} << 50 << "0A@30 0B@50 0A@30";
        QTest::newRow("any separator character") << QStringList{"A", "Delay：300", "B"} << 50 << "A@300 B@50";
        QTest::newRow("single line loops") << QStringList{"A"} << 20 << "A@20 A@20";
    }
    // clang-format on
    void steps() {
        QFETCH(QStringList, script);
        QFETCH(int, loop);
        QFETCH(QString, run);
        QCOMPARE(Run(script, loop, int(run.count(' ')) + 1), run);
    }

    // The lines a run refuses before it starts, and those it warns of, by 1-based number.
    // clang-format off
    void checkScript_data() {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QString>("warned");
        QTest::newRow("all can run") << QStringList{"01 20 00 39 C0", "Expect:01 20 00", "Delay:100", "# note", "012600 3A60", "Expect:value=100", "GoIdx:0"} << "" << "";
        QTest::newRow("an empty line") << QStringList{"01 20 00 39 C0", "", "01 26 00 3A 60"} << "2" << "";
        QTest::newRow("delay 0") << QStringList{"01 20 00 39 C0", "Delay:0"} << "2" << "";
        QTest::newRow("delay of no number") << QStringList{"01 20 00 39 C0", "Delay:soon"} << "2" << "";
        QTest::newRow("expect after a delay") << QStringList{"01 20 00 39 C0", "Delay:100", "Expect:01 20 00"} << "3" << "";
        QTest::newRow("keyword in lower case") << QStringList{"01 20 00 39 C0", "expect:01 20 00"} << "2" << "";
        QTest::newRow("a line of text") << QStringList{"电机启动", "01 20 00 39 C0"} << "1" << "";
        QTest::newRow("a digit without its pair") << QStringList{"01 2"} << "1" << "";
        QTest::newRow("expect with a digit without its pair") << QStringList{"01 20 00 39 C0", "Expect:01 2"} << "2" << "";
        QTest::newRow("jump past the end") << QStringList{"01 20 00 39 C0", "GoIdx:2"} << "2" << "";
        QTest::newRow("delay first") << QStringList{"Delay:100", "01 20 00 39 C0"} << "1" << "";
        QTest::newRow("one byte is no request") << QStringList{"01"} << "1" << "";
        QTest::newRow("values in their commands' forms") << QStringList{"01 37 00 36 30", "Expect:value=-5", "01 3B 00 33 30", "Expect:value=Moving", "Expect:value=停止", "01 41 01 05 90 5F", "Expect:value=05 01 20 00"} << "" << "";
        QTest::newRow("a frame of another protocol takes any form") << QStringList{"01 99 00 4A 50", "Expect:value=ab", "Expect:value=Stopped", "Expect:value=-1"} << "" << "";
        QTest::newRow("values that cannot be") << QStringList{"01 26 00 3A 60", "Expect:value=0x64", "Expect:value=&H64", "Expect:value=100.0", "Expect:value=+100", "Expect:value=-100", "Expect:value=Stopped", "Expect:value="} << "2,3,4,5,6,7,8" << "";
        QTest::newRow("a word for a position") << QStringList{"01 37 00 36 30", "Expect:value=Moving"} << "2" << "";
        QTest::newRow("a number for a state") << QStringList{"01 3B 00 33 30", "Expect:value=0"} << "2" << "";
        QTest::newRow("a value of a reply without one") << QStringList{"01 20 00 39 C0", "Expect:value=0"} << "2" << "";
        QTest::newRow("wrong checksums and the checks after them") << QStringList{"01 20 00 39 C1", "# a comment", "Expect:01 20 00", "Delay:10", "01 26 00", "01 26 00 3A 60", "Expect:value=100"} << "" << "1,3,5";
        QTest::newRow("an ASCII frame in hex") << QStringList{"3A 30 31 32 30 30 30 44 46 0D 0A", "3A 30 31 32 30 30 30 44 45 0D 0A"} << "" << "2";
    }
    // clang-format on
    void checkScript() {
        QFETCH(QStringList, script);
        QFETCH(QString, refused);
        QFETCH(QString, warned);
        std::vector<std::string> lines;
        for (const QString& l : script)
            lines.push_back(l.toStdString());
        const auto numbers = [](const std::vector<LineProblem>& problems) {
            QStringList got;
            for (const LineProblem& p : problems)
                got << QString::number(p.line + 1);
            return got.join(',');
        };
        QCOMPARE(numbers(CheckScript(lines)), refused);
        QCOMPARE(numbers(ScriptWarnings(lines)), warned);
    }

    // A value check passes on the value, whatever way the reply and the check write it.
    // clang-format off
    void valueChecks_data() {
        QTest::addColumn<QString>("reply"); // RTU, checksum added
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("passes");
        QTest::newRow("the number") << "01 26 04 00 00 00 64" << "100" << true;
        QTest::newRow("another number") << "01 26 04 00 00 00 64" << "101" << false;
        QTest::newRow("leading zeros") << "01 26 04 00 00 00 64" << "0100" << true;
        QTest::newRow("a negative position") << "01 37 04 FF FF FF FB" << "-5" << true;
        QTest::newRow("stopped in Chinese") << "01 3B 04 00 01 01 01" << "停止" << true;
        QTest::newRow("stopped in English") << "01 3B 04 00 01 01 01" << "Stopped" << true;
        QTest::newRow("moving is not stopped") << "01 3B 04 00 01 01 01" << "Moving" << false;
        QTest::newRow("moving") << "01 3B 04 01 01 01 01" << "Moving" << true;
        QTest::newRow("a stored command, as typed") << "01 41 05 05 01 20 00 AA" << "01 20 00 aa" << true;
        QTest::newRow("a stored command, unspaced") << "01 41 05 05 01 20 00 AA" << "0120 00AA" << true;
        QTest::newRow("another stored command") << "01 41 05 05 01 20 00 AA" << "01 20 00" << false;
    }
    // clang-format on
    void valueChecks() {
        QFETCH(QString, reply);
        QFETCH(QString, expected);
        QFETCH(bool, passes);
        const auto check = ParseExpectLine("Expect:value=" + expected.toStdString());
        QVERIFY(check);
        const Bytes frame = EncodeRtuFrame(*ReadHexBytes(reply.toStdString()));
        const auto why = CheckReply(*check, true, frame, LinkMode::Rtu, frame[1]);
        QVERIFY2(why.has_value() != passes, why ? why->text().c_str() : "passed");
    }

    void shrinkingListAndFarIndex() {
        const std::vector<std::string> two{"A", "B"};
        const Step beyond = ScriptStep(two, 5, 100);
        QCOMPARE(beyond.nextIndex, 5);
        QCOMPARE(beyond.interval, 1000);
        QVERIFY(!beyond.send);
        const std::vector<std::string> jump{"A", "GoIdx:99999999999"};
        QCOMPARE(ScriptStep(jump, 0, 100).nextIndex, 1); // above the count: ignored
        const std::vector<std::string> down{"A", "GoIdx:-99999999999"};
        QVERIFY(ScriptStep(down, 0, 100).nextIndex < 0); // below zero: no line there
    }

    // clang-format off
    void parseFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf") << QByteArray("01 20\r\nDelay:100\r\n") << QStringList{"01 20", "Delay:100"};
        QTest::newRow("lf and cr") << QByteArray("a\nb\rc") << QStringList{"a", "b", "c"};
        QTest::newRow("empty lines kept") << QByteArray("a\r\nb\r\n\r\nc\r\n") << QStringList{"a", "b", "", "c"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("gbk") << QByteArray::fromHex("D6D0CEC40D0A") << QStringList{"中文"};
        QTest::newRow("no line end") << QByteArray("x") << QStringList{"x"};
        QTest::newRow("utf-8 byte-order mark") << QByteArray("\xEF\xBB\xBF" "01 20 00 39 C0\r\n") << QStringList{"01 20 00 39 C0"};
        QTest::newRow("utf-8 with its mark") << QByteArray("\xEF\xBB\xBF" "Expect:value=停止\r\n") << QStringList{"Expect:value=停止"};
        QTest::newRow("utf-8 without a mark") << QByteArray("# 中文\r\n") << QStringList{"# 中文"};
        QTest::newRow("gbk that is no utf-8") << QByteArray::fromHex("CDA3D6B90D0A") << QStringList{"停止"};
        QTest::newRow("gbk that reads as a utf-8 surrogate") << QByteArray::fromHex("EDBFBFEDBFBF") << QStringList{"砜宽靠"};
    }
    // clang-format on
    void parseFile() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, lines);
        QStringList got;
        for (const std::string& l : ParseScript(B(file)))
            got << Q(l);
        QCOMPARE(got, lines);
    }

    void serialize() {
        const Bytes file = SerializeScript({"01 20 00 39 C0 ", "", "Delay:250", "中文"});
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(file.data()), qsizetype(file.size())),
                 QByteArray("01 20 00 39 C0 \r\nDelay:250\r\n\xD6\xD0\xCE\xC4\r\n"));
        QVERIFY(SerializeScript({"", ""}).empty());
        // Text whose code-page bytes would read back as UTF-8 goes as UTF-8, and reads back.
        for (const std::string text : {"涓", "锘縜"}) {
            const std::vector<std::string> lines{text};
            QCOMPARE(ParseScript(SerializeScript(lines)), lines);
        }
        // ("你好" as GBK bytes read as UTF-8.)
        const Bytes utf8 = SerializeScript({"浣犲ソ", "x"});
        QCOMPARE(Hex(utf8), QString("EF BB BF E6 B5 A3 E7 8A B2 E3 82 BD 0D 0A 78 0D 0A"));
    }
};

QTEST_APPLESS_MAIN(TestScriptCore)
#include "test_script_core.moc"
