#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The red error dialog: the translated error, a "Send Error" button that hands a report to the
// error report hook, and "Don't Send", which it presses by itself after nine timer ticks.
class TFrShowError : public QDialog {
    Q_OBJECT
public:
    explicit TFrShowError(QWidget* parent = nullptr);

    QString ErrorText;  // set by the caller before showing
    int CountDown = 0;  // ticks left
    bool SendingReport = false;

    QPlainTextEdit* ErrorBox;
    QPushButton* BOk;
    QPushButton* BCancel;
    QLabel* TimeCount;
    QTimer* Timer1;

    void FormShow();
    void Timer1Timer();
    void BOkClick();
    void BCancelClick();

    // The error report that "Send Error" hands to DmConfig.SendErrorMail.
    QString ReportSubject() const;
    QString ReportBody() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
