#include "ui/ActionToolBar.h"

#include <QAction>
#include <QToolButton>

namespace ui {

ActionToolBar::ActionToolBar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
}

QToolButton* ActionToolBar::makeButton(const QString& name) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QToolButton* ActionToolBar::addButton(const QString& name, QAction* action) {
    QToolButton* button = makeButton(name);
    button->setDefaultAction(action);
    Slot slot{addWidget(button), action, true};
    slots_[button] = slot;
    connect(action, &QAction::changed, this, [this, button] { update(slots_.at(button)); });
    update(slot);
    return button;
}

QToolButton* ActionToolBar::addButton(const QString& name, const QString& caption,
                                      const QIcon& icon) {
    QToolButton* button = makeButton(name);
    button->setText(caption);
    button->setIcon(icon);
    slots_[button] = Slot{addWidget(button), nullptr, true};
    return button;
}

void ActionToolBar::setButtonVisible(QToolButton* button, bool visible) {
    Slot& slot = slots_.at(button);
    slot.visible = visible;
    update(slot);
}

bool ActionToolBar::isButtonShown(QToolButton* button) const {
    return slots_.at(button).holder->isVisible();
}

void ActionToolBar::update(const Slot& slot) {
    slot.holder->setVisible(slot.visible && (!slot.action || slot.action->isVisible()));
}

}  // namespace ui
