#pragma once

#include <QLabel>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace stepbench {

class Lamp;

// A caption with a lamp standing centred over each of its words ("IN1 IN2 ..." or the two-
// character words of "停止左限右限零点"), wherever the layout puts it and whatever the font.
class LampCaption : public QWidget {
public:
    struct Entry {
        Lamp* lamp;
        const char* word; // the id of the part of the caption the lamp stands over
    };
    LampCaption(QLabel* caption, QList<Entry> entries, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QLabel* caption_;
    QList<Entry> entries_;
};

// A caption whose trailing digits ("IN序号  54321") stand exactly over the characters of a line
// edit (Combo8's pattern), so each digit names the character below it. text() stays the caption.
class DigitsCaption : public QLabel {
public:
    explicit DigitsCaption(QWidget* parent = nullptr);
    // The line edit whose characters the digits stand over.
    void setAnchor(QWidget* edit);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString words() const;
    QString digits() const;
    int digitsX() const; // where the digits start, in this label's coordinates
    QPointer<QWidget> anchor_;
};

} // namespace stepbench
