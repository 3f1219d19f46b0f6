#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

namespace ui {

// Key preview: a form sees every key pressed in any of its controls before the control does.
// The handler answers true when it handled the key, which then goes no further.
class KeyPreview : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(QKeyEvent*)>;

    KeyPreview(QWidget* form, Handler handler);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* form_;
    Handler handler_;
    bool enabled_ = true;
};

}  // namespace ui
