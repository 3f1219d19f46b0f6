#pragma once

#include <QDialog>
#include <QRect>

class QKeyEvent;

namespace ui {

class KeyPreview;

// Modal results a dialog closes with.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// A form shown modally: showModal() returns the modal result its handlers set; closing it with
// the close box is a cancellation. Enter and Esc do only what the form's handlers make of them.
// FormShow runs each time it is shown, FormClose when it is about to close, with the modal result
// already set; FormClose may change it. With key preview on, FormKeyDown sees every key before the
// focused control.
class Dialog : public QDialog {
    Q_OBJECT
public:
    explicit Dialog(QWidget* parent = nullptr);

    int showModal();
    int modalResult() const { return result(); }
    // Closes the dialog with the given result; mrNone leaves it open.
    void setModalResult(int result);

    bool keyPreview() const;
    void setKeyPreview(bool on);

    void done(int result) override;
    void reject() override;

protected:
    virtual void FormShow() {}
    virtual void FormClose() {}
    // True when the key was handled and goes no further.
    virtual bool FormKeyDown(QKeyEvent*) { return false; }

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A designed position that leaves part of the window off a smaller screen is moved in.
    void keepOnScreen();

    KeyPreview* keyPreview_;
    bool closing_ = false;
};

// Where a window's frame goes so that it lies on the screen, moved as little as it can be; a
// frame larger than the screen keeps its top left corner on it.
QPoint onScreen(const QRect& frame, const QRect& screen);

// Whether the widget with keyboard focus is named `name`, compared in upper case.
bool focusedControlIs(const QWidget* form, const QString& name);

}  // namespace ui
