// The catalogue of the program's pictures: which there are, in what order,
// and their saving as PNG files. The groups draw themselves elsewhere.
#include "pictures/Pictures.h"

#include <QDir>
#include <utility>

#include "pictures/PictureSets.h"

namespace zekpictures {

std::vector<Picture> drawAll() {
    std::vector<Picture> all = spellTiles();
    for (Picture& hut : hutTiles()) {
        all.push_back(std::move(hut));
    }
    all.push_back({"splash_logo", splashLogo()});
    all.push_back({"main_background", mainBackground()});
    // The window icon at 48 pixels, and its other sizes for window lists and
    // the desktop's launcher (iconNN).
    all.push_back({"icon", icon(48)});
    for (int size : {16, 32, 64, 128, 256}) {
        all.push_back({QStringLiteral("icon%1").arg(size), icon(size)});
    }
    all.push_back({"about_icon", icon(40)});
    all.push_back({"about_tribes", aboutTribes()});
    all.push_back({"about_island", aboutIsland()});
    return all;
}

bool saveAll(const QString& dir, QString* error) {
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create %1").arg(dir);
        return false;
    }
    for (const Picture& picture : drawAll()) {
        const QString file = QDir(dir).filePath(picture.name + QStringLiteral(".png"));
        if (!picture.image.save(file, "PNG")) {
            *error = QStringLiteral("cannot write %1").arg(file);
            return false;
        }
    }
    return true;
}

}  // namespace zekpictures
