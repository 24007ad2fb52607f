#include "codec/frame.h"
#include "core/job.h"
#include "ears.h"
#include "pty_client.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "window_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <mutex>

using namespace stepbench;

namespace {

QStringList Items(Window& win) {
    QStringList out;
    auto* list = win.w<QListWidget>("List1");
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void SetItems(Window& win, const QStringList& items) {
    auto* list = win.w<QListWidget>("List1");
    list->clear();
    list->addItems(items);
}

QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QAction* Action(Window& win, const char* name) {
    return win.main.findChild<QAction*>(name);
}

} // namespace

class TestScript : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void delayLines() {
        Window win;
        SetItems(win, {"A", "B"});
        win.w<QListWidget>("List1")->setCurrentRow(0);
        win.type("Text20", "250");
        win.click("Command34");
        QCOMPARE(Items(win).last(), QString("Delay:250"));
        win.type("Text20", "70000");
        emit win.w<QLineEdit>("Text20")->editingFinished();
        QCOMPARE(win.text("Text20"), QString("60000"));
        win.type("Text20", "7");
        win.click("Command34");
        QCOMPARE(Items(win).last(), QString("Delay:50"));
    }

    void popupMenu() {
        Window win;
        SetItems(win, {"a", "b", "c", "d"});
        Action(win, "DelectList")->trigger(); // nothing selected: nothing removed
        QCOMPARE(Items(win).size(), 4);
        win.w<QListWidget>("List1")->setCurrentRow(2);
        Action(win, "DelectList")->trigger();
        QCOMPARE(Items(win), (QStringList{"a", "b", "d"}));
        QCOMPARE(win.main.findChild<QMenu*>("MenuCMD")->title(), QString("命令操作"));
        Action(win, "DelectAll")->trigger();
        QVERIFY(Items(win).isEmpty());
    }

    void saveAndLoad() {
        Window win;
        const QString path = dir_.filePath("script.txt");
        SetItems(win, {"01 20 00 39 C0 ", "", "Delay:250", "中文注释", "GoIdx:0"});
        win.prompter.fileName = path;
        win.click("Command55");
        QCOMPARE(
            Contents(path),
            QByteArray(
                "01 20 00 39 C0 \r\nDelay:250\r\n\xD6\xD0\xCE\xC4\xD7\xA2\xCA\xCD\r\nGoIdx:0\r\n"));
        SetItems(win, {"old"});
        win.click("Command54");
        QCOMPARE(Items(win), (QStringList{"01 20 00 39 C0 ", "Delay:250", "中文注释", "GoIdx:0"}));

        // Empty lines of a file stay empty items.
        Write(path, "a\r\nb\r\n\r\nc");
        win.click("Command54");
        QCOMPARE(Items(win), (QStringList{"a", "b", "", "c"}));

        // Overwrite refused: the file stays as it was.
        win.prompter.answer = false;
        SetItems(win, {"new"});
        win.click("Command55");
        QCOMPARE(Contents(path), QByteArray("a\r\nb\r\n\r\nc"));
        QVERIFY(win.prompter.messages.last().contains("是否覆盖文件？"));

        // An empty list saved over a file (Yes) removes it, and says so.
        win.prompter.answer = true;
        SetItems(win, {""});
        win.click("Command55");
        QVERIFY(!QFile::exists(path));
        QVERIFY(win.main.statusBar()->currentMessage().contains("列表为空"));
        win.click("Command55");
        QVERIFY(!QFile::exists(path));
        QVERIFY(win.main.statusBar()->currentMessage().contains("没有保存"));
    }

    void fileFailures() {
        Window win;
        SetItems(win, {"keep", "these"});
        // A name that does not exist.
        win.prompter.fileName = dir_.filePath("missing.txt");
        win.click("Command54");
        QCOMPARE(win.prompter.messages.last(), QString("系统提示: 文件名无效,请重新打开!"));
        QCOMPARE(Items(win), (QStringList{"keep", "these"}));
        // A write that fails leaves the old file intact (no file can be made beside it in /proc).
        win.prompter.fileName = "/proc/version";
        const QByteArray before = Contents("/proc/version");
        win.click("Command55");
        QVERIFY(win.prompter.messages.last().contains("保存文件"));
        QCOMPARE(Contents("/proc/version"), before);
        // Cancelled dialogs change nothing.
        win.prompter.fileName.clear();
        const int shown = int(win.prompter.messages.size());
        win.click("Command54");
        win.click("Command55");
        QCOMPARE(int(win.prompter.messages.size()), shown);
        QCOMPARE(Items(win), (QStringList{"keep", "these"}));
    }

    // clang-format off
    void ioOverride_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("wire");
        QTest::newRow("download six bytes") << "00101" << "31 04 00 00 27 10" << "Command81" << "01 40 07 05 31 04 00 00 27 10 EB 3A";
        QTest::newRow("download one byte") << "10000" << "3C" << "Command81" << "01 40 02 10 3C A0 11";
        QTest::newRow("download of blanks") << "00001" << "  " << "Command81" << Hex(EncodeRtuFrame(B("01400101")));
        QTest::newRow("read back") << "00101" << "" << "Command88" << "01 41 01 05 90 5F";
        QTest::newRow("typed 1 is IN5") << "1" << "" << "Command88" << Hex(EncodeRtuFrame(B("01410110")));
        QTest::newRow("typed 00000") << "00000" << "" << "Command88" << Hex(EncodeRtuFrame(B("01410100")));
        QTest::newRow("empty entry sends nothing") << "00001" << "" << "Command81" << "";
    }
    // clang-format on
    void ioOverride() {
        QFETCH(QString, pattern);
        QFETCH(QString, entry);
        QFETCH(QString, button);
        QFETCH(QString, wire);
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        win.click("Check2");
        win.type("Combo8", pattern);
        win.type("Text31", entry);
        win.click(button.toLatin1().constData());
        QVERIFY(!win.w<QAbstractButton>("Check2")->isChecked());
        QTest::qWait(30);
        QCOMPARE(Hex(peer.take()), wire);
    }

    void downloadAddsToScript() {
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        win.main.senders().armAddToScript(true);
        win.click("Command81"); // empty entry: nothing, and the flag waits
        QVERIFY(win.main.senders().addToScriptPending());
        win.type("Text31", "3C");
        win.type("Combo8", "10000");
        win.click("Command81");
        QCOMPARE(Items(win), QStringList{"01 40 02 10 3C A0 11 "});
        QVERIFY(!win.main.senders().addToScriptPending());
    }

    void captureDownloadAndReadBack() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("Command82"); // "↓" of the 32-bit move
        QCOMPARE(win.text("Text31"), QString("31 04 00 00 27 10 "));
        win.type("Combo8", "00101");
        win.click("Command81");
        QTRY_VERIFY(win.text("RichTextBox1").contains("设置IO取代命令:"));
        win.type("Text31", "");
        QTest::qWait(50);
        win.click("Command88");
        QTRY_COMPARE(win.text("Text31"), QString("31 04 00 00 27 10 "));
    }

    // clang-format off
    void runnerRefusesBadInterval_data() {
        QTest::addColumn<QString>("interval");
        QTest::newRow("negative") << "-1";
        QTest::newRow("too long") << "65536";
    }
    // clang-format on
    void runnerRefusesBadInterval() {
        QFETCH(QString, interval);
        Window win;
        win.type("Text22", interval);
        win.click("Check1");
        QVERIFY(!win.w<QAbstractButton>("Check1")->isChecked());
        QVERIFY(!win.main.runner().isRunning());
        QVERIFY(win.w("Text22")->isEnabled());
        QVERIFY(win.prompter.messages.last().contains("65535"));
    }

    // A runner held up (a busy machine) drops the slots it missed rather than sending them in a
    // burst; it shows the line it runs and says why it stops on a line it cannot run.
    void runnerNeverBurstsAndShowsItsLine() {
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        SetItems(win, {"01 20 00 39 C0 ", "01 20 00 39 C0 ", "Delay:70000", "01 20 00 39 C0 "});
        QElapsedTimer clock;
        clock.start();
        QList<qint64> steps;
        int last = -1;
        connect(&win.main.runner(), &ScriptRunner::stepped, this, [&](int index) {
            steps << clock.nsecsElapsed();
            last = index;
        });
        win.type("Text22", "20");
        win.click("Check1");
        QTRY_VERIFY(steps.size() >= 3);
        QThread::msleep(300); // the window is held up
        const qsizetype held = steps.size();
        QTRY_VERIFY(steps.size() >= held + 6);
        for (qsizetype i = held; i < steps.size(); ++i)
            QVERIFY2(steps[i] - steps[i - 1] > 17'000'000,
                     qPrintable(
                         QString("steps %1 ms apart").arg(double(steps[i] - steps[i - 1]) / 1e6)));
        QTRY_VERIFY(win.main.statusBar()->currentMessage().contains("第 3 行"));
        QVERIFY(win.w<QListWidget>("List1")->item(last)->background() != QBrush());
        win.click("Check1");
        SetItems(win, {"01 20 00 39 C0 ", ""});
        win.click("Check1");
        QTRY_VERIFY(win.main.statusBar()->currentMessage().contains("第 2 行：空行"));
        win.click("Check1");
    }

    // A script built from the panels runs against the device in order, endlessly, until off.
    void scriptRunsAgainstTheDevice() {
        std::mutex mutex;
        QStringList heard;
        sim::VirtualDevice device({.trace = [&](const std::string& line) {
            std::lock_guard lock(mutex);
            if (line.starts_with("<-")) heard << Q(line.substr(3));
        }});
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("Command43"); // ">" of the motion-state query
        win.type("Text20", "50");
        win.click("Command34"); // Delay:50
        win.click("Command51"); // ">" of the speed query
        win.w<QListWidget>("List1")->addItem("GoIdx:0");
        win.w<QListWidget>("List1")->addItem("01 20 00 39 C0 "); // never reached
        QTest::qWait(100);
        {
            std::lock_guard lock(mutex);
            heard.clear();
        }
        win.type("Text22", "60");
        win.click("Check1");
        QVERIFY(!win.w("Text22")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                std::lock_guard lock(mutex);
                return heard.size() >= 6;
            }(),
            5000);
        win.click("Check1");
        QVERIFY(win.w("Text22")->isEnabled());
        QTest::qWait(200);
        const auto snapshot = [&] {
            std::lock_guard lock(mutex);
            return heard;
        };
        const QStringList sent = snapshot();
        const QString state = "01 3B 00 33 30 ", speed = "01 36 00 37 A0 ";
        for (int i = 0; i < sent.size(); ++i)
            QCOMPARE(sent[i], i % 2 == 0 ? state : speed);
        QTest::qWait(300);
        QCOMPARE(snapshot().size(), sent.size()); // switched off: nothing more
    }

    // However a run ends in the window, its outcome is what the command line's would be (the
    // same job), and the status bar says it.
    void outcomes_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("how"); // what ends it
        QTest::addColumn<int>("ending");
        QTest::addColumn<QString>("words");
        QTest::newRow("a failed check") << QStringList{"01 26 00 3A 60", "Expect:value=9"} << ""
                                        << int(Outcome::Ending::StoppedOnFail)
                                        << "出错后停止：1 条通讯，0 条失败；检查通过 0，未通过 1";
        QTest::newRow("stopped by the user")
            << QStringList{"01 20 00 39 C0"} << "off" << int(Outcome::Ending::Stopped) << "已停止";
        QTest::newRow("the port lost") << QStringList{"01 20 00 39 C0"} << "pull"
                                       << int(Outcome::Ending::PortLost) << "串口断开";
    }
    void outcomes() {
        QFETCH(QStringList, lines);
        QFETCH(QString, how);
        QFETCH(int, ending);
        QFETCH(QString, words);
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        SetItems(win, lines);
        QStringList said; // every message of the status bar
        connect(win.main.statusBar(), &QStatusBar::messageChanged, this,
                [&](const QString& m) { said << m; });
        win.type("Text22", "20");
        win.click("Check1");
        QTRY_VERIFY(win.main.bench().stats().total().sent > 0);
        if (how == "off") win.click("Check1");
        if (how == "pull") device.stop();
        QTRY_VERIFY(!win.main.script().running());
        QCOMPARE(int(win.main.script().job().outcome().ending), ending);
        QTRY_VERIFY2(!said.filter("脚本结束：" + words).isEmpty(), qPrintable(said.join(" | ")));
    }

    // The user's stop is the last word: the script's next move must not start the motor again.
    // A stop that is a line of the script leaves its script running.
    void stopSwitchesTheScriptOff() {
        Ears ears;
        sim::VirtualDevice device(ears.options());
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        SetItems(win, {"01 31 04 00 00 27 10 E4 1D ", "01 3C 00 30 F0 "});
        win.type("Text22", "30");
        win.click("Check1");
        QTRY_VERIFY(ears.requests() >= 4); // the script's own stop went out; the script goes on
        QVERIFY(win.main.runner().isRunning());
        win.click("Command23"); // 立即停止
        QVERIFY(!win.main.runner().isRunning());
        QVERIFY(!win.w<QAbstractButton>("Check1")->isChecked());
        QVERIFY(win.main.statusBar()->currentMessage().contains("脚本已停止"));
        // The last thing the device hears is the stop.
        QTest::qWait(200);
        QStringList heard;
        for (const std::string& line : ears.lines())
            if (line.starts_with("<-")) heard << Q(line);
        QVERIFY2(heard.last().startsWith("<- 01 3C"), qPrintable(heard.join(" | ")));
    }
};

QTEST_MAIN(TestScript)
#include "test_script.moc"
