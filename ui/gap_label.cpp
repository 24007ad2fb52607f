#include "ui/gap_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace stepbench {
namespace {
constexpr int kMargin = 4;
}

GapLabel::GapLabel(QWidget* field, QWidget* parent) : QLabel(parent), field_(field) {
    field_->setParent(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

std::pair<qsizetype, qsizetype> GapLabel::gap() const {
    const QString caption = text();
    qsizetype start = 0, length = 0;
    for (qsizetype i = 0; i < caption.size();) {
        qsizetype j = i;
        while (j < caption.size() && caption[j] == ' ')
            ++j;
        if (j - i > length) {
            start = i;
            length = j - i;
        }
        i = j > i ? j : i + 1;
    }
    return {start, length};
}

QSize GapLabel::sizeHint() const {
    const QFontMetrics fm(font());
    const QSize f = field_->sizeHint();
    const int width =
        fm.horizontalAdvance(before()) + f.width() + 2 * kMargin + fm.horizontalAdvance(after());
    return {width, std::max(fm.height(), f.height())};
}

void GapLabel::placeField() {
    const QSize f = field_->sizeHint();
    field_->setGeometry(QFontMetrics(font()).horizontalAdvance(before()) + kMargin,
                        (height() - f.height()) / 2, f.width(), f.height());
}

void GapLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    placeField();
}

void GapLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    // A caption in another language moves the field.
    if (event->type() == QEvent::LanguageChange || event->type() == QEvent::FontChange) {
        updateGeometry();
        placeField();
    }
}

void GapLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm(font());
    const int y = (height() - fm.height()) / 2 + fm.ascent();
    p.drawText(0, y, before());
    p.drawText(field_->geometry().right() + 1 + kMargin, y, after());
}

} // namespace stepbench
