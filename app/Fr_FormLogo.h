#pragma once

#include <QWidget>

class QLabel;

// The splash window shown while the configuration database is consulted: a borderless blue
// window with one stretched picture.
class TFormLogo : public QWidget {
    Q_OBJECT
public:
    explicit TFormLogo(QWidget* parent = nullptr);

    // Shows the splash and paints it as soon as the window system has put it on the screen
    // (a window manager maps it in its own time), so that it covers the slow steps that follow
    // while no event loop runs. Waits a few seconds at most.
    void showPainted();

    QLabel* Image1;
};

// The process-wide splash instance; the company connection frees it once it stands.
extern TFormLogo* FormLogo;
