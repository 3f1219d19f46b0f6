#pragma once

#include <QColor>
#include <QString>
#include <functional>

namespace ui {

// A message box about to be shown.
struct MessageBoxRequest {
    enum class Kind { Plain, Information, Confirmation };
    Kind kind = Kind::Plain;
    QString text;
    QColor background;  // confirmation only; invalid when not set
    QColor textColor;
};

// A plain box with an OK button; its caption is the application title.
void showMessage(const QString& text);

// An information box: the standard information icon, the caption "Information", an OK button.
void showInformation(const QString& text);

// A Yes/No confirmation; background and text colours are set before it shows. True on Yes.
bool confirm(const QString& text, const QColor& background = {}, const QColor& textColor = {});

// Seam for tests and unattended runs: while a responder is set no box is shown; the responder
// receives each request and answers it (its result is the Yes/No answer of a confirmation).
using MessageBoxResponder = std::function<bool(const MessageBoxRequest&)>;
void setMessageBoxResponder(MessageBoxResponder responder);

}  // namespace ui
