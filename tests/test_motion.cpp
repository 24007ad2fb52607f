#include "link/motion_sampler.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "ui/monitor_view.h"
#include "ui/motion_chart.h"
#include "ui/motion_view.h"
#include "window_support.h"

#include <QCategoryAxis>
#include <QChartView>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QValueAxis>

using namespace stepbench;

namespace {

std::vector<MotionSample> Recorded(Window& win) {
    const auto& s = win.main.findChild<MotionView*>("MotionView")->record().samples();
    return {s.begin(), s.end()};
}

// The plots are drawn while someone looks at them: the window shown on the motion tab.
void LookAtPlots(Window& win) {
    win.main.show();
    win.main.findChild<QTabWidget*>("SSTab1")->setCurrentWidget(
        win.main.findChild<MotionView*>("MotionView"));
}

// Runs the event loop until the drive has stood still for a while after moving.
void UntilMovedAndStopped(Window& win, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    bool moved = false;
    while (t.elapsed() < ms) {
        Spin(50);
        const auto s = Recorded(win);
        if (s.empty()) continue;
        moved = moved || s.back().moving.value_or(false);
        // A round's queries are a few ms apart: let a whole round see the drive at rest.
        if (moved && !s.back().moving.value_or(true) && s.back().speed == 0) return Spin(200);
    }
}

} // namespace

class TestMotion : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // A 10,000-step move sampled at 20 Hz: the textbook ramp. (At 9600 baud three queries
    // with their replies and the silences between them take most of 50 ms on the wire.)
    void rampOfAMove() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        win.type("Combo2", "115200");
        QVERIFY(win.open(device.path()));
        win.type("Text13", "5000"); // maximum speed; acceleration and deceleration 10000
        win.click("Command24");
        win.click("CheckSampling");
        Spin(300);
        win.type("Text8", "10000");
        win.click("Command18");
        UntilMovedAndStopped(win);
        const auto s = Recorded(win);
        QVERIFY(s.size() > 40);
        double lastPosition = -1, peak = 0;
        std::vector<std::pair<double, double>> rising; // time, speed while accelerating
        for (const MotionSample& m : s) {
            QVERIFY(m.position && m.speed && m.moving);
            QVERIFY2(*m.position >= lastPosition, "position falls back");
            lastPosition = *m.position;
            peak = std::max(peak, double(*m.speed));
            if (*m.speed > 600 && *m.speed < 4400 && rising.size() < 100 && peak < 4500)
                rising.push_back({m.seconds, double(*m.speed)});
        }
        QCOMPARE(lastPosition, 10000.0);
        QCOMPARE(peak, 5000.0);
        QCOMPARE(*s.back().speed, 0);
        QVERIFY(rising.size() >= 3);
        const double slope = (rising.back().second - rising.front().second) /
                             (rising.back().first - rising.front().first);
        QVERIFY2(std::abs(slope - 10000) < 1000, qPrintable(QString::number(slope)));
        // Held at the maximum, then down through the end speed (1000) to 0.
        const auto held =
            std::count_if(s.begin(), s.end(), [](auto& m) { return m.speed == 5000; });
        QVERIFY(held >= 10);
        // The last moving sample is on the way down to the end speed: at most the deceleration
        // (10000 steps/s²) of the time to the next sample above it.
        const auto last =
            std::find_if(s.rbegin(), s.rend(), [](auto& m) { return m.moving == true; });
        QVERIFY(last != s.rbegin());
        // (A round's speed query comes before its state query, and the next round's state
        // query up to a round later than its start.)
        const double gap = 2 * (std::prev(last)->seconds - last->seconds);
        QVERIFY2(*last->speed >= 1000 && *last->speed <= 1000 + 10000 * gap + 100,
                 qPrintable(QString("%1 at %2 s").arg(*last->speed).arg(gap)));
        // The receive log and the monitor's table keep out of it; the working tab's fields follow.
        QVERIFY(!win.text("RichTextBox1").contains("查询运动绝对位置:"));
        auto* rows = win.main.findChild<QTableView*>("TransactionTable")->model();
        for (int r = 0; r < rows->rowCount(); ++r)
            QVERIFY(!QStringList({"查询运动绝对位置", "查询运动速度", "查询运动状态"})
                         .contains(rows->index(r, TransactionModel::Command).data().toString()));
        QCOMPARE(win.text("Text18"), QString("10000"));
    }

    // A limit switch mid-move shows in the state and stops the position.
    void limitSwitchStopsTheMove() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        LookAtPlots(win);
        QVERIFY(win.open(device.path()));
        win.click("CheckSampling");
        win.type("Text10", "3000");
        win.click("Command20"); // constant speed, positive
        QTRY_VERIFY(!Recorded(win).empty() && Recorded(win).back().moving == true);
        device.withDevice([](sim::Device& d) { d.forceLimit(false, true); });
        // Three samples in a row at the switch.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const auto s = Recorded(win);
                return s.size() >= 3 && std::all_of(s.end() - 3, s.end(), [](const auto& m) {
                           return m.rightLimit == true && m.moving == false;
                       });
            }(),
            10000);
        const auto s = Recorded(win);
        QCOMPARE(*s.back().position, *s[s.size() - 3].position);

        // What the user sees: the switch plot draws all four lanes, each within the plot, the
        // right limit raised at the end and the moving lane once raised; axis labels as precise
        // as their ticks are apart.
        device.withDevice([](sim::Device& d) { d.forceLimit(true, true); });
        auto* lanes = win.main.findChild<MotionChart*>("ChartState");
        auto* band = qobject_cast<QValueAxis*>(lanes->chart()->axes(Qt::Vertical).first());
        const auto key = [](int n) { return QString("lane %1 01").arg(n); };
        const auto raised = [&](int n) {
            return !lanes->pointsOf(key(n)).isEmpty() &&
                   lanes->pointsOf(key(n)).last().y() > n + 0.5;
        };
        QTRY_VERIFY(raised(0) && raised(2)); // right and left limit, forced on, drawn
        for (int n = 0; n < 4; ++n) {
            QVERIFY2(lanes->seriesOf(key(n)) && lanes->seriesOf(key(n))->isVisible() &&
                         !lanes->pointsOf(key(n)).isEmpty(),
                     qPrintable(QString::number(n)));
            for (const QPointF& p : lanes->pointsOf(key(n)))
                QVERIFY(p.y() > band->min() && p.y() < band->max());
        }
        QVERIFY(!raised(3)); // stopped
        for (QChartView* view : win.main.findChildren<QChartView*>())
            for (QAbstractAxis* a : view->chart()->axes()) {
                auto* axis = qobject_cast<QValueAxis*>(a);
                if (!axis->labelsVisible() || qobject_cast<QCategoryAxis*>(a)) continue;
                const QByteArray format = axis->labelFormat().toLatin1();
                const double tick =
                    axis->tickAnchor() +
                    std::ceil((axis->min() - axis->tickAnchor()) / axis->tickInterval()) *
                        axis->tickInterval();
                QVERIFY2(QString::asprintf(format, tick) !=
                             QString::asprintf(format, tick + axis->tickInterval()),
                         format + " " + QByteArray::number(axis->tickInterval()));
            }
    }

    // Closing the port stops sampling, and says so; nothing is sampled after reopening until
    // the user starts again, and then at its rate.
    void closingStopsSampling() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        LookAtPlots(win);
        QVERIFY(win.open(device.path()));
        win.click("CheckSampling");
        QTRY_VERIFY(Recorded(win).size() >= 3);
        win.click("Command33");
        QVERIFY(!win.w<QAbstractButton>("CheckSampling")->isChecked());
        QCOMPARE(win.text("CheckSampling"), QString("开始采样"));
        QCOMPARE(win.text("LabelAchievedRate"), QString());
        const std::size_t stopped = Recorded(win).size();
        QVERIFY(win.open(device.path()));
        Spin(300);
        QCOMPARE(Recorded(win).size(), stopped);
        QCOMPARE(win.main.queue().waiting(), std::size_t(0));
        win.click("CheckSampling");
        QTRY_VERIFY(Recorded(win).size() >= 3);
        QTRY_VERIFY(win.text("LabelAchievedRate").startsWith("实际"));
    }

    // The cursor reads the sample nearest the mouse; paused, zooming out never runs past the
    // newest sample; a new run starts with nothing of the last one.
    void cursorPauseAndRestart() {
        Window win;
        win.click("CheckSampling"); // no port: only the samples given here
        auto* sampler = win.main.findChild<MotionSampler*>();
        for (int i = 0; i <= 5; ++i)
            emit sampler->sampled({.seconds = double(i), .position = 100 * i, .speed = 0});
        QChartView* plot = win.main.findChildren<QChartView*>().first();
        QMetaObject::invokeMethod(plot, "hovered", Q_ARG(double, 1.6));
        QVERIFY2(win.text("LabelCursor").contains("t = 2.000 s") &&
                     win.text("LabelCursor").contains("位置 200"),
                 qPrintable(win.text("LabelCursor")));
        win.click("CheckPausePlot");
        QCOMPARE(win.text("CheckPausePlot"), QString("继续"));
        for (int i = 0; i < 3; ++i)
            QMetaObject::invokeMethod(plot, "wheeled", Q_ARG(double, 2.0), Q_ARG(double, 4.0));
        Spin(300); // a redraw
        auto* time = qobject_cast<QValueAxis*>(plot->chart()->axes(Qt::Horizontal).first());
        QVERIFY2(time->max() <= 5.0, qPrintable(QString::number(time->max())));
        win.click("CheckPausePlot");
        win.click("CheckSampling");
        win.click("CheckSampling");
        QVERIFY(Recorded(win).empty());
        QCOMPARE(win.text("LabelCursor"), QString());
        win.click("CheckSampling");
    }

    // A move sent while "运动时自动采样" is on starts sampling; its plan, made from the drive's
    // parameters read back, is drawn dashed over the measured motion, which keeps to it within
    // what one sample's time can hold; the deviation is counted, the arrival against the plan;
    // sampling stops a set time after the drive stands still.
    void plannedAgainstMeasured() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        LookAtPlots(win);
        win.type("Combo2", "115200");
        QVERIFY(win.open(device.path()));
        win.type("Text13", "6000");
        win.click("Command24"); // maximum speed 6000
        win.click("CommandReadPlanParameters");
        QTRY_COMPARE(win.text("Text26"), QString("6000"));
        QTRY_VERIFY(!win.text("Text6").isEmpty() && win.main.queue().idle());
        win.w<QAbstractButton>("CheckAutoSample")->setChecked(true);
        win.w<QDoubleSpinBox>("SpinAutoStop")->setValue(0.5);
        win.type("Text8", "8000");
        win.click("Command18");
        QTRY_VERIFY(win.w<QAbstractButton>("CheckSampling")->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!win.w<QAbstractButton>("CheckSampling")->isChecked(), 6000);
        QVERIFY(win.text("LabelPlan").contains("驱动器 01 确认的值"));
        auto* view = win.main.findChild<MotionView*>("MotionView");
        const PlannedMove* move = view->plannedMove(1);
        QVERIFY(move);
        QCOMPARE(*move->motion.target, 8000.0);
        const double step = 1.0 / 20; // one sample at 20 Hz
        int compared = 0;
        for (const MotionSample& s : Recorded(win)) {
            if (s.seconds < move->start || !s.position) continue;
            const double slack = 6000 * step;
            QVERIFY2(std::fabs(*s.position - move->positionAt(s.seconds)) <= slack,
                     qPrintable(QString("%1 s: %2 against %3")
                                    .arg(s.seconds)
                                    .arg(*s.position)
                                    .arg(move->positionAt(s.seconds))));
            ++compared;
        }
        QVERIFY(compared > 20);
        const Deviation d = view->deviation(1);
        QVERIFY(d.done && d.arrival && d.plannedArrival);
        // Seen at the target at the first sample after the planned arrival, and not before it.
        double gap = 0, previous = move->start;
        for (const MotionSample& s : Recorded(win)) {
            if (s.seconds - move->start > *d.arrival + 1e-9) break;
            gap = s.seconds - previous;
            previous = s.seconds;
        }
        QVERIFY2(*d.arrival >= *d.plannedArrival - 0.01 &&
                     *d.arrival <= *d.plannedArrival + gap + 0.01,
                 qPrintable(QString("%1 against %2, %3 apart")
                                .arg(*d.arrival)
                                .arg(*d.plannedArrival)
                                .arg(gap)));
        QVERIFY(d.maxPosition <= 6000 * step);
        // The plan is drawn where the user sees it, dashed under the measured line.
        auto* plan = win.main.findChild<MotionChart*>("ChartPosition")->seriesOf("plan 01");
        QVERIFY(plan && plan->count() > 10 && plan->pen().style() == Qt::DashLine);
        auto* table = win.main.findChild<QTableWidget*>("MotionDeviation");
        QCOMPARE(table->rowCount(), 1);

        // A second move in the same run: the first keeps its plan, in the plot, the table and
        // the CSV, up to the moment the second began.
        win.w<QAbstractButton>("CheckAutoSample")->setChecked(false);
        win.click("CheckSampling");
        win.type("Text8", "3000");
        win.click("Command18");
        QTRY_VERIFY(view->plannedMove(1) && view->deviation(1).done);
        const double firstStart = view->plannedMove(1)->start;
        win.type("Text8", "-2000");
        win.click("Command18");
        QTRY_VERIFY(view->plannedMove(1)->start > firstStart && view->deviation(1).done);
        win.click("CheckSampling");
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 1)->text().toDouble(),
                 std::round(view->plannedMove(1)->start * 1000) / 1000);
        const QList<QPointF> drawn =
            win.main.findChild<MotionChart*>("ChartPosition")->pointsOf("plan 01");
        QVERIFY(std::any_of(drawn.begin(), drawn.end(), [&](const QPointF& p) {
            return p.x() > firstStart && p.x() < firstStart + 0.4 && p.y() > 8100 && p.y() < 10900;
        }));
        QString error;
        QVERIFY(view->exportCsv(dir_.filePath("moves.csv"), &error));
        QFile csv(dir_.filePath("moves.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        // Every row of the first move's samples (however few a busy machine took) has its plan.
        const double secondStart = view->plannedMove(1)->start;
        int rowsOfFirst = 0, plannedInFirst = 0;
        for (const QByteArray& line : csv.readAll().split('\n')) {
            const QList<QByteArray> f = line.trimmed().split(',');
            const double t = f[0].toDouble();
            if (f.size() != 15 || t <= firstStart + 0.2 || t >= secondStart) continue;
            ++rowsOfFirst;
            plannedInFirst += !f[9].isEmpty() && std::fabs(f[9].toDouble() - 8000) > 100;
        }
        QVERIFY(rowsOfFirst >= 1);
        QCOMPARE(plannedInFirst, rowsOfFirst);
    }

    // A drive that moves exactly by its plan (the virtual device) keeps to it in every sample:
    // each value is compared at the moment the drive took it, when its own query reached the
    // drive. A 10,000-step move and the way back, on one drive or four
    // sampled in turn, on a fast line and a slow one.
    void followsItsPlan_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<bool>("pace");
        QTest::addColumn<int>("drives");
        QTest::newRow("9600") << 9600 << false << 1;
        QTest::newRow("9600, four drives") << 9600 << false << 4;
        QTest::newRow("1200 paced") << 1200 << true << 1;
        QTest::newRow("4800 paced, four drives") << 4800 << true << 4;
    }
    void followsItsPlan() {
        QFETCH(int, baud);
        QFETCH(bool, pace);
        QFETCH(int, drives);
        sim::VirtualDevice device({.more = {2, 3, 4}, .pace = pace});
        QVERIFY(device.start());
        Window win;
        LookAtPlots(win);
        win.type("Combo2", QString::number(baud));
        QVERIFY(win.open(device.path()));
        win.type("TextSampleAddresses", drives == 1 ? "1" : "1-4");
        auto* view = win.main.findChild<MotionView*>("MotionView");
        win.click("CommandReadPlanParameters");
        QTRY_VERIFY_WITH_TIMEOUT(
            win.main.bench().drives().motionParameters(std::uint8_t(drives), nullptr), 30000);
        win.click("CheckSampling");
        for (const char* steps : {"10000", "-10000"}) {
            for (int a = 1; a <= drives; ++a) {
                win.type("Text23", QString::number(a));
                win.type("Text8", steps);
                win.click("Command18");
            }
            // (Several drives on a slow line: a round takes longer than the rate chosen, and the
            // drive's last sample before its move is as old.)
            QTRY_VERIFY2_WITH_TIMEOUT(view->latestMoves(8).size() ==
                                          std::size_t(drives) * (steps[0] == '-' ? 2 : 1),
                                      qPrintable(win.text("LabelPlan")), 20000);
            for (int a = 1; a <= drives; ++a)
                QTRY_VERIFY_WITH_TIMEOUT(view->deviation(std::uint8_t(a)).done, 30000);
        }
        win.click("CheckSampling");
        for (const PlannedMove* move : view->latestMoves(8)) {
            // Every sample of the move against the plan at its own values' times.
            std::vector<double> position, speed;
            for (const MotionSample& x : view->record().samples()) {
                if (x.address != move->address || x.seconds < move->start) continue;
                if (x.seconds >= move->until || !x.position) continue;
                position.push_back(std::fabs(*x.position - move->positionAt(x.seconds)));
                if (x.speed) speed.push_back(std::fabs(*x.speed - move->speedAt(x.speedSeconds)));
            }
            std::sort(position.begin(), position.end());
            std::sort(speed.begin(), speed.end());
            const auto at = [](const std::vector<double>& v, double share) {
                return v.empty() ? 1e9 : v[std::size_t(share * double(v.size() - 1))];
            };
            const Deviation d = CompareWithPlan(*move, view->record().samples());
            const QString what =
                QString("drive %1 from %2: median %3 steps, %4 steps/s; largest %5, %6")
                    .arg(move->address)
                    .arg(move->from)
                    .arg(at(position, 0.5))
                    .arg(at(speed, 0.5))
                    .arg(d.maxPosition)
                    .arg(d.maxSpeed);
            QVERIFY2(position.size() > 3, qPrintable(what));
            // A step of rounding (the median of a quiet machine: under one step), and the
            // virtual device's own lateness in hearing a request when its thread waits for a
            // busy machine (up to 5 ms: 50 steps at 10,000 steps/s; 50 steps/s at 10,000
            // steps/s²). A value stamped one transaction off (15 ms at 9600 baud, more on a
            // slower line) is off by 150 and more.
            QVERIFY2(at(position, 0.5) <= 60 && at(position, 0.8) <= 100, qPrintable(what));
            QVERIFY2(at(speed, 0.5) <= 100 && at(speed, 0.8) < 150, qPrintable(what));
        }
    }

    // The plots as the user sees them: both drives in the legend and in the switch bands, each
    // in its own colour; no time before the run; the line broken where the line was busy for
    // long; the error plot shown with the closed loop, the window keeping its width; a drive
    // no longer sampled gone from the legend.
    void plotsAsTheUserSeesThem() {
        sim::VirtualDevice device({.more = {2}});
        QVERIFY(device.start());
        Window win;
        LookAtPlots(win);
        win.type("Combo2", "115200");
        QVERIFY(win.open(device.path()));
        win.type("TextSampleAddresses", "1-2");
        win.click("CheckSampling");
        auto* position = win.main.findChild<MotionChart*>("ChartPosition");
        auto* lanes = win.main.findChild<MotionChart*>("ChartState");
        QTRY_VERIFY(!lanes->pointsOf("lane 3 02").isEmpty());
        // The plots are redrawn on their own timer, not with each sample.
        QTRY_COMPARE(position->legendNames(), (QStringList{"位置 01", "位置 02"}));
        auto* time = qobject_cast<QValueAxis*>(position->chart()->axes(Qt::Horizontal).first());
        QCOMPARE(time->min(), 0.0);
        QCOMPARE(lanes->seriesOf("lane 3 02")->pen().color(),
                 position->seriesOf("position 02")->pen().color());
        // The line held for 600 ms by a request nobody answers.
        win.type("TextReplyTimeout", "600");
        emit win.w<QLineEdit>("TextReplyTimeout")->editingFinished();
        win.type("Text23", "5");
        Spin(300);
        win.click("Command12");
        QTRY_VERIFY_WITH_TIMEOUT(position->piecesOf("position 01") >= 2, 20000);
        const int width = win.main.width();
        win.click("CheckClosedLoop");
        auto* error = win.main.findChild<MotionChart*>("ChartFollowingError");
        QTRY_VERIFY(!error->pointsOf("error 01").isEmpty());
        Spin(1000); // five redraws
        QCOMPARE(win.main.width(), width);
        QVERIFY2(error->isVisible() && error->height() > 60,
                 qPrintable(QString::number(error->height())));
        win.click("CheckClosedLoop");
        Spin(400);
        QCOMPARE(win.main.width(), width);
        win.click("CheckSampling");
        win.type("TextSampleAddresses", "1");
        win.click("CheckSampling");
        QTRY_COMPARE(position->legendNames(), QStringList{"位置"});
    }

    // A move starts where the drive is: sampled automatically from a drive away from 0, the
    // drive is asked first, and the plan runs from there. A stop cuts the plan of the move it
    // stops, and the stop is planned by its own rule: an emergency stop holds the drive there,
    // a decelerating one ramps it down.
    void startsWhereTheDriveIsAndStopsWhereStopped_data() {
        QTest::addColumn<QString>("stop"); // the button, or none
        QTest::newRow("no stop") << "";
        QTest::newRow("立即停止") << "Command23";
        QTest::newRow("减速停止") << "Command22";
    }
    void startsWhereTheDriveIsAndStopsWhereStopped() {
        QFETCH(QString, stop);
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        LookAtPlots(win);
        win.type("Combo2", "115200");
        QVERIFY(win.open(device.path()));
        auto* view = win.main.findChild<MotionView*>("MotionView");
        win.click("CommandReadPlanParameters");
        QTRY_VERIFY(win.main.bench().drives().motionParameters(1, nullptr));
        win.type("Text8", "24000");
        win.click("Command18");
        QTRY_VERIFY_WITH_TIMEOUT(device.withDevice([](sim::Device& d) {
            return d.axis().absolute() == 24000 && !d.axis().moving();
        }),
                                 8000);
        win.w<QAbstractButton>("CheckAutoSample")->setChecked(true);
        win.w<QDoubleSpinBox>("SpinAutoStop")->setValue(0.3);
        win.type("Text8", "-6000");
        win.click("Command18");
        QTRY_VERIFY(view->plannedMove(1));
        QCOMPARE(view->plannedMove(1)->from, 24000.0);
        QCOMPARE(*view->plannedMove(1)->motion.target, 18000.0);
        if (!stop.isEmpty()) {
            QTRY_VERIFY(!Recorded(win).empty() && Recorded(win).back().speed > 4000);
            win.click(stop.toLatin1().constData());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!win.w<QAbstractButton>("CheckSampling")->isChecked(), 8000);
        const auto moves = view->latestMoves(4);
        QCOMPARE(int(moves.size()), stop.isEmpty() ? 1 : 2);
        for (const PlannedMove* m : moves) {
            const Deviation d = CompareWithPlan(*m, view->record().samples());
            QVERIFY2(d.maxPosition < 60,
                     qPrintable(QString("from %1: %2 steps").arg(m->from).arg(d.maxPosition)));
        }
        if (stop == "Command23") QCOMPARE(moves[0]->motion.plan.distance(), 0.0);
        if (stop == "Command22") QVERIFY(moves[0]->motion.plan.distance() < 0);
    }

    // A move is planned with what its own drive has said, never with a field: on a fresh start
    // nothing, and the view says so and asks; the drive's values once it has answered; a
    // maximum speed it acknowledged from then on.
    void planFromWhatTheDriveSaid() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        LookAtPlots(win);
        win.type("Combo2", "115200");
        QVERIFY(win.open(device.path()));
        auto* view = win.main.findChild<MotionView*>("MotionView");
        QStringList whenClosed; // the plan's line as each move's request ends
        connect(&win.main.queue(), &TransactionQueue::closed, view, [&](const Transaction& t) {
            if (t.request.command == 0x31) whenClosed << win.text("LabelPlan");
        });
        win.type("Text13", "8000"); // typed, never sent: no part of any plan
        win.click("CheckSampling");
        const auto move = [&](const char* steps) {
            win.type("Text8", steps);
            win.click("Command18");
        };
        move("2000");
        QTRY_COMPARE(whenClosed.size(), 1);
        QVERIFY2(whenClosed[0].contains("未读取"), qPrintable(whenClosed[0]));
        QTRY_VERIFY(view->plannedMove(1));
        QVERIFY(win.text("LabelPlan").contains("最大 10000"));
        UntilMovedAndStopped(win);
        win.click("Command24"); // the maximum speed set: 8000, acknowledged
        QTRY_VERIFY(win.main.bench().drives().setting(1, "max-speed")->acknowledged);
        move("-2000");
        QTRY_COMPARE(whenClosed.size(), 2);
        QVERIFY2(whenClosed[1].contains("最大 8000"), qPrintable(whenClosed[1]));
    }

    void recordKeepsTheLatest() {
        MotionRecord record;
        for (std::size_t i = 0; i < MotionRecord::kMaxSamples + 3; ++i)
            record.add({.seconds = double(i)});
        QCOMPARE(record.samples().size(), MotionRecord::kMaxSamples);
        QCOMPARE(record.samples().front().seconds, 3.0);
    }

    void csvAndPng() {
        MotionRecord record;
        record.add({.seconds = 0.05,
                    .position = -12,
                    .speed = 300,
                    .speedSeconds = 0.0561,
                    .closedLoopPosition = -10,
                    .closedLoopSeconds = 0.07,
                    .followingError = 1.5,
                    .moving = true,
                    .leftLimit = false,
                    .home = true,
                    .rightLimit = false,
                    .stateSeconds = 0.0625});
        record.add({.seconds = 0.1, .position = 3});
        record.add({.seconds = 0.2, .address = 2, .position = 7});
        const auto planned = [](const MotionSample& s) -> std::optional<std::pair<double, double>> {
            if (s.address != 1 || s.seconds < 0.1) return std::nullopt;
            return std::pair{2.5, 40.0};
        };
        QCOMPARE(record.csv(0, 0.15, planned),
                 QByteArray("time_s,address,position,speed,closed_loop_position,moving,left_limit,"
                            "home,right_limit,planned_position,planned_speed,speed_time_s,"
                            "state_time_s,closed_loop_time_s,following_error\r\n"
                            "0.0500,1,-12,300,-10,1,0,1,0,,,0.0561,0.0625,0.0700,1.5\r\n"
                            "0.1000,1,3,,,,,,,2.5,40.0,,,,\r\n"));
        Window win;
        auto* view = win.main.findChild<MotionView*>("MotionView");
        QString error;
        QVERIFY(view->exportPng(dir_.filePath("plot.png"), &error));
        QVERIFY(QImage(dir_.filePath("plot.png")).width() > 100);
        QVERIFY(!view->exportPng(dir_.filePath("missing/plot.png"), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestMotion)
#include "test_motion.moc"
