#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "hints/HintLook.h"

// Where a balloon stands: its window's top-left corner and the corner its tail points from.
struct BalloonPlacement {
    QPoint corner;
    int arrowPosition = arrowBottomLeft;
    bool operator==(const BalloonPlacement&) const = default;
};

// The window size of a balloon around a hint rectangle: 16 wider, 20 higher, and 9 more when
// the tail stands at the top.
QSize balloonSize(QSize hintRect, int arrowPosition);

// Places a balloon around a hint rectangle of the given size next to the pointer, on the screen
// area given. It starts with the preferred direction and hands over to the neighbouring
// direction on the side that lacks room: up or down on the same side, or left or right at the
// same height. Where neither side of an axis has room (a hint wider or higher than the screen
// allows), the preferred side of that axis is kept and the balloon is moved onto the screen
// along it, its left or top edge first.
BalloonPlacement placeBalloon(QPoint pointer, QSize hintRect, const QRect& screen,
                              TfhHintDirection preferred);
