#pragma once

#include <QColor>
#include <QWidget>

namespace stepbench {

// A small round indicator lamp; its colour is the Qt property fillColor.
class Lamp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
public:
    explicit Lamp(const QColor& color, QWidget* parent = nullptr);
    QColor fillColor() const { return color_; }
    void setFillColor(const QColor& color);
    QSize sizeHint() const override;

    static QColor dark();
    static QColor red() { return QColor(255, 0, 0); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_;
};

} // namespace stepbench
