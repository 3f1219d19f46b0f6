#include "ui/DateEdit.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFocusEvent>
#include <QStyle>
#include <QTimer>

namespace ui {

namespace {

const QString kFormat = QStringLiteral("dd/MM/yyyy");

// Day, month and year as typed: each part one or more digits, the year four of them.
QDate parseDate(const QString& text) {
    const QStringList parts = text.split('/');
    if (parts.size() != 3)
        return {};
    int values[3];
    for (int i = 0; i < 3; ++i) {
        const QString part = parts[i].trimmed();
        bool ok = false;
        values[i] = part.toInt(&ok);
        if (!ok || part.isEmpty() || (i == 2 && part.size() != 4))
            return {};
    }
    return QDate(values[2], values[1], values[0]);
}

}  // namespace

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent), calendar_(new QCalendarWidget(this)) {
    setInputMask(QStringLiteral("00/00/0000; "));
    calendar_->setObjectName("Calendar");
    calendar_->setWindowFlags(Qt::Popup);
    calendar_->setGridVisible(true);
    connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate picked) {
        setDate(picked);
        calendar_->hide();
        setFocus();
    });
    QAction* button =
        addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    button->setObjectName("DropDownButton");
    connect(button, &QAction::triggered, this, &DateEdit::dropDown);
}

bool DateEdit::isBlank() const {
    QString rest = text();
    rest.remove('/').remove(' ');
    return rest.isEmpty();
}

QDate DateEdit::date() const {
    if (isBlank())
        return zeroDate();
    const QDate date = parseDate(text());
    if (!date.isValid())
        throw ConversionError(QStringLiteral("'%1' is not a valid date").arg(text()).toStdString());
    return date;
}

void DateEdit::setDate(const QDate& date) {
    setText(date.isValid() && date != zeroDate() ? date.toString(kFormat) : QString());
}

void DateEdit::dropDown() {
    const QDate shown =
        isBlank() || !parseDate(text()).isValid() ? QDate::currentDate() : parseDate(text());
    calendar_->setSelectedDate(shown);
    calendar_->move(mapToGlobal(QPoint(0, height())));
    calendar_->show();
    calendar_->setFocus();
}

// Only a move to another control of the window checks the date: not the window losing the focus
// or closing, nor the calendar dropping down.
void DateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const bool withinWindow =
        event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
    if (!withinWindow || calendar_->isVisible() || !isEnabled())
        return;
    try {
        date();
    } catch (const ConversionError&) {
        QTimer::singleShot(0, this, [this] { setFocus(); });
        throw;
    }
}

}  // namespace ui
