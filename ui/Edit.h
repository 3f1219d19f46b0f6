#pragma once

#include <QLineEdit>

namespace ui {

// A single-line edit with a maximum length and, optionally, every typed letter in upper case.
class Edit : public QLineEdit {
    Q_OBJECT
public:
    explicit Edit(QWidget* parent = nullptr, int maxLength = 32767);

    void setUpperCase(bool on);
    bool isUpperCase() const { return upperCase_; }

private:
    bool upperCase_ = false;
};

}  // namespace ui
