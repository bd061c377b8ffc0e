#include "forms/qt/Pictures.h"

#include <QApplication>

#include "forms/Runtime.h"
#include "forms/qt/Strings.h"

namespace forms::qt {

namespace {

// The picture of the program's own icon.
const std::string kProgramIcon = "icon";

}  // namespace

QPixmap Pictures::picture(const forms::Picture& picture) {
    if (picture.empty() || !Runtime::exists()) {
        return {};
    }
    QString path = qstr(App().Path) + QStringLiteral("/pictures/") + qstr(picture.Name) +
                   QStringLiteral(".png");
    auto it = pictures_.find(path);
    if (it != pictures_.end()) {
        return it->second;
    }
    QPixmap loaded;
    if (!loaded.load(path, "PNG")) {
        return {};  // a missing picture draws nothing
    }
    pictures_.emplace(path, loaded);
    return loaded;
}

QIcon Pictures::windowIcon(const forms::Picture& own) {
    const std::string name = own.empty() ? kProgramIcon : own.Name;
    auto found = icons_.find(name);
    if (found != icons_.end()) {
        return found->second;
    }
    QIcon icon;
    for (const std::string& variant : {std::string(), std::string("16"), std::string("32"),
                                       std::string("64"), std::string("128"), std::string("256")}) {
        QPixmap pixmap = picture(forms::Picture{name + variant});
        if (!pixmap.isNull()) {
            icon.addPixmap(pixmap);
        }
    }
    if (name == kProgramIcon && !icon.isNull()) {
        QApplication::setWindowIcon(icon);
    }
    icons_.emplace(name, icon);
    return icon;
}

}  // namespace forms::qt
