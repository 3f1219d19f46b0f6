#pragma once

#include <QImage>
#include <QString>

#include "hints/HintLook.h"

// Composes a balloon over the screen area its window covers, off screen, in this order: the
// background; the shadow's dots; the rounded body; the tail with its shadow, joined to the body
// without an outline between them; the switch to 24-bit pixels; the blend of body-coloured
// pixels with the background when the look is transparent; the text. The result has the
// background's size, in 24-bit pixels.
QImage drawBalloon(const QImage& background, const HintLook& look, const HintFont& font,
                   int arrowPosition, const QString& text);

// The rectangle the text is drawn into: the balloon narrowed by 8 on the left, 12 on the right
// and 3 on top, below the tail when it stands at the top.
QRect balloonTextRect(QSize balloon, int arrowPosition);
