#include "app/Records.h"

#include <cstdio>

#include "platform/FileContents.h"

namespace app {

const std::array<AvailabilityItem, 25> kAvailabilityItems{{
    {1, 0x04, "Blast", true, "Image16", "Image34"},
    {1, 0x08, "Lightning", true, "Image10", "Image39"},
    {1, 0x10, "Tornado", true, "Image5", "Image44"},
    {1, 0x20, "Swarm", true, "Image11", "Image38"},
    {1, 0x40, "Invisibility", true, "Image12", "Image37"},
    {1, 0x80, "Hypnotise", true, "Image13", "Image36"},
    {2, 0x01, "Firestorm", true, "Image7", "Image42"},
    {2, 0x02, "Ghost Army", true, "Image52", "Image53"},
    {2, 0x04, "Erode", true, "Image4", "Image45"},
    {2, 0x08, "Swamp", true, "Image6", "Image43"},
    {2, 0x10, "Landbridge", true, "Image9", "Image40"},
    {2, 0x20, "Angle of death", true, "Image1", "Image48"},
    {2, 0x40, "Earthquake", true, "Image3", "Image46"},
    {2, 0x80, "Flatten", true, "Image8", "Image41"},
    {3, 0x01, "Volcano", true, "Image2", "Image47"},
    {3, 0x02, "Convert", true, "Image17", "Image33"},
    {3, 0x08, "Magical Shield", true, "Image14", "Image35"},
    {5, 0x02, "Hut", false, "Image24", "Image25"},
    {5, 0x10, "Guard Tower", false, "Image23", "Image26"},
    {5, 0x20, "Temple", false, "Image21", "Image28"},
    {5, 0x40, "Spy training hut", false, "Image20", "Image29"},
    {5, 0x80, "Warrior hut", false, "Image22", "Image27"},
    {6, 0x01, "Firewarrior Hut", false, "Image19", "Image30"},
    {6, 0x20, "Boat Hut", false, "Image18", "Image31"},
    {6, 0x80, "Balloon Hut", false, "Image15", "Image32"},
}};

const std::array<Alliance, 6> kAlliances{{
    {"BR", "Blue + Red", 93, 0x02, 94, 0x01},
    {"BY", "Blue + Yellow", 93, 0x04, 95, 0x01},
    {"BG", "Blue + Green", 93, 0x08, 96, 0x01},
    {"RY", "Red + Yellow", 94, 0x04, 95, 0x02},
    {"RG", "Red + Green", 94, 0x08, 96, 0x02},
    {"YG", "Yellow + Green", 95, 0x08, 96, 0x04},
}};

std::string levelHeaderPath(int level) {
    char name[32];
    std::snprintf(name, sizeof name, "\\levels\\levl%d.hdr", 2000 + level);
    return name;
}

std::size_t ReadRecord(const std::string& path, std::string& buffer, std::size_t length) {
    std::size_t got = 0;
    buffer = platform::readRecord(path, length, &got);
    return got;
}

void WriteRecord(const std::string& path, const std::string& buffer) {
    platform::writeRecord(path, buffer);
}

void UpdateRecord(const std::string& path, std::string& buffer, std::size_t length,
                  const std::function<void(std::string&)>& change) {
    buffer.assign(length, '\0');
    buffer = platform::updateRecord(path, length, change);
}

int CharCode(const std::string& buffer, int position) {
    return static_cast<unsigned char>(buffer.at(static_cast<std::size_t>(position - 1)));
}

void PutCharCode(std::string& buffer, int position, int code) {
    buffer.at(static_cast<std::size_t>(position - 1)) = static_cast<char>(code & 0xFF);
}

int Apply(MaskOp op, int code, int mask) {
    switch (op) {
        case MaskOp::Set:
            return code | mask;
        case MaskOp::Clear:
            return code & ~mask & 0xFF;
        case MaskOp::Toggle:
            return code ^ mask;
    }
    return code;
}

void ApplyMask(std::string& buffer, int position, int mask, MaskOp op) {
    PutCharCode(buffer, position, Apply(op, CharCode(buffer, position), mask));
}

bool TestMask(const std::string& buffer, int position, int mask) {
    return (CharCode(buffer, position) & mask) != 0;
}

void ApplyToAllLevels(LevelHeaders& levels, MaskOp op, int p1, int m1, int p2, int m2) {
    for (std::string& level : levels) {
        ApplyMask(level, p1, m1, op);
        if (p2 != 0) {
            ApplyMask(level, p2, m2, op);
        }
    }
}

void MirrorToAvailability(std::string& availability, const std::string& level1, int position,
                          int mask, MaskOp op) {
    PutCharCode(availability, position, Apply(op, CharCode(level1, position), mask));
}

}  // namespace app
