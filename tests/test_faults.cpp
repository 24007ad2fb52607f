#include "ears.h"
#include "pty_client.h"
#include "script/script_text.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "window_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <atomic>
#include <sys/stat.h>
#include <thread>

using namespace stepbench;
using namespace std::chrono_literals;

namespace {

int Count(Window& win) {
    return win.w<QListWidget>("List1")->count();
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void portPulledWhileTheScriptRuns() {
        Ears first;
        auto device = std::make_unique<sim::VirtualDevice>(first.options());
        QVERIFY(device->start());
        Window win;
        QVERIFY(win.open(device->path()));
        win.w<QListWidget>("List1")->addItems({"01 20 00 39 C0 ", "Delay:20"});
        win.type("Text22", "20");
        win.click("Check1");
        QTRY_VERIFY(first.requests() >= 3);

        device.reset(); // the adapter is pulled
        QTRY_VERIFY(!win.main.link().isOpen());
        QVERIFY(win.w("Command32")->isEnabled() && !win.w("Command33")->isEnabled());
        // The reason is the one that belongs to the loss, not a stale text of the system's.
        QVERIFY(QStringList({"串口已断开并关闭：读串口失败，设备可能已断开",
                             "串口已断开并关闭：串口设备已断开", "串口已断开并关闭：写串口失败"})
                    .contains(win.prompter.messages.last().section(": ", 1)));
        // Without "自动重连" the script has nothing to run on: it is switched off.
        QVERIFY(!win.main.runner().isRunning());
        QVERIFY(!win.w<QAbstractButton>("Check1")->isChecked());

        Ears second;
        sim::VirtualDevice fresh(second.options());
        QVERIFY(fresh.start());
        QVERIFY(win.open(fresh.path()));
        win.click("Check1");
        QTRY_VERIFY(second.requests() >= 3);
    }

    void hostileScriptFiles() {
        Window win;
        win.w<QListWidget>("List1")->addItems({"keep", "me"});

        // A megabyte of random bytes loads as whatever lines it holds, all at once.
        QByteArray noise(1 << 20, '\0');
        for (char& c : noise)
            c = char(QRandomGenerator::global()->bounded(256));
        const QString noisePath = dir_.filePath("noise.txt");
        QFile f(noisePath);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(noise) == noise.size());
        f.close();
        win.prompter.fileName = noisePath;
        win.click("Command54");
        QCOMPARE(std::size_t(Count(win)), ParseScript(B(noise)).size());

        // One line of 100,000 characters.
        const QString longPath = dir_.filePath("long.txt");
        QFile l(longPath);
        QVERIFY(l.open(QIODevice::WriteOnly));
        l.write(QByteArray(100000, 'A') + "\r\nDelay:5\r\n");
        l.close();
        win.prompter.fileName = longPath;
        win.click("Command54");
        QCOMPARE(Count(win), 2);
        QCOMPARE(win.w<QListWidget>("List1")->item(0)->text().size(), 100000);

        // Unreadable: a pipe (whose open would block for good) and a folder. The list stays.
        const QString pipe = dir_.filePath("pipe.txt");
        QCOMPARE(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
        for (const QString& path : {pipe, dir_.path()}) {
            win.prompter.fileName = path;
            win.click("Command54");
            QCOMPARE(Count(win), 2);
            QVERIFY(!win.prompter.messages.last().contains("文件名无效"));
        }
    }

    // Random bytes at the line rate: the window counts every byte and keeps the port open.
    // STEPBENCH_FAULT_SECONDS sets the duration (60 by default). How long its event loop is away
    // meanwhile is bench_receive_flood's to measure.
    void randomReplyStream() {
        const int seconds = qEnvironmentVariableIsSet("STEPBENCH_FAULT_SECONDS")
                                ? qEnvironmentVariableIntValue("STEPBENCH_FAULT_SECONDS")
                                : 60;
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        long long counted = 0;
        connect(&win.main.link(), &Link::received, this,
                [&counted](const QByteArray& b) { counted += b.size(); });

        std::atomic<long long> written{0};
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            auto next = std::chrono::steady_clock::now();
            Bytes chunk(115);
            while (!stop) {
                for (auto& b : chunk)
                    b = std::uint8_t(QRandomGenerator::global()->bounded(256));
                peer.write(chunk);
                written += long(chunk.size());
                next += 10ms;
                std::this_thread::sleep_until(next);
            }
        });

        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000)
            QTest::qWait(50);
        stop = true;
        writer.join();
        QTRY_COMPARE_WITH_TIMEOUT(counted, written.load(), 30000);
        QVERIFY(win.main.link().isOpen());
    }
};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
