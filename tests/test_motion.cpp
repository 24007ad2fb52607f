#include "link/motion_sampler.h"
#include "sim/virtual_device.h"
#include "support.h"
#include "ui/motion_view.h"
#include "window_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QStatusBar>
#include <QTemporaryDir>

using namespace stepbench;

namespace {

std::vector<MotionSample> Recorded(Window& win) {
    const auto& s = win.main.findChild<MotionView*>("MotionView")->record().samples();
    return {s.begin(), s.end()};
}

// Runs the event loop until the drive has stood still for a while after moving.
void UntilMovedAndStopped(Window& win, int ms = 6000) {
    QElapsedTimer t;
    t.start();
    bool moved = false;
    while (t.elapsed() < ms) {
        QTest::qWait(50);
        const auto s = Recorded(win);
        if (s.empty()) continue;
        moved = moved || s.back().moving.value_or(false);
        // A round's queries are a few ms apart: let a whole round see the drive at rest.
        if (moved && !s.back().moving.value_or(true) && s.back().speed == 0)
            return QTest::qWait(200);
    }
}

} // namespace

class TestMotion : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // A 10,000-step move sampled at 20 Hz: the textbook ramp.
    void rampOfAMove() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.type("Text13", "5000"); // maximum speed; acceleration and deceleration 10000
        win.click("Command24");
        win.click("CheckSampling");
        QTest::qWait(300);
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
        // The last moving sample is on the way down to the end speed: at most one sample's worth
        // of deceleration above it (50 ms at 10000 steps/s²).
        const auto last =
            std::find_if(s.rbegin(), s.rend(), [](auto& m) { return m.moving == true; });
        QVERIFY2(*last->speed >= 1000 && *last->speed <= 1000 + 600,
                 qPrintable(QString::number(*last->speed)));
        // The receive log keeps out of it; the working tab's fields follow.
        QVERIFY(!win.text("RichTextBox1").contains("查询运动绝对位置:"));
        QCOMPARE(win.text("Text18"), QString("10000"));
    }

    // A limit switch mid-move shows in the state and stops the position.
    void limitSwitchStopsTheMove() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("CheckSampling");
        win.type("Text10", "3000");
        win.click("Command20"); // constant speed, positive
        QTest::qWait(500);
        device.withDevice([](sim::Device& d) { d.forceLimit(false, true); });
        QTest::qWait(400);
        const auto s = Recorded(win);
        QVERIFY(s.back().rightLimit == true && s.back().moving == false);
        QCOMPARE(*s.back().position, *s[s.size() - 3].position);
    }

    // Closing the port pauses sampling; it carries on after reopening, at its rate, no backlog.
    void samplingResumesAfterReopen() {
        sim::VirtualDevice device;
        QVERIFY(device.start());
        Window win;
        QVERIFY(win.open(device.path()));
        win.click("CheckSampling");
        QTest::qWait(300);
        win.click("Command33");
        QTest::qWait(50);
        const std::size_t paused = Recorded(win).size();
        QTest::qWait(300);
        QCOMPARE(Recorded(win).size(), paused);
        QVERIFY(win.open(device.path()));
        QTest::qWait(500);
        const std::size_t resumed = Recorded(win).size() - paused;
        QVERIFY2(resumed >= 6 && resumed <= 12, qPrintable(QString::number(resumed)));
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
                    .moving = true,
                    .leftLimit = false,
                    .home = true,
                    .rightLimit = false});
        record.add({.seconds = 0.1, .position = 3});
        QCOMPARE(
            record.csv(),
            QByteArray(
                "time_s,position,speed,closed_loop_position,moving,left_limit,home,right_limit\r\n"
                "0.050,-12,300,,1,0,1,0\r\n"
                "0.100,3,,,,,,\r\n"));
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
