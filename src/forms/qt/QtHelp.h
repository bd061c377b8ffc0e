// Help windows and text popups of the back end that shows real windows.
//
// Internal to the Qt back end: the rest of the program reaches them through
// forms::Backend.
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "forms/Help.h"

namespace forms::qt {

class HelpWindow;

// The help windows and the popup that are open, one window per help file.
class HelpWindows {
public:
    ~HelpWindows();

    // Opens the book's window (owned by `owner` when given) or raises the
    // one already open for it, at the page and with the pane. A book's first
    // window opens centred on its owner; later ones keep the size and place
    // its last one was left at, for as long as the program runs.
    long show(const HelpBook& book, const std::string& page, HelpPane pane, QWidget* owner);
    void closeAll();
    long showPopup(const HelpPopup& popup, QWidget* owner);

private:
    std::vector<QPointer<HelpWindow>> windows_;
    // Each book's window as it was last left (QWidget::saveGeometry).
    std::map<QString, QByteArray> placed_;
    QPointer<QWidget> popup_;
};

}  // namespace forms::qt
