#include "hints/FormHints.h"

#include <QToolTip>
#include <memory>

#include "hints/FhHintWindow.h"
#include "ui/ApplicationHints.h"

TFormHints::TFormHints(QObject* owner) : QObject(owner) {
    const QPalette system = QToolTip::palette();
    ColorBackground = system.color(QPalette::Inactive, QPalette::ToolTipBase);
    font_ = {QToolTip::font(), system.color(QPalette::Inactive, QPalette::ToolTipText)};
    setActive(true);
}

void TFormHints::setActive(bool on) {
    if (on == active_)
        return;
    active_ = on;
    ui::ApplicationHints& hints = ui::ApplicationHints::instance();
    if (on)
        hints.setHintWindowClass([] { return std::make_unique<TfhHintWindow>(); });
    else
        hints.setHintWindowClass(nullptr);
    hints.setShowHint(false);
    hints.setShowHint(true);
    applyFont();
}

void TFormHints::setFont(const HintFont& font) {
    font_ = font;
    applyFont();
}

void TFormHints::applyFont() const {
    if (auto* window = qobject_cast<TfhHintWindow*>(ui::ApplicationHints::instance().hintWindow()))
        window->setCanvasFont(font_.face, font_.color);
}
