// A form's client area: the widget below its menu bar that shows its
// background colour and picture and holds its controls.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace forms::qt {

class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent);

    // Drawn at the top left corner, at its own size.
    QPixmap picture;

protected:
    void paintEvent(QPaintEvent*) override;
};

}  // namespace forms::qt
