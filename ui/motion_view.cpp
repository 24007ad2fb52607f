#include "ui/motion_view.h"

#include "commands/request.h"
#include "core/bench.h"
#include "ui/motion_chart.h"
#include "ui/prompter.h"
#include "ui/translation.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace stepbench {
namespace {

// The plots are redrawn at most this often, however fast samples come: painting is most of what
// sampling costs.
constexpr std::chrono::milliseconds kRedraw{200};
// Each series is drawn with at most two points per this many of the plot's pixels.
constexpr int kPixelsPerBucket = 2;
constexpr double kMinSpan = 0.5;
// A plan is drawn with this many points over what is shown of it.
constexpr int kPlanPoints = 200;        // over the time shown; a move gets its share, at least 8
constexpr std::size_t kMaxMoves = 1000; // kept per drive, the oldest go
constexpr int kMaxMoveRows = 100;       // of the table below the plots, the latest
const QColor kDrive[MotionSampler::kMaxDrives] = {QColor(0, 90, 200), QColor(200, 60, 0),
                                                  QColor(0, 140, 60), QColor(150, 0, 170)};

// A value of a sample as a point: at the time the drive took it.
using Value = std::optional<QPointF> (*)(const MotionSample&);

std::optional<QPointF> At(double seconds, const std::optional<double>& v) {
    return v ? std::optional(QPointF(seconds, *v)) : std::nullopt;
}
std::optional<QPointF> At(double seconds, const std::optional<std::int32_t>& v) {
    return v ? std::optional(QPointF(seconds, *v)) : std::nullopt;
}
// A switch lane: its base when off, raised when on.
std::optional<QPointF> Lane(const MotionSample& s, const std::optional<bool>& on, int lane) {
    return on ? std::optional(QPointF(s.stateSeconds, lane + (*on ? 0.7 : 0.0))) : std::nullopt;
}

const Value kPosition = [](const MotionSample& s) { return At(s.seconds, s.position); };
const Value kSpeed = [](const MotionSample& s) { return At(s.speedSeconds, s.speed); };
// The closed loop's position less the commanded one: how far the motor lags its steps.
const Value kFollowingError = [](const MotionSample& s) {
    return At(s.closedLoopSeconds, s.followingError);
};
const Value kLanes[] = {
    [](const MotionSample& s) { return Lane(s, s.rightLimit, 0); },
    [](const MotionSample& s) { return Lane(s, s.home, 1); },
    [](const MotionSample& s) { return Lane(s, s.leftLimit, 2); },
    [](const MotionSample& s) { return Lane(s, s.moving, 3); },
};
const char* const kLaneNames[] = {ZH("右限"), ZH("零点"), ZH("左限"), ZH("运动")};

// The samples of one drive in the time range, thinned to the lowest and highest value of each
// bucket of time, so that a long run draws as fast as a short one and keeps its peaks; in pieces
// wherever two samples are further apart than gap (the line gone a while, a slow line).
QList<QList<QPointF>> Thinned(const std::deque<MotionSample>& samples, std::uint8_t address,
                              double from, double to, int buckets, double gap, Value value) {
    QList<QList<QPointF>> pieces{{}};
    const auto first =
        std::lower_bound(samples.begin(), samples.end(), from,
                         [](const MotionSample& s, double t) { return s.seconds < t; });
    const double width = std::max(1e-9, (to - from) / std::max(1, buckets));
    std::optional<QPointF> low, high;
    std::optional<double> last;
    int bucket = -1;
    const auto flush = [&] {
        if (!low) return;
        if (low->x() <= high->x())
            pieces.back() << *low << *high;
        else
            pieces.back() << *high << *low;
        low.reset();
        high.reset();
    };
    for (auto it = first; it != samples.end() && it->seconds <= to; ++it) {
        if (it->address != address) continue;
        const auto v = value(*it);
        if (!v) continue;
        const int b = int((it->seconds - from) / width);
        if (b != bucket || (last && v->x() - *last > gap)) {
            flush();
            bucket = b;
        }
        if (last && v->x() - *last > gap && !pieces.back().isEmpty()) pieces << QList<QPointF>{};
        last = v->x();
        if (!low || v->y() < low->y()) low = *v;
        if (!high || v->y() > high->y()) high = *v;
    }
    flush();
    return pieces;
}

QString Address(std::uint8_t a) {
    return QString("%1").arg(a, 2, 16, QChar('0')).toUpper();
}

constexpr std::uint8_t kSpeedQuery = 0x36;
constexpr std::uint8_t kPositionQuery = 0x37;
constexpr std::uint8_t kStateQuery = 0x3B;
// A position no older than this (or two sampling periods, or this many characters of the line)
// tells where a move starts.
constexpr double kFreshSeconds = 0.3;
constexpr double kFreshCharacters = 80;
// Samples further apart than this many per second are taken as this many, for gaps and freshness.
constexpr double kSlowestRate = 0.5;

bool IsMotionCommand(std::optional<std::uint8_t> code) {
    return code &&
           (*code == 0x31 || *code == 0x32 || *code == 0x33 || *code == 0x34 || *code == 0x50);
}

} // namespace

MotionView::MotionView(MotionSampler& sampler, Bench& bench, PlanSource plan, Prompter* prompter,
                       QWidget* parent)
    : QWidget(parent), sampler_(sampler), bench_(bench), plan_(std::move(plan)),
      prompter_(prompter), sampling_(WithCaption(new QPushButton, ZH("开始采样"))),
      rate_(new QComboBox), achieved_(new QLabel),
      closedLoop_(WithCaption(new QCheckBox, ZH("闭环"))), addresses_(new QLineEdit),
      autoSample_(WithCaption(new QCheckBox, ZH("运动时自动采样"))), autoStop_(new QDoubleSpinBox),
      window_(new QComboBox), pause_(WithCaption(new QPushButton, ZH("暂停"))), cursor_(new QLabel),
      visibleOnly_(WithCaption(new QCheckBox, ZH("只导出可见范围"))), charts_(new QWidget),
      positionChart_(new MotionChart(ZH("位置 (步)"))),
      speedChart_(new MotionChart(ZH("速度 (步/s)"))), stateChart_(new MotionChart("", true)),
      errorChart_(new MotionChart(ZH("跟随误差 (步)"))), deviations_(new QTableWidget(0, 7)),
      planLabel_(new QLabel), redrawTimer_(new QTimer(this)) {
    setObjectName("MotionView");
    sampling_->setObjectName("CheckSampling");
    rate_->setObjectName("ComboSampleRate");
    achieved_->setObjectName("LabelAchievedRate");
    closedLoop_->setObjectName("CheckClosedLoop");
    addresses_->setObjectName("TextSampleAddresses");
    autoSample_->setObjectName("CheckAutoSample");
    autoStop_->setObjectName("SpinAutoStop");
    window_->setObjectName("ComboTimeWindow");
    pause_->setObjectName("CheckPausePlot");
    cursor_->setObjectName("LabelCursor");
    visibleOnly_->setObjectName("CheckExportVisible");
    deviations_->setObjectName("MotionDeviation");
    positionChart_->setObjectName("ChartPosition");
    speedChart_->setObjectName("ChartSpeed");
    stateChart_->setObjectName("ChartState");
    errorChart_->setObjectName("ChartFollowingError");
    planLabel_->setObjectName("LabelPlan");
    stateChart_->setLaneNames({kLaneNames[0], kLaneNames[1], kLaneNames[2], kLaneNames[3]});
    auto* exportCsvButton = WithCaption(new QPushButton, ZH("导出CSV"));
    exportCsvButton->setObjectName("CommandExportMotionCsv");
    auto* exportPngButton = WithCaption(new QPushButton, ZH("导出PNG"));
    exportPngButton->setObjectName("CommandExportMotionPng");
    auto* readParameters = WithCaption(new QPushButton, ZH("读取参数"));
    readParameters->setObjectName("CommandReadPlanParameters");
    SetToolTipId(readParameters, ZH("向驱动器查询初速度、最大速度、末速度、加速度和减速度，"
                                    "用于画出规划曲线"));

    sampling_->setCheckable(true);
    pause_->setCheckable(true);
    for (int hz : {5, 10, 20, 50})
        rate_->addItem(QString("%1 Hz").arg(hz), hz);
    rate_->setCurrentIndex(2);
    SetItemIds(window_, {"10 s", "60 s", ZH("全部")});
    achieved_->setMinimumWidth(
        achieved_->fontMetrics().horizontalAdvance(Tr("实际 %1 Hz").arg("00.0")));
    addresses_->setMaximumWidth(fontMetrics().horizontalAdvance(QString(12, '0')));
    SetToolTipId(addresses_, ZH("采样的驱动器地址(Hex)，最多 4 个，如 1 或 1-4；空着就是"
                                "“设备操作地址”"));
    autoStop_->setRange(0.2, 60);
    autoStop_->setValue(1.0);
    autoStop_->setSuffix(" s");
    SetToolTipId(autoStop_, ZH("驱动器停止这么久之后，自动采样结束"));
    deviations_->setMaximumHeight(fontMetrics().height() * 5);
    deviations_->verticalHeader()->hide();
    deviations_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    deviations_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Each column as wide as its header or its figures, whichever is wider.
    deviations_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* bar = new QHBoxLayout;
    bar->addWidget(sampling_);
    bar->addWidget(WithCaption(new QLabel, ZH("采样率")));
    bar->addWidget(rate_);
    bar->addWidget(achieved_);
    bar->addWidget(closedLoop_);
    bar->addWidget(WithCaption(new QLabel, ZH("地址(Hex)")));
    bar->addWidget(addresses_);
    bar->addSpacing(12);
    bar->addWidget(autoSample_);
    bar->addWidget(WithCaption(new QLabel, ZH("停止后")));
    bar->addWidget(autoStop_);
    bar->addStretch(1);
    bar->addWidget(readParameters);
    auto* view = new QHBoxLayout;
    view->addWidget(WithCaption(new QLabel, ZH("时间窗")));
    view->addWidget(window_);
    view->addWidget(pause_);
    view->addSpacing(12);
    view->addWidget(cursor_, 1);
    view->addWidget(visibleOnly_);
    view->addWidget(exportCsvButton);
    view->addWidget(exportPngButton);
    auto* plots = new QVBoxLayout(charts_);
    plots->setContentsMargins(0, 0, 0, 0);
    plots->setSpacing(0);
    plots->addWidget(positionChart_, 3);
    plots->addWidget(speedChart_, 3);
    plots->addWidget(errorChart_, 2);
    plots->addWidget(stateChart_, 2);
    errorChart_->hide();
    stateChart_->setMinimumHeight(fontMetrics().height() * 13);
    auto* v = new QVBoxLayout(this);
    v->addLayout(bar);
    v->addLayout(view);
    v->addWidget(charts_, 1);
    v->addWidget(planLabel_);
    v->addWidget(deviations_);
    labelDeviations();

    redrawTimer_->setInterval(kRedraw);
    connect(redrawTimer_, &QTimer::timeout, this, &MotionView::redraw);
    redrawTimer_->start();
    connect(sampling_, &QPushButton::toggled, this, &MotionView::switchSampling);
    connect(&sampler_, &MotionSampler::sampled, this, &MotionView::onSample);
    connect(&bench_.queue(), &TransactionQueue::started, this, &MotionView::onStarted);
    connect(&bench_.queue(), &TransactionQueue::closed, this, &MotionView::onClosed);
    connect(readParameters, &QPushButton::clicked, this, [this] {
        const auto sampled = running_ ? running_ : currentPlan();
        if (sampled)
            for (std::uint8_t a : sampled->addresses)
                emit parametersWanted(a);
    });
    // A move waiting for its drive's settings is planned once the drive has said them.
    connect(&bench_, &Bench::driveSaid, this, [this](std::uint8_t address) {
        const auto waiting = unplanned_.find(address);
        if (waiting != unplanned_.end() && planMove(waiting->second)) unplanned_.erase(waiting);
    });
    const auto replan = [this] {
        if (!running_) return;
        if (const auto changed = currentPlan()) {
            running_ = changed;
            sampler_.setPlan(*changed);
        }
    };
    connect(rate_, &QComboBox::currentIndexChanged, this, replan);
    connect(closedLoop_, &QCheckBox::toggled, this, [this, replan](bool on) {
        errorChart_->resetAlignment();
        errorChart_->setVisible(on);
        dirty_ = true;
        replan();
    });
    connect(window_, &QComboBox::currentIndexChanged, this, [this] {
        zoomSpan_.reset();
        dirty_ = true;
    });
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        pausedEnd_ = paused ? std::optional(timeRange().second) : std::nullopt;
        SetCaption(pause_, paused ? ZH("继续") : ZH("暂停"));
        dirty_ = true;
    });
    for (MotionChart* chart : {positionChart_, speedChart_, errorChart_, stateChart_}) {
        connect(chart, &MotionChart::hovered, this, [this](double t) {
            hovered_ = nearestSample(t);
            showCursor(hovered_);
        });
        connect(chart, &MotionChart::wheeled, this, &MotionView::zoom);
        connect(chart, &MotionChart::clicked, this, [this](double t, bool second) {
            (second ? cursorB_ : cursorA_) = nearestSample(t);
            showCursor(hovered_);
        });
    }
    connect(exportCsvButton, &QPushButton::clicked, this, [this] {
        exportTo(Tr("导出CSV"), Tr("CSV文件(*.csv)"),
                 [this](auto& p, auto* e) { return exportCsv(p, e); });
    });
    connect(exportPngButton, &QPushButton::clicked, this, [this] {
        exportTo(Tr("导出PNG"), Tr("PNG图片(*.png)"),
                 [this](auto& p, auto* e) { return exportPng(p, e); });
    });
}

std::optional<MotionSampler::Plan> MotionView::currentPlan() const {
    auto plan = plan_();
    if (!plan) return std::nullopt;
    plan->rateHz = rate_->currentData().toInt();
    plan->closedLoop = closedLoop_->isChecked();
    if (!addresses_->text().trimmed().isEmpty()) {
        const auto list =
            ReadAddressList({ZH("采样地址"), addresses_->text().trimmed().toStdString()},
                            MotionSampler::kMaxDrives);
        if (!list) {
            prompter_->inform(const_cast<MotionView*>(this), Tr("系统提示"),
                              TrError(list.failure()));
            return std::nullopt;
        }
        plan->addresses = *list;
    }
    return plan;
}

void MotionView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    for (MotionChart* chart : {positionChart_, speedChart_, errorChart_, stateChart_})
        chart->retranslate();
    labelDeviations();
    if (planText_) planLabel_->setText(planText_());
}

void MotionView::labelDeviations() {
    deviations_->setHorizontalHeaderLabels({Tr("地址"), Tr("开始(s)"), Tr("规划时长(s)"),
                                            Tr("到达用时(s)"), Tr("最大位置偏差(步)"),
                                            Tr("最大速度偏差(步/s)"), Tr("样本数")});
}

void MotionView::lineDown(bool waitingForReturn) {
    if (!running_) return;
    if (waitingForReturn) return achieved_->setText(Tr("等待串口…"));
    sampling_->setChecked(false);
    emit message(Tr("串口已关闭，采样已停止"));
}

void MotionView::lineBack() {
    if (!running_ || !sampler_.suspended()) return;
    achieved_->clear();
    sampler_.resume();
}

void MotionView::switchSampling(bool on) {
    if (!on) {
        sampler_.stop();
        running_.reset();
        autoStarted_ = false;
        achieved_->clear();
        SetCaption(sampling_, ZH("开始采样"));
        return;
    }
    const auto plan = currentPlan();
    if (!plan) {
        const QSignalBlocker block(sampling_);
        sampling_->setChecked(false);
        return;
    }
    running_ = plan;
    record_.clear();
    moves_.clear();
    settled_.clear();
    zoomSpan_.reset();
    stillSince_.reset();
    // Nothing of the run before stays on show: the cursors' readings and lines go with it.
    hovered_.reset();
    cursorA_.reset();
    cursorB_.reset();
    showCursor(std::nullopt);
    showDeviations();
    sampler_.start(*running_);
    SetCaption(sampling_, ZH("停止采样"));
}

void MotionView::onStarted(const Transaction& t) {
    // A move sent while "运动时自动采样" is on starts sampling with it.
    if (!autoSample_->isChecked() || running_ || !IsMotionCommand(t.request.command)) return;
    autoStarted_ = true;
    sampling_->setChecked(true);
    autoStarted_ = running_.has_value();
}

void MotionView::onClosed(const Transaction& t) {
    if (!running_ || !t.heardNs || !t.request.command) return;
    const auto address = t.address();
    const auto& drives = running_->addresses;
    if (IsStopCommand(*t.request.command)) return onStop(t);
    if (!IsMotionCommand(t.request.command)) return;
    if (!address || std::find(drives.begin(), drives.end(), *address) == drives.end()) return;
    unplanned_.erase(*address);
    if (planMove(t)) return;
    unplanned_[*address] = t;
    // What the drive has not said is not guessed from a field: it is asked, once.
    emit parametersWanted(*address);
}

// A stop cuts the plan of the move it stops there, and plans the stop by its own rule.
void MotionView::onStop(const Transaction& t) {
    const bool reached = t.verdict == Verdict::Ok || t.verdict == Verdict::Broadcast;
    const auto address = t.address();
    if (!reached || !address) return;
    const double start = sampler_.secondsOf(t.heardNs);
    for (auto& [a, moves] : moves_) {
        if (moves.empty() || (*address != 0 && *address != a)) continue;
        PlannedMove& running = moves.back();
        if (running.until <= start || running.start > start) continue;
        const auto end = running.motion.plan.duration();
        if (end && running.start + *end <= start) continue; // it had ended already
        running.until = start;
        if (const auto parameters = bench_.drives().motionParameters(a, nullptr))
            moves.push_back(
                PlanOfStop(running, start, *t.request.command == kEmergencyStop, *parameters));
        dirty_ = true;
    }
}

double MotionView::samplingRate(std::optional<std::uint8_t> address) const {
    const double chosen = rate_->currentData().toDouble();
    const double achieved = address ? sampler_.achievedRate(*address) : sampler_.achievedRate();
    return std::max(kSlowestRate, achieved > 0 ? std::min(achieved, chosen) : chosen);
}

std::optional<DriveAt> MotionView::whereAt(std::uint8_t address, double start) const {
    // The latest of its samples and of what it reported otherwise, before the move reached it,
    // if no older than a few sampling periods.
    std::optional<std::pair<double, DriveAt>> latest;
    const auto& samples = record_.samples();
    for (auto it = samples.rbegin(); it != samples.rend(); ++it)
        if (it->address == address && it->position && it->seconds <= start) {
            const double speed =
                it->moving.value_or(false) ? std::fabs(double(it->speed.value_or(0))) : 0;
            latest = {it->seconds, {double(*it->position), speed}};
            break;
        }
    const DriveStates& drives = bench_.drives();
    if (const auto position = drives.reported(address, kPositionQuery)) {
        const double when = sampler_.secondsOf(position->heardNs);
        const auto moving = drives.reported(address, kStateQuery);
        const auto speed = drives.reported(address, kSpeedQuery);
        if (when <= start && (!latest || when > latest->first))
            latest = {when,
                      {position->value, moving && moving->value > 0 && speed ? speed->value : 0}};
    }
    // Fresh: of the last couple of sampling rounds as the line carries them (several drives on a
    // slow line take longer than the rate chosen), or of the last few queries on a slow line.
    const double queries = double(bench_.link().characterNs()) * kFreshCharacters / 1e9;
    const double fresh = std::max({kFreshSeconds, 2.0 / samplingRate(address), queries});
    if (!latest || start - latest->first > fresh) return std::nullopt;
    return latest->second;
}

bool MotionView::needsWhereBefore(const Bytes& frame) const {
    const auto e = ExpectationOf(frame);
    const auto code = CommandCodeOfFrame(frame);
    if (!e || e->address == 0 || !IsMotionCommand(code)) return false;
    const auto plan =
        running_ ? running_ : (autoSample_->isChecked() ? currentPlan() : std::nullopt);
    if (!plan) return false;
    const auto& drives = plan->addresses;
    if (std::find(drives.begin(), drives.end(), e->address) == drives.end()) return false;
    return !whereAt(e->address, sampler_.secondsOf(Link::now()));
}

void MotionView::askWhereBefore(const Bytes& frame) {
    if (!needsWhereBefore(frame)) return;
    const auto plan = running_ ? running_ : currentPlan();
    const std::uint8_t address = ExpectationOf(frame)->address;
    // The position last, nearest the move.
    for (std::uint8_t query : {kStateQuery, kSpeedQuery, kPositionQuery})
        if (const auto request = FrameForLine(Bytes{address, query, 0x00}, plan->framing))
            bench_.queue().submit({.frame = *request, .command = query, .origin = Origin::Sampler});
}

bool MotionView::planMove(const Transaction& t) {
    const std::uint8_t address = *t.address();
    std::vector<std::string> unknown;
    const auto parameters = bench_.drives().motionParameters(address, &unknown);
    if (!parameters) {
        static const std::map<std::string, const char*> kNames = {{"start-speed", ZH("初速度")},
                                                                  {"max-speed", ZH("最大速度")},
                                                                  {"end-speed", ZH("末速度")},
                                                                  {"acceleration", ZH("加速度")},
                                                                  {"deceleration", ZH("减速度")}};
        showPlan([address, unknown] {
            QStringList names;
            for (const std::string& n : unknown)
                names << Tr(kNames.at(n));
            return Tr("没有规划曲线：驱动器 %1 的%2未读取（正在读取）")
                .arg(Address(address), names.join(Tr("、")));
        });
        return false;
    }
    const double start = sampler_.secondsOf(t.heardNs);
    const auto at = whereAt(address, start);
    if (!at) {
        showPlan([address] {
            return Tr("没有规划曲线：不知道驱动器 %1 开始运动时在哪里").arg(Address(address));
        });
        return true;
    }
    QString why;
    const auto move = PlanOfTransaction(t, start, *at, *parameters, &why);
    if (!move) {
        if (!why.isEmpty()) showPlan([why] { return Tr("没有规划曲线：%1").arg(why); });
        return true;
    }
    auto& moves = moves_[address];
    if (!moves.empty()) moves.back().until = move->start;
    moves.push_back(*move);
    if (moves.size() > kMaxMoves) moves.erase(moves.begin());
    stillSince_.reset();
    showPlan([address, p = *parameters] {
        return Tr("规划（驱动器 %1 确认的值）：初速 %2，最大 %3，末速 %4 步/s；加速 %5，减速 %6 "
                  "步/s²")
            .arg(Address(address))
            .arg(p.startSpeed)
            .arg(p.maxSpeed)
            .arg(p.endSpeed)
            .arg(p.acceleration)
            .arg(p.deceleration);
    });
    dirty_ = true;
    return true;
}

void MotionView::showPlan(std::function<QString()> text) {
    planText_ = std::move(text);
    planLabel_->setText(planText_());
}

void MotionView::showRate() {
    // Redrawn with the plots: a label changing at every sample would lay the view out anew.
    if (running_->addresses.size() > 1) {
        QStringList rates;
        for (std::uint8_t a : running_->addresses)
            rates << QString("%1: %2").arg(Address(a)).arg(sampler_.achievedRate(a), 0, 'f', 1);
        achieved_->setText(Tr("实际 %1 Hz").arg(rates.join("  ")));
    } else {
        achieved_->setText(Tr("实际 %1 Hz").arg(sampler_.achievedRate(), 0, 'f', 1));
    }
}

void MotionView::onSample(const MotionSample& sample) {
    record_.add(sample);
    dirty_ = true;
    // Sampling started by a move ends a while after every drive has stood still.
    if (!autoStarted_ || !running_ || sample.address != running_->addresses.back()) return;
    bool still = true;
    for (std::uint8_t a : running_->addresses)
        for (auto it = record_.samples().rbegin(); it != record_.samples().rend(); ++it)
            if (it->address == a) {
                still = still && it->moving == false;
                break;
            }
    if (!still) return stillSince_.reset();
    if (!stillSince_) stillSince_ = sample.seconds;
    if (sample.seconds - *stillSince_ < autoStop_->value()) return;
    sampling_->setChecked(false);
    emit message(Tr("驱动器已停止 %1 s，自动采样结束").arg(autoStop_->value()));
}

std::pair<double, double> MotionView::timeRange() const {
    const auto& samples = record_.samples();
    const double last = samples.empty() ? 0 : samples.back().seconds;
    const double first = samples.empty() ? 0 : samples.front().seconds;
    const double end = pausedEnd_.value_or(last);
    // The span of the time window: the leading number of its item ("10 s"), 0 for all.
    const double window = ItemId(window_).split(' ').first().toDouble();
    const double span = zoomSpan_.value_or(window > 0 ? window : std::max(end - first, 1.0));
    // The run begins at 0: never a time before it.
    if (end - span < std::min(first, 0.0))
        return {std::min(first, 0.0), std::min(first, 0.0) + span};
    return {end - span, end};
}

void MotionView::redraw() {
    // Nobody sees the plots on another tab: they catch up when shown.
    if (!dirty_ || !isVisible()) return;
    dirty_ = false;
    if (running_ && !sampler_.suspended()) showRate();
    const auto [from, to] = timeRange();
    const auto& samples = record_.samples();
    const int buckets = std::max(50, positionChart_->pixelWidth() / kPixelsPerBucket);
    // A line breaks where samples are more than two sampling periods apart (of the rate the
    // line achieves, when it cannot carry the one chosen).
    const double gap = 2.0 / samplingRate();
    const std::vector<std::uint8_t> drives =
        running_ ? running_->addresses : std::vector<std::uint8_t>{};
    // The drives of the samples shown, the running ones first.
    std::vector<std::uint8_t> shown = drives;
    for (const MotionSample& s : samples)
        if (std::find(shown.begin(), shown.end(), s.address) == shown.end() &&
            shown.size() < MotionSampler::kMaxDrives)
            shown.push_back(s.address);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::uint8_t a = shown[i];
        const QColor colour = kDrive[i];
        const QString suffix = shown.size() > 1 ? " " + Address(a) : QString();
        const QString key = Address(a);
        positionChart_->setPoints("position " + key,
                                  Thinned(samples, a, from, to, buckets, gap, kPosition),
                                  ZH("位置"), suffix, colour);
        speedChart_->setPoints("speed " + key, Thinned(samples, a, from, to, buckets, gap, kSpeed),
                               ZH("速度"), suffix, colour);
        if (closedLoop_->isChecked())
            errorChart_->setPoints("error " + key,
                                   Thinned(samples, a, from, to, buckets, gap, kFollowingError),
                                   ZH("跟随误差"), suffix, colour);
        // Every drive's switches in its own colour, a little above the one before in each band.
        for (int lane = 0; lane < 4; ++lane) {
            auto pieces = Thinned(samples, a, from, to, buckets, gap, kLanes[lane]);
            for (QList<QPointF>& piece : pieces)
                for (QPointF& p : piece)
                    p.ry() += 0.12 * double(i);
            // The bands are named on their axis; the legend names the drives, when there are
            // several.
            stateChart_->setPoints(QString("lane %1 %2").arg(lane).arg(key), pieces, ZH("开关"),
                                   suffix, colour, false, lane == 0 && shown.size() > 1);
        }
        // The plans of its moves, dashed, each from its start until it ends or the next begins;
        // the drive stands still at its target in between.
        const auto planned = moves_.find(a);
        if (planned == moves_.end()) continue;
        const std::vector<PlannedMove>& moves = planned->second;
        QList<QPointF> position, speed;
        for (std::size_t k = 0; k < moves.size(); ++k) {
            const PlannedMove& m = moves[k];
            const double stop = std::min(to, m.until);
            const double begin = std::max(from, m.start);
            if (begin >= stop) continue;
            const double end =
                std::min(stop, m.start + m.motion.plan.duration().value_or(stop - m.start));
            const int points =
                std::max(8, int(kPlanPoints * (end - begin) / std::max(1e-9, to - from)));
            for (int n = 0; n <= points && begin < end; ++n) {
                // The last point just before the end, where the plan still moves.
                const double t =
                    n < points ? begin + (end - begin) * n / points : std::nextafter(end, begin);
                position << QPointF(t, m.positionAt(t));
                speed << QPointF(t, m.speedAt(t));
            }
            if (end < stop) {
                const double target = m.positionAt(end);
                position << QPointF(end, target) << QPointF(stop, target);
                speed << QPointF(end, 0) << QPointF(stop, 0);
            }
        }
        positionChart_->setPoints("plan " + key, position, ZH("规划位置"), suffix, colour, true);
        speedChart_->setPoints("plan " + key, speed, ZH("规划速度"), suffix, colour, true);
    }
    double left = 0, right = 1e9;
    for (MotionChart* chart : {positionChart_, speedChart_, errorChart_, stateChart_}) {
        chart->dropUntouched();
        chart->setTimeRange(from, to);
        chart->fitValues();
        chart->setCursors(cursorA_, cursorB_);
        if (!chart->isVisible()) continue;
        left = std::max(left, chart->naturalLeft());
        right = std::min(right, chart->naturalRight());
    }
    // One time axis: the plot areas line up, whatever the width of their labels. A plot not
    // shown has no layout to go by.
    for (MotionChart* chart : {positionChart_, speedChart_, errorChart_, stateChart_})
        if (chart->isVisible()) chart->alignTo(left, right);
    showDeviations();
}

const PlannedMove* MotionView::plannedMove(std::uint8_t address) const {
    const auto it = moves_.find(address);
    return it == moves_.end() || it->second.empty() ? nullptr : &it->second.back();
}

std::vector<const PlannedMove*> MotionView::latestMoves(int count) const {
    std::vector<const PlannedMove*> out;
    for (const auto& [address, moves] : moves_)
        for (const PlannedMove& m : moves)
            out.push_back(&m);
    std::sort(out.begin(), out.end(),
              [](const PlannedMove* x, const PlannedMove* y) { return x->start > y->start; });
    if (int(out.size()) > count) out.resize(std::size_t(count));
    return out;
}

Deviation MotionView::deviation(std::uint8_t address) const {
    const PlannedMove* m = plannedMove(address);
    return m ? CompareWithPlan(*m, record_.samples()) : Deviation{};
}

void MotionView::showDeviations() {
    // The latest move on top.
    const auto moves = latestMoves(kMaxMoveRows);
    deviations_->setRowCount(int(moves.size()));
    for (int row = 0; row < int(moves.size()); ++row) {
        const PlannedMove& move = *moves[std::size_t(row)];
        // A move the drive has finished keeps its figures: they are worked out once.
        const std::pair key{move.address, move.start};
        const auto known = settled_.find(key);
        const Deviation d =
            known != settled_.end() ? known->second : CompareWithPlan(move, record_.samples());
        if (d.done) settled_.emplace(key, d);
        const auto seconds = [](const std::optional<double>& v) {
            return v ? QString::number(*v, 'f', 3) : QString("—");
        };
        const QStringList cells{Address(move.address),
                                QString::number(move.start, 'f', 3),
                                seconds(d.plannedArrival),
                                seconds(d.arrival),
                                d.samples ? QString::number(d.maxPosition, 'f', 1) : "—",
                                d.speedSamples ? QString::number(d.maxSpeed, 'f', 1) : "—",
                                QString::number(d.samples)};
        for (int c = 0; c < cells.size(); ++c) {
            if (QTableWidgetItem* item = deviations_->item(row, c)) {
                if (item->text() != cells[c]) item->setText(cells[c]);
                continue;
            }
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            deviations_->setItem(row, c, item);
        }
    }
}

void MotionView::zoom(double factor, double atSeconds) {
    const auto [from, to] = timeRange();
    const double span = std::max(kMinSpan, (to - from) * factor);
    zoomSpan_ = span;
    // Paused, the time under the mouse stays where it is, but never past the newest sample;
    // live, the newest sample stays right.
    const auto& samples = record_.samples();
    if (pausedEnd_)
        pausedEnd_ = std::min(atSeconds + (to - atSeconds) * span / (to - from),
                              samples.empty() ? 0.0 : samples.back().seconds);
    dirty_ = true;
}

std::optional<double> MotionView::nearestSample(double seconds) const {
    const auto& samples = record_.samples();
    if (samples.empty()) return std::nullopt;
    auto it = std::lower_bound(samples.begin(), samples.end(), seconds,
                               [](const MotionSample& s, double t) { return s.seconds < t; });
    if (it == samples.end()) --it;
    if (it != samples.begin() && seconds - std::prev(it)->seconds < it->seconds - seconds) --it;
    return it->seconds;
}

void MotionView::showCursor(std::optional<double> hovered) {
    const auto& samples = record_.samples();
    // The reading of the first drive at a sample's time.
    const auto at = [&](double t) -> const MotionSample* {
        const std::uint8_t first = running_ ? running_->addresses.front() : 0;
        for (const MotionSample& s : samples)
            if (s.seconds >= t - 1e-9 && (!running_ || s.address == first)) return &s;
        return nullptr;
    };
    const auto text = [](const std::optional<std::int32_t>& v) {
        return v ? QString::number(*v) : QString("—");
    };
    QStringList parts;
    if (hovered)
        if (const MotionSample* s = at(*hovered))
            parts << Tr("t = %1 s   位置 %2   速度 %3")
                         .arg(s->seconds, 0, 'f', 3)
                         .arg(text(s->position), text(s->speed));
    const MotionSample* a = cursorA_ ? at(*cursorA_) : nullptr;
    const MotionSample* b = cursorB_ ? at(*cursorB_) : nullptr;
    if (a && b && a->position && b->position && a->speed && b->speed)
        parts << Tr("B−A：Δt %1 s  Δ位置 %2  Δ速度 %3")
                     .arg(b->seconds - a->seconds, 0, 'f', 3)
                     .arg(*b->position - *a->position)
                     .arg(*b->speed - *a->speed);
    cursor_->setText(parts.join("     "));
    for (MotionChart* chart : {positionChart_, speedChart_, errorChart_, stateChart_})
        chart->setCursors(cursorA_, cursorB_);
}

std::optional<std::pair<double, double>> MotionView::plannedAt(const MotionSample& s) const {
    // The move under way at the sample: the last to start before it.
    const auto it = moves_.find(s.address);
    if (it == moves_.end()) return std::nullopt;
    const auto after = std::upper_bound(it->second.begin(), it->second.end(), s.seconds,
                                        [](double t, const PlannedMove& m) { return t < m.start; });
    if (after == it->second.begin()) return std::nullopt;
    const PlannedMove& m = *std::prev(after);
    return std::pair{m.positionAt(s.seconds), m.speedAt(s.speedSeconds)};
}

bool MotionView::exportCsv(const QString& path, QString* error) const {
    const auto [from, to] = timeRange();
    const bool visible = visibleOnly_->isChecked();
    QByteArray bytes = record_.csv(visible ? from : -1e300, visible ? to : 1e300,
                                   [this](const MotionSample& s) { return plannedAt(s); });
    // How each move kept to its plan, as a table of its own, in the order they began.
    if (!moves_.empty()) {
        bytes += "\r\naddress,start_s,planned_duration_s,arrival_s,max_position_deviation,"
                 "max_speed_deviation,samples\r\n";
        auto moves = latestMoves(std::numeric_limits<int>::max());
        std::reverse(moves.begin(), moves.end());
        for (const PlannedMove* move : moves) {
            if (visible && (move->start < from || move->start > to)) continue;
            const Deviation d = CompareWithPlan(*move, record_.samples());
            const auto seconds = [](const std::optional<double>& v) {
                return v ? QByteArray::number(*v, 'f', 3) : QByteArray();
            };
            bytes += QByteArray::number(move->address) + ',' +
                     QByteArray::number(move->start, 'f', 3) + ',' + seconds(d.plannedArrival) +
                     ',' + seconds(d.arrival) + ',' + QByteArray::number(d.maxPosition, 'f', 1) +
                     ',' + QByteArray::number(d.maxSpeed, 'f', 1) + ',' +
                     QByteArray::number(d.samples) + "\r\n";
        }
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

bool MotionView::exportPng(const QString& path, QString* error) {
    // The picture is of the plots, without the cursor lines.
    for (MotionChart* chart : {positionChart_, speedChart_, errorChart_, stateChart_})
        chart->showCursors(false);
    const QPixmap picture = charts_->grab();
    for (MotionChart* chart : {positionChart_, speedChart_, errorChart_, stateChart_})
        chart->showCursors(true);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit()) return true;
    *error = file.errorString();
    return false;
}

void MotionView::exportTo(const QString& title, const QString& filter,
                          const std::function<bool(const QString&, QString*)>& write) {
    const QString path = prompter_->savePath(this, title, filter);
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path) && !prompter_->ask(this, title, Tr("是否覆盖文件？"))) return;
    QString error;
    if (write(path, &error))
        emit message(Tr("已导出：%1").arg(path));
    else
        emit message(Tr("导出失败，没有写入文件 %1：%2").arg(path, error));
}

} // namespace stepbench
