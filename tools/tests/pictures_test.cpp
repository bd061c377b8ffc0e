#include "pictures/Pictures.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <map>
#include <set>

namespace {

using zekpictures::Picture;

const std::vector<Picture>& pictures() {
    static const std::vector<Picture> all = zekpictures::drawAll();
    return all;
}

const QImage& picture(const QString& name) {
    for (const Picture& p : pictures()) {
        if (p.name == name) {
            return p.image;
        }
    }
    ADD_FAILURE() << "no picture " << name.toStdString();
    static const QImage none;
    return none;
}

std::map<QString, QSize> expectedSizes() {
    std::map<QString, QSize> sizes;
    for (const char* n :
         {"spell_blast",        "spell_lightning", "spell_tornado",    "spell_swarm",
          "spell_invisibility", "spell_hypnotise", "spell_firestorm",  "spell_ghostarmy",
          "spell_erode",        "spell_swamp",     "spell_landbridge", "spell_angleofdeath",
          "spell_earthquake",   "spell_flatten",   "spell_volcano",    "spell_convert",
          "spell_shield",       "spell_off",       "guest_bloodlust",  "guest_teleport",
          "guest_armageddon"}) {
        sizes[n] = QSize(30, 42);
    }
    for (const char* n : {"hut_hut", "hut_guardtower", "hut_warrior", "hut_temple", "hut_spy",
                          "hut_firewarrior", "hut_boat", "hut_balloon", "hut_off"}) {
        sizes[n] = QSize(44, 49);
    }
    sizes["splash_logo"] = QSize(200, 160);
    sizes["main_background"] = QSize(624, 694);
    sizes["icon"] = QSize(48, 48);
    for (int size : {16, 32, 64, 128, 256}) {
        sizes[QStringLiteral("icon%1").arg(size)] = QSize(size, size);
    }
    sizes["about_icon"] = QSize(40, 40);
    sizes["about_tribes"] = QSize(80, 80);
    sizes["about_island"] = QSize(80, 80);
    return sizes;
}

bool isTile(const QString& name) {
    return name.startsWith("spell_") || name.startsWith("guest_") || name.startsWith("hut_");
}

double luminance(QRgb c) {
    return 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c);
}

bool strongRed(QRgb c) {
    return qRed(c) > 170 && qGreen(c) < 90 && qBlue(c) < 90;
}

double share(const QImage& img, bool (*pred)(QRgb)) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            n += pred(img.pixel(x, y)) ? 1 : 0;
        }
    }
    return static_cast<double>(n) / (img.width() * img.height());
}

// Mean per-channel difference of two pictures of the same size, 0..255.
double difference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

TEST(Pictures, EveryNameOnceWithItsSize) {
    const auto expected = expectedSizes();
    std::set<QString> seen;
    for (const Picture& p : pictures()) {
        EXPECT_TRUE(seen.insert(p.name).second) << "twice: " << p.name.toStdString();
        const auto it = expected.find(p.name);
        ASSERT_NE(it, expected.end()) << "unexpected " << p.name.toStdString();
        EXPECT_EQ(p.image.size(), it->second) << p.name.toStdString();
    }
    EXPECT_EQ(seen.size(), expected.size());
}

TEST(Pictures, DrawingIsDeterministic) {
    const auto again = zekpictures::drawAll();
    ASSERT_EQ(again.size(), pictures().size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].image, pictures()[i].image) << again[i].name.toStdString();
    }
}

TEST(Pictures, TilesAreOpaqueFramedAndNotBlank) {
    for (const Picture& p : pictures()) {
        if (!isTile(p.name)) {
            continue;
        }
        std::set<QRgb> colours;
        for (int y = 0; y < p.image.height(); ++y) {
            for (int x = 0; x < p.image.width(); ++x) {
                ASSERT_EQ(qAlpha(p.image.pixel(x, y)), 255) << p.name.toStdString();
                colours.insert(p.image.pixel(x, y));
            }
        }
        EXPECT_GT(colours.size(), 40u) << p.name.toStdString();
        // The 1 px frame is one colour all round.
        const QRgb frame = p.image.pixel(0, 0);
        const int w = p.image.width() - 1;
        const int h = p.image.height() - 1;
        for (const QPoint& at : {QPoint(w, 0), QPoint(0, h), QPoint(w, h), QPoint(w / 2, 0),
                                 QPoint(0, h / 2), QPoint(w / 2, h), QPoint(w, h / 2)}) {
            EXPECT_EQ(p.image.pixel(at), frame) << p.name.toStdString();
        }
    }
}

TEST(Pictures, OffTilesAreGreyWithARedCrossAndOthersAreNot) {
    for (const char* off : {"spell_off", "hut_off"}) {
        const QImage& img = picture(off);
        EXPECT_GT(share(img, strongRed), 0.12) << off;
        // corners of the cross and the middle are red
        EXPECT_TRUE(strongRed(img.pixel(img.width() / 2, img.height() / 2))) << off;
        EXPECT_TRUE(strongRed(img.pixel(5, 5))) << off;
        EXPECT_TRUE(strongRed(img.pixel(img.width() - 6, img.height() - 6))) << off;
        // the rest is grey
        const QRgb field = img.pixel(img.width() / 2, 8);
        EXPECT_EQ(qRed(field), qGreen(field)) << off;
        EXPECT_EQ(qGreen(field), qBlue(field)) << off;
    }
    for (const Picture& p : pictures()) {
        if (isTile(p.name) && !p.name.endsWith("_off")) {
            EXPECT_GT(
                difference(p.image, picture(p.name.startsWith("hut_") ? "hut_off" : "spell_off")),
                25)
                << p.name.toStdString();
        }
    }
}

TEST(Pictures, TilesOfAKindLookClearlyDifferent) {
    for (const Picture& a : pictures()) {
        for (const Picture& b : pictures()) {
            if (&a < &b && isTile(a.name) && a.image.size() == b.image.size()) {
                EXPECT_GT(difference(a.image, b.image), 12)
                    << a.name.toStdString() << " vs " << b.name.toStdString();
            }
        }
    }
}

TEST(Pictures, LogoSitsOnDarkAndBackgroundIsCalm) {
    const QImage& logo = picture("splash_logo");
    for (const QPoint& corner : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 159), QPoint(199, 159)}) {
        EXPECT_LT(luminance(logo.pixel(corner)), 30);
    }
    EXPECT_GT(luminance(logo.pixel(100, 80 - 50)), 120);  // the gold ring

    const QImage& bg = picture("main_background");
    double lo = 255;
    double hi = 0;
    std::set<QRgb> colours;
    for (int y = 0; y < 360; ++y) {
        for (int x = 0; x < 350; ++x) {
            const double l = luminance(bg.pixel(x, y));
            lo = std::min(lo, l);
            hi = std::max(hi, l);
            colours.insert(bg.pixel(x, y));
        }
    }
    EXPECT_LT(hi - lo, 40);          // low contrast, so text on top stays readable
    EXPECT_GT(colours.size(), 20u);  // but textured, not flat
}

TEST(Pictures, IconsShowTheSameEmblemAtEachSize) {
    const QImage big =
        picture("icon").scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage& small = picture("icon16");
    EXPECT_LT(difference(big, small), 20);
    EXPECT_EQ(qAlpha(small.pixel(0, 0)), 0);  // round: transparent corners
    EXPECT_EQ(qAlpha(small.pixel(8, 8)), 255);
}

TEST(Pictures, AboutPicturesFillTheirBoxesAndShowTheFourTribes) {
    for (const char* name : {"about_tribes", "about_island"}) {
        const QImage& img = picture(name);
        for (const QPoint& corner : {QPoint(0, 0), QPoint(79, 0), QPoint(0, 79), QPoint(79, 79)}) {
            EXPECT_EQ(qAlpha(img.pixel(corner)), 255) << name;
        }
    }
    // Each shield's middle is its tribe's colour: blue, red, yellow, green.
    const QImage& tribes = picture("about_tribes");
    auto dominant = [&](QPoint at) {
        const QColor c(tribes.pixel(at));
        if (c.red() > 150 && c.green() > 120 && c.blue() < 100) {
            return 'Y';
        }
        return c.blue() > c.red() && c.blue() > c.green()  ? 'B'
               : c.red() > c.green() && c.red() > c.blue() ? 'R'
                                                           : 'G';
    };
    EXPECT_EQ(std::string(
                  {dominant({21, 24}), dominant({59, 24}), dominant({21, 61}), dominant({59, 61})}),
              "BRYG");
}

TEST(Pictures, SaveAllWritesLoadablePngs) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.filePath("nested/pictures");
    QString error;
    ASSERT_TRUE(zekpictures::saveAll(dir, &error)) << error.toStdString();
    const auto expected = expectedSizes();
    EXPECT_EQ(QDir(dir).entryList({"*.png"}, QDir::Files).size(),
              static_cast<qsizetype>(expected.size()));
    for (const auto& [name, size] : expected) {
        QImage loaded(QDir(dir).filePath(name + ".png"));
        EXPECT_EQ(loaded.size(), size) << name.toStdString();
        EXPECT_EQ(loaded.convertToFormat(QImage::Format_ARGB32), picture(name))
            << name.toStdString();
    }

    QFile blocker(tmp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    error.clear();
    EXPECT_FALSE(zekpictures::saveAll(tmp.filePath("file/pictures"), &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
