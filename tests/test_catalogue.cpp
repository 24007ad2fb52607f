#include "codec/frame.h"
#include "commands/catalogue.h"
#include "pty_client.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "ui/lamp.h"
#include "window_support.h"

#include <QApplication>
#include <QListWidget>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>

using namespace stepbench;

namespace {

// The bytes the next click puts on the line, or none. The peer never answers, so a short reply
// timeout keeps the clicks quick.
struct Panel {
    PtyPeer peer;
    Window win;
    Panel() {
        win.type("TextReplyTimeout", "10");
        emit win.w<QLineEdit>("TextReplyTimeout")->editingFinished();
        win.open(peer.path());
    }
    QString click(const char* button) {
        win.click(button);
        QTest::qWait(5);
        for (int waited = 0; !win.main.queue().idle() && waited < 2000; waited += 5)
            QTest::qWait(5);
        return Hex(peer.take());
    }
};

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
    // One window per link mode for the table of all senders, each sender clicked once.
    std::unique_ptr<Panel> rtu_, ascii_;

private slots:
    void initTestCase() {
        rtu_ = std::make_unique<Panel>();
        ascii_ = std::make_unique<Panel>();
        ascii_->win.type("Combo7", "Modbus ASC");
        for (Panel* b : {rtu_.get(), ascii_.get()})
            b->win.type("Text7", "2"); // the new address has no usable start-up text
    }
    void cleanupTestCase() {
        rtu_.reset();
        ascii_.reset();
    }

    // Every sender at the window's start-up texts, in both link modes, and the mapping form it
    // leaves for the PLC wrapping (R read, W write, - the previous choice): a request that
    // carries data is a write, or the PLC protocol would drop its data.
    // clang-format off
    void everySender_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("mapping");
        const char* rows[][3] = {
            {"Command12", "01 20 00", "R"}, {"Command13", "00 21 00", "R"}, {"Command14", "01 22 01 02", "W"},
            {"Command15", "01 23 00", "R"}, {"Command16", "01 24 01 06", "W"}, {"Command3", "01 3F 04 00 00 00 00", "-"},
            {"Command17", "01 25 04 00 00 00 64", "W"}, {"Command24", "01 27 04 00 00 27 10", "W"}, {"Command25", "01 29 04 00 00 03 E8", "W"},
            {"Command26", "01 2B 04 00 00 27 10", "W"}, {"Command27", "01 2D 04 00 00 27 10", "W"}, {"Command64", "01 2F 04 00 00 27 10", "W"},
            {"Command57", "01 26 00", "R"}, {"Command58", "01 28 00", "R"}, {"Command59", "01 2A 00", "R"},
            {"Command60", "01 2C 00", "R"}, {"Command61", "01 2E 00", "R"}, {"Command62", "01 30 00", "R"},
            {"Command28", "01 36 00", "R"}, {"Command30", "01 37 00", "R"}, {"Command66", "01 38 00", "R"},
            {"Command31", "01 39 00", "R"}, {"Command67", "01 3A 00", "R"}, {"Command29", "01 3B 00", "R"},
            {"Command94", "01 42 00", "R"}, {"Command18", "01 31 04 00 00 27 10", "W"}, {"Command19", "01 32 04 00 00 03 E8", "W"},
            {"Command20", "01 33 04 00 00 27 10", "W"}, {"Command21", "01 34 04 00 00 27 10", "W"}, {"Command22", "01 3D 00", "-"},
            {"Command23", "01 3C 00", "-"}, {"Command76", "01 3E 01 00", "W"}, {"Command7", "01 4E 01 00", "W"},
            {"Command75", "01 4F 01 00", "W"}, {"Command74", "01 50 04 00 00 27 10", "W"}, {"Command65", "01 35 04 00 00 27 10", "W"},
            {"Command91", "01 44 04 00 00 01 F4", "W"}, {"Command92", "01 45 00", "R"}, {"Command93", "01 46 00", "R"},
            {"Command4", "01 55 04 00 00 10 00", "W"}, {"Command107", "01 56 04 00 00 08 00", "W"}, {"Command35", "01 57 04 00 00 03 E8", "W"},
            {"Command46", "01 58 00", "R"}, {"Command48", "01 59 00", "R"}, {"Command47", "01 5A 00", "R"},
            {"Command49", "01 5B 00", "R"}, {"Command50", "01 5C 01 00", "W"}, {"Command73", "01 5D 01 00", "W"},
            {"Command108", "01 5E 01 00", "W"}, {"Command56", "01 5E 01 01", "W"}, {"Command63", "01 5F 04 00 00 00 01", "W"},
            {"Command9", "01 60 00", "R"}, {"Command71", "01 61 04 00 00 00 01", "W"}, {"Command72", "01 62 00", "R"},
            {"Command113", "01 43 09 01 01 01 01 01 01 01 01 01", "W"}, {"Command114", "01 43 09 00 00 00 00 00 00 00 00 00", "W"}, {"Command111", "01 51 02 80 80", "W"},
            {"Command112", "01 53 02 00 00", "W"}, {"Command109", "01 52 02 01 00", "W"}, {"Command110", "01 52 02 00 01", "W"},
            {"Command96", "01 47 00", "R"}, {"Command102", "01 48 01 01", "W"}, {"Command103", "01 48 01 00", "W"},
            {"Command104", "01 49 01 01", "W"}, {"Command105", "01 49 01 00", "W"}, {"Command78", "01 51 02 01 80", "W"},
            {"Command100", "01 4A 01 00", "W"}, {"Command101", "01 4A 01 01", "W"}, {"Command95", "01 4B 01 0C", "W"},
            {"Command106", "01 4C 05 01 02 03 04 05", "W"},
        };
        for (auto& r : rows)
            QTest::newRow(r[0]) << r[0] << r[1] << r[2];
    }
    // clang-format on
    void everySender() {
        QFETCH(QString, button);
        QFETCH(QString, request);
        QFETCH(QString, mapping);
        const QByteArray name = button.toLatin1();
        const Bytes req = B(request.toLatin1().constData());
        for (const bool rtu : {true, false}) {
            Panel& bench = rtu ? *rtu_ : *ascii_;
            // Start from the opposite form, so a sender that leaves it alone shows.
            bench.win.w<QAbstractButton>(rtu ? "Option3" : "Option4")->setChecked(true);
            if (name == "Command3") bench.win.w<QAbstractButton>("Check2")->setChecked(true);
            emit bench.win.w<QTabWidget>("SSTab1")->tabBar()->tabBarDoubleClicked(1); // relays off
            if (name == "Command111" && bench.win.text("Command111") != "通讯不返回")
                bench.win.click("Command111"); // back to the start-up state
            if (name == "Command78" && bench.win.text("Command78") != "LastChr")
                bench.win.click("Command78");
            bench.peer.take();
            const bool alwaysRtu = name == "Command106";
            const Bytes frame = rtu || alwaysRtu ? EncodeRtuFrame(req) : EncodeAsciiFrame(req);
            bench.win.click(name.constData());
            QCOMPARE(Hex(Received(bench.peer)), Hex(frame));
            const QString left = bench.win.w<QAbstractButton>("Option3")->isChecked() ? "R" : "W";
            QCOMPARE(left, mapping == "-" ? QString(rtu ? "R" : "W") : mapping);
        }
    }

    // clang-format off
    void refusals_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("named");
        QTest::newRow("address above FF") << "Text23" << "100" << "Command17" << "设备操作地址";
        QTest::newRow("address 0x01") << "Text23" << "0x01" << "Command14" << "设备操作地址";
        QTest::newRow("address O1, a letter") << "Text23" << "O1" << "Command12" << "设备操作地址";
        QTest::newRow("address -1") << "Text23" << "-1" << "Command109" << "设备操作地址";
        QTest::newRow("address &H10") << "Text23" << "&H10" << "Command111" << "设备操作地址";
        QTest::newRow("address empty") << "Text23" << "" << "Command78" << "设备操作地址";
        QTest::newRow("new address 0x02") << "Text7" << "0x02" << "Command14" << "New Addr";
        QTest::newRow("direction 300") << "Combo5" << "300" << "Command76" << "查找零点方向";
        QTest::newRow("direction -1") << "Combo3" << "-1" << "Command19" << "方向";
        QTest::newRow("count above int32") << "Text9" << "2147483648" << "Command19" << "脉冲数";
        QTest::newRow("speed above int32") << "Text12" << "1e10" << "Command17" << "初速度";
        QTest::newRow("value byte of reply option") << "Text40" << "300" << "Command111" << "LastChr/通讯不返回";
        QTest::newRow("value byte of LastChr") << "Text40" << "-1" << "Command78" << "LastChr/通讯不返回";
    }
    // clang-format on
    // A refusal sends nothing, changes no toggle, captures nothing, and disarms both captures so
    // the user's next click (a stop) acts normally.
    void refusals() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QString, named);
        Panel bench;
        bench.win.type("Text7", "2");
        bench.win.type(field.toLatin1().constData(), text);
        bench.win.main.senders().armAddToScript(true);
        bench.win.main.senders().armIoOverride(true);
        const QString caption = bench.win.text(button.toLatin1().constData());
        QCOMPARE(bench.click(button.toLatin1().constData()), QString());
        QCOMPARE(bench.win.prompter.messages.size(), 1);
        const QString message = bench.win.prompter.messages[0];
        QVERIFY2(message.contains(named), qPrintable(message));
        QVERIFY2(!message.contains(QRegularExpression("(Text|Combo|Command)[0-9]")),
                 qPrintable(message));
        QVERIFY(!bench.win.main.senders().addToScriptPending() &&
                !bench.win.main.senders().ioOverridePending());
        QVERIFY(!bench.win.w<QAbstractButton>("Command45")->isChecked());
        QCOMPARE(bench.win.text(button.toLatin1().constData()), caption);
        QCOMPARE(bench.win.w<QListWidget>("List1")->count(), 0);
        QCOMPARE(bench.win.text("Text31"), QString());
    }

    // A refused "↓" once captured the user's stop click: the stop must reach the device.
    void stopAfterARefusalStopsTheMotor() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        const auto moving = [&] {
            return device.withDevice([](sim::Device& d) { return d.axis().moving(); });
        };
        win.click("Command20"); // constant-speed move
        QTRY_VERIFY(moving());
        win.type("Text8", "3000000000");
        win.click("Command82");
        QCOMPARE(win.prompter.messages.size(), 1);
        win.click("Command23"); // "立即停止"
        QTRY_VERIFY(!moving());
        QCOMPARE(win.text("Text31"), QString());
    }

    // A stop captured on purpose is a legitimate IO-override entry: the inputs then stop the motor.
    void capturedStopStopsTheMotorFromTheInputs() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("Command90"); // "↓" of "立即停止"
        QCOMPARE(win.text("Text31"), QString("3C 00 "));
        win.type("Combo8", "00001");
        win.click("Command81");
        QTRY_VERIFY(win.text("RichTextBox1").contains("设置IO取代命令:"));
        win.click("Command20");
        const auto moving = [&] {
            return device.withDevice([](sim::Device& d) { return d.axis().moving(); });
        };
        QTRY_VERIFY(moving());
        device.withDevice([](sim::Device& d) { d.setInputs(0x01, sim::Device::Clock::now()); });
        QVERIFY(!moving());
    }

    // An armed capture shows: its buttons look pressed and the status bar says what comes next;
    // a second press or Esc disarms it.
    void armedCaptureIsVisible() {
        Panel bench;
        auto& win = bench.win;
        win.main.senders().armIoOverride(true);
        for (const char* b : {"Command82", "Command90", "Command98"})
            QVERIFY2(win.w<QAbstractButton>(b)->isChecked(), b);
        QVERIFY(!win.w<QAbstractButton>("Command45")->isChecked());
        QVERIFY(win.main.statusBar()->currentMessage().contains("IO"));
        win.click("Command90"); // pressed again: disarmed, nothing captured or sent
        QVERIFY(!win.main.senders().ioOverridePending());
        QVERIFY(!win.w<QAbstractButton>("Command82")->isChecked());
        QCOMPARE(win.text("Text31"), QString());
        QCOMPARE(Hex(bench.peer.take()), QString());
        QVERIFY(win.main.statusBar()->currentMessage().isEmpty());
        win.main.senders().armAddToScript(true);
        win.main.senders().armIoOverride(true);
        win.main.show();
        QVERIFY(QTest::qWaitForWindowActive(&win.main));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &win.main,
                        Qt::Key_Escape);
        QVERIFY(!win.main.senders().addToScriptPending() &&
                !win.main.senders().ioOverridePending());
        QVERIFY(!win.w<QAbstractButton>("Command51")->isChecked());
    }

    void captureModes() {
        Panel bench;
        auto* list = bench.win.w<QListWidget>("List1");
        // A sender that does not honour the flag leaves it for the next one that does.
        bench.win.main.senders().armAddToScript(true);
        QCOMPARE(bench.click("Command12"), QString("01 20 00 39 C0"));
        QVERIFY(bench.win.main.senders().addToScriptPending() && list->count() == 0);
        QCOMPARE(bench.click("Command92"), Hex(EncodeRtuFrame(B("014500"))));
        QVERIFY(bench.win.main.senders().addToScriptPending() && list->count() == 0);
        QCOMPARE(bench.click("Command17"), Hex(EncodeRtuFrame(B("01250400000064"))));
        QCOMPARE(list->item(0)->text(), Hex(EncodeRtuFrame(B("01250400000064"))) + " ");
        // ">" arms and runs its sender.
        QCOMPARE(bench.click("Command51"), QString("01 36 00 37 A0"));
        QCOMPARE(list->item(1)->text(), QString("01 36 00 37 A0 "));
        // "↓" captures instead of sending; with both flags set the IO capture wins.
        bench.win.main.senders().armAddToScript(true);
        QCOMPARE(bench.click("Command82"), QString());
        QCOMPARE(bench.win.text("Text31"), QString("31 04 00 00 27 10 "));
        QVERIFY(bench.win.main.senders().addToScriptPending() &&
                !bench.win.main.senders().ioOverridePending());
        bench.win.main.senders().armAddToScript(false);
        QCOMPARE(list->count(), 2);
        QCOMPARE(bench.click("Command89"), QString());
        QCOMPARE(bench.win.text("Text31"), QString("3D 00 "));
        // In ASCII mode the entry is still command, length and data.
        bench.win.type("Combo7", "Modbus ASC");
        bench.win.click("Command83");
        QCOMPARE(bench.win.text("Text31"), QString("32 04 00 00 03 E8 "));
        // A frame added in ASCII mode is the line's character codes.
        QVERIFY(bench.click("Command45").startsWith("3A 30 31 33 43"));
        QVERIFY(list->item(2)->text().startsWith("3A 30 31 33 43 30 30 43 33 0D 0A "));
    }

    void toggles() {
        Panel bench;
        // Relays: each request carries both states; the K2 button writes the short K1 caption.
        QCOMPARE(bench.click("Command109"), Hex(EncodeRtuFrame(B("0152020100"))));
        QCOMPARE(bench.win.text("Command109") + "|" + bench.win.text("Command110"),
                 QString("(刹车)K1关|K2开"));
        QCOMPARE(bench.click("Command110"), Hex(EncodeRtuFrame(B("0152020101"))));
        QCOMPARE(bench.win.text("Command109") + "|" + bench.win.text("Command110"),
                 QString("K1关|K2关"));
        // A double click on the tab strip turns both off, captions included, so each press
        // still sends what its caption says.
        auto* tabs = bench.win.w<QTabWidget>("SSTab1");
        emit tabs->tabBar()->tabBarDoubleClicked(1);
        QCOMPARE(bench.win.text("Command109") + "|" + bench.win.text("Command110"),
                 QString("(刹车)K1开|K2开"));
        QCOMPARE(bench.click("Command110"), Hex(EncodeRtuFrame(B("0152020001"))));
        QCOMPARE(bench.win.text("Command110"), QString("K2关"));

        QCOMPARE(bench.click("Command111"), Hex(EncodeRtuFrame(B("0151028080"))));
        QCOMPARE(bench.win.text("Command111"), QString("通讯有返回"));
        QCOMPARE(bench.click("Command111"), Hex(EncodeRtuFrame(B("0151020080"))));
        QCOMPARE(bench.win.text("Command111"), QString("通讯不返回"));

        QCOMPARE(bench.click("Command78"), QString("01 51 02 01 80 A8 CC"));
        QCOMPARE(bench.win.text("Command78"), QString("NoLast"));
        QCOMPARE(bench.click("Command78"), QString("01 51 02 00 80 A9 5C"));
        QCOMPARE(bench.win.text("Command78"), QString("LastChr"));

        // Nothing sent (the port is closed): no caption flips.
        bench.win.click("Command33");
        for (const char* b : {"Command109", "Command110", "Command111", "Command78"}) {
            const QString before = bench.win.text(b);
            bench.win.click(b);
            QCOMPARE(bench.win.text(b), before);
        }
    }

    // In the PLC protocol, senders whose data is a setting go out as register writes with their
    // data, whatever form was chosen before, and the device acts on them.
    // clang-format off
    void plcModeKeepsTheData_data() {
        QTest::addColumn<QString>("before"); // a query clicked first, leaving the read form
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("wire");   // without the CRC
        QTest::newRow("inputs normally open") << "Command57" << "Command113" << "01 10 00 43 00 06 0C 01 01 01 01 01 01 01 01 01 00 00 00";
        QTest::newRow("inputs normally closed") << "Command57" << "Command114" << "01 10 00 43 00 06 0C 00 00 00 00 00 00 00 00 00 00 00 00";
        QTest::newRow("K1 on") << "Command57" << "Command109" << "01 10 00 52 00 02 04 01 00 00 00";
        QTest::newRow("no replies") << "Command57" << "Command111" << "01 10 00 51 00 02 04 80 80 00 00";
        QTest::newRow("checksum off") << "Command57" << "Command102" << "01 10 00 48 00 02 04 01 00 00 00";
        QTest::newRow("fixed reply length") << "Command57" << "Command104" << "01 10 00 49 00 02 04 01 00 00 00";
        QTest::newRow("extended CAN frames") << "Command57" << "Command101" << "01 10 00 4A 00 02 04 01 00 00 00";
        QTest::newRow("factor after a query") << "Command57" << "Command91" << "01 10 00 44 00 02 04 00 00 01 F4";
        QTest::newRow("a query stays a read") << "Command17" << "Command58" << "01 03 00 28 00 02";
    }
    // clang-format on
    void plcModeKeepsTheData() {
        QFETCH(QString, before);
        QFETCH(QString, button);
        QFETCH(QString, wire);
        Panel bench;
        bench.win.click("Check2");
        bench.click(before.toLatin1().constData());
        QCOMPARE(bench.click(button.toLatin1().constData()),
                 Hex(EncodeRtuFrame(B(wire.toLatin1().constData()))));
    }

    void deviceActsOnPlcWrites() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("Check2");
        win.click("Command114"); // inputs normally closed
        QTest::qWait(50);
        win.click("Command109"); // K1 on
        QTest::qWait(50);
        QTRY_VERIFY(device.withDevice([](sim::Device& d) { return d.settings().relayK1; }));
        QVERIFY(device.withDevice([](sim::Device& d) { return !d.settings().inputsNormallyOpen; }));
        QVERIFY(!win.text("RichTextBox1").contains("RecHex:01 90"));
    }

    // clang-format off
    void fieldsAndLists_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("request");
        QTest::newRow("baud not in list") << "Combo6" << "115200" << "Command16" << "01 24 01 00";
        QTest::newRow("can rate not in list") << "Combo9" << "300K" << "Command95" << "01 4B 01 00";
        QTest::newRow("power loss choice") << "Combo1" << "掉电保存,上电运行" << "Command112" << "01 53 02 01 01";
        QTest::newRow("power loss typed") << "Combo1" << "abc" << "Command112" << "01 53 02 00 00";
        QTest::newRow("new address 1F") << "Text7" << "1F" << "Command14" << "01 22 01 1F";
        QTest::newRow("address query ignores address") << "Text23" << "zz" << "Command13" << "00 21 00";
        QTest::newRow("24-bit typed direction") << "Combo4" << "2" << "Command21" << "01 34 04 02 00 27 10";
        QTest::newRow("can data of seven bytes") << "Text33" << "01 02 03 04 05 06 07" << "Command106" << "01 4C 05 01 02 03 04 05";
        QTest::newRow("can data of blanks") << "Text33" << "  " << "Command106" << "01 4C 00";
    }
    // clang-format on
    void fieldsAndLists() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QString, request);
        Panel bench;
        bench.win.type(field.toLatin1().constData(), text);
        QCOMPARE(bench.click(button.toLatin1().constData()),
                 Hex(EncodeRtuFrame(B(request.toLatin1().constData()))));
    }

    void emptyCanDataSendsNothing() {
        Panel bench;
        bench.win.type("Text33", "");
        QCOMPARE(bench.click("Command106"), QString());
        QVERIFY(bench.win.prompter.messages.isEmpty());
    }

    void queriesShowTheDevicesAnswers() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("Command57");
        QTRY_COMPARE(win.text("Text27"), QString("100"));
        // A user's clicks come far enough apart for each reply to be read on its own.
        const auto next = [&win](const char* button) {
            win.click(button);
            QTest::qWait(60);
        };
        win.type("Text13", "20000");
        next("Command24");
        next("Command58");
        QTRY_COMPARE(win.text("Text26"), QString("20000"));
        next("Command13");
        QTRY_VERIFY(win.text("RichTextBox1").contains("查询设备地址:当前地址为1"));
        next("Command15");
        QTRY_VERIFY(win.text("RichTextBox1").contains("查询当前波特率:当前波特率设置为6"));
        win.type("Text4", "7");
        next("Command63");
        win.type("Text4", "0");
        next("Command9");
        QTRY_COMPARE(win.text("Text4"), QString("7"));
        next("Command18");
        next("Command29");
        QTRY_COMPARE(win.w<Lamp>("Shape1")->fillColor(), Lamp::red());
        QTRY_COMPARE(win.text("LabelMotionState"), QString("运动中"));
        next("Command23");
        next("Command29");
        QTRY_COMPARE(win.w<Lamp>("Shape1")->fillColor(), Lamp::dark());
        next("Command30");
        QTRY_VERIFY(win.text("Text18").toInt() > 0);
        next("Command94");
        QTRY_COMPARE(win.w<Lamp>("Shape5")->fillColor(), Lamp::dark());
    }
};

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
