#include "ui/Edit.h"

#include <QValidator>

namespace ui {

namespace {

// Turns what is typed or pasted into upper case as it comes in.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace

Edit::Edit(QWidget* parent, int maxLength) : QLineEdit(parent) {
    setMaxLength(maxLength);
}

void Edit::setUpperCase(bool on) {
    upperCase_ = on;
    setValidator(on ? new UpperCaseValidator(this) : nullptr);
}

}  // namespace ui
