// The pictures Zek Skirmish shows: spell and hut tiles, the splash logo, the
// main window's background and the window icon. All are drawn here with
// QPainter, a group of them a file; nothing is loaded from files.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace zekpictures {

struct Picture {
    QString name;  // file name without ".png"
    QImage image;
};

// Draws every picture. Deterministic: the same pixels on every call.
std::vector<Picture> drawAll();

// Saves every picture as NAME.png into dir (created if missing). Returns
// false and fills *error when a file cannot be written.
bool saveAll(const QString& dir, QString* error);

}  // namespace zekpictures
