#include "ui/StatusBar.h"

#include <QLabel>

namespace ui {

QLabel* StatusBar::addPanel(int width) {
    auto* label = new QLabel(this);
    label->setFixedWidth(width);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    addWidget(label);
    panels_.push_back(label);
    return label;
}

void StatusBar::mouseDoubleClickEvent(QMouseEvent* event) {
    QStatusBar::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

}  // namespace ui
