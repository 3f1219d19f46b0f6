#include "hints/FhHintWindow.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>

#include "hints/BalloonDrawing.h"
#include "hints/BalloonPlacement.h"
#include "ui/Application.h"

namespace {

QScreen* screenAt(QPoint point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    return screen ? screen : QGuiApplication::primaryScreen();
}

// What the screen shows in `area`, in 24-bit pixels. Parts the screen cannot give (off its
// edge, or a platform that grants no screen pictures) are filled with `fill`.
QImage screenUnder(const QRect& area, const QColor& fill) {
    QImage picture(area.size(), QImage::Format_RGB888);
    picture.fill(fill);
    QScreen* screen = screenAt(area.topLeft());
    const QRect visible = screen ? area & screen->geometry() : QRect();
    if (visible.isEmpty())
        return picture;
    const QPoint origin = screen->geometry().topLeft();
    QImage grabbed = screen
                         ->grabWindow(0, visible.x() - origin.x(), visible.y() - origin.y(),
                                      visible.width(), visible.height())
                         .toImage();
    if (grabbed.isNull())
        return picture;
    if (grabbed.size() != visible.size())
        grabbed = grabbed.scaled(visible.size());
    grabbed.setDevicePixelRatio(1);
    QPainter(&picture).drawImage(visible.topLeft() - area.topLeft(), grabbed);
    return picture;
}

}  // namespace

QString alignedHintText(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r?\n"));
    QString aligned;
    for (const QString& line : text.split(lineBreak))
        aligned += line.trimmed() + QLatin1Char('\n');
    return aligned;
}

TfhHintWindow::TfhHintWindow() {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

TFormHints* TfhHintWindow::HintSettings() {
    if (!settings_)
        if (const ui::Application* application = ui::Application::instance())
            if (QWidget* main = application->mainForm())
                settings_ = main->findChild<TFormHints*>(QString(), Qt::FindDirectChildrenOnly);
    return settings_;
}

QRect TfhHintWindow::CalcHintRect(int MaxWidth, const QString& Hint) {
    if (const TFormHints* settings = HintSettings(); settings && settings->MaxWidth != 0)
        MaxWidth = settings->MaxWidth;
    return ui::HintWindow::CalcHintRect(MaxWidth, Hint);
}

void TfhHintWindow::ActivateHint(const QRect& Rect, const QString& Hint) {
    hide();
    TFormHints* settings = HintSettings();
    if (!settings)
        return;
    const QPoint pointer = QCursor::pos();
    QString text = Hint;
    bool allowShowHint = true;
    bool showStandardHint = false;
    if (settings->OnShowHint)
        settings->OnShowHint(this, QApplication::widgetAt(pointer), text, allowShowHint,
                             showStandardHint);
    standardMode_ = showStandardHint;
    if (!allowShowHint)
        return;
    if (standardMode_) {
        ui::HintWindow::ActivateHint(Rect, Hint);
        return;
    }

    const QScreen* screen = screenAt(pointer);
    const QRect screenArea = screen ? screen->geometry() : QRect();
    const QSize hintSize =
        text == Hint ? Rect.size() : CalcHintRect(screenArea.width(), text).size();
    if (settings->TextAlignment != TfhTextAlignment::taNone && !text.isEmpty())
        text = alignedHintText(text);
    setText(text);
    const BalloonPlacement place = placeBalloon(pointer, hintSize, screenArea, settings->Direction);
    ArrowPosition = place.arrowPosition;
    const QRect area(place.corner, balloonSize(hintSize, ArrowPosition));
    setGeometry(area);
    BackgroundBitmap = screenUnder(area, QGuiApplication::palette().color(QPalette::Window));
    DrawingBitmap = QImage(area.size(), QImage::Format_RGB888);
    showOnTop();
}

void TfhHintWindow::paintEvent(QPaintEvent* event) {
    const TFormHints* settings = HintSettings();
    if (standardMode_ || !settings) {
        ui::HintWindow::paintEvent(event);
        return;
    }
    DrawingBitmap =
        drawBalloon(BackgroundBitmap, *settings, settings->Font(), ArrowPosition, text());
    QPainter(this).drawImage(0, 0, DrawingBitmap);
}
