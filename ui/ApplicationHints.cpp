#include "ui/ApplicationHints.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QScreen>

namespace ui {

namespace {

// Where the toolkit puts a tip relative to the pointer: right of it and below the cursor.
const QPoint kBelowPointer(2, 16);

// A hint stays as long as the toolkit's own tips do: 10 seconds, longer for long texts.
int showingTime(const QString& text) {
    return 10000 + 40 * std::max(0, int(text.size()) - 100);
}

}  // namespace

ApplicationHints& ApplicationHints::instance() {
    QCoreApplication* application = QCoreApplication::instance();
    Q_ASSERT(application);
    if (auto* hints =
            application->findChild<ApplicationHints*>(QString(), Qt::FindDirectChildrenOnly))
        return *hints;
    return *new ApplicationHints(application);
}

ApplicationHints::ApplicationHints(QObject* application) : QObject(application) {
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &ApplicationHints::cancelHint);
    application->installEventFilter(this);
}

void ApplicationHints::setHintWindowClass(HintWindowClass windowClass) {
    windowClass_ = std::move(windowClass);
}

void ApplicationHints::setShowHint(bool on) {
    if (on == showHint_)
        return;
    showHint_ = on;
    cancelHint();
    window_.reset();
    if (on && windowClass_)
        window_ = windowClass_();
}

void ApplicationHints::cancelHint() {
    expiry_.stop();
    control_ = nullptr;
    if (window_)
        window_->hide();
}

bool ApplicationHints::showToolTip(QWidget* control, const QHelpEvent& event) {
    const QString hint = control->toolTip();
    if (hint.isEmpty())
        return false;  // the control's parent may have one
    if (control_ == control && window_->isVisible() && window_->text() == hint)
        return true;  // the pointer rests on the control of the hint on show
    const QScreen* screen = QGuiApplication::screenAt(event.globalPos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QRect rect = window_->CalcHintRect(screen ? screen->geometry().width() : 0, hint);
    rect.translate(event.globalPos() + kBelowPointer);
    control_ = control;
    window_->ActivateHint(rect, hint);
    expiry_.start(showingTime(hint));
    return true;
}

bool ApplicationHints::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ToolTip:
            if (!showHint_)
                return true;
            if (!window_ || !watched->isWidgetType())
                return false;
            return showToolTip(static_cast<QWidget*>(watched), static_cast<QHelpEvent&>(*event));
        case QEvent::Leave:
            if (watched == control_)
                cancelHint();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::WindowDeactivate:
            if (control_)
                cancelHint();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace ui
