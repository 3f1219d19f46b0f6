#include "recalc/Fr_Calculate.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "config/Workstation.h"
#include "db/Error.h"
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

    LbMfg = new QLabel(this);
    LbMfg->setObjectName("LbMfg");
    LbMfg->setGeometry(20, 85, 356, 16);

    BtCalculate = new QPushButton(QStringLiteral("เริ่มคำนวน"), this);
    BtCalculate->setObjectName("BtCalculate");
    BtCalculate->setGeometry(18, 100, 359, 25);
    BtCalculate->setCursor(Qt::PointingHandCursor);
    setTabOrder(CbYearNo, BtCalculate);
    connect(BtCalculate, &QPushButton::clicked, this, [this] { BtCalculateClick(); });

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

void TFrCalculate::setControlsEnabled(bool enabled) {
    CbYearNo->setEnabled(enabled);
    BtCalculate->setEnabled(enabled);
    AcNew->setEnabled(enabled);
}

void TFrCalculate::BtCalculateClick() {
    if (worker_)
        return;
    beforeRun();
    LbMfg->setText(kRunning);
    setControlsEnabled(false);
    ui::Application::processMessages();
    ElapsedSeconds = 0;
    Timer1->start();
    QCalculate->paramByName("YearNo").setAsInteger(CbYearNo->currentText().trimmed().toInt());

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
    if (!succeeded) {
        Timer1->stop();
        LbMfg->setText(QStringLiteral("คำนวน Error !!"));
        setControlsEnabled(true);
        ui::Application::processMessages();
    } else {
        afterSuccess();
        LbMfg->setText(QStringLiteral("คำนวน เรียบร้อย"));
        Timer1->stop();
        setControlsEnabled(true);
        ui::Application::processMessages();
    }
    emit runFinished(succeeded);
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
    if (worker_) {
        event->ignore();
        const bool thai = DmConfig && DmConfig->ThaiLanguage;
        ui::showMessage(thai ? QStringLiteral("กำลังคำนวนอยู่ กรุณารอให้เสร็จก่อนออกจากโปรแกรม")
                             : QStringLiteral("The calculation is still running. Please wait "
                                              "until it has finished."));
        return;
    }
    TFrForm::closeEvent(event);
}
