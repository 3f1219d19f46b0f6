#pragma once

#include <QWidget>

class QLabel;

// The splash window shown while the configuration database is consulted: a borderless blue
// window with one stretched picture.
class TFormLogo : public QWidget {
    Q_OBJECT
public:
    explicit TFormLogo(QWidget* parent = nullptr);

    QLabel* Image1;
};

// The process-wide splash instance; the company connection frees it once it stands.
extern TFormLogo* FormLogo;
