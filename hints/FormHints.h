#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "hints/HintLook.h"

class QWidget;
class TfhHintWindow;

// Lets the program veto a hint (AllowShowHint false), change its text, or ask for the
// toolkit's plain tool-tip look (ShowStandardHint true).
using TfhOnShowHint = std::function<void(TfhHintWindow* Sender, QWidget* HintControl, QString& Hint,
                                         bool& AllowShowHint, bool& ShowStandardHint)>;

// Placed on a form, switches the application's tool tips to balloons (TfhHintWindow) and
// carries their look. The balloons follow the one on the application's main form.
class TFormHints : public QObject, public HintLook {
    Q_OBJECT
public:
    // Takes the defaults and switches the application's tool tips to balloons.
    explicit TFormHints(QObject* owner);

    bool Active() const { return active_; }
    // True: the application's tool tips become balloons; false: the toolkit's own again.
    void setActive(bool on);

    const HintFont& Font() const { return font_; }
    // Copies the font and applies it to the live hint window.
    void setFont(const HintFont& font);

    TfhOnShowHint OnShowHint;

private:
    void applyFont() const;

    bool active_ = false;
    HintFont font_;
};
