#include "hints/BalloonDrawing.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QTextOption>
#include <algorithm>
#include <array>
#include <optional>

namespace {

// The tail's height when it stands at the top; the body starts below it.
constexpr int kTopTail = 15;

using Triangle = std::array<QPoint, 3>;

// The geometry of one balloon: its size, where the tail stands, its corner size.
struct Shape {
    int w, h;
    bool top;
    int radius;
    int topTail() const { return top ? kTopTail : 0; }
};

// Colours every other pixel (both coordinates even or both odd) of `area` that lies inside
// `region`, so the background shows through the dots.
void dot(QImage& image, QRect area, const QPainterPath& region, const QColor& colour) {
    area &= image.rect();
    const QRgb rgb = colour.rgb();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            if ((x + y) % 2 == 0 && region.contains(QPointF(x + 0.5, y + 0.5)))
                line[x] = rgb;
    }
}

// The shadow: a rounded rectangle shifted right and down, seen in a strip right of the body
// and a strip below it. The rectangle from (x1, y1) to (x2, y2) holds the pixels up to x2 - 1
// and y2 - 1; the strips hold both of their ends.
void drawShadow(QImage& image, const Shape& s, const QColor& colour) {
    const qreal corner = std::max(0, s.radius - 1) / 2.0;
    QPainterPath region;
    region.addRoundedRect(
        QRectF(QPointF(10, 8 + s.topTail()), QPointF(s.w, s.top ? s.h - 2 : s.h - 8)), corner,
        corner);
    if (s.top) {
        dot(image, QRect(QPoint(s.w - 14, 8 + s.topTail()), QPoint(s.w, s.h - 8)), region, colour);
        dot(image, QRect(QPoint(10, s.h - 8), QPoint(s.w, s.h - 2)), region, colour);
    } else {
        dot(image, QRect(QPoint(s.w - 14, 8), QPoint(s.w, s.h - 14)), region, colour);
        dot(image, QRect(QPoint(10, s.h - 14), QPoint(s.w, s.h - 9)), region, colour);
    }
}

// The body from (0, T) to (W - 6, H - 8) with the tail at the top, else to (W - 6, H - 14): a
// one-pixel outline drawn around a box covers its width and height plus one.
QRectF bodyBox(const Shape& s) {
    const int lastRow = s.top ? s.h - 9 : s.h - 15;
    return QRectF(0, s.topTail(), s.w - 7, lastRow - s.topTail());
}

void drawBody(QPainter& painter, const Shape& s, const HintLook& look) {
    painter.setPen(look.ColorBorder);
    painter.setBrush(look.ColorBackground);
    if (s.radius > 0)
        painter.drawRoundedRect(bodyBox(s), s.radius / 2.0, s.radius / 2.0);
    else
        painter.drawRect(bodyBox(s));
}

// The tail A, B, C: A and B on the body's edge, C the tip.
Triangle tail(const Shape& s, int arrowPosition) {
    const int w = s.w, h = s.h;
    switch (arrowPosition) {
        case arrowBottomRight:
            return {QPoint(w - 26, h - 15), QPoint(w - 16, h - 15), QPoint(w - 6, h)};
        case arrowTopLeft:
            return {QPoint(10, 15), QPoint(20, 15), QPoint(0, 0)};
        case arrowTopRight:
            return {QPoint(w - 26, 15), QPoint(w - 16, 15), QPoint(w - 6, 0)};
        default:
            return {QPoint(10, h - 15), QPoint(20, h - 15), QPoint(0, h)};
    }
}

// The tail's shadow; none for a tail at the top-left, whose shadow the body covers.
std::optional<Triangle> tailShadow(const Shape& s, int arrowPosition) {
    const int w = s.w, h = s.h;
    switch (arrowPosition) {
        case arrowBottomRight:
            return Triangle{QPoint(w - 32, h - 15), QPoint(w - 11, h - 15), QPoint(w - 6, h)};
        case arrowTopLeft:
            return std::nullopt;
        case arrowTopRight:
            return Triangle{QPoint(w - 16, 15), QPoint(w - 10, 15), QPoint(w - 4, 0)};
        default:
            return Triangle{QPoint(12, h - 15), QPoint(26, h - 15), QPoint(6, h)};
    }
}

void drawTail(QImage& image, const Shape& s, int arrowPosition, const HintLook& look) {
    const Triangle t = tail(s, arrowPosition);
    if (look.ShowShadow)
        if (const std::optional<Triangle> shade = tailShadow(s, arrowPosition)) {
            const QPolygon corners{QList<QPoint>(shade->begin(), shade->end())};
            QPainterPath region;
            region.addPolygon(corners);
            region.closeSubpath();
            dot(image, corners.boundingRect(), region, look.ColorShadow);
        }
    QPainter painter(&image);
    painter.setPen(look.ColorBackground);
    painter.drawLine(t[0], t[1]);  // wipes the body's outline where the tail joins it
    painter.setPen(Qt::NoPen);
    painter.setBrush(look.ColorBackground);
    painter.drawPolygon(t.data(), 3);
    painter.setPen(look.ColorBorder);
    painter.drawLine(t[1], t[2]);
    painter.drawLine(t[2], t[0]);
}

// Body-coloured pixels take the background's share `rate` (in percent), channel by channel.
void blend(QImage& drawing, const QImage& background, const QColor& body, int rate) {
    const uchar bodyRgb[3] = {uchar(body.red()), uchar(body.green()), uchar(body.blue())};
    for (int y = 0; y < drawing.height(); ++y) {
        uchar* out = drawing.scanLine(y);
        const uchar* back = background.constScanLine(y);
        for (int x = 0; x < drawing.width() * 3; x += 3) {
            if (out[x] != bodyRgb[0] || out[x + 1] != bodyRgb[1] || out[x + 2] != bodyRgb[2])
                continue;
            for (int c = 0; c < 3; ++c)
                out[x + c] = uchar(((100 - rate) * bodyRgb[c] + rate * back[x + c]) / 100);
        }
    }
}

Qt::Alignment alignment(TfhTextAlignment a) {
    switch (a) {
        case TfhTextAlignment::taRight:
            return Qt::AlignRight;
        case TfhTextAlignment::taCenter:
            return Qt::AlignHCenter;
        default:
            return Qt::AlignLeft;
    }
}

void drawText(QImage& image, int arrowPosition, const HintLook& look, const HintFont& font,
              QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QTextOption option(alignment(look.TextAlignment) | Qt::AlignAbsolute | Qt::AlignTop);
    option.setWrapMode(QTextOption::WordWrap);
    option.setTextDirection(look.BiDiMode == TfhSimpleBiDiMode::bdRightToLeft ? Qt::RightToLeft
                                                                              : Qt::LeftToRight);
    QPainter painter(&image);
    painter.setFont(font.face);
    painter.setPen(font.color);
    painter.drawText(balloonTextRect(image.size(), arrowPosition), text, option);
}

}  // namespace

QRect balloonTextRect(QSize balloon, int arrowPosition) {
    const int top = 3 + (tailAtTop(arrowPosition) ? kTopTail : 0);
    return QRect(QPoint(8, top), QPoint(balloon.width() - 13, balloon.height() - 1));
}

QImage drawBalloon(const QImage& background, const HintLook& look, const HintFont& font,
                   int arrowPosition, const QString& text) {
    const Shape shape{background.width(), background.height(), tailAtTop(arrowPosition),
                      look.Rounded ? int(look.RoundRadius) : 0};
    QImage drawing = background.convertToFormat(QImage::Format_RGB32);
    if (look.ShowShadow)
        drawShadow(drawing, shape, look.ColorShadow);
    {
        QPainter painter(&drawing);
        drawBody(painter, shape, look);
    }
    if (look.ShowArrow)
        drawTail(drawing, shape, arrowPosition, look);

    drawing = drawing.convertToFormat(QImage::Format_RGB888);
    if (look.Transparent)
        blend(drawing, background.convertToFormat(QImage::Format_RGB888), look.ColorBackground,
              look.TransparencyRate);
    drawText(drawing, arrowPosition, look, font, text);
    return drawing;
}
