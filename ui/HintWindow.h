#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

namespace ui {

// The toolkit's hint window: a borderless top-level window that shows a tool tip without taking
// the focus, drawn in the toolkit's tool-tip look. Windows of other hint classes derive from it
// and change how a hint is measured, shown and drawn.
class HintWindow : public QWidget {
    Q_OBJECT
public:
    HintWindow();

    // The rectangle a hint needs, at the origin: its text wrapped at maxWidth plus a margin of
    // 6 across and 2 down.
    virtual QRect CalcHintRect(int maxWidth, const QString& hint);
    // Shows the hint over the rectangle given, in screen coordinates.
    virtual void ActivateHint(const QRect& rect, const QString& hint);

    QString text() const { return text_; }
    // The font and text colour the window measures and draws with.
    void setCanvasFont(const QFont& face, const QColor& colour);
    QColor textColor() const { return textColor_; }

protected:
    void setText(const QString& text) { text_ = text; }
    // Shows the window where it stands, above every other, without activating it.
    void showOnTop();
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor textColor_;
};

}  // namespace ui
