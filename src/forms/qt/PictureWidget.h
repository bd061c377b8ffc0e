// The widget of an Image control or a picture box.
//
// An image has no background of its own, so what lies behind shows where the
// picture does not cover it; a picture box fills itself with its colour and
// may have a sunken border. A click is a press and a release on the picture,
// like a button's.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <functional>

namespace forms::qt {

class PictureWidget : public QLabel {
public:
    explicit PictureWidget(QWidget* parent);

    static constexpr int kBorder = 2;

    QPixmap picture;
    bool stretch = false;
    bool bordered = false;
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace forms::qt
