#pragma once

#include <QToolBar>
#include <map>

class QAction;
class QToolButton;

namespace ui {

// A toolbar of named buttons. A button bound to an action follows its caption, hint, image,
// enabled state and visibility; a button can also be hidden on its own.
class ActionToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit ActionToolBar(QWidget* parent = nullptr);

    QToolButton* addButton(const QString& name, QAction* action);
    QToolButton* addButton(const QString& name, const QString& caption, const QIcon& icon);
    void setButtonVisible(QToolButton* button, bool visible);
    bool isButtonShown(QToolButton* button) const;

private:
    struct Slot {
        QAction* holder = nullptr;  // the toolbar's entry for the button
        QAction* action = nullptr;  // the bound action, if any
        bool visible = true;
    };
    void update(const Slot& slot);
    QToolButton* makeButton(const QString& name);

    std::map<QToolButton*, Slot> slots_;
};

}  // namespace ui
