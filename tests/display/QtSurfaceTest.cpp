// CQtSurface on a QImage: what lands on which pixel.

#include "display/CImageStrip.h"
#include "display/CQtSurface.h"
#include "display/PlotArt.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

QImage Blank(int width = 64, int height = 64) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

// The box around every pixel that is not white.
QRect Inked(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kWhite)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

TEST(QtSurfaceTest, NotXorDrawnTwiceRestoresTheImageBitForBit) {
    QImage image(120, 80, QImage::Format_RGB32);
    std::mt19937 random(3);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
    }
    const QImage original = image.copy();
    auto draw = [&] {
        CQtSurface surface(image);
        surface.SetRasterMode(RasterMode::NotXor);
        int row = 3;
        for (const PenStyle style : {PenStyle::Solid, PenStyle::Dash, PenStyle::Dot}) {
            surface.SetPen({style, 1, 0x7F7F7F});
            surface.MoveTo(2, row);
            surface.LineTo(110, row);
            surface.MoveTo(row + 20, 2);
            surface.LineTo(row + 20, 70);
            row += 7;
        }
        const std::array<CScreenPoint, 5> zigzag{
            {{5, 60}, {30, 40}, {60, 75}, {90, 45}, {115, 70}}};
        surface.SetPen({PenStyle::Solid, 1, 0x0000FF});
        surface.Polyline(zigzag);
    };
    draw();
    EXPECT_NE(image, original);
    draw();
    EXPECT_EQ(image, original);
}

TEST(QtSurfaceTest, LinesAndPolylinesLeaveOutTheEndAndDrawEachPixelOnce) {
    QImage image = Blank();
    {
        CQtSurface surface(image);
        surface.SetPen({PenStyle::Solid, 1, 0x000000});
        surface.MoveTo(2, 2);
        surface.LineTo(10, 2);
        // A closed frame in NOT-XOR: a corner drawn twice would turn white again.
        surface.SetRasterMode(RasterMode::NotXor);
        const std::array<CScreenPoint, 5> frame{{{20, 20}, {20, 40}, {50, 40}, {50, 20}, {20, 20}}};
        surface.Polyline(frame);
    }
    EXPECT_EQ(image.pixel(2, 2), kBlack);
    EXPECT_EQ(image.pixel(9, 2), kBlack);
    EXPECT_EQ(image.pixel(10, 2), kWhite);
    // NOT(black XOR white) is black, and again white: every frame pixel, corners included, drawn
    // exactly once.
    for (int x = 20; x <= 50; ++x) {
        EXPECT_EQ(image.pixel(x, 20), kBlack) << x;
        EXPECT_EQ(image.pixel(x, 40), kBlack) << x;
    }
    for (int y = 20; y <= 40; ++y) {
        EXPECT_EQ(image.pixel(20, y), kBlack) << y;
        EXPECT_EQ(image.pixel(50, y), kBlack) << y;
    }
    EXPECT_EQ(image.pixel(35, 30), kWhite);
}

TEST(QtSurfaceTest, FillsEdgesAndPatternsCoverExactlyTheirPixels) {
    QImage image = Blank();
    CPattern pattern;
    for (std::size_t i = 0; i < pattern.pixels.size(); ++i)
        pattern.pixels[i] = static_cast<std::uint32_t>(i * 0x030201);
    {
        CQtSurface surface(image);
        surface.FillRect({1, 1, 4, 3}, 0x0000FF);
        // Two fills that meet continue one pattern, aligned to the image's corner.
        surface.FillPattern({10, 10, 21, 30}, pattern);
        surface.FillPattern({21, 10, 40, 30}, pattern);
        surface.Draw3dRect({44, 44, 54, 50}, 0x00FF00, 0xFF0000);
    }
    EXPECT_EQ(image.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(4, 2), kWhite);
    EXPECT_EQ(image.pixel(3, 3), kWhite);
    for (int y = 10; y < 30; ++y) {
        for (int x = 10; x < 40; ++x) {
            const QColor expected =
                ToQColor(pattern.pixels[static_cast<std::size_t>(y % 8 * 8 + x % 8)]);
            ASSERT_EQ(image.pixel(x, y), expected.rgb()) << x << "," << y;
        }
    }
    // Top and left in the first colour, bottom and right (whole sides) in the second.
    EXPECT_EQ(image.pixel(44, 44), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(52, 44), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(53, 44), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(44, 49), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(44, 48), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(48, 46), kWhite);
}

// The first pixel where two images of one size differ, (-1, -1) for none.
QPoint FirstDifference(const QImage& a, const QImage& b) {
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y))
                return {x, y};
        }
    }
    return {-1, -1};
}

// The surface draws thin level and upright lines as fills and lets Qt write traces straight
// into the image; both must leave the very pixels Qt's own line drawing leaves.
TEST(QtSurfaceTest, FastLinesAndTracesMatchQtsOwnDrawingPixelForPixel) {
    std::mt19937 random(11);
    QImage background(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < background.height(); ++y) {
        for (int x = 0; x < background.width(); ++x)
            background.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
    }
    std::uniform_int_distribution<int> coordinate(-20, 180);
    for (int round = 0; round < 200; ++round) {
        const bool notXor = round % 2 == 1;
        const std::uint32_t colour = random() & 0xFFFFFFu;
        std::vector<std::array<int, 4>> lines;
        for (int i = 0; i < 12; ++i) {
            const int x = coordinate(random);
            const int y = coordinate(random);
            // A line to the current point draws nothing, where Qt would draw a dot.
            const int length = std::max(1, coordinate(random) - 80) * (i % 4 < 2 ? 1 : -1);
            lines.push_back(i % 2 == 0 ? std::array{x, y, x + length, y}
                                       : std::array{x, y, x, y + length});
        }
        std::vector<CScreenPoint> trace;
        for (int x = 0; x < 40; ++x) {
            trace.push_back({20 + x, coordinate(random) / 2});
            trace.push_back({20 + x, coordinate(random) / 2});
        }

        QImage expected = background.copy();
        {
            QPainter painter(&expected);
            QPen pen(ToQColor(colour));
            pen.setWidth(1);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.setCompositionMode(notXor ? QPainter::RasterOp_NotSourceXorDestination
                                              : QPainter::CompositionMode_SourceOver);
            for (const auto& [x0, y0, x1, y1] : lines)
                painter.drawLine(x0, y0, x1, y1);
            std::vector<QPoint> points;
            for (const CScreenPoint& p : trace)
                points.emplace_back(p.x, p.y);
            painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        }
        QImage image = background.copy();
        {
            CQtSurface surface(image);
            surface.SetPen({PenStyle::Solid, 1, colour});
            surface.SetRasterMode(notXor ? RasterMode::NotXor : RasterMode::Copy);
            for (const auto& [x0, y0, x1, y1] : lines) {
                surface.MoveTo(x0, y0);
                surface.LineTo(x1, y1);
            }
            surface.Polyline(trace);
        }
        ASSERT_EQ(FirstDifference(image, expected), QPoint(-1, -1)) << "round " << round;
    }
}

TEST(QtSurfaceTest, ImagesKeepWhiteTransparentAndGreyHasNoBlack) {
    QImage image(40, 20, QImage::Format_RGB32);
    const QRgb green = qRgb(0, 255, 0);
    image.fill(green);
    {
        CQtSurface surface(image);
        surface.DrawImage(ArrowImages(), 0, 0, 0, false);
        surface.DrawImage(ArrowImages(), 0, 10, 0, true);
        surface.StretchImage(EventImages(), 5, {20, 0, 36, 16});
    }
    // Pan left: a triangle whose tip is at (2, 3).
    EXPECT_EQ(image.pixel(2, 3), kBlack);
    EXPECT_EQ(image.pixel(0, 0), green);
    int black = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 10; x < 18; ++x)
            black += image.pixel(x, y) == kBlack;
    }
    EXPECT_EQ(black, 0);
    EXPECT_NE(image.pixel(13, 3), green);
    // Doubled in size, the selected start's pole is four pixels wide, in red.
    EXPECT_EQ(image.pixel(20, 15), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(23, 15), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(24, 15), green);
    EXPECT_EQ(ArrowImages().Count(), 9);
    EXPECT_EQ(EventImages().Count(), 10);
    EXPECT_EQ(ArrowImages().CellSize(), 8);
}

TEST(QtSurfaceTest, RotatedTextRunsUpwardsFromItsCorner) {
    LogFont font;
    font.height = 14;
    font.weight = 400;
    font.charSet = 204;
    font.faceName = "MS Shell Dlg";
    const QString text = QStringLiteral("Уровень");
    QImage flat = Blank(120, 120);
    QImage upright = Blank(120, 120);
    CPixelSize flatSize;
    CPixelSize uprightSize;
    {
        CQtSurface surface(flat);
        surface.SetFont(font);
        flatSize = surface.MeasureText(text);
        surface.DrawText(10, 20, text);
    }
    {
        CQtSurface surface(upright);
        surface.SetFont(RotatedFont(font));
        uprightSize = surface.MeasureText(text);
        surface.DrawText(20, 100, text);
    }
    EXPECT_EQ(uprightSize, flatSize);
    EXPECT_LE(flatSize.cy, 14);
    EXPECT_GE(flatSize.cy, 12);
    // The opaque text box is white here, so the ink shows where the glyphs went.
    EXPECT_TRUE(QRect(10, 20, flatSize.cx, flatSize.cy).contains(Inked(flat)));
    const QRect tall = Inked(upright);
    EXPECT_TRUE(QRect(20, 100 - flatSize.cx, flatSize.cy, flatSize.cx).contains(tall));
    EXPECT_GT(tall.height(), tall.width());
}

TEST(QtSurfaceTest, FontDescriptionsResolveToAFaceWithCyrillic) {
    LogFont font;
    font.height = -20;
    font.weight = 700;
    font.italic = 1;
    font.faceName = "MS Shell Dlg";
    const QFont resolved = FontFromLogFont(font);
    EXPECT_EQ(resolved.pixelSize(), 20);
    EXPECT_TRUE(resolved.bold());
    EXPECT_TRUE(resolved.italic());
    const QFontMetrics metrics(resolved);
    for (const char16_t c : u"ЖЩЮЯжщюяЁё")
        EXPECT_TRUE(c == 0 || metrics.inFont(QChar(c))) << static_cast<int>(c);

    // The face name is stored as Windows-1251 bytes.
    font.faceName = "\xCC\xEE\xE9";
    EXPECT_EQ(FontFromLogFont(font).family(), QStringLiteral("Мой"));
    // Absurd heights from a damaged settings file stay drawable.
    font.height = -2147483647 - 1;
    EXPECT_LE(FontFromLogFont(font).pixelSize(), 2000);
}

} // namespace
