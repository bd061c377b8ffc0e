// The widget of a Line control: a one-pixel line between two points of its
// own rectangle, which lets every mouse event through to what lies below.
#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>

namespace forms::qt {

class LineWidget : public QWidget {
public:
    explicit LineWidget(QWidget* parent);

    QPoint from, to;
    QColor color;

protected:
    void paintEvent(QPaintEvent*) override;
};

}  // namespace forms::qt
