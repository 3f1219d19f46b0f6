#include "company/Fr_ShowError.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "config/Dm_Config.h"
#include "config/Workstation.h"

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int left) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, 70, 75, 25);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TFrShowError::TFrShowError(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("FrShowError");
    setWindowTitle("Windows Error Message");
    setFixedSize(344, 101);
    setFont(QFont("MS Sans Serif", 8));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::red);
    setPalette(p);

    ErrorBox = new QPlainTextEdit(this);
    ErrorBox->setObjectName("ErrorBox");
    ErrorBox->setGeometry(0, 0, 344, 65);
    ErrorBox->setReadOnly(true);
    ErrorBox->setFrameShape(QFrame::NoFrame);
    QPalette boxPalette = ErrorBox->palette();
    boxPalette.setColor(QPalette::Base, Qt::red);
    boxPalette.setColor(QPalette::Text, Qt::white);
    ErrorBox->setPalette(boxPalette);

    BOk = makeButton(this, "BOk", "Send Error", 94);
    BCancel = makeButton(this, "BCancel", "Don't Send", 198);

    TimeCount = new QLabel(this);
    TimeCount->setObjectName("TimeCount");
    TimeCount->move(32, 75);
    QFont countFont = TimeCount->font();
    countFont.setBold(true);
    countFont.setPointSize(12);
    TimeCount->setFont(countFont);

    setTabOrder(ErrorBox, BOk);
    setTabOrder(BOk, BCancel);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TFrShowError::Timer1Timer);
    connect(BOk, &QPushButton::clicked, this, &TFrShowError::BOkClick);
    connect(BCancel, &QPushButton::clicked, this, &TFrShowError::BCancelClick);
    Timer1->start();
}

void TFrShowError::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFrShowError::FormShow() {
    move(50, 100);
    // The text breaks its lines with carriage returns; the text box breaks at line feeds.
    QString shown = ErrorText;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QChar(13), QChar(10));
    ErrorBox->setPlainText(shown);
    BCancel->setFocus();
    SendingReport = false;
    CountDown = 10;
    TimeCount->clear();
    if (!Timer1->isActive())
        Timer1->start();
}

void TFrShowError::keyPressEvent(QKeyEvent* event) {
    // Enter and Space act on the focused button; with no title-bar buttons, Escape does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        return;
    }
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void TFrShowError::Timer1Timer() {
    if (SendingReport)
        return;
    --CountDown;
    if (CountDown <= 1)
        BCancelClick();
}

void TFrShowError::BCancelClick() {
    Timer1->stop();
    done(QDialog::Rejected);
}

QString TFrShowError::ReportSubject() const {
    if (!DmConfig)
        return "Error  ";
    return "Error " + DmConfig->CompanyDbName.trimmed() + " " + DmConfig->MenuCaption.trimmed();
}

QString TFrShowError::ReportBody() const {
    const QChar cr(13);
    const QString userCode = DmConfig ? DmConfig->UserCode.trimmed() : QString();
    return "[User = " + userCode + "] " + cr + "Local IP = " + LocalIpAddress() + cr + ErrorText;
}

void TFrShowError::BOkClick() {
    SendingReport = true;
    if (DmConfig)
        DmConfig->SendErrorMail(ReportSubject(), ReportBody());
    Timer1->stop();
    done(QDialog::Accepted);
}
