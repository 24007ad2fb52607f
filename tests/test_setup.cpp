#include "ears.h"
#include "link/link.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "ui/monitor_view.h"
#include "ui/motion_view.h"
#include "ui/translation.h"
#include "window_support.h"

#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

using namespace stepbench;
using namespace std::chrono_literals;

namespace {

QString ConfigFile(const QTemporaryDir& dir) {
    return dir.filePath("stepbench/stepbench.conf");
}

} // namespace

class TestSetup : public QObject {
    Q_OBJECT
    QTemporaryDir config_;
    QTemporaryDir dir_;

private slots:
    void cleanup() { SetLanguage(Language::Chinese); }
    void initTestCase() {
        // Before the first QSettings: it reads the folder once.
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        QCoreApplication::setOrganizationName("stepbench");
        QCoreApplication::setApplicationName("stepbench");
    }

    // A port the user types in a run on the virtual device is kept; the device's path is not.
    void portTypedInASimulatedRunIsKept() {
        {
            Window win;
            win.main.useSettings(std::make_unique<QSettings>());
            win.main.setPortText("/dev/pts/99", false);
            win.type("COM_PORT", "/dev/ttyUSB7");
            win.main.close();
        }
        QCOMPARE(QSettings().value("controls/COM_PORT").toString(), QString("/dev/ttyUSB7"));
    }

    // What the user set is there again at the next start; the virtual device's path is not.
    void setUpComesBack() {
        const QString script = dir_.filePath("a.txt");
        {
            QFile f(script);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("01 20 00 39 C0 \r\n") > 0);
        }
        {
            Window win;
            win.main.useSettings(std::make_unique<QSettings>());
            win.type("COM_PORT", "/dev/ttyUSB3");
            win.type("Combo2", "19200");
            win.type("Text23", "1F");
            win.type("Combo7", "Modbus ASC");
            win.w<QAbstractButton>("Check2")->setChecked(true);
            win.w<QAbstractButton>("Option4")->setChecked(true);
            win.type("TextReplyTimeout", "750");
            win.type("Text12", "-250");
            win.type("Combo9", "250K");
            win.w<QAbstractButton>("CheckAutoReconnect")->setChecked(true);
            win.w<QComboBox>("Combo1")->setCurrentIndex(2);
            win.w<QComboBox>("Combo10")->setCurrentText("English");
            win.w<QTabWidget>("SSTab1")->setCurrentIndex(2);
            win.prompter.fileName = script;
            win.click("Command54");
            win.main.setPortText("/dev/pts/99", false); // this run only
            win.main.close();
        }
        Window win;
        win.main.useSettings(std::make_unique<QSettings>());
        const std::pair<const char*, const char*> kept[] = {{"COM_PORT", "/dev/ttyUSB3"},
                                                            {"Combo2", "19200"},
                                                            {"Text23", "1F"},
                                                            {"Combo7", "Modbus ASC"},
                                                            {"TextReplyTimeout", "750"},
                                                            {"Text12", "-250"},
                                                            {"Combo9", "250K"}};
        for (auto [name, value] : kept)
            QCOMPARE(win.text(name), QString(value));
        QCOMPARE(win.main.queue().replyTimeout(), 750ms);
        QVERIFY(win.w<QAbstractButton>("Check2")->isChecked());
        QVERIFY(win.w<QAbstractButton>("Option4")->isChecked());
        QVERIFY(win.w<QAbstractButton>("CheckAutoReconnect")->isChecked());
        QCOMPARE(win.w<QTabWidget>("SSTab1")->currentIndex(), 2);
        QCOMPARE(win.w<QComboBox>("Combo9")->currentIndex(), 7);
        // The language comes back, and a worded choice is kept by its Chinese text, whatever
        // language it was chosen in.
        QCOMPARE(CurrentLanguage(), Language::English);
        QCOMPARE(win.w<QComboBox>("Combo1")->currentIndex(), 2);
        QCOMPARE(QSettings().value("controls/Combo1").toString(), QString("掉电保存,上电运行"));
        win.w<QComboBox>("Combo10")->setCurrentText("中文");

        // The recent script is there, once however often it was opened; chosen after it has
        // gone, it is taken off with a message.
        win.prompter.fileName = script;
        win.click("Command54");
        auto* menu = win.main.findChild<QMenu*>("MenuRecentScripts");
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 1);
        QVERIFY(menu->actions()[0]->isEnabled());
        QFile::remove(script);
        menu->actions()[0]->trigger();
        QVERIFY(win.prompter.messages.last().contains("已不存在"));
        emit menu->aboutToShow();
        QVERIFY(!menu->actions()[0]->isEnabled()); // only the "none" line is left
    }

    // Nonsense in the file gives the start-up value of those keys, never a crash or a window
    // off every screen.
    void damagedSettingsGiveTheDefaults() {
        QFile::remove(ConfigFile(config_));
        {
            QSettings s;
            s.setValue("controls/Combo2", "abc");
            s.setValue("controls/Text23", "999");
            s.setValue("controls/Text12", "lots");
            s.setValue("controls/Combo7", "Modbus XYZ");
            s.setValue("controls/TextReplyTimeout", "5");
            s.setValue("controls/Text34", "70000");
            s.setValue("controls/Check2", "maybe");
            s.setValue("window/tab", 42);
            Window off;
            off.main.setGeometry(20000, 20000, 800, 600);
            s.setValue("window/geometry", off.main.saveGeometry());
            QStringList recent;
            for (int i = 0; i < 20; ++i)
                recent << QString("/nowhere-%1.txt").arg(i % 10);
            s.setValue("script/recent", recent);
        }
        Window win;
        win.main.useSettings(std::make_unique<QSettings>());
        const std::pair<const char*, const char*> defaults[] = {
            {"Combo2", "9600"},          {"Text23", "1"},
            {"Text12", "100"},           {"Combo7", "Modbus RTU"},
            {"TextReplyTimeout", "300"}, {"Text34", "0"}};
        for (auto [name, value] : defaults)
            QCOMPARE(win.text(name), QString(value));
        QVERIFY(!win.w<QAbstractButton>("Check2")->isChecked());
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().intersects(
            win.main.frameGeometry()));
        QCOMPARE(win.w<QTabWidget>("SSTab1")->currentIndex(), 1);
        auto* menu = win.main.findChild<QMenu*>("MenuRecentScripts");
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 8); // the latest eight, each once
        QStringList shown;
        for (QAction* a : menu->actions())
            shown << a->text();
        shown.removeDuplicates();
        QCOMPARE(shown.size(), 8);
        QVERIFY(!menu->actions()[0]->isEnabled()); // greyed: the file does not exist

        // A file that is not even a settings file.
        QFile f(ConfigFile(config_));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, '\xFF'));
        f.close();
        Window again;
        again.main.useSettings(std::make_unique<QSettings>());
        QCOMPARE(again.text("Combo2"), QString("9600"));
    }

    // The whole window on the screen: the first one, and one whose kept size is larger than
    // the screen (as a fault of an earlier run once made it); the counters keep their counts
    // through a change of language.
    void windowOnTheScreen() {
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        // (Never narrower than the window can be.)
        const auto fits = [&](const FrmMain& w) {
            const QRect f = w.frameGeometry();
            return f.top() >= room.top() && f.bottom() <= room.bottom() &&
                   f.left() >= room.left() &&
                   w.width() <= std::max(room.width(), w.minimumSizeHint().width());
        };
        {
            Window first;
            first.main.show();
            QVERIFY2(fits(first.main),
                     qPrintable(QString("%1x%2").arg(first.main.width()).arg(first.main.height())));
        }
        QFile::remove(ConfigFile(config_));
        {
            QSettings s;
            Window huge;
            huge.main.setGeometry(0, 0, 32767, 4000);
            s.setValue("window/geometry", huge.main.saveGeometry());
        }
        Window win;
        win.main.useSettings(std::make_unique<QSettings>());
        win.main.show();
        QVERIFY2(fits(win.main),
                 qPrintable(QString("%1x%2").arg(win.main.width()).arg(win.main.height())));
        win.w<QLabel>("Label44")->setText("15");
        SetLanguage(Language::English);
        QCOMPARE(win.text("Label44"), QString("15"));
    }

    // clang-format off
    void portLabels_data() {
        QTest::addColumn<QStringList>("info"); // name, description, maker, serial number
        QTest::addColumn<QString>("label");
        QTest::newRow("usb adapter") << QStringList{"ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI"} << "ttyUSB0 — FT232R USB UART (FTDI, A50285BI)";
        QTest::newRow("no serial number") << QStringList{"ttyACM0", "CDC", "Acme", ""} << "ttyACM0 — CDC (Acme)";
        QTest::newRow("maker only") << QStringList{"ttyUSB1", "", "FTDI", ""} << "ttyUSB1 — (FTDI)";
        QTest::newRow("nothing known") << QStringList{"ttyS0", "", "", ""} << "ttyS0";
    }
    // clang-format on
    void portLabels() {
        QFETCH(QStringList, info);
        QFETCH(QString, label);
        QCOMPARE(PortLabel(info[0], info[1], info[2], info[3]), label);
        QCOMPARE(PortNameOfLabel(label), info[0]);
    }

    // The adapter goes away during a script and comes back under the same path (a pseudo-
    // terminal's own, under /dev/pts, opened from another folder): the port is opened again,
    // the script carries on and so does sampling.
    void reconnectsAndTheScriptCarriesOn() {
        struct Elsewhere {
            QString home = QDir::currentPath();
            ~Elsewhere() { QDir::setCurrent(home); }
        } elsewhere;
        QDir::setCurrent(dir_.path());
        Ears first;
        auto device = std::make_unique<sim::VirtualDevice>(first.options());
        QVERIFY(device->start());
        const std::string path = device->path();
        Window win;
        win.w<QAbstractButton>("CheckAutoReconnect")->setChecked(true);
        QVERIFY(win.open(path));
        win.w<QListWidget>("List1")->addItem("01 20 00 39 C0 ");
        win.type("Text22", "20");
        win.click("Check1");
        win.click("CheckSampling");
        QTRY_VERIFY(first.requests() >= 6);

        device.reset(); // pulled
        QTRY_VERIFY(win.main.statusBar()->currentMessage().contains("等待串口重新出现"));
        QVERIFY(win.w("Command33")->isEnabled() && !win.w("Command32")->isEnabled());
        QVERIFY(win.prompter.messages.isEmpty()); // no box to click away while waiting
        QVERIFY(win.w<QAbstractButton>("CheckSampling")->isChecked());

        // The kernel gives the freed number to the next pseudo-terminal opened, unless another
        // program takes it first.
        Ears second;
        std::unique_ptr<sim::VirtualDevice> back;
        std::vector<std::unique_ptr<sim::VirtualDevice>> others;
        for (int i = 0; i < 8 && !back; ++i) {
            auto next = std::make_unique<sim::VirtualDevice>(second.options());
            QVERIFY(next->start());
            (next->path() == path ? back : others.emplace_back()) = std::move(next);
        }
        if (!back) QSKIP("another program took the pseudo-terminal's number");
        QTRY_VERIFY(win.main.link().isOpen());
        QTRY_VERIFY(second.requests() >= 6);
        QVERIFY(win.main.runner().isRunning());
        const std::size_t sampled = win.main.findChild<MotionView*>()->record().samples().size();
        QTRY_VERIFY(win.main.findChild<MotionView*>()->record().samples().size() > sampled);
        auto* model = win.main.findChild<QTableView*>("TransactionTable")->model();
        QStringList events;
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, TransactionModel::Id).data().toString().isEmpty())
                events << model->index(r, TransactionModel::RequestBytes).data().toString();
        QVERIFY(events.filter("断开").size() >= 1 && events.filter("重新打开").size() == 1);
        win.click("Check1");
    }

    // "关闭" while waiting stops the wait.
    void closeStopsWaiting() {
        auto device = std::make_unique<sim::VirtualDevice>();
        QVERIFY(device->start());
        Window win;
        win.w<QAbstractButton>("CheckAutoReconnect")->setChecked(true);
        QVERIFY(win.open(device->path()));
        device.reset();
        QTRY_VERIFY(win.main.portWatch().waiting());
        win.click("Command33");
        QVERIFY(!win.main.portWatch().waiting());
        QVERIFY(win.w("Command32")->isEnabled());
    }

    // A script held while the port was away runs the line that was cut off again.
    void heldRunnerRunsTheCutLineAgain() {
        QStringList sent;
        ScriptRunner runner(
            [] {
                return std::vector<std::string>{"0A", "0B", "0C"};
            },
            [&](const Bytes& b) { sent << Hex(b); });
        runner.start(10);
        QTRY_VERIFY(sent.size() >= 2);
        const QStringList before = sent;
        runner.hold(true);
        runner.release();
        QCOMPARE(sent, before + QStringList{before.last()});
        runner.stop();
    }

    // The scan finds a device that takes 100 ms to answer with the wait it starts with (the
    // reply timeout), at its own address and no other, in hex; its silences are no failures;
    // cancelled, it stops at once.
    void scanFindsTheDevice() {
        sim::VirtualDevice device({.address = 7, .replyDelay = 100ms, .trace = {}});
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("CommandScanBus");
        auto* dialog = win.main.findChild<QDialog*>("ScanDialog");
        QVERIFY(dialog);
        QCOMPARE(win.text("TextScanTimeout"), QString("300"));
        auto* results = dialog->findChild<QTableView*>("ScanResults")->model();
        auto* from = dialog->findChild<QSpinBox*>("SpinScanFrom");
        from->setValue(6);
        QCOMPARE(from->text(), QString("06"));
        dialog->findChild<QSpinBox*>("SpinScanTo")->setValue(0x0B);
        dialog->findChild<QAbstractButton*>("CommandStartScan")->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            dialog->findChild<QAbstractButton*>("CommandStartScan")->isEnabled(), 5000);
        QCOMPARE(results->rowCount(), 1);
        QCOMPARE(results->index(0, 0).data().toString(), QString("07"));
        QCOMPARE(results->index(0, 1).data().toString(), QString("9600"));
        QTRY_VERIFY(win.text("LabelLinkStats").contains("失败 0"));

        // Double click: the address and baud rate go into the window.
        auto* table = dialog->findChild<QTableView*>("ScanResults");
        emit table->doubleClicked(results->index(0, 0));
        QCOMPARE(win.text("Text23"), QString("7"));

        win.type("TextScanTimeout", "20");
        dialog->findChild<QAbstractButton*>("CommandStartScan")->click();
        QTest::qWait(60);
        dialog->findChild<QAbstractButton*>("CommandCancelScan")->click();
        QVERIFY(dialog->findChild<QAbstractButton*>("CommandStartScan")->isEnabled());
        const int value = dialog->findChild<QProgressBar*>("ProgressScan")->value();
        QTest::qWait(150);
        QCOMPARE(dialog->findChild<QProgressBar*>("ProgressScan")->value(), value);
        QVERIFY(value < 5);
    }

    // Every rate of the baud list: a slow device that hears only 600 baud, answering at the
    // line's real speed, is found at 600 (the wait counts from each request leaving the line);
    // the port is back at its own rate afterwards, and a double click puts it on the device's.
    void scanOfAllBaudRates() {
        sim::VirtualDevice device({.address = 3, .pace = true, .lineBaud = 600, .trace = {}});
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("CommandScanBus");
        auto* dialog = win.main.findChild<QDialog*>("ScanDialog");
        dialog->findChild<QSpinBox*>("SpinScanFrom")->setValue(3);
        dialog->findChild<QSpinBox*>("SpinScanTo")->setValue(3);
        dialog->findChild<QAbstractButton*>("CheckScanAllBauds")->setChecked(true);
        win.type("TextScanTimeout", "1000");
        dialog->findChild<QAbstractButton*>("CommandStartScan")->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            dialog->findChild<QAbstractButton*>("CommandStartScan")->isEnabled(), 60000);
        auto* results = dialog->findChild<QTableView*>("ScanResults")->model();
        QCOMPARE(results->rowCount(), 1);
        QCOMPARE(results->index(0, 1).data().toString(), QString("600"));
        QCOMPARE(win.main.link().baudRate(), 9600);
        emit dialog->findChild<QTableView*>("ScanResults")->doubleClicked(results->index(0, 0));
        QCOMPARE(win.main.link().baudRate(), 600);
    }

    void scanRefusedWhileAScriptRuns() {
        PtyPeer peer;
        Window win;
        QVERIFY(win.open(peer.path()));
        win.w<QListWidget>("List1")->addItem("01 20 00 39 C0 ");
        win.click("Check1");
        win.click("CommandScanBus");
        QVERIFY(!win.main.findChild<QDialog*>("ScanDialog"));
        QVERIFY(win.prompter.messages.last().contains("脚本正在运行"));
        win.click("Check1");
    }
};

QTEST_MAIN(TestSetup)
#include "test_setup.moc"
