// Draws the splash picture and writes it as a JPEG file: splashgen OUTPUT.jpg
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cstdio>

#include "ui/JpegCodec.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: splashgen OUTPUT.jpg\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QImage image(602, 332, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, image.height());
    sky.setColorAt(0, QColor(0x10, 0x3c, 0xb4));
    sky.setColorAt(1, QColor(0x02, 0x10, 0x5a));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QPoint(520, 40), 150, 150);
    p.setBrush(QColor(255, 200, 0));
    p.drawRect(0, 236, image.width(), 6);

    p.setPen(Qt::white);
    QFont title("DejaVu Sans", 64, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(40, 40, 520, 120), Qt::AlignLeft | Qt::AlignVCenter, "VOQ");
    QFont thai("Loma", 22);
    p.setFont(thai);
    p.drawText(QRect(44, 150, 540, 60), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("ระบบบริหารงานบริษัทการค้า"));
    p.setFont(QFont("Loma", 16));
    p.drawText(QRect(44, 256, 540, 50), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("คำนวนยอดคงเหลือประจำปี"));
    p.end();

    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly) || out.write(ui::encodeJpeg(image, 90)) < 0) {
        std::fprintf(stderr, "splashgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
