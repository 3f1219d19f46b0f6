#pragma once

#include <QImage>
#include <QPointer>

#include "hints/FormHints.h"
#include "ui/HintWindow.h"

// The balloon hint window: a rounded box with a tail towards the pointer, a dotted shadow and
// an optional see-through body, composed over the screen it covers. It follows the TFormHints
// on the application's main form and shows nothing while there is none.
class TfhHintWindow : public ui::HintWindow {
    Q_OBJECT
public:
    TfhHintWindow();

    // The TFormHints owned by the application's main form; looked up again while unknown.
    TFormHints* HintSettings();

    // The settings' MaxWidth, when not 0, replaces the toolkit's.
    QRect CalcHintRect(int MaxWidth, const QString& Hint) override;
    // Asks the settings' OnShowHint, then places the balloon next to the pointer, takes the
    // screen under it and shows it; or shows the toolkit's plain tip over Rect when asked to.
    void ActivateHint(const QRect& Rect, const QString& Hint) override;

    bool StandardMode() const { return standardMode_; }

    int ArrowPosition = arrowBottomLeft;
    QImage BackgroundBitmap;  // the screen under the window
    QImage DrawingBitmap;     // the balloon composed over it

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<TFormHints> settings_;
    bool standardMode_ = false;
};

// The text of an aligned hint: each line trimmed and ended by a line break.
QString alignedHintText(const QString& text);
