#include "ui/motion_chart.h"

#include "ui/translation.h"

#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsScene>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>
#include <cmath>

namespace stepbench {
namespace {

constexpr double kZoomStep = 1.25;

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

} // namespace

MotionChart::MotionChart(const char* unit, bool lanes)
    : QChartView(new QChart), unit_(unit), lanes_(lanes), time_(new QValueAxis),
      values_(lanes ? new QCategoryAxis : new QValueAxis) {
    // Plain, unshaded and without antialiasing: the plots are redrawn five times a second, and
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
        // One band per switch, raised while it is active; the axis names them.
        values_->setRange(-0.15, 4 - 0.15);
        values_->setGridLineVisible(false);
        static_cast<QCategoryAxis*>(values_)->setLabelsPosition(
            QCategoryAxis::AxisLabelsPositionCenter);
    }
    chart()->addAxis(values_, Qt::AlignLeft);
    for (QLineSeries*& cursor : cursors_) {
        cursor = new QLineSeries;
        chart()->addSeries(cursor);
        cursor->attachAxis(time_);
        cursor->attachAxis(values_);
        if (auto* marker = chart()->legend()->markers(cursor).value(0)) marker->setVisible(false);
    }
    cursors_[0]->setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    cursors_[1]->setPen(QPen(QColor(200, 120, 0), 1, Qt::DashLine));
    retranslate();
}

void MotionChart::setPoints(const QString& key, const QList<QList<QPointF>>& pieces,
                            const char* nameId, const QString& suffix, QColor colour, bool dashed,
                            bool inLegend) {
    QList<QLineSeries*>& series = series_[key];
    while (series.size() < std::max<qsizetype>(1, pieces.size())) {
        auto* s = new QLineSeries;
        // A plan is its drive's colour, lighter and dashed, so the measured line shows through.
        s->setPen(dashed ? QPen(colour.lighter(170), 2.5, Qt::DashLine) : QPen(colour, 1.5));
        chart()->addSeries(s);
        s->attachAxis(time_);
        s->attachAxis(values_);
        names_.insert(s, {nameId, suffix});
        s->setName(Tr(nameId) + suffix);
        auto* marker = chart()->legend()->markers(s).value(0);
        series << s;
        if (!marker) continue;
        // One legend entry: the first piece's; a click on it hides or shows every piece.
        if (series.size() > 1) {
            marker->setVisible(false);
            s->setVisible(series.front()->isVisible());
            continue;
        }
        connect(marker, &QLegendMarker::clicked, this, [this, key, marker] {
            const bool show = !series_.value(key).value(0)->isVisible();
            for (QLineSeries* piece : series_.value(key))
                piece->setVisible(show);
            marker->setVisible(true);
            QColor label = marker->labelBrush().color();
            label.setAlphaF(show ? 1.0f : 0.4f);
            marker->setLabelBrush(label);
            fitValues();
        });
    }
    if (auto* marker = chart()->legend()->markers(series.front()).value(0);
        marker && marker->isVisible() != inLegend)
        marker->setVisible(inLegend);
    for (qsizetype i = 0; i < series.size(); ++i) {
        // A drive alone on the plots is no longer named by its address.
        if (Named& named = names_[series[i]]; named.suffix != suffix) {
            named.suffix = suffix;
            series[i]->setName(Tr(named.id) + suffix);
        }
        if (i < pieces.size())
            series[i]->replace(pieces[i]);
        else if (series[i]->count() > 0)
            series[i]->clear();
    }
    if (!touched_.contains(key)) touched_ << key;
}

void MotionChart::dropUntouched() {
    for (auto it = series_.begin(); it != series_.end();) {
        if (touched_.contains(it.key())) {
            ++it;
            continue;
        }
        for (QLineSeries* s : std::as_const(it.value())) {
            names_.remove(s);
            chart()->removeSeries(s);
            delete s;
        }
        it = series_.erase(it);
    }
    touched_.clear();
}

QList<QPointF> MotionChart::pointsOf(const QString& key) const {
    QList<QPointF> out;
    for (const QLineSeries* s : series_.value(key))
        out += s->points();
    return out;
}

int MotionChart::piecesOf(const QString& key) const {
    const auto& series = series_.value(key);
    return int(std::count_if(series.begin(), series.end(),
                             [](const QLineSeries* s) { return s->count() > 0; }));
}

QStringList MotionChart::legendNames() const {
    QStringList out;
    for (QLegendMarker* m : chart()->legend()->markers())
        if (m->isVisible()) out << m->label();
    return out;
}

void MotionChart::setLaneNames(const QList<const char*>& ids) {
    laneNames_ = ids;
    retranslate();
}

void MotionChart::resetAlignment() {
    left_ = right_ = 0;
    chart()->setMargins(kMargins);
}

void MotionChart::retranslate() {
    if (lanes_) time_->setTitleText(Tr("时间 (s)"));
    values_->setTitleText(*unit_ ? Tr(unit_) : QString());
    for (auto it = names_.begin(); it != names_.end(); ++it)
        it.key()->setName(Tr(it->id) + it->suffix);
    if (auto* bands = qobject_cast<QCategoryAxis*>(values_)) {
        for (const QString& label : bands->categoriesLabels())
            bands->remove(label);
        bands->setStartValue(-0.15);
        for (int i = 0; i < laneNames_.size(); ++i)
            bands->append(Tr(laneNames_[i]), i + 1 - 0.15);
    }
}

void MotionChart::setTimeRange(double from, double to) {
    SetRange(time_, from, to, 8);
}

void MotionChart::fitValues() {
    if (lanes_) return;
    double low = 0, high = 0;
    bool any = false;
    for (const QLineSeries* s : names_.keys()) {
        if (!s->isVisible()) continue;
        for (const QPointF& p : s->points()) {
            low = any ? std::min(low, p.y()) : p.y();
            high = any ? std::max(high, p.y()) : p.y();
            any = true;
        }
    }
    // Steps and positions are whole numbers: no tick between two of them.
    const double room = std::max(1.0, (high - low) * 0.05);
    SetRange(values_, low - room, high + room, 4, 1);
}

double MotionChart::naturalLeft() const {
    return chart()->plotArea().left() - left_;
}

double MotionChart::naturalRight() const {
    return chart()->plotArea().right() + right_;
}

void MotionChart::alignTo(double left, double right) {
    // Never more than the plot could give up: a stale layout must not push the margins on.
    const int most = width() / 3;
    const int l = std::clamp(int(left - naturalLeft() + 0.5), 0, most);
    const int r = std::clamp(int(naturalRight() - right + 0.5), 0, most);
    if (l == left_ && r == right_) return;
    left_ = l;
    right_ = r;
    chart()->setMargins(kMargins + QMargins(l, 0, r, 0));
}

void MotionChart::setCursors(std::optional<double> a, std::optional<double> b) {
    const double low = values_->min();
    const double high = values_->max();
    const std::optional<double> at[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        if (at[i])
            cursors_[i]->replace({QPointF(*at[i], low), QPointF(*at[i], high)});
        else
            cursors_[i]->clear();
    }
}

void MotionChart::showCursors(bool on) {
    for (QLineSeries* c : cursors_)
        c->setVisible(on);
}

double MotionChart::secondsAt(const QPoint& at) const {
    return chart()->mapToValue(mapToScene(at), cursors_[0]).x();
}

int MotionChart::pixelWidth() const {
    return int(chart()->plotArea().width());
}

void MotionChart::mouseMoveEvent(QMouseEvent* event) {
    if (chart()->plotArea().contains(mapToScene(event->pos())))
        emit hovered(secondsAt(event->pos()));
    QChartView::mouseMoveEvent(event);
}

void MotionChart::mousePressEvent(QMouseEvent* event) {
    if (chart()->plotArea().contains(mapToScene(event->pos())))
        emit clicked(secondsAt(event->pos()), event->button() == Qt::RightButton);
    QChartView::mousePressEvent(event);
}

void MotionChart::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    emit wheeled(std::pow(kZoomStep, -notches), secondsAt(event->position().toPoint()));
    event->accept();
}

} // namespace stepbench
