#include "ui/motion_view.h"

#include "ui/prompter.h"
#include "ui/translation.h"

#include <QBoxLayout>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace stepbench {
namespace {

// The plots are redrawn at most this often, however fast samples come: painting is most of what
// sampling costs.
constexpr std::chrono::milliseconds kRedraw{200};
// Each series is drawn with at most two points per this many of the plot's pixels.
constexpr int kPixelsPerBucket = 2;
constexpr double kZoomStep = 1.25;
constexpr double kMinSpan = 0.5;

using Value = std::optional<double> (*)(const MotionSample&);

// A tick spacing of 1, 2 or 5 times a power of ten that divides the span into about n parts.
double NiceStep(double span, int n) {
    const double raw = std::max(span, 1e-9) / n;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

// Sets the range with ticks at round values of it, no closer than minStep, and labels with as
// many decimals as the spacing needs (0.2 s apart: one). The spacing is set first: the other way
// round, a range that grew a thousandfold would briefly carry a thousand times the ticks.
void SetRange(QValueAxis* axis, double from, double to, int ticks, double minStep = 0) {
    const double step = std::max(minStep, NiceStep(to - from, ticks));
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
    axis->setLabelFormat(QString("%.%1f").arg(decimals));
    axis->setRange(from, to);
}

std::optional<double> Opt(const std::optional<std::int32_t>& v) {
    return v ? std::optional<double>(*v) : std::nullopt;
}
// A switch lane: its base when off, raised when on.
std::optional<double> Lane(const std::optional<bool>& on, int lane) {
    return on ? std::optional<double>(lane + (*on ? 0.7 : 0.0)) : std::nullopt;
}

const Value kPosition = [](const MotionSample& s) { return Opt(s.position); };
const Value kClosedLoop = [](const MotionSample& s) { return Opt(s.closedLoopPosition); };
const Value kSpeed = [](const MotionSample& s) { return Opt(s.speed); };
const Value kLanes[] = {
    [](const MotionSample& s) { return Lane(s.rightLimit, 0); },
    [](const MotionSample& s) { return Lane(s.home, 1); },
    [](const MotionSample& s) { return Lane(s.leftLimit, 2); },
    [](const MotionSample& s) { return Lane(s.moving, 3); },
};

// The samples of the time range, thinned to the lowest and highest value of each bucket of time,
// so that a long run draws as fast as a short one and keeps its peaks.
QList<QPointF> Thinned(const std::deque<MotionSample>& samples, double from, double to, int buckets,
                       Value value) {
    QList<QPointF> out;
    const auto first =
        std::lower_bound(samples.begin(), samples.end(), from,
                         [](const MotionSample& s, double t) { return s.seconds < t; });
    const double width = std::max(1e-9, (to - from) / std::max(1, buckets));
    std::optional<QPointF> low, high;
    int bucket = -1;
    const auto flush = [&] {
        if (!low) return;
        if (low->x() <= high->x())
            out << *low << *high;
        else
            out << *high << *low;
        low.reset();
        high.reset();
    };
    for (auto it = first; it != samples.end() && it->seconds <= to; ++it) {
        const auto v = value(*it);
        if (!v) continue;
        const int b = int((it->seconds - from) / width);
        if (b != bucket) {
            flush();
            bucket = b;
        }
        const QPointF p(it->seconds, *v);
        if (!low || p.y() < low->y()) low = p;
        if (!high || p.y() > high->y()) high = p;
    }
    flush();
    return out;
}

} // namespace

// One plot of the view: its series over the shared time axis, and the cursor line.
class MotionChart : public QChartView {
    Q_OBJECT
public:
    // The unit and the series' names are text ids, shown in the language chosen.
    MotionChart(const char* unit, QList<const char*> names, bool lanes = false)
        : QChartView(new QChart), unit_(unit), names_(std::move(names)), lanes_(lanes) {
        // Plain, unshaded and without antialiasing: the plots are redrawn ten times a second, and
        // painting is what sampling costs.
        chart()->setBackgroundVisible(false);
        chart()->setDropShadowEnabled(false);
        // Every item moves on every redraw: an index of them costs more than it saves.
        scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
        setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
        chart()->setMargins(kMargins);
        chart()->legend()->setAlignment(Qt::AlignTop);
        // The time axis is shared: only the bottom plot labels it (labels are costly to lay out
        // afresh as the plots scroll).
        time_->setLabelsVisible(lanes);
        SetRange(time_, 0, 1, 8);
        chart()->addAxis(time_, Qt::AlignBottom);
        SetRange(values_, 0, 1, 4, 1);
        if (lanes) {
            // One band per switch, raised while it is active; the legend names them.
            values_->setRange(-0.15, double(names_.size()) - 0.15);
            values_->setLabelsVisible(false);
            values_->setGridLineVisible(false);
        }
        chart()->addAxis(values_, Qt::AlignLeft);
        for (int i = 0; i < names_.size(); ++i) {
            auto* s = new QLineSeries;
            chart()->addSeries(s);
            s->attachAxis(time_);
            s->attachAxis(values_);
            series_ << s;
        }
        cursorLine_->setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
        chart()->addSeries(cursorLine_);
        cursorLine_->attachAxis(time_);
        cursorLine_->attachAxis(values_);
        if (auto* marker = chart()->legend()->markers(cursorLine_).value(0))
            marker->setVisible(false);
        retranslate();
    }

    void retranslate() {
        if (lanes_) time_->setTitleText(Tr("时间 (s)"));
        values_->setTitleText(*unit_ ? Tr(unit_) : QString());
        for (int i = 0; i < series_.size(); ++i)
            series_[i]->setName(Tr(names_[i]));
    }

    void setTimeRange(double from, double to) { SetRange(time_, from, to, 8); }
    void setPoints(int series, const QList<QPointF>& points) { series_[series]->replace(points); }
    // Value axes follow what is shown, with a little room above and below.
    void fitValues() {
        if (!values_->labelsVisible()) return;
        QValueAxis* axis = values_;
        double low = 0, high = 0;
        bool any = false;
        for (const QLineSeries* s : series_)
            for (const QPointF& p : s->points()) {
                low = any ? std::min(low, p.y()) : p.y();
                high = any ? std::max(high, p.y()) : p.y();
                any = true;
            }
        // Steps and positions are whole numbers: no tick between two of them.
        const double room = std::max(1.0, (high - low) * 0.05);
        SetRange(axis, low - room, high + room, 4, 1);
    }
    // Where the plot area would begin and end without alignment, and the margins that line it
    // up with the other plots.
    double naturalLeft() const { return chart()->plotArea().left() - left_; }
    double naturalRight() const { return chart()->plotArea().right() + right_; }
    void alignTo(double left, double right) {
        const int l = std::max(0, int(left - naturalLeft() + 0.5));
        const int r = std::max(0, int(naturalRight() - right + 0.5));
        if (l == left_ && r == right_) return;
        left_ = l;
        right_ = r;
        chart()->setMargins(kMargins + QMargins(l, 0, r, 0));
    }
    void setCursorAt(std::optional<double> seconds) {
        if (!seconds) return cursorLine_->clear();
        const double low = values_->property("min").toDouble();
        const double high = values_->property("max").toDouble();
        cursorLine_->replace({QPointF(*seconds, low), QPointF(*seconds, high)});
    }
    void showCursor(bool on) { cursorLine_->setVisible(on); }
    double secondsAt(const QPoint& at) const {
        return chart()->mapToValue(mapToScene(at), series_.first()).x();
    }
    int pixelWidth() const { return int(chart()->plotArea().width()); }

signals:
    void hovered(double seconds);
    void wheeled(double factor, double seconds);

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (chart()->plotArea().contains(mapToScene(event->pos())))
            emit hovered(secondsAt(event->pos()));
        QChartView::mouseMoveEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override {
        const double notches = event->angleDelta().y() / 120.0;
        if (notches == 0) return;
        emit wheeled(std::pow(kZoomStep, -notches), secondsAt(event->position().toPoint()));
        event->accept();
    }

private:
    static constexpr QMargins kMargins{4, 2, 4, 2};
    const char* unit_;
    QList<const char*> names_;
    bool lanes_;
    int left_ = 0;
    int right_ = 0;
    QValueAxis* time_ = new QValueAxis;
    QValueAxis* values_ = new QValueAxis;
    QList<QLineSeries*> series_;
    QLineSeries* cursorLine_ = new QLineSeries;
};

MotionView::MotionView(MotionSampler& sampler, PlanSource plan, Prompter* prompter, QWidget* parent)
    : QWidget(parent), sampler_(sampler), plan_(std::move(plan)), prompter_(prompter),
      sampling_(WithCaption(new QPushButton, ZH("开始采样"))), rate_(new QComboBox),
      achieved_(new QLabel), closedLoop_(WithCaption(new QCheckBox, ZH("闭环"))),
      window_(new QComboBox), pause_(WithCaption(new QPushButton, ZH("暂停"))), cursor_(new QLabel),
      charts_(new QWidget),
      positionChart_(new MotionChart(ZH("位置 (步)"), {ZH("绝对位置"), ZH("闭环绝对位置")})),
      speedChart_(new MotionChart(ZH("速度 (步/s)"), {ZH("速度")})),
      stateChart_(new MotionChart("", {ZH("右限"), ZH("零点"), ZH("左限"), ZH("运动")}, true)),
      redrawTimer_(new QTimer(this)) {
    setObjectName("MotionView");
    sampling_->setObjectName("CheckSampling");
    rate_->setObjectName("ComboSampleRate");
    achieved_->setObjectName("LabelAchievedRate");
    closedLoop_->setObjectName("CheckClosedLoop");
    window_->setObjectName("ComboTimeWindow");
    pause_->setObjectName("CheckPausePlot");
    cursor_->setObjectName("LabelCursor");
    auto* exportCsvButton = WithCaption(new QPushButton, ZH("导出CSV"));
    exportCsvButton->setObjectName("CommandExportMotionCsv");
    auto* exportPngButton = WithCaption(new QPushButton, ZH("导出PNG"));
    exportPngButton->setObjectName("CommandExportMotionPng");

    sampling_->setCheckable(true);
    pause_->setCheckable(true);
    for (int hz : {5, 10, 20, 50})
        rate_->addItem(QString("%1 Hz").arg(hz), hz);
    rate_->setCurrentIndex(2);
    SetItemIds(window_, {"10 s", "60 s", ZH("全部")});
    achieved_->setMinimumWidth(
        achieved_->fontMetrics().horizontalAdvance(Tr("实际 %1 Hz").arg("00.0")));

    auto* bar = new QHBoxLayout;
    bar->addWidget(sampling_);
    bar->addWidget(WithCaption(new QLabel, ZH("采样率")));
    bar->addWidget(rate_);
    bar->addWidget(achieved_);
    bar->addWidget(closedLoop_);
    bar->addSpacing(12);
    bar->addWidget(WithCaption(new QLabel, ZH("时间窗")));
    bar->addWidget(window_);
    bar->addWidget(pause_);
    bar->addSpacing(12);
    bar->addWidget(cursor_, 1);
    bar->addWidget(exportCsvButton);
    bar->addWidget(exportPngButton);
    auto* plots = new QVBoxLayout(charts_);
    plots->setContentsMargins(0, 0, 0, 0);
    plots->setSpacing(0);
    plots->addWidget(positionChart_, 3);
    plots->addWidget(speedChart_, 3);
    plots->addWidget(stateChart_, 2);
    stateChart_->setMinimumHeight(fontMetrics().height() * 13);
    auto* v = new QVBoxLayout(this);
    v->addLayout(bar);
    v->addWidget(charts_, 1);

    redrawTimer_->setInterval(kRedraw);
    connect(redrawTimer_, &QTimer::timeout, this, &MotionView::redraw);
    redrawTimer_->start();
    connect(sampling_, &QPushButton::toggled, this, &MotionView::switchSampling);
    connect(&sampler_, &MotionSampler::sampled, this, &MotionView::onSample);
    const auto replan = [this] {
        if (running_) sampler_.setPlan(currentPlan(*running_));
    };
    connect(rate_, &QComboBox::currentIndexChanged, this, replan);
    connect(closedLoop_, &QCheckBox::toggled, this, replan);
    connect(window_, &QComboBox::currentIndexChanged, this, [this] {
        zoomSpan_.reset();
        dirty_ = true;
    });
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        pausedEnd_ = paused ? std::optional(timeRange().second) : std::nullopt;
        SetCaption(pause_, paused ? ZH("继续") : ZH("暂停"));
        dirty_ = true;
    });
    for (MotionChart* chart : {positionChart_, speedChart_, stateChart_}) {
        connect(chart, &MotionChart::hovered, this, &MotionView::showCursor);
        connect(chart, &MotionChart::wheeled, this, &MotionView::zoom);
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

MotionSampler::Plan MotionView::currentPlan(const MotionSampler::Plan& base) const {
    MotionSampler::Plan plan = base;
    plan.rateHz = rate_->currentData().toInt();
    plan.closedLoop = closedLoop_->isChecked();
    return plan;
}

void MotionView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    for (MotionChart* chart : {positionChart_, speedChart_, stateChart_})
        chart->retranslate();
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
        achieved_->clear();
        SetCaption(sampling_, ZH("开始采样"));
        return;
    }
    const auto plan = plan_();
    if (!plan) {
        const QSignalBlocker block(sampling_);
        sampling_->setChecked(false);
        return;
    }
    running_ = currentPlan(*plan);
    record_.clear();
    zoomSpan_.reset();
    // Nothing of the run before stays on show: the cursor's reading and line go with it.
    cursor_->clear();
    for (MotionChart* chart : {positionChart_, speedChart_, stateChart_})
        chart->setCursorAt(std::nullopt);
    sampler_.start(*running_);
    SetCaption(sampling_, ZH("停止采样"));
}

void MotionView::onSample(const MotionSample& sample) {
    record_.add(sample);
    achieved_->setText(Tr("实际 %1 Hz").arg(sampler_.achievedRate(), 0, 'f', 1));
    dirty_ = true;
}

std::pair<double, double> MotionView::timeRange() const {
    const auto& samples = record_.samples();
    const double last = samples.empty() ? 0 : samples.back().seconds;
    const double first = samples.empty() ? 0 : samples.front().seconds;
    const double end = pausedEnd_.value_or(last);
    // The span of the time window: the leading number of its item ("10 s"), 0 for all.
    const double window = ItemId(window_).split(' ').first().toDouble();
    const double span = zoomSpan_.value_or(window > 0 ? window : std::max(end - first, 1.0));
    return {end - span, end};
}

void MotionView::redraw() {
    if (!dirty_) return;
    dirty_ = false;
    const auto [from, to] = timeRange();
    const auto& samples = record_.samples();
    const int buckets = std::max(50, positionChart_->pixelWidth() / kPixelsPerBucket);
    positionChart_->setPoints(0, Thinned(samples, from, to, buckets, kPosition));
    positionChart_->setPoints(1, Thinned(samples, from, to, buckets, kClosedLoop));
    speedChart_->setPoints(0, Thinned(samples, from, to, buckets, kSpeed));
    for (int lane = 0; lane < 4; ++lane)
        stateChart_->setPoints(lane, Thinned(samples, from, to, buckets, kLanes[lane]));
    double left = 0, right = 1e9;
    for (MotionChart* chart : {positionChart_, speedChart_, stateChart_}) {
        chart->setTimeRange(from, to);
        chart->fitValues();
        left = std::max(left, chart->naturalLeft());
        right = std::min(right, chart->naturalRight());
    }
    // One time axis: the plot areas line up, whatever the width of their labels.
    for (MotionChart* chart : {positionChart_, speedChart_, stateChart_})
        chart->alignTo(left, right);
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

void MotionView::showCursor(double atSeconds) {
    const auto& samples = record_.samples();
    if (samples.empty()) return;
    auto it = std::lower_bound(samples.begin(), samples.end(), atSeconds,
                               [](const MotionSample& s, double t) { return s.seconds < t; });
    if (it == samples.end()) --it;
    if (it != samples.begin() && atSeconds - std::prev(it)->seconds < it->seconds - atSeconds) --it;
    const auto text = [](const std::optional<std::int32_t>& v) {
        return v ? QString::number(*v) : QString("—");
    };
    cursor_->setText(Tr("t = %1 s   位置 %2   速度 %3")
                         .arg(it->seconds, 0, 'f', 3)
                         .arg(text(it->position), text(it->speed)));
    for (MotionChart* chart : {positionChart_, speedChart_, stateChart_})
        chart->setCursorAt(it->seconds);
}

bool MotionView::exportCsv(const QString& path, QString* error) const {
    const QByteArray bytes = record_.csv();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

bool MotionView::exportPng(const QString& path, QString* error) {
    // The picture is of the plots, without the mouse's cursor line.
    for (MotionChart* chart : {positionChart_, speedChart_, stateChart_})
        chart->showCursor(false);
    const QPixmap picture = charts_->grab();
    for (MotionChart* chart : {positionChart_, speedChart_, stateChart_})
        chart->showCursor(true);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit())
        return true;
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

#include "motion_view.moc"
