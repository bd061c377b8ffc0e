// The widget of a Frame control: an etched rectangle with its caption set
// into the top edge, the whole of it filled with its BackColor, so controls
// on it blend in.
#pragma once

#include <QGroupBox>

namespace forms::qt {

class FrameBox : public QGroupBox {
public:
    explicit FrameBox(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    // The caption as shown, without its access-key marks.
    QString displayed() const;
};

}  // namespace forms::qt
