#include "forms/qt/Fonts.h"

#include <QFontDatabase>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "forms/qt/Strings.h"

namespace forms::qt {

namespace {

QString sansFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* candidate : {"Liberation Sans", "DejaVu Sans"}) {
            if (installed.contains(QLatin1String(candidate))) {
                return QString::fromLatin1(candidate);
            }
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

}  // namespace

QFont toQFont(const forms::Font& font) {
    bool desktopSans =
        font.Name == "MS Sans Serif" || font.Name == "Microsoft Sans Serif" || font.Name == "Arial";
    QFont result(desktopSans ? sansFamily() : qstr(font.Name));
    result.setPixelSize(std::max(1, static_cast<int>(std::lround(font.Size * 96.0 / 72.0))));
    result.setBold(font.Bold);
    return result;
}

}  // namespace forms::qt
