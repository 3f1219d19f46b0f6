#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPalette>

namespace ui {

namespace {

MessageBoxResponder& responder() {
    static MessageBoxResponder r;
    return r;
}

void showWithOk(MessageBoxRequest::Kind kind, QMessageBox::Icon icon, const QString& caption,
                const QString& text) {
    if (responder()) {
        responder()({kind, text, {}, {}});
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok);
    box.setObjectName("MessageBox");
    box.exec();
}

}  // namespace

void setMessageBoxResponder(MessageBoxResponder r) {
    responder() = std::move(r);
}

void showMessage(const QString& text) {
    showWithOk(MessageBoxRequest::Kind::Plain, QMessageBox::NoIcon,
               QApplication::applicationDisplayName(), text);
}

void showInformation(const QString& text) {
    showWithOk(MessageBoxRequest::Kind::Information, QMessageBox::Information,
               QStringLiteral("Information"), text);
}

bool confirm(const QString& text, const QColor& background, const QColor& textColor) {
    if (responder())
        return responder()({MessageBoxRequest::Kind::Confirmation, text, background, textColor});
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                    QMessageBox::Yes | QMessageBox::No);
    box.setObjectName("ConfirmBox");
    box.setDefaultButton(QMessageBox::Yes);
    QPalette palette = box.palette();
    if (background.isValid()) {
        palette.setColor(QPalette::Window, background);
        box.setAutoFillBackground(true);
    }
    if (textColor.isValid()) {
        palette.setColor(QPalette::WindowText, textColor);
        palette.setColor(QPalette::Text, textColor);
    }
    box.setPalette(palette);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace ui
