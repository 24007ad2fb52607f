#include "ui/aligned_caption.h"

#include "codec/tr.h"
#include "ui/lamp.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

namespace stepbench {

LampCaption::LampCaption(QLabel* caption, QList<Entry> entries, QWidget* parent)
    : QWidget(parent), caption_(caption), entries_(std::move(entries)) {
    caption_->setParent(this);
    for (const Entry& e : entries_)
        e.lamp->setParent(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize LampCaption::sizeHint() const {
    const QSize c = caption_->sizeHint();
    const int lamp = entries_.isEmpty() ? 0 : entries_.first().lamp->sizeHint().height();
    return {c.width(), c.height() + lamp + 1};
}

void LampCaption::resizeEvent(QResizeEvent*) {
    const QSize c = caption_->sizeHint();
    caption_->setGeometry(0, height() - c.height(), c.width(), c.height());
    const QFontMetrics fm(caption_->font());
    const QString text = caption_->text();
    // A caption written in words apart ("IN1 IN2 ...", or a translation) has one word per lamp;
    // one written without spaces ("停止左限右限零点") is searched for each lamp's word.
    const QStringList spaced = text.split(' ', Qt::SkipEmptyParts);
    const bool bySpaces = spaced.size() == entries_.size();
    int from = 0;
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        const QString word = bySpaces ? spaced[i] : Tr(e.word);
        const int at = std::max(0, int(text.indexOf(word, from)));
        from = at + int(word.size());
        const double centre =
            fm.horizontalAdvance(text.left(at)) + fm.horizontalAdvance(word) / 2.0;
        const QSize l = e.lamp->sizeHint();
        e.lamp->setGeometry(int(centre - l.width() / 2.0 + 0.5), 0, l.width(), l.height());
    }
}

void LampCaption::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The caption in another language is wider or narrower: the lamps move with its words.
    if (event->type() == QEvent::LanguageChange) {
        updateGeometry();
        QTimer::singleShot(0, this, [this] { resize(sizeHint()); });
    }
}

DigitsCaption::DigitsCaption(QWidget* parent) : QLabel(parent) {}

void DigitsCaption::setAnchor(QWidget* edit) {
    if (anchor_) anchor_->removeEventFilter(this);
    anchor_ = edit;
    // The anchor moves with the layout: follow it.
    for (QWidget* w = edit; w; w = w->parentWidget())
        w->installEventFilter(this);
    setFont(edit->font());
    update();
}

QString DigitsCaption::words() const {
    return text().left(text().size() - digits().size()).trimmed();
}

QString DigitsCaption::digits() const {
    const QString t = text();
    qsizetype i = t.size();
    while (i > 0 && t[i - 1].isDigit())
        --i;
    return t.mid(i);
}

int DigitsCaption::digitsX() const {
    const auto* edit = qobject_cast<const QLineEdit*>(anchor_.data());
    if (!edit) return fontMetrics().horizontalAdvance(words() + "  ");
    // Where a line edit draws its first character: its contents rectangle, its text margins,
    // and the small fixed margin QLineEdit keeps inside them.
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    constexpr int kLineEditMargin = 2;
    const int x = contents.x() + edit->textMargins().left() + kLineEditMargin;
    return mapFromGlobal(edit->mapToGlobal(QPoint(x, 0))).x();
}

QSize DigitsCaption::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 4, fm.height()};
}

void DigitsCaption::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm(font());
    const int y = (height() - fm.height()) / 2 + fm.ascent();
    const int x = digitsX();
    p.drawText(x, y, digits());
    // The words stand in a smaller type just before the digits.
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p.setFont(small);
    const QFontMetrics sm(small);
    p.drawText(std::max(0, x - sm.horizontalAdvance(words() + " ")), y, words());
}

bool DigitsCaption::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) update();
    return false;
}

} // namespace stepbench
