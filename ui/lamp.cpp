#include "ui/lamp.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

namespace stepbench {

Lamp::Lamp(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QColor Lamp::dark() {
    return QApplication::palette().color(QPalette::WindowText);
}

void Lamp::setFillColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

QSize Lamp::sizeHint() const {
    const int d = fontMetrics().height();
    return {d, d};
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.setBrush(color_);
    const int d = std::min(width(), height()) - 2;
    p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
}

} // namespace stepbench
