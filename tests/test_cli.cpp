#include "app/cli_output.h"
#include "ears.h"
#include "link/transaction_text.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "window_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <csignal>
#include <mutex>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace stepbench;
using namespace std::chrono_literals;

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
    // The JSON objects of the output, one per line (an invalid line gives an empty one).
    QList<QJsonObject> lines() const {
        QList<QJsonObject> objects;
        for (const QByteArray& l : out.trimmed().split('\n'))
            objects << QJsonDocument::fromJson(l).object();
        return objects;
    }
    QJsonObject summary() const { return lines().last()["summary"].toObject(); }
};

Run Cli(const QStringList& args, const QByteArray& input = {},
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(STEPBENCH_CLI_PATH, args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(10000)) return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

QString Script(const QTemporaryDir& dir, const QByteArray& text) {
    static int n = 0;
    QFile f(dir.filePath(QString("script%1.txt").arg(++n)));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return f.fileName();
}

// The frames the device heard, in hex.
QStringList Heard(Ears& ears) {
    QStringList out;
    for (const std::string& l : ears.lines())
        if (l.starts_with("<-")) out << Q(l.substr(3)).trimmed();
    return out;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // What cannot be run is refused before anything goes out: exit 2, a message naming what
    // is wrong (a script's line by its number), and the device hears nothing.
    // clang-format off
    void refusals_data() {
        QTest::addColumn<QStringList>("args"); // PORT stands for the device
        QTest::addColumn<QByteArray>("script"); // for SCRIPT in the arguments
        QTest::addColumn<QString>("named");
        QTest::newRow("a value out of a 32-bit number") << QStringList{"send", "set-start-speed", "1e40"} << QByteArray() << "1e40";
        QTest::newRow("no such key") << QStringList{"send", "no-such-command"} << QByteArray() << "no-such-command";
        QTest::newRow("no such option") << QStringList{"--bogus", "send", "handshake"} << QByteArray() << "--bogus";
        QTest::newRow("no such command") << QStringList{"sned", "handshake"} << QByteArray() << "sned";
        QTest::newRow("address with 0x") << QStringList{"-a", "0x01", "send", "handshake"} << QByteArray() << "0x01";
        QTest::newRow("hex with 0x") << QStringList{"send", "--hex", "0x01 0x20 0x00"} << QByteArray() << "0x01";
        QTest::newRow("hex of words") << QStringList{"send", "--hex", "hello world"} << QByteArray() << "hello";
        QTest::newRow("hex digit without its pair") << QStringList{"send", "--hex", "01 2"} << QByteArray() << "01 2";
        QTest::newRow("a negative speed") << QStringList{"send", "set-max-speed", "-1"} << QByteArray() << "0 到 4294967295";
        QTest::newRow("run with an address") << QStringList{"-a", "5", "run", "SCRIPT"} << QByteArray("01 20 00 39 C0\r\n") << "-a";
        QTest::newRow("run in ascii") << QStringList{"--ascii", "run", "SCRIPT"} << QByteArray("01 20 00 39 C0\r\n") << "--ascii";
        QTest::newRow("24-bit count below 0") << QStringList{"send", "move-relative-24", "0", "-1"} << QByteArray() << "-1";
        QTest::newRow("direction 7") << QStringList{"send", "move-relative-24", "7", "10"} << QByteArray() << "7";
        QTest::newRow("mapping 1.5") << QStringList{"--plc", "--mapping", "1.5", "send", "handshake"} << QByteArray() << "1.5";
        QTest::newRow("mapping address 70000") << QStringList{"send", "set-mapping", "70000"} << QByteArray() << "65503";
        QTest::newRow("scan from above to") << QStringList{"scan", "--from", "10", "--to", "5"} << QByteArray() << "10";
        QTest::newRow("junit without a run") << QStringList{"--junit", "x.xml", "send", "handshake"} << QByteArray() << "--junit";
        QTest::newRow("an empty line") << QStringList{"run", "SCRIPT"} << QByteArray("01 20 00 39 C0\r\n\r\n01 26 00 3A 60\r\nExpect:value=999\r\n") << "第 2 行";
        QTest::newRow("delay 0") << QStringList{"run", "SCRIPT"} << QByteArray("01 20 00 39 C0\r\nDelay:0\r\n") << "第 2 行";
        QTest::newRow("expect after a delay") << QStringList{"run", "SCRIPT"} << QByteArray("01 20 00 39 C0\r\nDelay:10\r\nExpect:01 20 00\r\n") << "第 3 行";
        QTest::newRow("expect in lower case") << QStringList{"run", "SCRIPT"} << QByteArray("01 20 00 39 C0\r\nexpect:01 20 00\r\n") << "第 2 行";
        QTest::newRow("a line of text") << QStringList{"run", "SCRIPT"} << QByteArray("\xB5\xE7\xBB\xFA\r\n01 20 00 39 C0\r\n") << "第 1 行";
        QTest::newRow("a value check that cannot pass: abc") << QStringList{"run", "SCRIPT"} << QByteArray("01 26 00 3A 60\r\nExpect:value=abc\r\n") << "第 2 行";
        QTest::newRow("a value check in C's hex") << QStringList{"run", "SCRIPT"} << QByteArray("01 26 00 3A 60\r\nExpect:value=0x64\r\n") << "第 2 行";
        QTest::newRow("a value check in Basic's hex") << QStringList{"run", "SCRIPT"} << QByteArray("01 26 00 3A 60\r\nExpect:value=&H64\r\n") << "第 2 行";
        QTest::newRow("a value check with a point") << QStringList{"run", "SCRIPT"} << QByteArray("01 26 00 3A 60\r\nExpect:value=100.0\r\n") << "第 2 行";
        QTest::newRow("a motion state for a speed") << QStringList{"run", "SCRIPT"} << QByteArray("01 26 00 3A 60\r\nExpect:value=Stopped\r\n") << "第 2 行";
        QTest::newRow("a negative start speed") << QStringList{"run", "SCRIPT"} << QByteArray("01 26 00 3A 60\r\nExpect:value=-5\r\n") << "第 2 行";
        QTest::newRow("a value of a reply without one") << QStringList{"run", "SCRIPT"} << QByteArray("01 20 00 39 C0\r\nExpect:value=0\r\n") << "第 2 行";
        QTest::newRow("a new address past F7") << QStringList{"send", "set-address", "F8"} << QByteArray() << "F8";
        QTest::newRow("a new address in three digits") << QStringList{"send", "set-address", "100"} << QByteArray() << "100";
        QTest::newRow("value and json") << QStringList{"--value", "--json", "send", "handshake"} << QByteArray() << "--json";
        QTest::newRow("a report where none can be written") << QStringList{"run", "SCRIPT", "--junit", "/no/such/folder/r.xml"} << QByteArray("01 20 00 39 C0\r\n") << "/no/such/folder/r.xml";
        QTest::newRow("a profile where none can be written") << QStringList{"profile", "read", "/no/such/folder/p.json"} << QByteArray() << "/no/such/folder/p.json";
        QTest::newRow("scan from address 0") << QStringList{"scan", "--from", "0"} << QByteArray() << "--from";
        QTest::newRow("scan to F8") << QStringList{"scan", "--to", "F8"} << QByteArray() << "F8";
        QTest::newRow("expect bytes with an odd digit") << QStringList{"run", "SCRIPT"} << QByteArray("01 20 00 39 C0\r\nExpect:01 20 0\r\n") << "第 2 行";
    }
    // clang-format on
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, script);
        QFETCH(QString, named);
        Ears ears;
        sim::VirtualDevice device(ears.options());
        QVERIFY(device.start());
        args.prepend(Q(device.path()));
        args.prepend("--port");
        args.replaceInStrings(QRegularExpression("^SCRIPT$"), Script(dir_, script));
        const Run r = Cli(args);
        QCOMPARE(r.status, 2);
        QVERIFY2(QString::fromUtf8(r.err).contains(named), r.err.constData());
        QTest::qWait(50);
        QCOMPARE(ears.requests(), 0);
    }

    // Exit 0 only for a complete, passing run; the JSON summary says whether it completed,
    // and its counts add up.
    // clang-format off
    void outcomes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("script"); // for SCRIPT, or standard input
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("transactions");
        QTest::addColumn<bool>("completed");
        QTest::newRow("send") << QStringList{"send", "handshake"} << QByteArray() << 0 << 1 << true;
        QTest::newRow("send, nobody there") << QStringList{"-a", "2", "-t", "50", "send", "handshake"} << QByteArray() << 1 << 1 << true;
        QTest::newRow("two loops") << QStringList{"run", "SCRIPT", "--loops", "2", "--interval", "10"} << QByteArray("01 20 00 39 C0\r\n# a comment\r\n01 26 00 3A 60\r\nExpect:value=100\r\n") << 0 << 4 << true;
        QTest::newRow("a failing check") << QStringList{"run", "SCRIPT", "--loops", "1", "--interval", "10"} << QByteArray("01 26 00 3A 60\r\nExpect:value=999\r\n") << 1 << 1 << true;
        QTest::newRow("stop on a silent address") << QStringList{"-t", "50", "run", "SCRIPT", "--loops", "3", "--interval", "10", "--stop-on-fail"} << QByteArray("02 20 00 C9 C0\r\n01 20 00 39 C0\r\n") << 1 << 1 << false;
        QTest::newRow("script from standard input") << QStringList{"run", "-", "--loops", "1", "--interval", "10"} << QByteArray("01 20 00 39 C0\r\n") << 0 << 1 << true;
        QTest::newRow("byte-order mark") << QStringList{"run", "SCRIPT", "--loops", "1", "--interval", "10"} << QByteArray("\xEF\xBB\xBF" "01 20 00 39 C0\r\n") << 0 << 1 << true;
        QTest::newRow("plc: the value of a register read") << QStringList{"--plc", "run", "SCRIPT", "--loops", "1", "--interval", "10"} << QByteArray("01 26 00 3A 60\r\nExpect:value=100\r\n") << 0 << 1 << true;
        QTest::newRow("script from /dev/stdin") << QStringList{"run", "/dev/stdin", "--loops", "1", "--interval", "10"} << QByteArray("01 20 00 39 C0\r\n") << 0 << 1 << true;
        QTest::newRow("a UTF-8 script with a Chinese value") << QStringList{"run", "SCRIPT", "--loops", "1"} << QByteArray("\xEF\xBB\xBF# 查询状态\r\n01 3B 00 33 30\r\nExpect:value=停止\r\n") << 0 << 1 << true;
        QTest::newRow("options as people type them") << QStringList{"-pPORT", "-t500", "-jq", "send", "--", "handshake"} << QByteArray() << 0 << 1 << true;
        QTest::newRow("a new address, in hex") << QStringList{"send", "set-address", "1F"} << QByteArray() << 0 << 1 << true;
        QTest::newRow("a broadcast") << QStringList{"run", "SCRIPT", "--loops", "1", "--interval", "10"} << QByteArray("00 25 04 00 00 00 64 EC 1E\r\n") << 0 << 1 << true;
        QTest::newRow("a speed past the signed range") << QStringList{"send", "set-max-speed", "3000000000"} << QByteArray() << 0 << 1 << true;
        QTest::newRow("send to every drive") << QStringList{"-a", "0", "send", "estop"} << QByteArray() << 0 << 1 << true;
        QTest::newRow("send bytes to every drive") << QStringList{"send", "--hex", "00 20 00"} << QByteArray() << 0 << 1 << true;
    }
    // clang-format on
    void outcomes() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, script);
        QFETCH(int, status);
        QFETCH(int, transactions);
        QFETCH(bool, completed);
        Ears ears;
        sim::VirtualDevice device(ears.options());
        QVERIFY(device.start());
        args = QStringList{"--port", Q(device.path()), "--json"} + args;
        args.replaceInStrings(QRegularExpression("^SCRIPT$"), Script(dir_, script));
        args.replaceInStrings(QRegularExpression("^-pPORT$"), "-p" + Q(device.path()));
        const bool input = args.contains("-") || args.contains("/dev/stdin");
        const Run r = Cli(args, input ? script : QByteArray());
        QCOMPARE(r.status, status);
        for (const QJsonObject& o : r.lines())
            QVERIFY2(!o.isEmpty(), r.out.constData()); // every line is JSON
        const QJsonObject s = r.summary();
        QCOMPARE(s["transactions"].toInt(), transactions);
        QCOMPARE(s["completed"].toBool(), completed);
        QCOMPARE(s["exit"].toInt(), status);
        int counted = 0;
        for (const char* key :
             {"ok", "no_reply", "bad_checksum", "exception", "mismatch", "broadcast", "unchecked"})
            counted += s[key].toInt();
        QCOMPARE(counted, transactions);
        // What went on the wire is the script's bytes, whole, never text read as hex.
        for (const QString& heard : Heard(ears))
            QVERIFY2(!heard.startsWith("00 01") && !heard.startsWith("EF"), qPrintable(heard));
    }

    // Interrupted, it lets the transaction on the line end, prints the summary ("completed":
    // false, "exit": 128 + the signal) and then ends by the signal itself, as a shell expects;
    // also while it waits for a script on standard input. A second Ctrl-C ends at once.
    void interrupted_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGPIPE") << SIGPIPE;
    }
    void interrupted() {
        QFETCH(int, signal);
        sim::VirtualDevice device({.replyDelay = 20ms, .trace = {}});
        QVERIFY(device.start());
        const QString script = Script(dir_, "01 20 00 39 C0\r\n");
        const QString report = dir_.filePath(QString("interrupted%1.xml").arg(signal));
        for (const QStringList& run :
             {QStringList{"run", script, "--interval", "10", "--junit", report},
              QStringList{"run", "-"}}) {
            QProcess p;
            p.start(STEPBENCH_CLI_PATH, QStringList{"--port", Q(device.path()), "--json"} + run);
            QVERIFY(p.waitForStarted());
            // Under way: a script's first transaction told, or standard input being read.
            if (run[1] == "-")
                QTest::qWait(400);
            else
                QVERIFY(p.waitForReadyRead(30000));
            ::kill(pid_t(p.processId()), signal);
            QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 2000);
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            QCOMPARE(p.exitCode(), signal);
            const Run r{p.exitCode(), p.readAllStandardOutput(), {}};
            const QJsonObject s = r.summary();
            QCOMPARE(s["exit"].toInt(), 128 + signal);
            QCOMPARE(s["completed"].toBool(), false);
            QCOMPARE(s["ok"].toInt(), s["transactions"].toInt()); // none cut off
            QVERIFY(r.out.contains("\"kind\":\"interrupted\""));
        }
        QVERIFY(QFile::exists(report));

        // Waiting for a reply that takes a minute, a second Ctrl-C does not wait.
        QProcess p;
        p.start(STEPBENCH_CLI_PATH,
                {"--port", Q(device.path()), "-a", "2", "-t", "60000", "send", "handshake"});
        QVERIFY(p.waitForStarted());
        QTest::qWait(300);
        ::kill(pid_t(p.processId()), SIGINT);
        QTest::qWait(200);
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), SIGINT);
        QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 1000);
        QCOMPARE(p.exitCode(), SIGINT);
    }

    // Ctrl-C in a terminal stops a shell loop around the program, as it stops one around any
    // other: the run in progress ends with its summary, and no later run starts.
    void ctrlCStopsAShellLoop() {
        Ears ears;
        sim::VirtualDevice device(ears.options());
        QVERIFY(device.start());
        const QString errors = dir_.filePath("loop-errors.txt");
        const QByteArray loop =
            QString("for i in 1 2 3; do '%1' --port '%2' run '%3' --interval 20 >/dev/null "
                    "2>>'%4'; echo \"after $i\"; done")
                .arg(STEPBENCH_CLI_PATH, Q(device.path()), Script(dir_, "01 20 00 39 C0\r\n"),
                     errors)
                .toUtf8();
        int terminal = -1;
        const pid_t shell = forkpty(&terminal, nullptr, nullptr, nullptr);
        QVERIFY(shell >= 0);
        if (shell == 0) {
            // As in a user's terminal, whatever the test's own handlers and mask.
            for (int n : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT})
                std::signal(n, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            execlp("bash", "bash", "-c", loop.constData(), nullptr);
            _exit(127);
        }
        QTRY_VERIFY_WITH_TIMEOUT(ears.requests() >= 5, 5000);
        QCOMPARE(::write(terminal, "\x03", 1), 1);
        int status = 0;
        pid_t ended = 0;
        for (int waited = 0; waited < 3000 && !ended; waited += 10) {
            QTest::qWait(10);
            ended = waitpid(shell, &status, WNOHANG);
        }
        QCOMPARE(ended, shell);
        QByteArray said;
        char buffer[4096];
        for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
            said.append(buffer, n);
        ::close(terminal);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT, said.constData());
        QVERIFY2(!said.contains("after"), said.constData());
        const int heard = ears.requests();
        QTest::qWait(300);
        QCOMPARE(ears.requests(), heard);
        QFile f(errors);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()).count("没有完成"), 1); // one run, summed up
    }

    // The device pulled mid-run: exit 3, after an event and the summary.
    void portLostMidRun() {
        auto device = std::make_unique<sim::VirtualDevice>();
        QVERIFY(device->start());
        const QString script = Script(dir_, "01 20 00 39 C0\r\n");
        QProcess p;
        p.start(STEPBENCH_CLI_PATH,
                {"--port", Q(device->path()), "--json", "run", script, "--interval", "10"});
        QVERIFY(p.waitForStarted());
        QVERIFY(p.waitForReadyRead(30000)); // under way
        device.reset();
        QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 3000);
        QCOMPARE(p.exitCode(), 3);
        const Run r{p.exitCode(), p.readAllStandardOutput(), {}};
        QVERIFY(r.out.contains("\"kind\":\"port_lost\""));
        QCOMPARE(r.summary()["completed"].toBool(), false);
    }

    // A profile read from one drive, compared with and written to several; a drive that is not
    // there fails, and with --stop-on-fail ends the run.
    void profiles() {
        sim::VirtualDevice device({.address = 1, .more = {2, 3, 4}});
        QVERIFY(device.start());
        const QString port = Q(device.path());
        const QString file = dir_.filePath("drive2.json");
        QCOMPARE(
            Cli({"-p", port, "-b", "115200", "-a", "2", "send", "set-start-speed", "2222"}).status,
            0);
        QCOMPARE(Cli({"-p", port, "-b", "115200", "-a", "2", "profile", "read", file}).status, 0);
        const auto drives = [](const Run& r) {
            QStringList out;
            for (const QJsonObject& o : r.lines())
                if (o.contains("drive"))
                    out << QString("%1 %2")
                               .arg(o["drive"].toObject()["address"].toInt())
                               .arg(o["drive"].toObject()["verdict"].toString());
            return out;
        };
        Run r = Cli({"-p", port, "-b", "115200", "-a", "1-4", "-j", "profile", "compare", file});
        QCOMPARE(r.status, 1);
        QCOMPARE(drives(r), (QStringList{"1 different", "2 ok", "3 different", "4 different"}));
        QCOMPARE(r.lines().first()["drive"].toObject()["differing"].toArray(),
                 QJsonArray{"start-speed"});
        r = Cli({"-p", port, "-b", "115200", "-a", "1,3-4", "-t", "50", "-j", "profile", "write",
                 file});
        QCOMPARE(r.status, 0);
        QCOMPARE(drives(r), (QStringList{"1 ok", "3 ok", "4 ok"}));
        r = Cli({"-p", port, "-b", "115200", "-a", "1-4", "-j", "profile", "compare", file});
        QCOMPARE(r.status, 0);
        r = Cli({"-p", port, "-b", "115200", "-a", "4-6", "-t", "50", "-j", "--stop-on-fail",
                 "profile", "write", file});
        QCOMPARE(r.status, 1);
        QCOMPARE(drives(r), (QStringList{"4 ok", "5 failed"}));
        QCOMPARE(r.summary()["completed"].toBool(), false);
        QCOMPARE(Cli({"-p", port, "-a", "1-2", "profile", "read", file}).status, 2); // one drive
    }

    // Killed outright mid-run: every transaction it had reported is in the log, in whole lines.
    void logSurvivesAKill() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const QString script = Script(dir_, "01 20 00 39 C0\r\n01 26 00 3A 60\r\n");
        const QString log = dir_.filePath("traffic.csv");
        QProcess p;
        p.start(STEPBENCH_CLI_PATH, {"--port", Q(device.path()), "--json", "--log", log, "run",
                                     script, "--interval", "5"});
        QVERIFY(p.waitForStarted());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += p.readAllStandardOutput()).count('\n') >= 20, 5000);
        ::kill(pid_t(p.processId()), SIGKILL);
        QVERIFY(p.waitForFinished(2000));
        out += p.readAllStandardOutput();
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.endsWith("\r\n")); // no half line
        const QList<QByteArray> lines = bytes.trimmed().split('\n');
        QSet<QByteArray> logged;
        for (const QByteArray& line : lines.mid(1))
            logged << line.left(line.indexOf(','));
        int reported = 0;
        for (const QByteArray& line : out.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!o.contains("id")) continue;
            ++reported;
            QVERIFY2(logged.contains(QByteArray::number(o["id"].toInt())), line.constData());
        }
        QVERIFY(reported >= 20);
    }

    // The log is the window's: its columns, late replies among the transactions. A disk that
    // will not take a line (here a file size limit) leaves whole lines, says why, and ends the
    // run with a failure.
    void logLikeTheWindowsAndItsFailure() {
        sim::VirtualDevice device({.replyDelay = 150ms});
        QVERIFY(device.start());
        const QString script = Script(dir_, "01 26 00 3A 60\r\n");
        const QString log = dir_.filePath("late.csv");
        QProcess p;
        p.setChildProcessModifier([] {
            const rlimit limit{700, 700};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
        });
        p.start(STEPBENCH_CLI_PATH, {"--port", Q(device.path()), "--json", "-t", "100", "--log",
                                     log, "run", script, "--interval", "10"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 1);
        const Run r{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
        QVERIFY2(r.out.contains("\"kind\":\"log_error\""), r.out.constData());
        QVERIFY(!r.err.contains("Unknown error"));
        QCOMPARE(r.summary()["completed"].toBool(), false);
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.endsWith("\r\n"));
        const QStringList lines = QString::fromUtf8(bytes).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines[0], "\uFEFF" + TransactionCsvHeader());
        QVERIFY(lines.filter(",查询运动初速度,,01 26 04 00 00 00 64 FC ED,,迟到应答 (答第").size() >
                0);
        QVERIFY(lines.filter(",01,查询运动初速度,01 26 00 3A 60,,,无应答").size() > 0);
    }

    // A device that misbehaves at random in every way a bad line does, and says what it did:
    // every verdict is true to it. ok only with the reply sent for that very request (or a
    // late one that came while the program was held up, with its round trip past the timeout
    // saying so), every request one row, every late reply linked only to a request that got
    // none, the summary agreeing with the rows.
    void chaos_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<bool>("pace");
        QTest::addColumn<bool>("plc");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("loops"); // of a script of four requests
        QTest::addColumn<int>("seed");
        // A longer run: STEPBENCH_CHAOS_LOOPS and STEPBENCH_CHAOS_SEED (more loops, another seed).
        const int more = qEnvironmentVariableIntValue("STEPBENCH_CHAOS_LOOPS");
        const int seed = qEnvironmentVariableIntValue("STEPBENCH_CHAOS_SEED");
        QTest::addColumn<bool>("ascii");
        QTest::newRow("9600") << 9600 << false << false << 60 << (more ? more : 60) << seed + 1
                              << false;
        QTest::newRow("9600 plc") << 9600 << false << true << 60 << (more ? more : 30) << seed + 2
                                  << false;
        QTest::newRow("9600 ascii")
            << 9600 << false << false << 60 << (more ? more : 20) << seed + 4 << true;
        QTest::newRow("1200 paced")
            << 1200 << true << false << 150 << (more ? more / 8 : 8) << seed + 3 << false;
    }
    void chaos() {
        QFETCH(int, baud);
        QFETCH(bool, pace);
        QFETCH(bool, plc);
        QFETCH(int, timeout);
        QFETCH(int, loops);
        QFETCH(int, seed);
        QFETCH(bool, ascii);
        std::mutex mutex;
        std::vector<QJsonObject> truth;
        sim::DeviceOptions options{.pace = pace,
                                   .chaosTimeout = std::chrono::milliseconds(timeout)};
        options.chaosSeed = unsigned(seed);
        options.truth = [&](const std::string& line) {
            std::lock_guard lock(mutex);
            truth.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
        };
        sim::VirtualDevice device(options);
        QVERIFY(device.start());
        QByteArray lines;
        for (const char* request : {"012600", "013700", "012600", "012504000001F4"}) {
            const Bytes frame = ascii ? EncodeAsciiFrame(B(request)) : EncodeRtuFrame(B(request));
            lines += Hex(frame).toLatin1() + "\r\n";
        }
        const QString script = Script(dir_, lines);
        QStringList args{"--port",
                         Q(device.path()),
                         "-b",
                         QString::number(baud),
                         "--json",
                         "-t",
                         QString::number(timeout),
                         "run",
                         script,
                         "--loops",
                         QString::number(loops),
                         "--interval",
                         "1"};
        if (plc) args.prepend("--plc");
        QProcess p;
        p.start(STEPBENCH_CLI_PATH, args);
        QVERIFY(p.waitForFinished(600000));
        const Run r{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
        device.stop();
        QList<QJsonObject> rows, late;
        for (const QJsonObject& o : r.lines()) {
            if (o.contains("id")) rows << o;
            if (o.contains("late")) late << o["late"].toObject();
        }
        QCOMPARE(rows.size(), loops * 4);
        QCOMPARE(int(truth.size()), rows.size());
        const QMap<QString, QString> expected{{"normal", "ok"},
                                              {"split", "ok"},
                                              {"noise", "ok"},
                                              {"doubled", "ok"},
                                              {"damaged", "bad_checksum"},
                                              {"no_reply", "no_reply"},
                                              {"noise_only", "no_reply"},
                                              {"late", "no_reply"},
                                              {"other_address", "mismatch"}};
        int failures = 0, held = 0;
        for (int i = 0; i < rows.size(); ++i) {
            const QJsonObject& row = rows[i];
            const QString did = truth[std::size_t(i)]["did"].toString();
            const QString verdict = row["verdict"].toString();
            const QString reply = truth[std::size_t(i)]["reply"].toString();
            const QString what = QString("request %1 (%2): %3, reply %4")
                                     .arg(i + 1)
                                     .arg(did, verdict, row["reply"].toString());
            QVERIFY2(expected.contains(did), qPrintable(what));
            if (did == "late" && verdict == "ok") {
                // Read when the program came to look, after a busy moment.
                QVERIFY2(row["reply"].toString() == reply &&
                             row["round_trip_ms"].toDouble() > timeout,
                         qPrintable(what));
                ++held;
                continue;
            }
            QVERIFY2(verdict == expected[did], qPrintable(what));
            if (verdict == "ok") QVERIFY2(row["reply"].toString() == reply, qPrintable(what));
            if (verdict != "ok") ++failures;
        }
        // Late replies: each linked to a request that got none. (Which one, when replies come
        // later than the queue waits, depends on how busy the machine is: test_queue links them
        // on a line of its own timing.)
        for (const QJsonObject& l : late)
            if (l.contains("answers")) {
                const int id = l["answers"].toInt();
                QVERIFY2(rows[id - 1]["verdict"].toString() != "ok",
                         qPrintable(QString::number(id)));
            }
        const QJsonObject s = r.summary();
        QCOMPARE(s["transactions"].toInt(), rows.size());
        QCOMPARE(s["ok"].toInt(), rows.size() - failures);
        QCOMPARE(s["late"].toInt(), late.size());
        QCOMPARE(s["exit"].toInt(), r.status);
        QCOMPARE(r.status, failures ? 1 : 0);
        if (held) qInfo("%d late replies read after a busy moment", held);
    }

    // The exit status of each way a run ends, as --help documents it.
    void exitStatus_data() {
        QTest::addColumn<int>("ending");
        QTest::addColumn<int>("failed");
        QTest::addColumn<int>("checksFailed");
        QTest::addColumn<bool>("scan");
        QTest::addColumn<int>("found");
        QTest::addColumn<int>("status");
        using E = Outcome::Ending;
        QTest::newRow("complete") << int(E::Finished) << 0 << 0 << false << 0 << 0;
        QTest::newRow("a failed transaction") << int(E::Finished) << 1 << 0 << false << 0 << 1;
        QTest::newRow("a failed check") << int(E::Finished) << 0 << 1 << false << 0 << 1;
        QTest::newRow("stopped early") << int(E::StoppedOnFail) << 1 << 0 << false << 0 << 1;
        QTest::newRow("stopped by the user") << int(E::Stopped) << 0 << 0 << false << 0 << 1;
        QTest::newRow("the log failed") << int(E::LogFailed) << 0 << 0 << false << 0 << 1;
        QTest::newRow("nothing sent") << int(E::NotStarted) << 0 << 0 << false << 0 << 1;
        QTest::newRow("port lost") << int(E::PortLost) << 0 << 0 << false << 0 << 3;
        QTest::newRow("port failed") << int(E::PortFailed) << 0 << 0 << false << 0 << 3;
        QTest::newRow("SIGINT") << int(E::Interrupted) << 0 << 0 << false << 0 << 130;
        QTest::newRow("a scan that found one") << int(E::Finished) << 0 << 0 << true << 1 << 0;
        QTest::newRow("a scan that found none") << int(E::Finished) << 0 << 0 << true << 0 << 1;
    }
    void exitStatus() {
        QFETCH(int, ending);
        QFETCH(int, failed);
        QFETCH(int, checksFailed);
        QFETCH(bool, scan);
        QFETCH(int, found);
        QFETCH(int, status);
        Outcome o{.ending = Outcome::Ending(ending),
                  .signal = SIGINT,
                  .failed = failed,
                  .checksFailed = checksFailed,
                  .found = found};
        QCOMPARE(cli::ExitStatus(o, scan), status);
    }

    // The window's log and the command line's of the same run are the same lines but for
    // their times.
    void logsOfBothFaces() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const QStringList lines{"01 20 00 39 C0", "01 26 00 3A 60", "02 20 00 C9 C0"};
        const QString cliLog = dir_.filePath("cli-log.csv");
        const Run r =
            Cli({"-p", Q(device.path()), "-q", "-t", "50", "--log", cliLog, "run",
                 Script(dir_, lines.join("\r\n").toLatin1()), "--loops", "1", "--interval", "20"});
        QCOMPARE(r.status, 1);
        Window win;
        win.type("TextReplyTimeout", "50");
        emit win.w<QLineEdit>("TextReplyTimeout")->editingFinished();
        QVERIFY(win.open(device.path()));
        win.prompter.fileName = dir_.filePath("window-log.csv");
        win.click("CheckLogToFile");
        for (const QString& l : lines)
            win.w<QListWidget>("List1")->addItem(l);
        win.type("Text22", "20");
        win.click("Check1");
        QTRY_VERIFY(win.main.bench().stats().total().sent >= 3);
        win.click("Check1");
        QTRY_VERIFY(win.main.queue().idle());
        win.click("CheckLogToFile");
        const auto read = [](const QString& path) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            QStringList rows;
            for (const QString& line : QString::fromUtf8(f.readAll()).split("\r\n").mid(0, 4)) {
                QStringList cells = line.split(',');
                for (int timed : {1, 2, 7}) // time, gap, round trip
                    if (cells.size() > timed) cells[timed].clear();
                rows << cells.join(',');
            }
            return rows;
        };
        QCOMPARE(read(win.prompter.fileName), read(cliLog));
    }

    // Typed, documented fields; the value alone with --value; in English when asked.
    void output() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const QString port = Q(device.path());
        Run r = Cli({"-p", port, "-j", "send", "query-state"});
        QJsonObject t = r.lines().first();
        QCOMPARE(t["moving"], QJsonValue(false));
        QCOMPARE(t["left_limit"], QJsonValue(false));
        QCOMPARE(t["id"].toInt(), 1);
        QVERIFY(
            QRegularExpression("([+-]\\d\\d:\\d\\d|Z)$").match(t["time"].toString()).hasMatch());
        const double rtt = t["round_trip_ms"].toDouble();
        QCOMPARE(std::round(rtt * 10) / 10, rtt);
        r = Cli({"-p", port, "-j", "send", "query-baud"});
        QCOMPARE(r.lines().first()["value"].toInt(), 6);
        // The device maps its registers from 0: at 1000 there is nothing.
        r = Cli({"-p", port, "-j", "--plc", "--mapping=1000", "send", "query-start-speed"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.lines().first()["exception"].toObject()["code"].toInt(), 2);
        r = Cli({"-p", port, "--value", "send", "query-start-speed"});
        QCOMPARE(r.out, QByteArray("100\n"));
        r = Cli({"-p", port, "--plc", "--value", "send", "query-start-speed"});
        QCOMPARE(r.out, QByteArray("100\n"));
        r = Cli({"-p", port, "--lang", "en", "send", "query-start-speed"});
        QVERIFY2(r.out.contains("Query start speed:") && r.out.contains(" OK "), r.out.constData());
        QVERIFY2(!QString::fromUtf8(r.err).contains(QRegularExpression("[\\x{4e00}-\\x{9fff}]")),
                 r.err.constData());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("LC_ALL");
        env.remove("LC_MESSAGES");
        env.insert("LANG", "en_US.UTF-8");
        r = Cli({"-p", port, "send", "query-start-speed"}, {}, env);
        QVERIFY(r.out.contains("Query start speed:"));
    }

    // In the PLC protocol the commands of the device's own protocol go unwrapped.
    void plcLeavesTheDevicesOwnCommands() {
        Ears ears;
        sim::VirtualDevice device(ears.options());
        QVERIFY(device.start());
        const Run r = Cli({"-p", Q(device.path()), "--plc", "send", "query-io-override", "00101"});
        QCOMPARE(r.status, 0);
        QCOMPARE(Heard(ears), QStringList{Hex(EncodeRtuFrame(B("01410105")))});
    }

    // A JUnit report: a case per transaction, failing with its verdict or its failed check.
    void junit() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const QString script =
            Script(dir_, "01 20 00 39 C0\r\n01 26 00 3A 60\r\nExpect:value=9\r\n00 3D "
                         "00 75 F0\r\n09 20 00 B8 02\r\n");
        const QString report = dir_.filePath("report.xml");
        const Run r = Cli({"-p", Q(device.path()), "-q", "-t", "50", "run", script, "--loops", "2",
                           "--interval", "10", "--junit", report});
        QCOMPARE(r.status, 1);
        QFile f(report);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        QStringList cases, failures;
        QMap<QString, double> times;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == u"testsuite") {
                QVERIFY(xml.attributes().value("time").toDouble() > 0.1);
                QVERIFY(!xml.attributes().value("hostname").isEmpty());
            }
            if (xml.name() == u"testcase") {
                cases << xml.attributes().value("name").toString();
                times[cases.last()] = xml.attributes().value("time").toDouble();
            }
            if (xml.name() == u"failure")
                failures << cases.last() + ": " + xml.attributes().value("message").toString();
        }
        QVERIFY(!xml.hasError());
        QCOMPARE(cases, (QStringList{"line 1: handshake", "line 2: query-start-speed",
                                     "line 4: stop", "line 5: handshake", "line 1: handshake (2)",
                                     "line 2: query-start-speed (2)", "line 4: stop (2)",
                                     "line 5: handshake (2)"}));
        QCOMPARE(failures.size(), 4);
        QVERIFY2(failures[0].startsWith("line 2:") && failures[0].contains("9"),
                 qPrintable(failures[0]));
        // A request without a reply took its timeout.
        QCOMPARE(times["line 5: handshake"], 0.05);
    }

    // Expect lines pass and fail alike in the command line and the window.
    void expectLinesInTheWindow() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const QString bad = Script(dir_, "01 26 00 3A 60\r\nExpect:value=99\r\n");
        const QString broken = Script(dir_, "01 26 00 3A 60\r\nExpect:\r\n");
        Window win;
        QVERIFY(win.open(device.path()));
        win.prompter.fileName = broken;
        win.click("Command54");
        QVERIFY(win.prompter.messages.last().contains("第 2 行"));
        QCOMPARE(win.w<QListWidget>("List1")->count(), 0);
        // A frame whose checksum is wrong loads, with a word about it.
        win.prompter.fileName = Script(dir_, "01 20 00 39 C1\r\n");
        win.click("Command54");
        QVERIFY2(win.main.statusBar()->currentMessage().contains("第 1 行的校验码不对"),
                 qPrintable(win.main.statusBar()->currentMessage()));
        win.prompter.fileName = bad;
        win.click("Command54");
        win.type("Text22", "20");
        win.click("Check1");
        QTRY_VERIFY(!win.main.runner().isRunning());
        QVERIFY(!win.w<QAbstractButton>("Check1")->isChecked());
        QVERIFY(win.prompter.messages.last().contains("第 2 行的检查未通过"));
    }

    // With --json every way a run ends has its event and the summary last, whose exit is the
    // status; paths that cannot be written are found before the port opens.
    // clang-format off
    void everyExitSummedUp_data() {
        QTest::addColumn<QStringList>("args"); // PORT stands for the device
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("status");
        QTest::newRow("an option") << QStringList{"--port", "PORT", "-jq", "--bogus", "send", "handshake"} << "usage_error" << 2;
        QTest::newRow("a serial port") << QStringList{"--json", "--port", "/dev/no-such-port", "send", "handshake"} << "port_error" << 3;
        QTest::newRow("a log file") << QStringList{"--json", "--port", "PORT", "--log", "/no/such/folder/l.csv", "send", "handshake"} << "log_error" << 2;
        QTest::newRow("a profile file") << QStringList{"--json", "--port", "PORT", "profile", "compare", "/no/such/p.json"} << "profile_error" << 2;
        QTest::newRow("a script") << QStringList{"--json", "--port", "PORT", "run", "/no/such/script.txt"} << "usage_error" << 2;
        QTest::newRow("a bus with more answers") << QStringList{"--json", "--port", "PORT", "send", "query-address"} << "extra_replies" << 1;
    }
    // clang-format on
    void everyExitSummedUp() {
        QFETCH(QStringList, args);
        QFETCH(QString, kind);
        QFETCH(int, status);
        Ears ears;
        sim::VirtualDevice device(ears.options({.address = 1, .more = {2, 3, 4}}));
        QVERIFY(device.start());
        args.replaceInStrings(QRegularExpression("^PORT$"), Q(device.path()));
        const Run r = Cli(args);
        QCOMPARE(r.status, status);
        QStringList kinds;
        for (const QJsonObject& o : r.lines()) {
            QVERIFY2(!o.isEmpty(), r.out.constData());
            kinds << o["event"].toObject()["kind"].toString();
        }
        QVERIFY2(kinds.contains(kind), r.out.constData());
        QCOMPARE(r.summary()["exit"].toInt(), status);
        if (status == 2 || status == 3) QCOMPARE(ears.requests(), 0);
    }

    // Any drive answers the address query to 0: each answer is counted before the summary, and
    // more than one is no success. With -a it goes to that drive alone.
    void theAddressQueryOnABus() {
        Ears ears;
        sim::VirtualDevice device(ears.options({.address = 1, .more = {2, 3, 4}}));
        QVERIFY(device.start());
        Run r = Cli({"-p", Q(device.path()), "-j", "send", "query-address"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out.count("{\"late\""), 3);
        QCOMPARE(r.summary()["late"].toInt(), 3);
        // As text, each with its bytes.
        r = Cli({"-p", Q(device.path()), "send", "query-address"});
        QCOMPARE(r.status, 1);
        for (const char* late :
             {"迟到应答  02 21 01 02", "迟到应答  03 21 01 03", "迟到应答  04 21 01 04"})
            QVERIFY2(QString::fromUtf8(r.out).contains(late), r.out.constData());
        r = Cli({"-p", Q(device.path()), "-j", "-a", "3", "send", "query-address"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.lines().first()["request"].toString(), "03 21 00 99 90");
        QCOMPARE(r.lines().first()["value"].toInt(), 3);
    }

    // --value: the decoded value of every command that has one, why there is none on standard
    // error.
    // clang-format off
    void values_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<int>("status");
        QTest::newRow("a number") << QStringList{"send", "query-start-speed"} << QByteArray("100\n") << "" << 0;
        QTest::newRow("a register read") << QStringList{"--plc", "send", "query-start-speed"} << QByteArray("100\n") << "" << 0;
        QTest::newRow("the motion state") << QStringList{"send", "query-state"} << QByteArray("moving=false left_limit=false home=false right_limit=false\n") << "" << 0;
        QTest::newRow("the inputs") << QStringList{"send", "query-inputs"} << QByteArray("in1=false in2=false in3=false in4=false in5=false\n") << "" << 0;
        QTest::newRow("no reply") << QStringList{"-a", "2", "-t", "50", "send", "query-state"} << QByteArray() << "无应答" << 1;
        QTest::newRow("an exception") << QStringList{"--plc", "--mapping", "1000", "send", "query-start-speed"} << QByteArray() << "异常应答" << 1;
    }
    // clang-format on
    void values() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QFETCH(QString, err);
        QFETCH(int, status);
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const Run r = Cli(QStringList{"-p", Q(device.path()), "--value"} + args);
        QCOMPARE(r.status, status);
        QCOMPARE(r.out, out);
        QVERIFY2(QString::fromUtf8(r.err).contains(err), r.err.constData());
    }

    // Checks of a script: a motion state in either language, its failure in the language of the
    // output; a frame whose checksum is wrong is sent as written, named at load, and a check after
    // it says why it cannot pass.
    // clang-format off
    void checks_data() {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("Stopped") << "en" << QByteArray("01 3B 00 33 30\r\nExpect:value=Stopped\r\n") << 0 << "passed";
        QTest::newRow("停止 in English") << "en" << QByteArray("01 3B 00 33 30\r\nExpect:value=停止\r\n") << 0 << "passed";
        QTest::newRow("Moving") << "en" << QByteArray("01 3B 00 33 30\r\nExpect:value=Moving\r\n") << 1 << "the value is \"Stopped\", expected \"Moving\"";
        QTest::newRow("a wrong checksum") << "zh" << QByteArray("01 20 00 39 C1\r\nExpect:01 20 00\r\n") << 1 << "第 1 行的校验码不对，驱动器不会应答它";
        QTest::newRow("a frame without one") << "zh" << QByteArray("01 26 00\r\n") << 1 << "第 1 行的校验码不对";
    }
    // clang-format on
    void checks() {
        QFETCH(QString, lang);
        QFETCH(QByteArray, script);
        QFETCH(int, status);
        QFETCH(QString, said);
        sim::VirtualDevice device;
        QVERIFY(device.start());
        const Run r = Cli({"-p", Q(device.path()), "--lang", lang, "-t", "50", "run",
                           Script(dir_, script), "--loops", "1"});
        QCOMPARE(r.status, status);
        QVERIFY2(QString::fromUtf8(r.out + r.err).contains(said), (r.out + r.err).constData());
        // Sent as written.
        QVERIFY(r.out.contains(script.left(script.indexOf('\r')) + " ->"));
    }

    // A session: a line in, its one line out before the next goes in (a late reply told aside),
    // the port kept open; a line that cannot run says why and the session goes on, and fails
    // at the end.
    void session() {
        sim::VirtualDevice device({.address = 1, .more = {2}, .trace = {}});
        QVERIFY(device.start());
        QProcess p;
        p.start(STEPBENCH_CLI_PATH, {"-p", Q(device.path()), "--json", "-t", "50", "session"});
        QVERIFY(p.waitForStarted());
        const auto ask = [&p](const QByteArray& line) {
            p.write(line + "\n");
            QByteArray answer;
            while (!answer.endsWith('\n') && p.waitForReadyRead(2000))
                answer += p.readAllStandardOutput();
            return QJsonDocument::fromJson(answer).object();
        };
        QCOMPARE(ask("send set-max-speed 3000")["verdict"].toString(), "ok");
        QCOMPARE(ask("send query-max-speed")["value"].toInt(), 3000);
        QCOMPARE(ask("Expect:value=3000")["check"].toObject()["passed"].toBool(), true);
        QCOMPARE(ask("send -a 3 handshake")["verdict"].toString(), "no_reply");
        QCOMPARE(ask("send query-address")["value"].toInt(), 1); // and drive 2's, late
        QCOMPARE(ask("01 26 00 3A 60")["value"].toInt(), 100);
        QCOMPARE(ask("send --hex 01 20 00")["verdict"].toString(), "ok");
        QCOMPARE(ask("Delay:20")["event"].toObject()["kind"].toString(), "delay");
        QCOMPARE(ask("send no-such-command")["event"].toObject()["line"].toInt(), 9);
        p.write("# a comment\n\nquit\n");
        QVERIFY(p.waitForFinished(3000));
        QCOMPARE(p.exitCode(), 1);
        const Run r{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
        QCOMPARE(r.lines().size(), 1); // the summary alone
        QCOMPARE(r.summary()["transactions"].toInt(), 6);
        QCOMPARE(r.summary()["checks_passed"].toInt(), 1);
        QCOMPARE(r.summary()["late"].toInt(), 1);
        QVERIFY(r.err.contains("02 21 01 02"));
    }

    // A profile read whose file cannot be saved after all is a failed drive.
    void aProfileNotSavedFails() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        QTemporaryDir folder;
        const QString file = folder.filePath("p.json");
        QProcess p;
        p.start(STEPBENCH_CLI_PATH, {"-p", Q(device.path()), "-j", "profile", "read", file});
        QVERIFY(p.waitForStarted());
        QTest::qWait(100);
        folder.remove();
        QVERIFY(p.waitForFinished(10000));
        const Run r{p.exitCode(), p.readAllStandardOutput(), {}};
        QCOMPARE(r.status, 1);
        QCOMPARE(r.lines()[r.lines().size() - 2]["drive"].toObject()["verdict"].toString(),
                 "failed");
    }

    void scan() {
        sim::VirtualDevice device({.address = 7, .trace = {}});
        QVERIFY(device.start());
        const Run r = Cli({"--port", Q(device.path()), "--json", "--timeout", "20", "scan",
                           "--from", "5", "--to", "A"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains("{\"found\":{\"address\":7,\"address_hex\":\"07\",\"baud\":9600"));
        QCOMPARE(r.summary()["transactions"].toInt(), 6);
        QCOMPARE(Cli({"--port", "/dev/no-such-port", "send", "handshake"}).status, 3);
    }
};

QTEST_MAIN(TestCli)
#include "test_cli.moc"
