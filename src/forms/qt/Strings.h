// Conversion between the program's UTF-8 strings and Qt's QString.
#pragma once

#include <QString>
#include <string>

namespace forms::qt {

QString qstr(const std::string& text);
std::string utf8(const QString& text);

// The program writes its line breaks as CR LF; Qt wants LF alone.
QString multiline(const std::string& text);

}  // namespace forms::qt
