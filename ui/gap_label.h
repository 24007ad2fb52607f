#pragma once

#include <QLabel>

namespace stepbench {

// A caption with a field standing in its longest run of blanks ("隔 [1000] MS"), as the window's
// captions are written. text() stays exactly the caption; the label draws the words on either
// side of the run around the field, in whatever language the caption is.
class GapLabel : public QLabel {
public:
    explicit GapLabel(QWidget* field, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Where the longest run of blanks starts, and how long it is.
    std::pair<qsizetype, qsizetype> gap() const;
    QString before() const { return text().left(gap().first); }
    QString after() const { return text().mid(gap().first + gap().second); }
    void placeField();
    QWidget* field_;
};

} // namespace stepbench
