#include "app/Fr_FormLogo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "ui/PictureLoader.h"

TFormLogo* FormLogo = nullptr;

TFormLogo::TFormLogo(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen) {
    setObjectName("FormLogo");
    setFixedSize(301, 166);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::blue);
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_QuitOnClose, false);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, 301, 166);
    Image1->setScaledContents(true);
    QFile picture(QStringLiteral(":/app/splash.jpg"));
    if (picture.open(QIODevice::ReadOnly))
        Image1->setPixmap(QPixmap::fromImage(ui::loadPicture(picture.readAll(), "jpg")));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TFormLogo::showPainted() {
    show();
    QElapsedTimer clock;
    clock.start();
    while (!windowHandle()->isExposed() && clock.elapsed() < 3000) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    repaint();
    QCoreApplication::processEvents();
}
