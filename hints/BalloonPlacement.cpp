#include "hints/BalloonPlacement.h"

#include <algorithm>
#include <optional>

namespace {

using Direction = TfhHintDirection;

bool isRight(Direction d) {
    return d == Direction::dUpRight || d == Direction::dDownRight;
}

bool isUp(Direction d) {
    return d == Direction::dUpRight || d == Direction::dUpLeft;
}

Direction direction(bool right, bool up) {
    if (up)
        return right ? Direction::dUpRight : Direction::dUpLeft;
    return right ? Direction::dDownRight : Direction::dDownLeft;
}

int arrowOf(Direction d) {
    switch (d) {
        case Direction::dUpRight:
            return arrowBottomLeft;
        case Direction::dUpLeft:
            return arrowBottomRight;
        case Direction::dDownRight:
            return arrowTopLeft;
        case Direction::dDownLeft:
            return arrowTopRight;
    }
    return arrowBottomLeft;
}

// Which sides of the pointer leave room for the balloon on the screen.
struct Room {
    bool right, left, up, down;
};

Room roomAround(QPoint p, QSize hintRect, const QRect& screen) {
    const int width = balloonSize(hintRect, arrowBottomLeft).width();
    const int below = balloonSize(hintRect, arrowBottomLeft).height();
    const int above = balloonSize(hintRect, arrowTopLeft).height();
    return {p.x() + width <= screen.x() + screen.width(), p.x() - width + 6 >= screen.x(),
            p.y() - 2 - below >= screen.y(), p.y() + 6 + above <= screen.y() + screen.height()};
}

// One step: the direction it hands over to, none when the balloon fits where the step puts it.
// The side is tried first, then the height.
std::optional<Direction> handOver(Direction step, const Room& room) {
    const bool right = isRight(step);
    const bool up = isUp(step);
    if (!(right ? room.right : room.left))
        return direction(!right, up);
    if (!(up ? room.up : room.down))
        return direction(right, !up);
    return std::nullopt;
}

// The steps taken from the preferred direction: where they end, or, when they come back to a
// direction already taken, whether the hand-over that closed the circle changed the side.
struct Walk {
    Direction end;
    bool circled = false;
    bool sideCircled = false;
};

Walk walk(Direction preferred, const Room& room) {
    bool taken[4] = {};
    Direction step = preferred;
    for (;;) {
        taken[static_cast<int>(step)] = true;
        const std::optional<Direction> next = handOver(step, room);
        if (!next)
            return {step};
        if (taken[static_cast<int>(*next)])
            return {step, true, isRight(*next) != isRight(step)};
        step = *next;
    }
}

// Moves a span [start, start + length) onto [low, high), its start first.
int ontoScreen(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

}  // namespace

QSize balloonSize(QSize hintRect, int arrowPosition) {
    return {hintRect.width() + 16, hintRect.height() + 20 + (tailAtTop(arrowPosition) ? 9 : 0)};
}

BalloonPlacement placeBalloon(QPoint pointer, QSize hintRect, const QRect& screen,
                              TfhHintDirection preferred) {
    Room room = roomAround(pointer, hintRect, screen);
    bool sideForced = false;
    bool heightForced = false;
    Walk steps = walk(preferred, room);
    while (steps.circled) {
        if (steps.sideCircled) {
            (isRight(preferred) ? room.right : room.left) = true;
            sideForced = true;
        } else {
            (isUp(preferred) ? room.up : room.down) = true;
            heightForced = true;
        }
        steps = walk(preferred, room);
    }

    const int arrow = arrowOf(steps.end);
    const QSize size = balloonSize(hintRect, arrow);
    QPoint corner(isRight(steps.end) ? pointer.x() : pointer.x() - size.width() + 6,
                  isUp(steps.end) ? pointer.y() - 2 - size.height() : pointer.y() + 6);
    if (sideForced)
        corner.setX(ontoScreen(corner.x(), size.width(), screen.x(), screen.x() + screen.width()));
    if (heightForced)
        corner.setY(
            ontoScreen(corner.y(), size.height(), screen.y(), screen.y() + screen.height()));
    return {corner, arrow};
}
