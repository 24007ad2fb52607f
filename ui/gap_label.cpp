#include "ui/gap_label.h"

#include <QFontMetrics>
#include <QPainter>

namespace stepbench {
namespace {
constexpr int kMargin = 4;
}

GapLabel::GapLabel(const QString& caption, QWidget* field, QWidget* parent)
    : QLabel(caption, parent), field_(field) {
    for (int i = 0; i < caption.size();) {
        int j = i;
        while (j < caption.size() && caption[j] == ' ')
            ++j;
        if (j - i > gapLength_) {
            gapStart_ = i;
            gapLength_ = j - i;
        }
        i = j > i ? j : i + 1;
    }
    field_->setParent(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize GapLabel::sizeHint() const {
    const QFontMetrics fm(font());
    const QSize f = field_->sizeHint();
    const int width =
        fm.horizontalAdvance(before()) + f.width() + 2 * kMargin + fm.horizontalAdvance(after());
    return {width, std::max(fm.height(), f.height())};
}

void GapLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    const QSize f = field_->sizeHint();
    field_->setGeometry(QFontMetrics(font()).horizontalAdvance(before()) + kMargin,
                        (height() - f.height()) / 2, f.width(), f.height());
}

void GapLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm(font());
    const int y = (height() - fm.height()) / 2 + fm.ascent();
    p.drawText(0, y, before());
    p.drawText(field_->geometry().right() + 1 + kMargin, y, after());
}

} // namespace stepbench
