#include "recalc/Fr_Calculate.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "config/Workstation.h"
#include "dbcore/Error.h"
#include "db/Query.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "ui/StatusBar.h"

namespace {

const QString kRunning = QStringLiteral("กำลังคำนวน กรุณารอสักครุ่...");

}  // namespace

TFrCalculate::TFrCalculate(const QString& designCaption, const QString& procedure) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(396, 150);
    setWindowTitle(designCaption);

    LbYearNo = new QLabel(QStringLiteral("คำนวน ปี ค.ศ."), this);
    LbYearNo->setObjectName("LbYearNo");
    QFont tahoma("Tahoma");
    tahoma.setPixelSize(13);
    LbYearNo->setFont(tahoma);
    LbYearNo->move(66, 60);
    LbYearNo->adjustSize();

    CbYearNo = new QComboBox(this);
    CbYearNo->setObjectName("CbYearNo");
    CbYearNo->setEditable(false);
    CbYearNo->setGeometry(148, 57, 145, CbYearNo->sizeHint().height());
    CbYearNo->setCursor(Qt::PointingHandCursor);

    // The progress line sits between the year list and the start button, as tall as its Thai
    // text needs with the marks above and below the letters.
    LbMfg = new QLabel(kRunning + " 9999 Sec.", this);
    LbMfg->setObjectName("LbMfg");
    const int lineTop = CbYearNo->geometry().bottom() + 1;
    const int lineHeight = std::max(16, LbMfg->sizeHint().height());
    LbMfg->setGeometry(20, lineTop, 356, lineHeight);
    LbMfg->clear();

    BtCalculate = new QPushButton(QStringLiteral("เริ่มคำนวน"), this);
    BtCalculate->setObjectName("BtCalculate");
    BtCalculate->setGeometry(18, std::max(100, lineTop + lineHeight + 1), 359, 25);
    BtCalculate->setCursor(Qt::PointingHandCursor);
    setTabOrder(CbYearNo, BtCalculate);
    connect(BtCalculate, &QPushButton::clicked, this, [this] { BtCalculateClick(); });
    connect(CbYearNo, &QComboBox::currentIndexChanged, this,
            [this](int index) { BtCalculate->setEnabled(CbYearNo->isEnabled() && index >= 0); });

    connect(StatusBar1, &ui::StatusBar::doubleClicked, this, [this] { StatusBar1DblClick(); });

    QCalculate = new db::Query(this);
    QCalculate->setObjectName("QCalculate");
    QCalculate->setDatabaseName("DMDATA");
    QCalculate->setSql({"Exec " + procedure + " :YearNo"});
    QCalculate->paramByName("YearNo").setType(db::FieldType::Integer);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

TFrCalculate::~TFrCalculate() {
    if (worker_)
        worker_->wait();
}

void TFrCalculate::FormShow() {
    if (DmConfig)
        setWindowTitle(DmConfig->MenuCaption);
    TFrForm::FormShow();
    AcNew->setVisible(true);
    AcDel->setVisible(false);
    AcSave->setVisible(false);
    AcNewExecute();
}

void TFrCalculate::AcNewExecute() {
    TFrForm::AcNewExecute();
    Timer1->stop();
    setControlsEnabled(true);
    LbMfg->clear();
    CbYearNo->clear();
    const int first = YearOfDate(DM->GetServerTime()) - 5;
    const int last = YearOfDate(DM->GetServerTime());
    for (int year = first; year <= last; ++year)
        CbYearNo->addItem(QString::number(year));
    CbYearNo->setCurrentIndex(CbYearNo->count() - 1);
    CbYearNo->setFocus();
}

// The start button is enabled only while a year is selected, so an empty list (the server's
// clock could not be read) offers no run.
void TFrCalculate::setControlsEnabled(bool enabled) {
    CbYearNo->setEnabled(enabled);
    BtCalculate->setEnabled(enabled && CbYearNo->currentIndex() >= 0);
    AcNew->setEnabled(enabled);
}

void TFrCalculate::BtCalculateClick() {
    if (running_ || CbYearNo->currentIndex() < 0)
        return;
    running_ = true;  // first, before anything below handles window messages
    const int year = CbYearNo->currentText().trimmed().toInt();
    LbMfg->setText(kRunning);
    setControlsEnabled(false);
    ElapsedSeconds = 0;
    Timer1->start();
    ui::Application::processMessages();
    beforeRun();
    QCalculate->paramByName("YearNo").setAsInteger(year);

    failure_ = nullptr;
    worker_ = QThread::create([this] {
        try {
            QCalculate->execSql();
        } catch (...) {
            failure_ = std::current_exception();
        }
    });
    connect(
        worker_, &QThread::finished, this, [this] { runFinishedOnUiThread(); },
        Qt::QueuedConnection);
    worker_->start();
}

void TFrCalculate::runFinishedOnUiThread() {
    worker_->wait();
    delete std::exchange(worker_, nullptr);
    const bool succeeded = !failure_;
    failure_ = nullptr;  // consumed: no message box, no error dialog, no log entry
    if (succeeded)
        afterSuccess();
    showOutcome(succeeded);
    running_ = false;
    emit runFinished(succeeded);
}

void TFrCalculate::showOutcome(bool succeeded) {
    Timer1->stop();
    LbMfg->setText(succeeded ? QStringLiteral("คำนวน เรียบร้อย") : QStringLiteral("คำนวน Error !!"));
    setControlsEnabled(true);
    ui::Application::processMessages();
}

void TFrCalculate::Timer1Timer() {
    ++ElapsedSeconds;
    LbMfg->setText(kRunning + " " + QString::number(ElapsedSeconds) + " Sec.");
    ui::Application::processMessages();
}

void TFrCalculate::StatusBar1DblClick() {
    ui::showMessage(QCalculate->sqlText() + "\n");
}

void TFrCalculate::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        const bool thai = DmConfig && DmConfig->ThaiLanguage;
        ui::showMessage(thai ? QStringLiteral("กำลังคำนวนอยู่ กรุณารอให้เสร็จก่อนออกจากโปรแกรม")
                             : QStringLiteral("The calculation is still running. Please wait "
                                              "until it has finished."));
        return;
    }
    TFrForm::closeEvent(event);
}
