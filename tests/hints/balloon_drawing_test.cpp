#include <gtest/gtest.h>

#include <QFontDatabase>
#include <vector>

#include "hints/BalloonDrawing.h"
#include "hints/FhHintWindow.h"

// Balloons composed over a background whose pixels all differ from the look's colours, so every
// pixel tells what was drawn on it.
namespace {

const QColor kBody(255, 255, 225);
const QColor kBorder(0, 0, 0);
const QColor kShadow(128, 128, 128);
const QColor kInk(0, 0, 255);

QColor backgroundAt(int x, int y) {
    return QColor(100 + (x * 7) % 50, 150 + (y * 11) % 50, 20 + (x + y) % 30);
}

QImage background(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixelColor(x, y, backgroundAt(x, y));
    return image;
}

HintLook look() {
    HintLook l;
    l.ColorBackground = kBody;
    l.ColorBorder = kBorder;
    l.ColorShadow = kShadow;
    return l;
}

// A font drawn without smoothing, so its pixels have exactly the ink's colour.
HintFont inkFont() {
    QFont face = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    face.setPixelSize(13);
    face.setStyleStrategy(QFont::NoAntialias);
    return {face, kInk};
}

// Balloons of a hint rectangle of 100 x 30: 116 x 50 with the tail at the bottom, 116 x 59 with
// the tail at the top.
QSize sizeFor(int arrow) {
    return tailAtTop(arrow) ? QSize(116, 59) : QSize(116, 50);
}

QImage draw(const HintLook& l, int arrow, const QString& text = {}, QSize size = {}) {
    return drawBalloon(background(size.isValid() ? size : sizeFor(arrow)), l, inkFont(), arrow,
                       text);
}

bool isBackground(const QImage& image, int x, int y) {
    return image.pixelColor(x, y) == backgroundAt(x, y);
}

// The bounding box of each band of rows holding ink, top to bottom.
std::vector<QRect> inkLines(const QImage& image) {
    std::vector<QRect> lines;
    QRect band;
    for (int y = 0; y < image.height(); ++y) {
        QRect row;
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == kInk)
                row |= QRect(x, y, 1, 1);
        if (row.isValid()) {
            band |= row;
        } else if (band.isValid()) {
            lines.push_back(band);
            band = QRect();
        }
    }
    if (band.isValid())
        lines.push_back(band);
    return lines;
}

double centre(const QRect& r) {
    return (r.left() + r.right()) / 2.0;
}

}  // namespace

TEST(BalloonDrawingTest, TheResultHasTheBackgroundsSizeIn24BitPixels) {
    const QImage image = draw(look(), arrowBottomLeft);
    EXPECT_EQ(image.size(), QSize(116, 50));
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
}

TEST(BalloonDrawingTest, BodyIsFilledAndOutlinedUpToSixFromTheRightAndFourteenFromTheBottom) {
    HintLook l = look();
    l.ShowArrow = false;
    l.ShowShadow = false;
    const QImage image = draw(l, arrowBottomLeft);
    EXPECT_EQ(image.pixelColor(50, 20), kBody);
    EXPECT_EQ(image.pixelColor(50, 0), kBorder);
    EXPECT_EQ(image.pixelColor(0, 20), kBorder);
    EXPECT_EQ(image.pixelColor(109, 20), kBorder);  // W - 7
    EXPECT_TRUE(isBackground(image, 110, 20));
    EXPECT_EQ(image.pixelColor(50, 35), kBorder);  // H - 15
    EXPECT_TRUE(isBackground(image, 50, 36));
    EXPECT_TRUE(isBackground(image, 0, 0)) << "rounded corner";
    EXPECT_TRUE(isBackground(image, 1, 1));
    EXPECT_TRUE(isBackground(image, 109, 35));

    l.Rounded = false;
    const QImage square = draw(l, arrowBottomLeft);
    EXPECT_EQ(square.pixelColor(0, 0), kBorder);
    EXPECT_EQ(square.pixelColor(109, 35), kBorder);
    EXPECT_EQ(square.pixelColor(1, 1), kBody);
}

TEST(BalloonDrawingTest, WithTheTailAtTheTopTheBodyStartsFifteenLower) {
    HintLook l = look();
    l.ShowArrow = false;
    l.ShowShadow = false;
    const QImage image = draw(l, arrowTopLeft);
    EXPECT_TRUE(isBackground(image, 50, 14));
    EXPECT_EQ(image.pixelColor(50, 15), kBorder);
    EXPECT_EQ(image.pixelColor(50, 30), kBody);
    EXPECT_EQ(image.pixelColor(50, 50), kBorder);  // H - 9
    EXPECT_TRUE(isBackground(image, 50, 51));
}

TEST(BalloonDrawingTest, TheTailPointsFromTheCornerOfItsPosition) {
    struct Case {
        int arrow;
        QPoint tip;     // the triangle's point C, within the picture
        QPoint inside;  // a pixel inside the triangle
        QPoint join;    // the middle of A-B, on the body's outline
    };
    for (const Case& c : {Case{arrowBottomLeft, {0, 49}, {10, 40}, {15, 35}},
                          Case{arrowBottomRight, {110, 49}, {100, 40}, {95, 35}},
                          Case{arrowTopLeft, {0, 0}, {10, 10}, {15, 15}},
                          Case{arrowTopRight, {110, 0}, {100, 10}, {95, 15}}}) {
        SCOPED_TRACE(c.arrow);
        HintLook l = look();
        l.ShowShadow = false;
        const QImage image = draw(l, c.arrow);
        bool tipDrawn = false;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const QPoint p = c.tip + QPoint(dx, dy);
                tipDrawn |= image.rect().contains(p) && image.pixelColor(p) == kBorder;
            }
        EXPECT_TRUE(tipDrawn);
        EXPECT_EQ(image.pixelColor(c.inside), kBody);
        EXPECT_EQ(image.pixelColor(c.join), kBody) << "the outline is wiped where the tail joins";

        l.ShowArrow = false;
        const QImage bare = draw(l, c.arrow);
        EXPECT_TRUE(isBackground(bare, c.inside.x(), c.inside.y()));
        EXPECT_EQ(bare.pixelColor(c.join), kBorder);
    }
}

TEST(BalloonDrawingTest, ShadowDotsEveryOtherPixelOfItsStripsAndNothingElse) {
    struct Case {
        int arrow;
        std::vector<QRect> strips;  // where dots may be
        QRect right, below;         // parts of the strips in plain sight, away from corners
    };
    const int w = 116;
    for (const Case& c :
         {Case{arrowBottomLeft,
               {QRect(QPoint(w - 14, 8), QPoint(w, 36)), QRect(QPoint(10, 36), QPoint(w, 41))},
               QRect(QPoint(w - 6, 18), QPoint(w - 1, 32)),
               QRect(QPoint(20, 36), QPoint(w - 20, 41))},
          Case{arrowTopRight,
               {QRect(QPoint(w - 14, 23), QPoint(w, 51)), QRect(QPoint(10, 51), QPoint(w, 57))},
               QRect(QPoint(w - 6, 32), QPoint(w - 1, 48)),
               QRect(QPoint(20, 51), QPoint(w - 20, 56))}}) {
        SCOPED_TRACE(c.arrow);
        HintLook l = look();
        l.ShowArrow = false;
        const QImage image = draw(l, c.arrow);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != kShadow)
                    continue;
                EXPECT_EQ((x + y) % 2, 0) << x << "," << y;
                EXPECT_TRUE(c.strips[0].contains(x, y) || c.strips[1].contains(x, y))
                    << x << "," << y;
            }
        for (const QRect& seen : {c.right, c.below})
            for (int y = seen.top(); y <= seen.bottom(); ++y)
                for (int x = seen.left(); x <= seen.right(); ++x) {
                    if ((x + y) % 2 == 0)
                        EXPECT_EQ(image.pixelColor(x, y), kShadow) << x << "," << y;
                    else
                        EXPECT_TRUE(isBackground(image, x, y)) << x << "," << y;
                }

        l.ShowShadow = false;
        const QImage plain = draw(l, c.arrow);
        EXPECT_TRUE(isBackground(plain, c.right.left(), c.right.top() + c.right.top() % 2));
    }
}

TEST(BalloonDrawingTest, TheTailCastsADottedShadowBesideIt) {
    const QImage image = draw(look(), arrowBottomLeft);
    const QRect strips(QPoint(10, 8), QPoint(116, 41));
    const QRect tailShadow(QPoint(6, 35), QPoint(26, 50));  // the shadow triangle's box
    int belowTheStrips = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == kShadow) {
                EXPECT_EQ((x + y) % 2, 0);
                EXPECT_TRUE(strips.contains(x, y) || tailShadow.contains(x, y)) << x << "," << y;
                belowTheStrips += y > 41;
            }
    EXPECT_GT(belowTheStrips, 0);
}

TEST(BalloonDrawingTest, TransparentBlendsOnlyBodyColouredPixels) {
    HintLook l = look();
    l.Transparent = true;
    l.TransparencyRate = 30;
    const QImage image = draw(l, arrowBottomLeft);
    const QColor back = backgroundAt(50, 20);
    EXPECT_EQ(image.pixelColor(50, 20),
              QColor((70 * 255 + 30 * back.red()) / 100, (70 * 255 + 30 * back.green()) / 100,
                     (70 * 225 + 30 * back.blue()) / 100));
    EXPECT_EQ(image.pixelColor(50, 0), kBorder);
    EXPECT_EQ(image.pixelColor(112, 20), kShadow);
    EXPECT_TRUE(isBackground(image, 115, 0));

    l.TransparencyRate = 0;
    EXPECT_EQ(draw(l, arrowBottomLeft).pixelColor(50, 20), kBody);
    l.TransparencyRate = 100;
    EXPECT_TRUE(isBackground(draw(l, arrowBottomLeft), 50, 20));
}

TEST(BalloonDrawingTest, WithoutTransparentTheRateChangesNothing) {
    HintLook l = look();
    l.TransparencyRate = 0;
    const QImage none = draw(l, arrowBottomLeft, "Exit Program");
    l.TransparencyRate = 100;
    EXPECT_EQ(draw(l, arrowBottomLeft, "Exit Program"), none);
    EXPECT_EQ(none.pixelColor(50, 20), kBody);
}

TEST(BalloonDrawingTest, TextKeepsItsMarginsAndAlignment) {
    const QSize size(160, 60);
    HintLook l = look();
    l.TextAlignment = TfhTextAlignment::taLeft;
    const QRect left = inkLines(draw(l, arrowBottomLeft, "Exit", size)).at(0);
    EXPECT_GE(left.left(), 8);
    EXPECT_LE(left.left(), 10);
    EXPECT_GE(left.top(), 3);

    const QRect below = inkLines(draw(l, arrowTopLeft, "Exit", size)).at(0);
    EXPECT_EQ(below.top(), left.top() + 15) << "below the tail at the top";

    l.TextAlignment = TfhTextAlignment::taRight;
    const QRect right = inkLines(draw(l, arrowBottomLeft, "Exit", size)).at(0);
    EXPECT_LE(right.right(), 160 - 13);
    EXPECT_GE(right.right(), 160 - 16);
}

TEST(BalloonDrawingTest, CentredLinesAreTrimmedAndCentredEachOnItsOwn) {
    const QSize size(160, 60);
    HintLook l = look();
    l.TextAlignment = TfhTextAlignment::taCenter;
    const QString text = alignedHintText("     ab   \r\n  abcdef");
    EXPECT_EQ(text, "ab\nabcdef\n");
    const std::vector<QRect> lines = inkLines(draw(l, arrowBottomLeft, text, size));
    ASSERT_EQ(lines.size(), 2u);
    const double middle = (8 + (160 - 13)) / 2.0;
    EXPECT_NEAR(centre(lines[0]), middle, 1.5);
    EXPECT_NEAR(centre(lines[1]), middle, 1.5);
    EXPECT_GT(lines[1].width(), lines[0].width() + 10);
}

TEST(BalloonDrawingTest, WithoutAlignmentLinesKeepTheirBlanks) {
    HintLook l = look();
    const std::vector<QRect> lines =
        inkLines(draw(l, arrowBottomLeft, "      ab\r\nab", QSize(160, 60)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_GT(lines[0].left(), lines[1].left() + 10);
}

TEST(BalloonDrawingTest, RightToLeftReadsTheTextFromTheRight) {
    HintLook l = look();
    l.TextAlignment = TfhTextAlignment::taLeft;
    const QImage leftToRight = draw(l, arrowBottomLeft, "!ab");
    l.BiDiMode = TfhSimpleBiDiMode::bdRightToLeft;
    const QImage rightToLeft = draw(l, arrowBottomLeft, "ab!");
    EXPECT_EQ(rightToLeft, leftToRight) << "the mark ends the sentence on its left";
    l.BiDiMode = TfhSimpleBiDiMode::bdLeftToRight;
    EXPECT_NE(draw(l, arrowBottomLeft, "ab!"), leftToRight);
}
