#pragma once

#include "link/motion_sampler.h"

#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace stepbench {

class MotionChart;
class Prompter;

// The "运动曲线" tab: position, speed and the switches plotted over time while the motor runs,
// sampled through the transaction queue. Plots share one time axis: the last 10 s, 60 s or all
// of the run; the mouse wheel zooms in time, the cursor reads out the values under the mouse.
class MotionView : public QWidget {
    Q_OBJECT
public:
    // plan gives what to sample from the window's settings, or nothing (it has said why).
    using PlanSource = std::function<std::optional<MotionSampler::Plan>()>;
    MotionView(MotionSampler& sampler, PlanSource plan, Prompter* prompter,
               QWidget* parent = nullptr);

    const MotionRecord& record() const { return record_; }
    bool exportCsv(const QString& path, QString* error) const;
    bool exportPng(const QString& path, QString* error);

    // The line has gone down: sampling stops, or with waitingForReturn waits for it.
    void lineDown(bool waitingForReturn);
    // The line is back: sampling that waited carries on.
    void lineBack();

signals:
    void message(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void switchSampling(bool on);
    void onSample(const MotionSample& sample);
    void redraw();
    void zoom(double factor, double atSeconds);
    void showCursor(double atSeconds);
    std::pair<double, double> timeRange() const;
    MotionSampler::Plan currentPlan(const MotionSampler::Plan& base) const;
    void exportTo(const QString& title, const QString& filter,
                  const std::function<bool(const QString&, QString*)>& write);

    MotionSampler& sampler_;
    PlanSource plan_;
    Prompter* prompter_;
    MotionRecord record_;
    std::optional<MotionSampler::Plan> running_;
    QPushButton* sampling_;
    QComboBox* rate_;
    QLabel* achieved_;
    QCheckBox* closedLoop_;
    QComboBox* window_;
    QPushButton* pause_;
    QLabel* cursor_;
    QWidget* charts_;
    MotionChart* positionChart_;
    MotionChart* speedChart_;
    MotionChart* stateChart_;
    QTimer* redrawTimer_;
    std::optional<double> zoomSpan_;  // seconds shown when zoomed with the wheel
    std::optional<double> pausedEnd_; // the right edge of the plots while paused
    bool dirty_ = false;
};

} // namespace stepbench
