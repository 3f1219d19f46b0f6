#include <gtest/gtest.h>

#include "hints/BalloonPlacement.h"

// A hint rectangle of 100 x 30 makes a balloon 116 wide, 50 high with the tail at the bottom
// and 59 high with the tail at the top. The screen is 800 x 600.
namespace {

using D = TfhHintDirection;

const QSize kHint(100, 30);
const QRect kScreen(0, 0, 800, 600);

BalloonPlacement place(QPoint pointer, D preferred, QSize hint = kHint,
                       const QRect& screen = kScreen) {
    return placeBalloon(pointer, hint, screen, preferred);
}

// The corner and tail each direction gives when it fits, for the pointer at p.
BalloonPlacement upRight(QPoint p) {
    return {{p.x(), p.y() - 2 - 50}, arrowBottomLeft};
}
BalloonPlacement upLeft(QPoint p) {
    return {{p.x() - 116 + 6, p.y() - 2 - 50}, arrowBottomRight};
}
BalloonPlacement downRight(QPoint p) {
    return {{p.x(), p.y() + 6}, arrowTopLeft};
}
BalloonPlacement downLeft(QPoint p) {
    return {{p.x() - 116 + 6, p.y() + 6}, arrowTopRight};
}

BalloonPlacement at(QPoint corner, int arrowPosition) {
    return {corner, arrowPosition};
}

}  // namespace

inline void PrintTo(const BalloonPlacement& p, std::ostream* os) {
    *os << "(" << p.corner.x() << ", " << p.corner.y() << ") arrow " << p.arrowPosition;
}

TEST(BalloonPlacementTest, SizeAddsTheFrameAndTheTopTail) {
    EXPECT_EQ(balloonSize(kHint, arrowBottomLeft), QSize(116, 50));
    EXPECT_EQ(balloonSize(kHint, arrowBottomRight), QSize(116, 50));
    EXPECT_EQ(balloonSize(kHint, arrowTopLeft), QSize(116, 59));
    EXPECT_EQ(balloonSize(kHint, arrowTopRight), QSize(116, 59));
}

TEST(BalloonPlacementTest, EachDirectionThatFitsIsKept) {
    const QPoint p(300, 300);
    EXPECT_EQ(place(p, D::dUpRight), upRight(p));
    EXPECT_EQ(place(p, D::dUpLeft), upLeft(p));
    EXPECT_EQ(place(p, D::dDownRight), downRight(p));
    EXPECT_EQ(place(p, D::dDownLeft), downLeft(p));
}

TEST(BalloonPlacementTest, NearTheRightEdgeUpRightGoesLeftWithTheTailBottomRight) {
    const QPoint p(700, 300);
    EXPECT_EQ(place(p, D::dUpRight), upLeft(p));
    EXPECT_EQ(place(p, D::dUpRight).arrowPosition, 1);
    EXPECT_EQ(place(p, D::dDownRight), downLeft(p));
}

TEST(BalloonPlacementTest, NearTheTopUpDropsBelowWithTheTailAtTheTop) {
    const QPoint p(300, 40);
    EXPECT_EQ(place(p, D::dUpRight), downRight(p));
    EXPECT_EQ(place(p, D::dUpRight).arrowPosition, 2);
    EXPECT_EQ(place(p, D::dUpLeft), downLeft(p));
}

TEST(BalloonPlacementTest, NearTheLeftEdgeLeftGoesRight) {
    const QPoint p(50, 300);
    EXPECT_EQ(place(p, D::dUpLeft), upRight(p));
    EXPECT_EQ(place(p, D::dDownLeft), downRight(p));
}

TEST(BalloonPlacementTest, NearTheBottomDownRisesAbove) {
    const QPoint p(300, 560);
    EXPECT_EQ(place(p, D::dDownRight), upRight(p));
    EXPECT_EQ(place(p, D::dDownLeft), upLeft(p));
}

TEST(BalloonPlacementTest, InACornerTwoHandOversFollowEachOther) {
    EXPECT_EQ(place({700, 40}, D::dUpRight), downLeft({700, 40}));
    EXPECT_EQ(place({50, 40}, D::dUpLeft), downRight({50, 40}));
    EXPECT_EQ(place({700, 560}, D::dDownRight), upLeft({700, 560}));
    EXPECT_EQ(place({50, 560}, D::dDownLeft), upRight({50, 560}));
}

TEST(BalloonPlacementTest, ABalloonThatJustFitsStays) {
    EXPECT_EQ(place({684, 300}, D::dUpRight), upRight({684, 300}));  // right edge at 800
    EXPECT_EQ(place({685, 300}, D::dUpRight), upLeft({685, 300}));
    EXPECT_EQ(place({110, 300}, D::dUpLeft), upLeft({110, 300}));  // left edge at 0
    EXPECT_EQ(place({109, 300}, D::dUpLeft), upRight({109, 300}));
    EXPECT_EQ(place({300, 52}, D::dUpRight), upRight({300, 52}));  // top edge at 0
    EXPECT_EQ(place({300, 51}, D::dUpRight), downRight({300, 51}));
    EXPECT_EQ(place({300, 535}, D::dDownRight), downRight({300, 535}));  // bottom at 600
    EXPECT_EQ(place({300, 536}, D::dDownRight), upRight({300, 536}));
}

TEST(BalloonPlacementTest, TheScreenMayStandAnywhereOnTheDesktop) {
    const QRect second(1920, 100, 800, 600);
    EXPECT_EQ(place({1920 + 700, 400}, D::dUpRight, kHint, second), upLeft({2620, 400}));
    EXPECT_EQ(place({1970, 140}, D::dUpLeft, kHint, second), downRight({1970, 140}));
}

TEST(BalloonPlacementTest, AHintWiderThanTheScreenKeepsItsSideAndStartsAtTheLeftEdge) {
    const QSize wide(900, 30);
    EXPECT_EQ(place({400, 300}, D::dUpRight, wide), at({0, 248}, arrowBottomLeft));
    EXPECT_EQ(place({400, 300}, D::dUpLeft, wide), at({0, 248}, arrowBottomRight));
    // the height is still chosen as usual
    EXPECT_EQ(place({400, 40}, D::dUpLeft, wide), at({0, 46}, arrowTopRight));
}

TEST(BalloonPlacementTest, AHintWiderThanTheRoomOnEitherSideIsMovedOntoTheScreen) {
    const QRect narrow(0, 0, 300, 600);
    const QSize hint(200, 30);  // 216 wide: 150 + 216 > 300 and 150 - 216 + 6 < 0
    EXPECT_EQ(place({150, 300}, D::dUpRight, hint, narrow), at({84, 248}, arrowBottomLeft));
    EXPECT_EQ(place({150, 300}, D::dDownLeft, hint, narrow), at({0, 306}, arrowTopRight));
}

TEST(BalloonPlacementTest, AHintHigherThanTheScreenKeepsItsHeightAndStartsAtTheTop) {
    const QSize tall(100, 700);
    EXPECT_EQ(place({300, 300}, D::dDownRight, tall), at({300, 0}, arrowTopLeft));
    EXPECT_EQ(place({300, 300}, D::dUpRight, tall), at({300, 0}, arrowBottomLeft));
    // the side is still chosen as usual
    EXPECT_EQ(place({700, 300}, D::dDownRight, tall), at({590, 0}, arrowTopRight));
}

TEST(BalloonPlacementTest, AHintLargerThanTheScreenEndsInItsTopLeftCorner) {
    const QSize huge(900, 700);
    for (D d : {D::dUpRight, D::dUpLeft, D::dDownRight, D::dDownLeft})
        EXPECT_EQ(place({400, 300}, d, huge).corner, QPoint(0, 0));
    EXPECT_EQ(place({400, 300}, D::dDownLeft, huge).arrowPosition, arrowTopRight);
}
