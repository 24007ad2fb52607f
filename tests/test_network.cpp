#include "sim/virtual_device.h"
#include "window_support.h"

#include <QDialog>
#include <QFile>
#include <QProcess>
#include <QStatusBar>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

using namespace stepbench;

namespace {

// A loopback port nobody listens on (for a moment: the server is closed again).
quint16 FreeLoopbackPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

QString Target(quint16 port) {
    return QString("tcp://127.0.0.1:%1").arg(port);
}

bool Accepts(quint16 port) {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    return probe.waitForConnected(200);
}

// stepbench-sim serving TCP on a loopback port, as a device server would.
struct SimServer {
    QProcess process;
    bool start(quint16 port) {
        process.start(STEPBENCH_SIM_PATH, {"--tcp", QString("127.0.0.1:%1").arg(port)});
        return process.waitForReadyRead(5000) &&
               process.readLine().trimmed() == Target(port).toUtf8();
    }
    ~SimServer() {
        process.kill();
        process.waitForFinished();
    }
};

// ser2net publishing a pseudo-terminal's line on a loopback port, from its own configuration.
struct Ser2net {
    QTemporaryDir dir;
    QProcess process;
    bool start(const std::string& device, quint16 port) {
        QFile config(dir.filePath("ser2net.yaml"));
        if (!config.open(QIODevice::WriteOnly)) return false;
        config.write(QString("%YAML 1.1\n---\n"
                             "connection: &bench\n"
                             "  accepter: tcp,127.0.0.1,%1\n"
                             "  connector: serialdev,%2,9600n81,local\n")
                         .arg(port)
                         .arg(QString::fromStdString(device))
                         .toUtf8());
        config.close();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start("ser2net", {"-n", "-u", "-c", config.fileName(), "-P", dir.filePath("pid")});
        if (process.waitForStarted(5000))
            for (int i = 0; i < 50; ++i, QTest::qWait(100))
                if (Accepts(port)) return true;
        qWarning("ser2net: %s", process.readAll().constData());
        return false;
    }
    ~Ser2net() {
        process.terminate();
        if (!process.waitForFinished(3000)) process.kill();
    }
};

} // namespace

class TestNetwork : public QObject {
    Q_OBJECT
private slots:
    // The device server's line works as a serial port does, and is found again after it was
    // gone; the baud box stays out of it.
    void deviceServerLostAndBack() {
        const quint16 port = FreeLoopbackPort();
        auto server = std::make_unique<SimServer>();
        QVERIFY(server->start(port));
        Window win;
        win.w<QAbstractButton>("CheckAutoReconnect")->setChecked(true);
        win.type("COM_PORT", Target(port));
        QVERIFY(!win.w("Combo2")->isEnabled());
        win.click("Command32");
        QTRY_VERIFY(win.main.link().isOpen());
        QVERIFY(win.main.statusBar()->currentMessage().contains(Target(port)));
        win.type("Text1", "01 26 00");
        win.click("Command11");
        QTRY_COMPARE(win.text("Text27"), QString("100"));
        QTRY_VERIFY(win.text("LabelLinkStats").startsWith("往返"));

        // The scan asks every address at the server's rate only.
        win.click("CommandScanBus");
        auto* scan = win.main.findChild<QDialog*>("ScanDialog");
        QVERIFY(scan && !scan->findChild<QWidget*>("CheckScanAllBauds")->isEnabled());
        win.type("TextScanTimeout", "50");
        scan->findChild<QAbstractButton*>("CommandStartScan")->click();
        auto* hits = scan->findChild<QTableView*>("ScanResults")->model();
        QTRY_VERIFY(scan->findChild<QWidget*>("CommandStartScan")->isEnabled());
        QCOMPARE(hits->rowCount(), 1);
        QCOMPARE(hits->index(0, 1).data().toString(), QString("—"));
        scan->close();

        server.reset();
        QTRY_VERIFY(win.main.statusBar()->currentMessage().contains("设备服务器关闭了连接"));
        QVERIFY(!win.main.link().isOpen());
        server = std::make_unique<SimServer>();
        QVERIFY(server->start(port));
        QTRY_VERIFY(win.main.link().isOpen());
        win.w<QLineEdit>("Text27")->clear();
        win.click("Command11");
        QTRY_COMPARE(win.text("Text27"), QString("100"));
    }

    // The line of a pseudo-terminal as ser2net serves it, for the window and for stepbench-cli.
    void throughSer2net() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Ser2net ser2net;
        const quint16 port = FreeLoopbackPort();
        QVERIFY(ser2net.start(device.path(), port));
        {
            Window win;
            win.type("COM_PORT", Target(port));
            win.click("Command32");
            QTRY_VERIFY(win.main.link().isOpen());
            win.type("Text1", "01 26 00");
            win.click("Command11");
            QTRY_COMPARE(win.text("Text27"), QString("100"));
        }
        QProcess cli;
        cli.start(STEPBENCH_CLI_PATH, {"--port", Target(port), "send", "query-start-speed"});
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(cli.readAllStandardOutput().contains("01 26 04 00 00 00 64 FC ED"));
    }

    // A server that is not there is reported and the panel is closed again.
    void connectFailures_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reported");
        QTest::newRow("refused") << Target(FreeLoopbackPort()) << "连接被拒绝";
        QTest::newRow("unknown name") << "tcp://stepbench-nowhere.invalid:4001"
                                      << "找不到该主机名";
        QTest::newRow("no port") << "tcp://127.0.0.1"
                                 << "无效";
    }
    void connectFailures() {
        QFETCH(QString, target);
        QFETCH(QString, reported);
        Window win;
        win.type("COM_PORT", target);
        win.click("Command32");
        QTRY_COMPARE(win.prompter.messages.size(), 1);
        QVERIFY2(win.prompter.messages[0].contains(reported), qPrintable(win.prompter.messages[0]));
        QVERIFY(!win.main.link().isOpen() && !win.main.link().connecting());
        QVERIFY(win.w("Command32")->isEnabled() && !win.w("Command33")->isEnabled());
    }
};

QTEST_MAIN(TestNetwork)
#include "test_network.moc"
