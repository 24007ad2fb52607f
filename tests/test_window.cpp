#include "codec/frame.h"
#include "link/link.h"
#include "pty_client.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "ui/lamp.h"
#include "ui/translation.h"
#include "window_support.h"

#include <QApplication>
#include <QListWidget>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

using namespace stepbench;
using namespace std::chrono_literals;

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { SetLanguage(Language::Chinese); }

    void startUpWindow() {
        Window win;
        QCOMPARE(win.main.windowTitle(), QString("Qelvar数控MODBUS调试工具v6.3"));
        auto* tabs = win.w<QTabWidget>("SSTab1");
        QCOMPARE(tabs->tabText(tabs->currentIndex()), QString("QelvarMODBUS调试工具"));
        QCOMPARE(tabs->tabText(tabs->count() - 1), QString("通讯协议"));
        QVERIFY(win.text("RichTextBox3").isEmpty() == false);
        for (const char* off : {"Command33", "Option3", "Option4", "Command3", "Text34"})
            QVERIFY2(!win.w(off)->isEnabled(), off);
        for (const char* on : {"Command32", "COM_PORT", "Combo2", "Command81", "Command88"})
            QVERIFY2(win.w(on)->isEnabled(), on);
        QVERIFY(win.w<QAbstractButton>("Option3")->isChecked());
        QVERIFY(!win.main.findChild<QTimer*>("Timer1")->isActive());
        QCOMPARE(win.w<Lamp>("Shape1")->fillColor(),
                 QApplication::palette().color(QPalette::WindowText));
        QCOMPARE(win.w<Lamp>("Shape5")->property("fillColor").value<QColor>(), QColor(Qt::black));
        QVERIFY(!win.main.senders().addToScriptPending() &&
                !win.main.senders().ioOverridePending());
        QCOMPARE(win.w<QListWidget>("List1")->count(), 0);
        // Every combo box's shown text is its current item, so the wheel steps from there.
        for (auto* combo : win.main.findChildren<QComboBox*>())
            if (combo->findText(combo->currentText()) >= 0)
                QVERIFY2(combo->currentIndex() == combo->findText(combo->currentText()),
                         qPrintable(combo->objectName()));
    }

    // Each lamp stands centred over the word of its caption that names it.
    void lampsStandOverTheirWords_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("zh") << "中文";
        QTest::newRow("en") << "English";
    }
    void lampsStandOverTheirWords() {
        QFETCH(QString, language);
        Window win;
        win.main.resize(1366, 768);
        win.main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&win.main));
        win.w<QComboBox>("Combo10")->setCurrentText(language);
        QTest::qWait(50);
        const std::pair<const char*, QStringList> rows[] = {
            {"Label63", {"Shape5", "Shape6", "Shape7", "Shape8", "Shape9"}},
            {"Label41", {"Shape1", "Shape2", "Shape4", "Shape3"}}};
        for (const auto& [caption, lamps] : rows) {
            auto* label = win.w<QLabel>(caption);
            const QString text = label->text();
            const QStringList words =
                text.contains(' ')
                    ? text.split(' ')
                    : QStringList{text.mid(0, 2), text.mid(2, 2), text.mid(4, 2), text.mid(6, 2)};
            const QFontMetrics fm(label->font());
            for (int i = 0; i < lamps.size(); ++i) {
                const int at = int(text.indexOf(words[i]));
                const int left =
                    label->mapTo(&win.main, QPoint(fm.horizontalAdvance(text.left(at)), 0)).x();
                const int right = left + fm.horizontalAdvance(words[i]);
                auto* lamp = win.w(lamps[i].toLatin1().constData());
                const int centre = lamp->mapTo(&win.main, lamp->rect().center()).x();
                QVERIFY2(centre > left && centre < right,
                         qPrintable(QString("%1 at %2, %3 spans %4-%5")
                                        .arg(lamps[i])
                                        .arg(centre)
                                        .arg(words[i])
                                        .arg(left)
                                        .arg(right)));
            }
        }
    }

    // clang-format off
    void portText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("device");
        QTest::newRow("number") << "1" << "/dev/ttyS0";
        QTest::newRow("rounded") << "2.6" << "/dev/ttyS2";
        QTest::newRow("256") << "256" << "/dev/ttyS255";
        QTest::newRow("path") << "/dev/pts/3" << "/dev/pts/3";
        QTest::newRow("path with blanks") << " /dev/ttyUSB0 " << "/dev/ttyUSB0";
        QTest::newRow("name under /dev") << "null" << "/dev/null";
        // Refused: never a guess at the first serial port.
        QTest::newRow("zero") << "0" << "";
        QTest::newRow("negative") << "-3" << "";
        QTest::newRow("above 256") << "300" << "";
        QTest::newRow("not a number") << "abc" << "";
        QTest::newRow("no such adapter") << "ttyUSB99" << "";
        QTest::newRow("empty") << "" << "";
    }
    // clang-format on
    void portText() {
        QFETCH(QString, text);
        QFETCH(QString, device);
        QString error;
        QCOMPARE(Link::deviceForPortText(text, &error), device);
        QCOMPARE(error.startsWith("找不到该串口"), device.isEmpty());
    }

    void openAndClose() {
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        QVERIFY(!win.w("COM_PORT")->isEnabled() && !win.w("Command32")->isEnabled());
        QVERIFY(win.w("Command33")->isEnabled());
        QVERIFY(win.main.findChild<QTimer*>("Timer1")->isActive());
        win.click("Command33");
        QVERIFY(!win.main.link().isOpen());
        QVERIFY(win.w("Command32")->isEnabled() && !win.w("Command33")->isEnabled());
        // Bytes that waited before the open are dropped, not shown as a reply.
        peer.write(B("01 20 00 39 C0"));
        QTest::qWait(20);
        QVERIFY(win.open(peer.path()));
        QTest::qWait(250);
        QCOMPARE(win.text("Label45"), QString("0"));
    }

    // clang-format off
    void openFailures_data() {
        QTest::addColumn<QString>("port"); // "peer": the test's pseudo-terminal
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such port") << "/dev/nonexistent-port" << false << "9600" << "找不到该串口";
        QTest::newRow("port in use") << "peer" << true << "9600" << "占用";
        QTest::newRow("baud not a number") << "peer" << false << "fast" << "波特率";
        QTest::newRow("number above 256") << "300" << false << "9600" << "找不到该串口";
    }
    // clang-format on
    void openFailures() {
        QFETCH(QString, port);
        QFETCH(bool, busy);
        QFETCH(QString, baud);
        QFETCH(QString, reason);
        PtyPeer peer;
        QSerialPort holder(QString::fromStdString(peer.path()));
        if (busy) QVERIFY(holder.open(QIODevice::ReadWrite));
        Window win;
        win.type("Combo2", baud);
        win.type("COM_PORT", port == "peer" ? QString::fromStdString(peer.path()) : port);
        win.click("Command32");
        QVERIFY(!win.main.link().isOpen());
        QVERIFY(win.w("Command32")->isEnabled() && !win.w("Command33")->isEnabled());
        QVERIFY(!win.main.findChild<QTimer*>("Timer1")->isActive());
        QCOMPARE(win.prompter.messages.size(), 1);
        QVERIFY2(win.prompter.messages[0].contains(reason), qPrintable(win.prompter.messages[0]));
        QVERIFY(win.main.statusBar()->currentMessage().contains(reason));
    }

    void exchangeWithTheDevice() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.type("Text1", "01 26 00");
        win.click("Command11");
        QTRY_COMPARE(win.text("Text27"), QString("100"));
        QCOMPARE(
            win.lines("RichTextBox2").mid(0, 3),
            (QStringList{"SndAsc:\u00B7&\u00B7:`", "SndHex:01 26 00 3A 60 ", "查询运动初速度:"}));
        QCOMPARE(win.text("Label44"), QString("5"));
        const QStringList rec = win.lines("RichTextBox1");
        QCOMPARE(rec.mid(1, 2),
                 (QStringList{"RecHex:01 26 04 00 00 00 64 FC ED ", "查询运动初速度:"}));
        QVERIFY(rec[0].startsWith("RecAsc:"));
        QCOMPARE(win.text("Label45"), QString("9"));

        // Two requests in one write: the two replies are two frames, each with its report line.
        win.type("Text1", "01 26 00 3A 60 01 37 00 36 30");
        win.click("Command1");
        QTRY_COMPARE(win.text("Label45"), QString("27"));
        const QStringList two = win.lines("RichTextBox1").mid(0, 6);
        QCOMPARE(two.filter(QRegularExpression("^(RecHex|查询)")),
                 (QStringList{"RecHex:01 37 04 00 00 00 00 FE 47 ", "查询运动绝对位置:",
                              "RecHex:01 26 04 00 00 00 64 FC ED ", "查询运动初速度:"}));
    }

    // A reply whose second half comes 150 ms after its first is still one frame.
    void replyStraddlingTwoPolls() {
        sim::VirtualDevice device({.replyDelay = 0ms, .splitPause = 150ms, .trace = {}});
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.type("Text1", "01 26 00");
        win.click("Command11");
        QTRY_COMPARE(win.text("Text27"), QString("100"));
        QCOMPARE(win.lines("RichTextBox1").filter("RecHex:").size(), 1);
    }

    // One poll hands on everything that waits, however much, within the same tick.
    void pollTakesAllThatWaits() {
        PtyPeer peer;
        Link link;
        QString error;
        QVERIFY(link.open(QString::fromStdString(peer.path()), "9600", &error));
        qsizetype got = 0;
        connect(&link, &Link::received, this, [&](const QByteArray& b) { got += b.size(); });
        peer.write(Bytes(1500, 0x55));
        QTest::qWait(30);
        link.pollNow();
        QCOMPARE(got, 1500);
    }

    void logLimit() {
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        win.w<QPlainTextEdit>("RichTextBox2")->setPlainText(QString(3001, 'x'));
        win.w<QLabel>("Label44")->setText("777");
        win.main.SendComm(B("01 20 00 39 C0"));
        QCOMPARE(win.text("Label44"), QString("5"));
        QVERIFY(!win.text("RichTextBox2").contains("xxx"));
        peer.write(B("06"));
        win.w<QPlainTextEdit>("RichTextBox1")->setPlainText(QString(3001, 'x'));
        QTRY_COMPARE(win.text("Label45"), QString("1"));
        QCOMPARE(win.lines("RichTextBox1").mid(0, 2), (QStringList{"RecAsc:\u00B7", "RecHex:06 "}));
    }

    // clang-format off
    void manualTools_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("hex as typed") << "Text1" << "01 20" << "Command1" << QByteArray::fromHex("0120");
        QTest::newRow("hex odd count") << "Text1" << "123" << "Command1" << QByteArray::fromHex("1203");
        QTest::newRow("rtu") << "Text1" << "01 20" << "Command11" << QByteArray::fromHex("012001F8");
        QTest::newRow("ascii") << "Text1" << "01 20" << "Command10" << QByteArray(":0120DF\r\n");
        QTest::newRow("string") << "Text5" << "AB" << "Command37" << QByteArray("AB");
        QTest::newRow("string in gbk") << "Text5" << "中" << "Command37" << QByteArray::fromHex("D6D0");
        QTest::newRow("only blanks send nothing") << "Text1" << "   " << "Command1" << QByteArray();
        QTest::newRow("empty string sends nothing") << "Text5" << "" << "Command37" << QByteArray();
    }
    // clang-format on
    void manualTools() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QByteArray, wire);
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        win.w<QAbstractButton>("Check2")->setChecked(true);
        win.type(field.toLatin1().constData(), text);
        win.click(button.toLatin1().constData());
        QVERIFY(!win.w<QAbstractButton>("Check2")->isChecked()); // typed bytes go out unwrapped
        if (wire.isEmpty()) {
            QTest::qWait(50);
            QVERIFY(peer.take().empty());
            QCOMPARE(win.text("Label44"), QString("0"));
        } else {
            QCOMPARE(Hex(Received(peer)), Hex(B(wire)));
        }
    }

    void addToScriptAndConversions() {
        Window win;
        win.type("Text1", "01 20");
        win.click("Command80");
        win.type("Text5", "hello");
        win.main.senders().armAddToScript(true);
        win.click("Command37");
        auto* list = win.w<QListWidget>("List1");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QString("01 20 01 F8 "));
        QCOMPARE(list->item(1)->text(), QString("68 65 6C 6C 6F ")); // replayed byte for byte
        QVERIFY(!win.main.senders().addToScriptPending());
        // The flag survives a click that sends nothing, and its buttons show it armed.
        win.type("Text1", "");
        win.click("Command79");
        QVERIFY(win.main.senders().addToScriptPending());
        QVERIFY(win.w<QAbstractButton>("Command51")->isChecked());

        win.type("Text5", "AB");
        win.click("Command5");
        QCOMPARE(win.text("Text1"), QString("41 42 "));
        win.type("Text1", "01 03 00 00 00 01");
        win.click("Command8");
        QCOMPARE(win.text("Text2") + win.text("Text3"), QString("840A"));
        win.click("Command2");
        QCOMPARE(win.text("Text2") + win.text("Text3"), QString("0A84"));
        win.type("Text1", " ");
        win.click("Command8");
        QCOMPARE(win.text("Text2") + win.text("Text3"), QString());
    }

    void linkModeAndPlcControls() {
        Window win;
        win.type("Combo7", "Modbus ASC");
        QVERIFY(!win.w("Command81")->isEnabled() && !win.w("Command88")->isEnabled());
        win.type("Combo7", "Modbus RTU");
        QVERIFY(win.w("Command81")->isEnabled() && win.w("Command88")->isEnabled());
        win.click("Check2");
        for (const char* name : {"Command3", "Option3", "Option4", "Text34"})
            QVERIFY2(win.w(name)->isEnabled(), name);
        win.click("Check2");
        QVERIFY(!win.w("Command3")->isEnabled());
    }

    void plcWrapping() {
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        win.click("Check2");
        win.main.SendComm(B("01 20 00 39 C0"));
        QCOMPARE(Hex(Received(peer)), QString("01 03 00 20 00 00 44 00"));
        QCOMPARE(
            win.lines("RichTextBox2").mid(1, 3),
            (QStringList{"SndHex:01 03 00 20 00 00 44 00 ", "西门子标准格式:", "请求握手命令:"}));
        QCOMPARE(win.text("Label44"), QString("8"));
        // A frame that cannot be wrapped is refused with a message and nothing is sent.
        win.main.SendComm(B("01"));
        QTest::qWait(50);
        QVERIFY(peer.take().empty());
        QVERIFY(win.main.statusBar()->currentMessage().contains("PLC"));
    }

    // clang-format off
    void mappingAddress_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("wire"); // empty: refused with the message
        QTest::newRow("1000") << "1000" << "01 3F 04 00 00 03 E8";
        QTest::newRow("65503") << "65503" << "01 3F 04 00 00 FF DF";
        QTest::newRow("65504") << "65504" << "";
        QTest::newRow("negative") << "-1" << "";
    }
    // clang-format on
    void mappingAddress() {
        QFETCH(QString, value);
        QFETCH(QString, wire);
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        win.click("Check2");
        win.type("Text34", value);
        win.click("Command3");
        QVERIFY(!win.w<QAbstractButton>("Check2")->isChecked());
        if (wire.isEmpty()) {
            QCOMPARE(win.prompter.messages,
                     QStringList{"系统提示: 偏移地址超出范围,请设置0-65500之间"});
            QTest::qWait(50);
            QVERIFY(peer.take().empty());
        } else {
            QCOMPARE(Hex(Received(peer)), Hex(EncodeRtuFrame(B(wire.toLatin1().constData()))));
        }
    }

    void closedPortSendsNothing() {
        Window win;
        win.main.SendComm(B("01 20 00 39 C0"));
        QCOMPARE(win.text("RichTextBox2"), QString());
        QCOMPARE(win.text("Label44"), QString("0"));
        auto* timer = win.main.findChild<QTimer*>("Timer1");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 20);
        QVERIFY(win.main.statusBar()->currentMessage().contains("未打开"));
    }

    // A name saved without a suffix gets the filter's; the dialogs start in the user's home
    // until a folder is remembered.
    void saveDialogs_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("written");
        QTest::newRow("csv") << "/tmp/mon1"
                             << "CSV文件(*.csv);;所有文件(*.*)"
                             << "/tmp/mon1.csv";
        QTest::newRow("upper-case filter") << "/tmp/s"
                                           << "TXT文件(*.TXT);;所有文件(*.*)"
                                           << "/tmp/s.txt";
        QTest::newRow("a suffix of its own") << "/tmp/run.log"
                                             << "CSV文件(*.csv)"
                                             << "/tmp/run.log";
        QTest::newRow("a dot in the folder") << "/tmp/a.b/mon"
                                             << "PNG图片(*.png)"
                                             << "/tmp/a.b/mon.png";
    }
    void saveDialogs() {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, written);
        ScriptedPrompter prompter;
        prompter.fileName = typed;
        QCOMPARE(prompter.savePath(nullptr, "", filter), written);
        QCOMPARE(prompter.folder, QDir::homePath());
        prompter.savePath(nullptr, "", filter, "/srv/scripts");
        QCOMPARE(prompter.folder, QString("/srv/scripts"));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"