// The overlays painted into plain frames, and the hatch patterns they fill text with.
#include "capture/qtoverlaypainter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <bit>
#include <set>

using namespace nuvo;

namespace {

constexpr QRgb kGround = 0xFF404040;
const QDateTime kNow(QDate(2008, 6, 15), QTime(15, 4, 5));

QImage painted(const VideoOverlays& overlays, const QDateTime& now = kNow) {
    QImage frame(200, 150, QImage::Format_RGB32);
    frame.fill(kGround);
    QtOverlayPainter().paint(frame, overlays, now);
    return frame;
}

// Where the frame differs from the plain ground.
QRect changed(const QImage& frame) {
    QRect area;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (frame.pixel(x, y) != kGround) area |= QRect(x, y, 1, 1);
    return area;
}

VideoOverlays text(const QString& lines, TextStyle style = TextStyle::Normal, int fontStyle = 0) {
    VideoOverlays overlays;
    overlays.text.shown = true;
    overlays.text.left = 10;
    overlays.text.top = 5;
    overlays.text.text = lines;
    overlays.text.font = {QStringLiteral("DejaVu Sans"), 40, fontStyle};
    overlays.text.style = style;
    overlays.text.outlineBack = 0x0000FF;
    overlays.text.outlineBorder = 0xFFFF00;
    overlays.text.hatchStyle = 49;
    overlays.text.hatchFore = 0xFF0000;
    overlays.text.hatchBack = 0x00FF00;
    return overlays;
}

}  // namespace

TEST(OverlayPainter, ThePictureIsPlacedWithoutItsTransparentColourAndWithItsAlpha) {
    QTemporaryDir dir;
    QImage picture(3, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, 0xFFFF0080);  // red alone tells it from the transparent colour
    picture.setPixel(1, 0, 0xFF000080);
    picture.setPixel(2, 0, 0xFF00FF00);
    const QString file = dir.filePath("box.bmp");
    ASSERT_TRUE(picture.save(file));

    // The inversion comes first: it turns the ground, not the picture.
    const struct {
        int alpha;
        bool invert;
    } rows[] = {{255, false}, {128, false}, {0, false}, {255, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "alpha " << row.alpha << ", invert " << row.invert);
        VideoOverlays overlays;
        overlays.invert = row.invert;
        overlays.picture = {true, 30, 20, file, 0x000080, row.alpha};
        const QImage frame = painted(overlays);
        const QColor ground = row.invert ? QColor(0xBF, 0xBF, 0xBF) : QColor(kGround);
        auto blend = [&](int picture, int under) {
            return (picture * row.alpha + under * (255 - row.alpha)) / 255;
        };
        for (const auto& [x, red, green] : {std::tuple(30, 255, 0), std::tuple(32, 0, 255)}) {
            EXPECT_NEAR(frame.pixelColor(x, 20).red(), blend(red, ground.red()), 2) << x;
            EXPECT_NEAR(frame.pixelColor(x, 20).green(), blend(green, ground.green()), 2) << x;
        }
        for (const QPoint& p : {QPoint(31, 20), QPoint(29, 20), QPoint(30, 21)})
            EXPECT_EQ(frame.pixelColor(p), ground) << p.x() << "," << p.y();
    }
}

TEST(OverlayPainter, EachLineBreakStartsOneLineBelow) {
    const QImage first = painted(text("A"));
    const QImage both = painted(text("A\n\rB"));
    const QRect a = changed(first);
    EXPECT_EQ(both.copy(a), first.copy(a));
    EXPECT_GT(changed(both).top(), 0);
    EXPECT_GT(changed(both).bottom(), a.bottom() + 20);
    EXPECT_LT(changed(both).width(), 2 * a.width());  // B is under A, not beside it
    for (const char* lines : {"A\nB", "A\rB", "A\r\nB"}) {
        SCOPED_TRACE(lines);
        EXPECT_EQ(painted(text(lines)), both);
    }
    // Two breaks leave an empty line.
    EXPECT_GT(changed(painted(text("A\n\nB"))).bottom(), changed(both).bottom() + 20);
}

TEST(OverlayPainter, TextStylesAndFontStylesEachDrawTheirOwn) {
    QTemporaryDir dir;
    QImage texture(4, 4, QImage::Format_RGB32);
    texture.fill(0xFF8000FF);
    const QString textureFile = dir.filePath("texture.png");
    ASSERT_TRUE(texture.save(textureFile));

    std::vector<QImage> drawn;
    for (TextStyle style : {TextStyle::Normal, TextStyle::Outline, TextStyle::FilledOutline,
                            TextStyle::Hatch, TextStyle::Texture}) {
        VideoOverlays overlays = text("HB", style);
        overlays.text.textureFile = textureFile;
        drawn.push_back(painted(overlays));
    }
    for (int fontStyle = 1; fontStyle <= 4; ++fontStyle) drawn.push_back(painted(text("HB", {}, fontStyle)));
    for (size_t i = 0; i < drawn.size(); ++i)
        for (size_t j = i + 1; j < drawn.size(); ++j) EXPECT_NE(drawn[i], drawn[j]) << i << " " << j;

    VideoOverlays missing = text("HB", TextStyle::Texture);
    missing.text.textureFile = dir.filePath("none.bmp");
    EXPECT_EQ(painted(missing), drawn[0]);
}

TEST(OverlayPainter, TheDateStampIsDrawnAtItsPlaceAtTheTimeGiven) {
    VideoOverlays overlays;
    overlays.date = {true, 60, 40, 4, {QStringLiteral("DejaVu Sans"), 16, 0}, 0xFFFFFF};
    const QImage stamp = painted(overlays);
    const QRect area = changed(stamp);
    EXPECT_FALSE(area.isEmpty());
    EXPECT_GE(area.left(), 60);
    EXPECT_GE(area.top(), 40);
    EXPECT_LT(area.bottom(), 40 + 20);
    EXPECT_NE(painted(overlays, kNow.addSecs(1)), stamp);
}

// A marker sits at the foot of the picture, white letters on black, longer for more text.
TEST(OverlayPainter, AMarkerIsDrawnAtTheFoot) {
    VideoOverlays overlays;
    EXPECT_FALSE(QtOverlayPainter::draws(overlays));
    overlays.marker = QStringLiteral("Noise");
    EXPECT_TRUE(QtOverlayPainter::draws(overlays));
    const QImage shortMarker = painted(overlays);
    const QRect area = changed(shortMarker);
    EXPECT_GT(area.top(), 150 / 2);
    EXPECT_LT(area.bottom(), 150);
    EXPECT_EQ(shortMarker.pixel(area.topLeft()), 0xFF000000);
    int white = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) white += shortMarker.pixel(x, y) == 0xFFFFFFFF;
    EXPECT_GT(white, 10);
    overlays.marker = QStringLiteral("Noise: a car outside");
    EXPECT_GT(changed(painted(overlays)).width(), area.width() * 2);
}

TEST(HatchPatterns, EachNamedStyleHasItsOwnPatternAndPercentsAreDensities) {
    const QStringList& names = hatchStyleNames();
    std::set<std::array<std::uint8_t, 8>> patterns;
    for (int style = 0; style + 1 < names.size(); ++style)
        EXPECT_TRUE(patterns.insert(hatchPattern(style)).second) << names[style].toStdString();
    for (int outside : {int(names.size()) - 1, -1, 1000})  // "HatchStyleTotal " and beyond
        EXPECT_EQ(hatchPattern(outside), hatchPattern(0)) << outside;

    for (int style = 0; style + 1 < names.size(); ++style) {
        const QString& name = names[style];
        if (!name.endsWith(QStringLiteral("Percent "))) continue;
        const int percent = name.mid(10, 2).toInt();
        int set = 0;
        for (std::uint8_t row : hatchPattern(style)) set += std::popcount(row);
        EXPECT_NEAR(set, 64 * percent / 100.0, 1) << name.toStdString();
    }
}
