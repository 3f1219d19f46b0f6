#include "ui/Dialog.h"

#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

#include "ui/KeyPreview.h"

namespace ui {

Dialog::Dialog(QWidget* parent)
    : QDialog(parent),
      keyPreview_(new KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); })) {
    keyPreview_->setEnabled(false);
}

int Dialog::showModal() {
    setResult(mrNone);
    return exec();
}

void Dialog::setModalResult(int result) {
    if (result != mrNone)
        done(result);
}

bool Dialog::keyPreview() const {
    return keyPreview_->isEnabled();
}

void Dialog::setKeyPreview(bool on) {
    keyPreview_->setEnabled(on);
}

// FormClose runs once per closing, even when its own work ends in another done(). An error it
// raises leaves the dialog open.
void Dialog::done(int result) {
    if (closing_ || !isVisible())
        return;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{closing_ = true};
    setResult(result);
    FormClose();
    QDialog::done(this->result());
}

void Dialog::reject() {
    done(mrCancel);
}

void Dialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    keepOnScreen();
    FormShow();
}

void Dialog::keepOnScreen() {
    const QRect frame = frameGeometry();
    const QPoint moved = onScreen(frame, screen()->availableGeometry());
    if (moved != frame.topLeft())
        move(pos() + moved - frame.topLeft());
}

QPoint onScreen(const QRect& frame, const QRect& screen) {
    const int x = std::clamp(frame.x(), screen.left(),
                             std::max(screen.left(), screen.right() + 1 - frame.width()));
    const int y = std::clamp(frame.y(), screen.top(),
                             std::max(screen.top(), screen.bottom() + 1 - frame.height()));
    return {x, y};
}

void Dialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->ignore();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

// A control is found by the name of the focused widget or of the nearest named widget around
// it (the editor inside a grid cell belongs to the grid); the toolkit's own parts are unnamed.
bool focusedControlIs(const QWidget* form, const QString& name) {
    for (const QWidget* w = form->focusWidget(); w && w != form; w = w->parentWidget()) {
        const QString own = w->objectName();
        if (!own.isEmpty() && !own.startsWith("qt_"))
            return own.toUpper() == name.toUpper();
    }
    return false;
}

}  // namespace ui
