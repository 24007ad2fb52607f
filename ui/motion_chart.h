#pragma once

#include <QChartView>
#include <QColor>
#include <QHash>
#include <QList>
#include <QPointF>
#include <optional>

class QLineSeries;
class QValueAxis;

namespace stepbench {

// One plot of the motion view: its series over the shared time axis, and two cursor lines.
// Series are made as they are first given points, each under a key ("position 1"); a click on
// a legend entry hides or shows its series.
class MotionChart : public QChartView {
    Q_OBJECT
public:
    // The unit is a text id, shown in the language chosen; lanes: the value axis is bands of
    // switches, not numbers.
    explicit MotionChart(const char* unit, bool lanes = false);

    // The points of a series, as pieces of line: a gap between two pieces (the line gone, a slow
    // line) is not bridged. The series is made with its name (a text id, then a suffix such as an
    // address), colour and line the first time; its legend entry hides or shows all its pieces.
    // inLegend: whether the legend names it (the bands of switches are named on their axis).
    void setPoints(const QString& key, const QList<QList<QPointF>>& pieces, const char* nameId,
                   const QString& suffix, QColor colour, bool dashed = false, bool inLegend = true);
    void setPoints(const QString& key, const QList<QPointF>& points, const char* nameId,
                   const QString& suffix, QColor colour, bool dashed = false) {
        setPoints(key, QList<QList<QPointF>>{points}, nameId, suffix, colour, dashed);
    }
    // Removes every series that was not given points since the last call (a drive no longer
    // sampled, a plan gone), its legend entry with it.
    void dropUntouched();
    // The lanes' bands are named on their axis: the names to show, bottom up.
    void setLaneNames(const QList<const char*>& ids);
    // Forgets the alignment with the other plots (a plot shown again lays itself out afresh).
    void resetAlignment();
    void retranslate();
    void setTimeRange(double from, double to);
    // Value axes follow the visible series, with a little room above and below.
    void fitValues();
    // Where the plot area would begin and end without alignment, and the margins that line it
    // up with the other plots.
    double naturalLeft() const;
    double naturalRight() const;
    void alignTo(double left, double right);
    void setCursors(std::optional<double> a, std::optional<double> b);
    void showCursors(bool on);
    double secondsAt(const QPoint& at) const;
    int pixelWidth() const;
    // The series shown under the key (its first piece), for tests and export; every point of it.
    QLineSeries* seriesOf(const QString& key) const { return series_.value(key).value(0); }
    QList<QPointF> pointsOf(const QString& key) const;
    // Its pieces of line that have points.
    int piecesOf(const QString& key) const;
    // The names in the legend, as shown.
    QStringList legendNames() const;

signals:
    void hovered(double seconds);
    void wheeled(double factor, double seconds);
    // A click in the plot: the first cursor, or with second (right button) the second.
    void clicked(double seconds, bool second);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Named {
        const char* id;
        QString suffix;
    };
    static constexpr QMargins kMargins{4, 2, 4, 2};
    const char* unit_;
    bool lanes_;
    int left_ = 0;
    int right_ = 0;
    QValueAxis* time_;
    QValueAxis* values_;
    QHash<QString, QList<QLineSeries*>> series_; // by key, the pieces of each
    QHash<QLineSeries*, Named> names_;
    QList<QString> touched_;
    QList<const char*> laneNames_;
    QLineSeries* cursors_[2];
};

} // namespace stepbench
