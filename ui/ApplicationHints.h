#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "ui/HintWindow.h"

class QHelpEvent;

namespace ui {

// Makes a hint window of one class.
using HintWindowClass = std::function<std::unique_ptr<HintWindow>()>;

// The application's tool tips: the show-hints switch and the class of the window that shows
// them. With no class set the toolkit shows its own tool tips. A hint is due when the pointer
// rests on a control with a tool tip; it goes when the pointer leaves the control, on a click,
// a key or the wheel, and after a while.
class ApplicationHints : public QObject {
    Q_OBJECT
public:
    // The one instance of the running application.
    static ApplicationHints& instance();

    // Takes effect when the switch is next turned on.
    void setHintWindowClass(HintWindowClass windowClass);
    bool showHint() const { return showHint_; }
    // On: makes a hint window of the current class. Off: destroys it, and no tool tip shows.
    void setShowHint(bool on);
    HintWindow* hintWindow() const { return window_.get(); }
    // Hides the hint on show, if any.
    void cancelHint();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ApplicationHints(QObject* application);
    bool showToolTip(QWidget* control, const QHelpEvent& event);

    HintWindowClass windowClass_;
    bool showHint_ = true;
    std::unique_ptr<HintWindow> window_;
    QPointer<QWidget> control_;  // the control whose hint shows
    QTimer expiry_;
};

}  // namespace ui
