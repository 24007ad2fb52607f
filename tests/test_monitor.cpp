#include "codec/frame.h"
#include "ears.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "ui/monitor_view.h"
#include "window_support.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace stepbench;
using namespace std::chrono_literals;

namespace {

// The verdicts of the monitor's rows, oldest first.
QStringList Verdicts(Window& win) {
    auto* model = win.main.findChild<QTableView*>("TransactionTable")->model();
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, TransactionModel::Result).data().toString();
    return out;
}

void SetTimeout(Window& win, const char* ms) {
    win.type("TextReplyTimeout", ms);
    emit win.w<QLineEdit>("TextReplyTimeout")->editingFinished();
}

// Requests and replies in the order the device saw and sent them ("<" and ">").
QString Order(const std::vector<std::string>& lines) {
    QString order;
    for (const std::string& line : lines)
        order += line.starts_with("<-") ? '<' : line.starts_with("->") ? '>' : '?';
    return order;
}

} // namespace

class TestMonitor : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // At 2400 baud a reply is still on the line at the first poll: it is one frame all the same.
    void slowLineReplyIsOneFrame() {
        sim::VirtualDevice device({.replyDelay = 5ms, .pace = true, .trace = {}});
        QVERIFY(device.start());
        Window win;
        win.type("Combo2", "2400");
        QVERIFY(win.open(device.path()));
        win.click("Command58");
        QTRY_COMPARE(win.text("Text26"), QString("10000"));
        QCOMPARE(win.lines("RichTextBox1").filter("RecHex:").size(), 1);
        QTRY_COMPARE(Verdicts(win), QStringList{"正常"});
        const double rtt = win.main.findChild<QTableView*>("TransactionTable")
                               ->model()
                               ->index(0, TransactionModel::RoundTrip)
                               .data()
                               .toDouble();
        QVERIFY2(rtt > 37, qPrintable(QString::number(rtt))); // 9 bytes at 2400 take 37.5 ms
    }

    // Bytes that make no frame (a length byte hit on the line) are shown, and change nothing:
    // no field, no report line naming a command.
    void bytesThatMakeNoFrameChangeNothing() {
        PtyPeer peer;
        Window win;
        SetTimeout(win, "60");
        QVERIFY(win.open(peer.path()));
        const QString before = win.text("Text27");
        win.click("Command57");
        Received(peer);
        Spin(20); // the query has crossed the line
        peer.write(B("01 26 05 00 00 03 E8 FD B8"));
        QTRY_COMPARE(Verdicts(win), QStringList{"无应答"});
        QTRY_VERIFY(win.text("RichTextBox1").contains("RecHex:01 26 05 00 00 03 E8 FD B8"));
        QCOMPARE(win.text("Text27"), before);
        QVERIFY(!win.text("RichTextBox1").contains("查询运动初速度:"));
    }

    // Stray bytes before an ASCII line, a ':' among them, hide nothing.
    void noiseBeforeAnAsciiLine() {
        PtyPeer peer;
        Window win;
        win.type("Combo7", "Modbus ASC");
        QVERIFY(win.open(peer.path()));
        win.click("Command57");
        Received(peer);
        Spin(20); // the query has crossed the line
        peer.write(B(QByteArray("Z::0126040000006471\r\n")));
        QTRY_COMPARE(win.text("Text27"), QString("100"));
        QTRY_COMPARE(Verdicts(win), QStringList{"正常"});
        // ASCII frames read as their text.
        auto* model = win.main.findChild<QTableView*>("TransactionTable")->model();
        QCOMPARE(model->index(0, TransactionModel::RequestBytes).data().toString(),
                 QString(":012600D9"));
    }

    // Damaged, missing, exceptional and broadcast replies each get their verdict, and a damaged
    // value is never shown.
    void verdicts() {
        sim::VirtualDevice device({.corruptEvery = 3, .trace = {}});
        QVERIFY(device.start());
        Window win;
        SetTimeout(win, "1000");
        QVERIFY(win.open(device.path()));
        win.click("Command57"); // answered intact
        QTRY_COMPARE(win.text("Text27"), QString("100"));
        win.type("Text12", "555");
        win.click("Command17");
        win.click("Command57"); // the third reply is damaged
        QTRY_COMPARE(Verdicts(win).size(), 3);
        QCOMPARE(win.text("Text27"), QString("100"));
        QTRY_VERIFY(win.text("RichTextBox1").contains("校验错误:01 26 04 00 00 02 2B"));
        win.type("Text23", "2"); // nobody there
        win.click("Command12");
        win.type("Text23", "0"); // everybody, nobody answers
        win.click("Command12");
        win.type("Text23", "1");
        win.click("Check2");
        win.type("Text34", "1000"); // the device still maps from 0
        win.click("Command57");
        QTRY_COMPARE(Verdicts(win), (QStringList{"正常", "正常", "校验错误", "无应答", "广播",
                                                 "异常应答 02 非法数据地址"}));
        QTRY_VERIFY(win.main.findChild<QLabel*>("LabelLinkStats")->text().contains("失败 3"));
        // The user's own press that got nothing good says so.
        QCOMPARE(win.main.statusBar()->currentMessage(), QString("查询运动初速度：异常应答"));

        auto* errorsOnly = win.w<QAbstractButton>("CheckErrorsOnly");
        errorsOnly->setChecked(true);
        QCOMPARE(win.main.findChild<QTableView*>("TransactionTable")->model()->rowCount(), 3);
    }

    // A fast script loop never puts two requests on the bus: each step waits for the reply.
    void scriptWaitsForTheBus() {
        Ears ears;
        sim::VirtualDevice device(ears.options({.replyDelay = 30ms}));
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.w<QListWidget>("List1")->addItem("01 20 00 39 C0 ");
        win.type("Text22", "20");
        win.click("Check1");
        QTRY_VERIFY(Order(ears.lines()).size() >= 12);
        win.click("Check1");
        QTest::qWait(100);
        const QString order = Order(ears.lines());
        QVERIFY2(order == QString("<>").repeated(int(order.size() / 2)), qPrintable(order));
        QVERIFY(win.main.runner().waits() > 0);
    }

    // A stop goes out at once, even while another request waits for its reply.
    void stopNeverWaits() {
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        win.click("Command57");
        win.click("Command58"); // queued behind the first
        QCOMPARE(Hex(Received(peer)), Hex(EncodeRtuFrame(B("012600"))));
        win.click("Command23");
        QCOMPARE(Hex(Received(peer)), Hex(EncodeRtuFrame(B("013C00"))));
    }

    void replyTimeoutRefusesNonsense() {
        Window win;
        SetTimeout(win, "5");
        QCOMPARE(win.text("TextReplyTimeout"), QString("300"));
        QVERIFY(win.prompter.messages.last().contains("10 到 60000"));
        SetTimeout(win, "1500");
        QCOMPARE(win.main.queue().replyTimeout(), 1500ms);
    }

    void exportCsv() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("Command57");
        QTRY_COMPARE(Verdicts(win).size(), 1);
        const QString path = dir_.filePath("log.csv");
        win.prompter.fileName = path;
        win.click("CommandExportCsv");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines[0], QByteArray("\xEF\xBB\xBFid,time,gap_ms,address,command,request,reply,"
                                      "round_trip_ms,verdict\r"));
        const QList<QByteArray> row = lines[1].trimmed().split(',');
        QCOMPARE(row.size(), 9);
        QVERIFY(QDateTime::fromString(QString(row[1]), Qt::ISODateWithMs).isValid());
        QVERIFY2(QRegularExpression("([+-]\\d\\d:\\d\\d|Z)$").match(QString(row[1])).hasMatch(),
                 row[1].constData()); // with its offset from UTC
        QCOMPARE(row.mid(3, 4), (QList<QByteArray>{"01", "查询运动初速度", "01 26 00 3A 60",
                                                   "01 26 04 00 00 00 64 FC ED"}));
        QCOMPARE(row[8], QByteArray("正常"));

        // A folder that cannot be written (here a file stands where the folder should be, which
        // stops root too): a message, and no file, not even half of one.
        const QString notAFolder = dir_.filePath("not-a-folder");
        QFile(notAFolder).open(QIODevice::WriteOnly);
        const QStringList before = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
        win.prompter.fileName = notAFolder + "/log.csv";
        win.click("CommandExportCsv");
        QVERIFY(win.main.statusBar()->currentMessage().contains("导出失败"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), before);
    }

    // 清零统计 clears the statistics and the failure count, not the rows; 清空表格 asks first.
    // Export and copy take the rows the table shows.
    void tableActions() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        SetTimeout(win, "1000");
        QVERIFY(win.open(device.path()));
        win.click("Command57");
        win.type("Text23", "2"); // nobody there
        win.click("Command57");
        QTRY_COMPARE(Verdicts(win).size(), 2);
        QTRY_VERIFY(win.text("LabelLinkStats").contains("失败 1"));
        auto* table = win.main.findChild<QTableView*>("TransactionTable");

        win.w<QAbstractButton>("CheckErrorsOnly")->setChecked(true);
        const QString path = dir_.filePath("errors"); // the suffix comes from the filter
        win.prompter.fileName = path;
        win.click("CommandExportCsv");
        QFile f(path + ".csv");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count('\n'), 2); // the header and the one failure
        QVERIFY(win.main.statusBar()->currentMessage().contains("已筛选"));
        table->selectAll();
        table->actions().first()->trigger(); // 复制, Ctrl+C
        const QStringList copied =
            QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(copied.size(), 1);
        QVERIFY(copied[0].contains("\t01 26 00 3A 60\t") || copied[0].contains("\t02 26 00"));
        win.w<QAbstractButton>("CheckErrorsOnly")->setChecked(false);

        win.click("CommandResetMonitor");
        QCOMPARE(Verdicts(win).size(), 2);
        QTRY_VERIFY(win.text("LabelLinkStats").contains("失败 0"));
        QCOMPARE(win.main.findChild<QTableWidget*>("TransactionStats")->rowCount(), 0);
        win.prompter.answer = false;
        win.click("CommandClearMonitor");
        QCOMPARE(Verdicts(win).size(), 2);
        win.prompter.answer = true;
        win.click("CommandClearMonitor");
        QCOMPARE(Verdicts(win).size(), 0);
    }

    // A bus of drives: the rows of one address, of one command, or holding a text; the time
    // since the frame before each; statistics per address.
    void filtersGapAndAddresses() {
        sim::VirtualDevice device({.address = 1, .more = {2}});
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        for (const char* address : {"1", "2", "2"}) {
            win.type("Text23", address);
            win.click("Command57");
            QTRY_VERIFY(win.main.queue().idle());
        }
        win.click("Command12"); // handshake to 2
        QTRY_COMPARE(Verdicts(win).size(), 4);
        auto* table = win.main.findChild<QTableView*>("TransactionTable");
        const auto column = [&](int c) {
            QStringList out;
            for (int r = 0; r < table->model()->rowCount(); ++r)
                out << table->model()->index(r, c).data().toString();
            return out;
        };
        // Each gap at least the 3.5 characters of silence after the reply before it.
        const QStringList gaps = column(TransactionModel::Gap);
        QCOMPARE(gaps[0], QString());
        for (int r = 1; r < gaps.size(); ++r)
            QVERIFY2(gaps[r].toDouble() >= 3.5 * 10000.0 / 9600 - 0.1, qPrintable(gaps[r]));
        win.type("TextFilterAddress", "2");
        QCOMPARE(column(TransactionModel::Address), (QStringList{"02", "02", "02"}));
        auto* command = win.w<QComboBox>("ComboFilterCommand");
        command->setCurrentIndex(command->findText("握手"));
        QCOMPARE(column(TransactionModel::Command), QStringList{"握手"});
        win.type("TextFilterAddress", "");
        command->setCurrentIndex(0);
        win.type("TextSearch", "26 04 0000 0064"); // blanks anywhere
        QCOMPARE(column(TransactionModel::Address), (QStringList{"01", "02", "02"}));
        win.type("TextSearch", "");
        win.type("TextFilterAddress", "zz"); // no address: nothing, rather than everything
        QCOMPARE(table->model()->rowCount(), 0);
        win.type("TextFilterAddress", "");
        QCOMPARE(table->model()->rowCount(), 4);
        // An event's words run over the request's cell to the end of its row, filtered or not.
        const int wide = TransactionModel::Columns - TransactionModel::RequestBytes;
        win.main.findChild<MonitorView*>()->addEvent("串口已断开并关闭：读串口失败");
        QTRY_COMPARE(table->columnSpan(4, TransactionModel::RequestBytes), wide);
        QCOMPARE(table->columnSpan(3, TransactionModel::RequestBytes), 1);
        win.type("TextSearch", "读串口");
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(table->columnSpan(0, TransactionModel::RequestBytes), wide);
        win.type("TextSearch", "");
        QCOMPARE(table->columnSpan(0, TransactionModel::RequestBytes), 1);
        QCOMPARE(table->columnSpan(4, TransactionModel::RequestBytes), wide);

        win.w<QComboBox>("ComboStatsBy")->setCurrentIndex(1);
        auto* stats = win.main.findChild<QTableWidget*>("TransactionStats");
        QTRY_COMPARE(stats->rowCount(), 3); // the total, then 01 and 02 (an event is no address)
        QCOMPARE(stats->item(2, 0)->text(), QString("02"));
        QCOMPARE(stats->item(2, 1)->text(), QString("3"));
    }

    // Every transaction is in the log as it closes, the sampler's too; the file is set aside
    // at its size limit and a new one begun, each starting with its header.
    void trafficLog() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        const QString path = dir_.filePath("traffic");
        win.prompter.fileName = path;
        win.w<QSpinBox>("SpinLogRotate")->setValue(1);
        win.click("CheckLogToFile");
        QVERIFY(win.text("LabelLogStatus").contains("traffic.csv"));
        win.click("Command57");
        QTRY_VERIFY(win.main.queue().idle());
        QFile f(path + ".csv");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 3); // header, the query, and the end of the last line
        QVERIFY(lines[1].contains(",查询运动初速度,01 26 00 3A 60,"));
        QVERIFY(lines[1].endsWith('\r'));
        win.click("CheckLogToFile");
        QVERIFY(win.text("LabelLogStatus").isEmpty());

        // A new size limit holds for a log being kept.
        win.w<QSpinBox>("SpinLogRotate")->setValue(100);
        win.click("CheckLogToFile");
        win.w<QSpinBox>("SpinLogRotate")->setValue(1);
        QVERIFY(win.text("LabelLogStatus").contains("traffic.csv"));
        QFile::resize(path + ".csv", 2 * 1024 * 1024);
        win.click("Command57");
        QTRY_VERIFY(QFile::exists(path + "-1.csv"));
        win.click("CheckLogToFile");

        // Set aside at the limit: every line once, in order, each file with its header.
        TrafficLog log;
        QString error;
        const QString small = dir_.filePath("small.csv");
        QVERIFY(log.open(small, 150, &error));
        for (quint64 i = 1; i <= 10; ++i) {
            Transaction t;
            t.id = i;
            t.request = {.frame = B("01 20 00 39 C0"), .command = 0x20};
            t.event = i == 10 ? "a, \"quoted\" field" : "";
            QVERIFY(log.append(t, std::nullopt, &error));
        }
        log.close();
        QStringList all;
        QStringList names;
        for (int n = 1; QFile::exists(dir_.filePath(QString("small-%1.csv").arg(n))); ++n)
            names << QString("small-%1.csv").arg(n);
        QCOMPARE(names.size(), 4); // a header and two lines pass 150 bytes
        for (const QString& name : names + QStringList{"small.csv"}) {
            QFile part(dir_.filePath(name));
            QVERIFY2(part.open(QIODevice::ReadOnly), qPrintable(name));
            const QStringList rows =
                QString::fromUtf8(part.readAll()).split("\r\n", Qt::SkipEmptyParts);
            QCOMPARE(rows.first(), "\uFEFF" + TransactionCsvHeader());
            all += rows.mid(1);
        }
        QCOMPARE(all.size(), 10);
        for (int i = 0; i < 9; ++i)
            QVERIFY2(all[i].startsWith(QString("%1,").arg(i + 1)), qPrintable(all[i]));
        QVERIFY(all[9].endsWith(",\"a, \"\"quoted\"\" field\""));
    }

    void tableKeepsTheLatestHundredThousand() {
        TransactionModel model;
        Transaction t;
        for (quint64 id = 1; id <= quint64(TransactionModel::kMaxRows) + 5; ++id) {
            t.id = id;
            model.add(t);
            if (id % 7 == 0) model.flush(); // as a busy line brings them, a few per turn
        }
        model.flush();
        // The oldest go, a hundredth at a time; the latest stay, in order.
        const int rows = model.rowCount();
        QVERIFY(rows <= TransactionModel::kMaxRows && rows > TransactionModel::kMaxRows * 98 / 100);
        QCOMPARE(model.at(rows - 1).id, quint64(TransactionModel::kMaxRows) + 5);
        QCOMPARE(model.at(0).id, quint64(TransactionModel::kMaxRows) + 5 - quint64(rows) + 1);
    }
};

QTEST_MAIN(TestMonitor)
#include "test_monitor.moc"
