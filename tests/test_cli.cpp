#include "ears.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "window_support.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

using namespace stepbench;

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run Cli(const QStringList& args, int waitMs = 10000) {
    QProcess p;
    p.start(STEPBENCH_CLI_PATH, args);
    if (!p.waitForFinished(waitMs)) return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

QString Script(const QTemporaryDir& dir, const char* name, const QByteArray& text) {
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return f.fileName();
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // Every exit status; a usage error sends nothing.
    void exitStatus() {
        Ears ears;
        sim::VirtualDevice device(ears.options({.dropEvery = 3}));
        QVERIFY(device.start());
        const QString port = QString::fromStdString(device.path());
        QCOMPARE(Cli({"--port", port, "send", "set-start-speed", "500"}).status, 0);
        QCOMPARE(Cli({"--port", port, "send", "handshake"}).status, 0);
        QCOMPARE(Cli({"--port", port, "--timeout", "50", "send", "handshake"}).status,
                 1); // dropped
        const int heard = ears.requests();
        for (const QStringList& bad :
             {QStringList{"--port", port, "send", "set-start-speed", "1e40"},
              {"--port", port, "send", "no-such-command"},
              {"--port", port, "--bogus", "send", "handshake"},
              {"--port", port, "--address", "0x01", "send", "handshake"},
              {"send", "handshake"}}) {
            const Run r = Cli(bad);
            QCOMPARE(r.status, 2);
            QVERIFY(!r.err.isEmpty());
        }
        QCOMPARE(ears.requests(), heard);
        QCOMPARE(Cli({"--port", "/dev/no-such-port", "send", "handshake"}).status, 3);
    }

    void jsonLines() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const Run r = Cli({"--port", QString::fromStdString(device.path()), "--json", "send",
                           "query-start-speed"});
        QCOMPARE(r.status, 0);
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        const QJsonObject t = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(t["command"].toString(), QString("query-start-speed"));
        QCOMPARE(t["verdict"].toString(), QString("ok"));
        QCOMPARE(t["value"].toInt(), 100);
        QCOMPARE(t["reply"].toString(), QString("01 26 04 00 00 00 64 FC ED"));
        QVERIFY(t["round_trip_ms"].toDouble() > 0);
        const QJsonObject summary =
            QJsonDocument::fromJson(lines[1]).object()["summary"].toObject();
        QCOMPARE(summary["transactions"].toInt(), 1);
        QCOMPARE(summary["ok"].toInt(), 1);
    }

    // Expect lines pass and fail alike in the command line and the window.
    void expectLines() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const QString port = QString::fromStdString(device.path());
        const QString good = Script(dir_, "good.txt",
                                    "01 26 00 3A 60\r\nExpect:01 26 04 00 00 00 64\r\n"
                                    "01 28 00 3E 00\r\nExpect:value=10000\r\n");
        Run r = Cli({"--port", port, "--json", "run", good, "--loops", "2", "--interval", "10"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.count("\"passed\":true"), 4);
        const QString bad = Script(dir_, "bad.txt", "01 26 00 3A 60\r\nExpect:value=99\r\n");
        r = Cli({"--port", port, "run", bad, "--loops", "1", "--interval", "10"});
        QCOMPARE(r.status, 1);
        QVERIFY(QString::fromUtf8(r.out).contains("应为“99”"));
        const QString broken = Script(dir_, "broken.txt", "01 26 00 3A 60\r\nExpect:\r\n");
        r = Cli({"--port", port, "run", broken});
        QCOMPARE(r.status, 2);
        QVERIFY(QString::fromUtf8(r.err).contains("第 2 行"));

        Window win;
        QVERIFY(win.open(device.path()));
        win.prompter.fileName = broken;
        win.click("Command54");
        QVERIFY(win.prompter.messages.last().contains("第 2 行"));
        QCOMPARE(win.w<QListWidget>("List1")->count(), 0);
        win.prompter.fileName = bad;
        win.click("Command54");
        win.type("Text22", "20");
        win.click("Check1");
        QTRY_VERIFY(!win.main.runner().isRunning());
        QVERIFY(!win.w<QAbstractButton>("Check1")->isChecked());
        QVERIFY(win.prompter.messages.last().contains("第 2 行的检查未通过"));
    }

    // Interrupted, it ends the transaction on the line, prints the summary and closes the port.
    void interruptedRun() {
        sim::VirtualDevice device({.replyDelay = std::chrono::milliseconds(20), .trace = {}});
        QVERIFY(device.start());
        const QString script = Script(dir_, "loop.txt", "01 20 00 39 C0\r\n");
        QProcess p;
        p.start(STEPBENCH_CLI_PATH, {"--port", QString::fromStdString(device.path()), "--json",
                                     "run", script, "--interval", "10"});
        QVERIFY(p.waitForStarted());
        QTest::qWait(400);
        ::kill(pid_t(p.processId()), SIGINT);
        QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 2000);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
        QVERIFY(lines.size() > 5);
        const QJsonObject summary =
            QJsonDocument::fromJson(lines.last()).object()["summary"].toObject();
        QCOMPARE(summary["ok"].toInt(), int(lines.size()) - 1);
        // The port is free again.
        QCOMPARE(Cli({"--port", QString::fromStdString(device.path()), "send", "handshake"}).status,
                 0);
    }

    void scan() {
        sim::VirtualDevice device({.address = 7, .trace = {}});
        QVERIFY(device.start());
        const Run r = Cli({"--port", QString::fromStdString(device.path()), "--json", "--timeout",
                           "20", "scan", "--from", "5", "--to", "9"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains("{\"found\":{\"address\":7,\"baud\":9600"));
    }
};

QTEST_MAIN(TestCli)
#include "test_cli.moc"
