#pragma once

#include <QDate>
#include <QLineEdit>
#include <stdexcept>

class QCalendarWidget;

namespace ui {

// A text that does not convert to the value asked for.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The zero date: what an empty date box yields.
inline QDate zeroDate() {
    return QDate(1899, 12, 30);
}

// A date box: "dd/mm/yyyy" with four-digit years, a button that drops down a calendar, and a
// check when the focus moves from it to another control. A box holding only blanks and separators
// is the zero date; a partly typed or impossible date raises a ConversionError to the application's
// error handler and takes the focus back.
class DateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent = nullptr);

    // The date typed; the zero date when the box is empty. Raises ConversionError otherwise.
    QDate date() const;
    void setDate(const QDate& date);
    bool isBlank() const;

    void dropDown();
    QCalendarWidget* calendar() const { return calendar_; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    QCalendarWidget* calendar_;
};

}  // namespace ui
