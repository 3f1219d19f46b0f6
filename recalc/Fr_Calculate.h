#pragma once

#include <QString>
#include <exception>

#include "shell/Fr_Form.h"

class QComboBox;
class QLabel;
class QPushButton;
class QThread;
class QTimer;
namespace db {
class Query;
}

// A year-end recalculation window: the user picks a year of the server's clock and starts the
// company database's procedure for it. The statement runs on a worker thread, so the seconds
// count goes on and the window repaints while it runs. A run lasts from the press of the start
// button until its outcome is shown; meanwhile a second run or closing the window is not
// possible, wherever window messages are handled.
class TFrCalculate : public TFrForm {
    Q_OBJECT
public:
    ~TFrCalculate() override;

    QLabel* LbYearNo;
    QComboBox* CbYearNo;
    QLabel* LbMfg;
    QPushButton* BtCalculate;
    db::Query* QCalculate;
    QTimer* Timer1;

    bool isRunning() const { return running_; }
    int elapsedSeconds() const { return ElapsedSeconds; }

signals:
    // A run has ended, successfully or not, and the window shows its outcome.
    void runFinished(bool succeeded);

protected:
    TFrCalculate(const QString& designCaption, const QString& procedure);

    void FormShow() override;
    void AcNewExecute() override;
    void BtCalculateClick();
    void Timer1Timer();
    void StatusBar1DblClick();
    void closeEvent(QCloseEvent* event) override;

    // Extra steps of a task around its run; none by default.
    virtual void beforeRun() {}
    virtual void afterSuccess() {}

    int ElapsedSeconds = 0;

private:
    void runFinishedOnUiThread();
    void setControlsEnabled(bool enabled);
    void showOutcome(bool succeeded);

    bool running_ = false;
    QThread* worker_ = nullptr;
    std::exception_ptr failure_;
};
