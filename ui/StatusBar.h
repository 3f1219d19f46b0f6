#pragma once

#include <QStatusBar>
#include <vector>

class QLabel;

namespace ui {

// A status bar of fixed-width text panels that reports double clicks.
class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr) : QStatusBar(parent) {}

    QLabel* addPanel(int width);
    QLabel* panel(int index) const { return panels_.at(index); }
    int panelCount() const { return static_cast<int>(panels_.size()); }

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::vector<QLabel*> panels_;
};

}  // namespace ui
