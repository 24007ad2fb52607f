#pragma once

#include "link/motion_sampler.h"
#include "link/move_check.h"

#include <QWidget>
#include <functional>
#include <map>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace stepbench {

class Bench;
class MotionChart;
class Prompter;

// The "运动曲线" tab: position, speed and the switches of up to four drives plotted over time
// while they run, sampled through the transaction queue, with the plan of each move commanded
// meanwhile drawn dashed over them and how far the drive kept to it. Plots share one time axis:
// the last 10 s, 60 s or all of the run; the mouse wheel zooms in time, the cursor reads out the
// values under the mouse, a click sets cursor A and a right click cursor B.
class MotionView : public QWidget {
    Q_OBJECT
public:
    // plan gives what to sample from the window's settings, or nothing (it has said why).
    using PlanSource = std::function<std::optional<MotionSampler::Plan>()>;
    // A move is planned with the speed settings its drive has itself said (on the bench).
    MotionView(MotionSampler& sampler, Bench& bench, PlanSource plan, Prompter* prompter,
               QWidget* parent = nullptr);

    const MotionRecord& record() const { return record_; }
    // The plan of the latest move of a drive, while one is on show.
    const PlannedMove* plannedMove(std::uint8_t address) const; // its latest
    // The moves of all drives that started last, the latest first.
    std::vector<const PlannedMove*> latestMoves(int count) const;
    Deviation deviation(std::uint8_t address) const;
    bool exportCsv(const QString& path, QString* error) const;
    bool exportPng(const QString& path, QString* error);

    // The line has gone down: sampling stops, or with waitingForReturn waits for it.
    void lineDown(bool waitingForReturn);
    // The line is back: sampling that waited carries on.
    void lineBack();
    // A move about to be sent to a sampled drive whose whereabouts are not fresh: the drive is
    // asked first (position, state, speed), so that the plan starts where it is.
    void askWhereBefore(const Bytes& frame);

signals:
    void message(const QString& text);
    // "读取参数", or a move planned without them: a drive's speed settings are to be asked.
    void parametersWanted(std::uint8_t address);

protected:
    void changeEvent(QEvent* event) override;

private:
    void switchSampling(bool on);
    void onSample(const MotionSample& sample);
    void onStarted(const Transaction& t);
    void onClosed(const Transaction& t);
    // Plans a move from what its drive has said; false when the drive has not said all of it
    // (the view says so and asks the drive).
    bool planMove(const Transaction& t);
    // The line under the plots, shown again in the language chosen.
    void showPlan(std::function<QString()> text);
    void onStop(const Transaction& t);
    // The samples per second the line achieves (of one drive, or whole rounds), at most the
    // rate chosen.
    double samplingRate(std::optional<std::uint8_t> address = std::nullopt) const;
    // Where a drive was when a command reached it at start, from its latest sample or report;
    // empty when nothing fresh enough is known.
    std::optional<DriveAt> whereAt(std::uint8_t address, double start) const;
    bool needsWhereBefore(const Bytes& frame) const;
    void redraw();
    void showDeviations();
    void labelDeviations();
    void showRate();
    void zoom(double factor, double atSeconds);
    void showCursor(std::optional<double> hovered);
    std::optional<double> nearestSample(double seconds) const;
    std::pair<double, double> timeRange() const;
    std::optional<MotionSampler::Plan> currentPlan() const;
    std::optional<std::pair<double, double>> plannedAt(const MotionSample& s) const;
    void exportTo(const QString& title, const QString& filter,
                  const std::function<bool(const QString&, QString*)>& write);

    MotionSampler& sampler_;
    Bench& bench_;
    PlanSource plan_;
    // A move of each drive waiting for the drive's speed settings to be planned.
    std::map<std::uint8_t, Transaction> unplanned_;
    Prompter* prompter_;
    MotionRecord record_;
    std::optional<MotionSampler::Plan> running_;
    std::map<std::uint8_t, std::vector<PlannedMove>> moves_;       // of each drive, in order
    std::map<std::pair<std::uint8_t, double>, Deviation> settled_; // of finished moves, by start
    QPushButton* sampling_;
    QComboBox* rate_;
    QLabel* achieved_;
    QCheckBox* closedLoop_;
    QLineEdit* addresses_;
    QCheckBox* autoSample_;
    QDoubleSpinBox* autoStop_;
    QComboBox* window_;
    QPushButton* pause_;
    QLabel* cursor_;
    QCheckBox* visibleOnly_;
    QWidget* charts_;
    MotionChart* positionChart_;
    MotionChart* speedChart_;
    MotionChart* stateChart_;
    MotionChart* errorChart_;
    QTableWidget* deviations_;
    QLabel* planLabel_;
    std::function<QString()> planText_;
    QTimer* redrawTimer_;
    std::optional<double> zoomSpan_;  // seconds shown when zoomed with the wheel
    std::optional<double> pausedEnd_; // the right edge of the plots while paused
    std::optional<double> hovered_;
    std::optional<double> cursorA_, cursorB_;
    bool autoStarted_ = false;         // sampling was started by a move, and stops after it
    std::optional<double> stillSince_; // since when every sampled drive has stood still
    bool dirty_ = false;
};

} // namespace stepbench
