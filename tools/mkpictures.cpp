// zek_mkpictures DIR: draws the program's pictures and saves them as PNGs.
#include <QGuiApplication>
#include <QString>
#include <cstdio>

#include "pictures/Pictures.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2 || args.at(1).isEmpty()) {
        std::fprintf(stderr,
                     "usage: zek_mkpictures DIR   (draws the program's pictures into DIR)\n");
        return 2;
    }
    QString error;
    if (!zekpictures::saveAll(args.at(1), &error)) {
        std::fprintf(stderr, "zek_mkpictures: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
