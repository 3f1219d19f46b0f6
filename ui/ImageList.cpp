#include "ui/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace ui {

QIcon ImageList::icon(int index) const {
    if (index < 0 || index >= count())
        return {};
    return icons_[index];
}

namespace {

constexpr int kSize = 24;

QIcon draw(const std::function<void(QPainter&)>& paint) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return QIcon(pixmap);
}

void page(QPainter& p, const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 5, r.top());
    path.lineTo(r.right(), r.top() + 5);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2));
    p.setBrush(Qt::white);
    p.drawPath(path);
}

}  // namespace

void addToolbarGlyphs(ImageList& list) {
    list.add(draw([](QPainter& p) {  // new: a page with a green plus
        page(p, QRectF(4, 2, 14, 19));
        p.setPen(QPen(QColor(0x10, 0x90, 0x20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 13), QPointF(16, 21));
        p.drawLine(QPointF(12, 17), QPointF(20, 17));
    }));
    list.add(draw([](QPainter& p) {  // delete: a red cross
        p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(19, 19));
        p.drawLine(QPointF(19, 5), QPointF(5, 19));
    }));
    list.add(draw([](QPainter& p) {  // save: a diskette
        p.setPen(QPen(QColor(0x20, 0x30, 0x60), 1.2));
        p.setBrush(QColor(0x30, 0x50, 0xa0));
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));
        p.setBrush(QColor(0xc0, 0xc0, 0xc0));
        p.drawRect(QRectF(6, 13, 12, 8));
    }));
    list.add(draw([](QPainter& p) {  // exit: a door with an arrow
        p.setPen(QPen(QColor(0x60, 0x40, 0x20), 1.2));
        p.setBrush(QColor(0xb0, 0x80, 0x50));
        p.drawRect(QRectF(3, 3, 10, 18));
        p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 12), QPointF(21, 12));
        p.drawLine(QPointF(17, 8), QPointF(21, 12));
        p.drawLine(QPointF(17, 16), QPointF(21, 12));
    }));
    list.add(draw([](QPainter& p) {  // history: a clock
        p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
        p.setBrush(QColor(0xff, 0xf4, 0xc0));
        p.drawEllipse(QRectF(3, 3, 18, 18));
        p.drawLine(QPointF(12, 12), QPointF(12, 6));
        p.drawLine(QPointF(12, 12), QPointF(16, 14));
    }));
    list.add(draw([](QPainter& p) {  // copy: two pages
        page(p, QRectF(3, 2, 12, 15));
        page(p, QRectF(9, 7, 12, 15));
    }));
    list.add(draw([](QPainter& p) {  // print: a printer
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 2, 10, 8));
        p.setBrush(QColor(0x80, 0x80, 0x90));
        p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 15, 10, 7));
    }));
    list.add(draw([](QPainter& p) {  // approve: a green tick
        p.setPen(QPen(QColor(0x10, 0x90, 0x20), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(4, 13), QPointF(10, 19), QPointF(20, 5)}));
    }));
}

}  // namespace ui
