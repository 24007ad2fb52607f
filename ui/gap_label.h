#pragma once

#include <QLabel>

namespace stepbench {

// A caption with a field standing in its longest run of blanks ("隔 [1000] MS"), as the window's
// captions are written. text() stays exactly the caption; the label draws the words on either
// side of the run around the field.
class GapLabel : public QLabel {
public:
    GapLabel(const QString& caption, QWidget* field, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString before() const { return text().left(gapStart_); }
    QString after() const { return text().mid(gapStart_ + gapLength_); }
    QWidget* field_;
    int gapStart_ = 0; // index of the first blank of the run
    int gapLength_ = 0;
};

} // namespace stepbench
