#include "ui/HintWindow.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QToolTip>

namespace ui {

namespace {

// Hint texts break lines with a carriage return and line feed as well as a line feed.
QString withLineFeeds(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

}  // namespace

HintWindow::HintWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setPalette(QToolTip::palette());
    setCanvasFont(QToolTip::font(),
                  QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipText));
}

void HintWindow::setCanvasFont(const QFont& face, const QColor& colour) {
    setFont(face);
    textColor_ = colour;
}

QRect HintWindow::CalcHintRect(int maxWidth, const QString& hint) {
    const QRect text = QFontMetrics(font()).boundingRect(QRect(0, 0, maxWidth, 0), kTextFlags,
                                                         withLineFeeds(hint));
    return QRect(0, 0, text.width() + 6, text.height() + 2);
}

void HintWindow::ActivateHint(const QRect& rect, const QString& hint) {
    text_ = hint;
    setGeometry(rect);
    showOnTop();
}

void HintWindow::showOnTop() {
    show();
    update();
}

void HintWindow::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    painter.drawPrimitive(QStyle::PE_PanelTipLabel, frame);
    painter.setPen(textColor_);
    painter.drawText(rect().adjusted(2, 2, 0, 0), kTextFlags, withLineFeeds(text_));
}

}  // namespace ui
