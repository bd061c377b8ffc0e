// The program's pictures as Qt pixmaps and window icons, read from the
// pictures folder of the program folder and kept once read.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <map>
#include <string>

#include "forms/Types.h"

namespace forms::qt {

class Pictures {
public:
    // The picture's PNG; a null pixmap for no picture or a missing file.
    QPixmap picture(const forms::Picture& picture);

    // A window's icon is its picture together with the picture's other sizes
    // (NAME16, NAME32, ...), so that the window system picks a sharp one for
    // the title bar, the task bar and the window switcher. A form without an
    // icon of its own carries the program's, as message boxes do.
    QIcon windowIcon(const forms::Picture& own);

private:
    std::map<QString, QPixmap> pictures_;
    std::map<std::string, QIcon> icons_;
};

}  // namespace forms::qt
