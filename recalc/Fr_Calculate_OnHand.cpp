#include "recalc/Fr_Calculate_OnHand.h"

#include "company/U_DM.h"
#include "db/Connection.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

TFrCalculate_OnHand::TFrCalculate_OnHand()
    : TFrCalculate(QStringLiteral("คำนวน สินค้าคงเหลือ"), "Calculate_OnHand") {
    setObjectName("FrCalculate_OnHand");
}

void TFrCalculate_OnHand::LogOnHandStep(const QString& Step) {
    db::Connection& connection = *DM->DMdata;
    try {
        connection.startTransaction();
        if (Step == "START") {
            ui::Application::processMessages();
            DM->AddActivityLog(1, 0, QStringLiteral(" เริ่ม คำนวน สินค้าคงเหลือ "), "", "", "", "");
        }
        if (Step == "STOP") {
            ui::Application::processMessages();
            DM->AddActivityLog(1, 0,
                               QStringLiteral(" เสร็จ   คำนวนสินค้าคงเหลือ เรียบร้อย ใช้เวลา ") +
                                   QString::number(ElapsedSeconds) + QStringLiteral(" วินาที "),
                               "", "", "", "");
        }
        connection.commit();
    } catch (const std::exception& e) {
        if (connection.inTransaction())
            connection.rollback();
        ui::showMessage(QString::fromUtf8(e.what()));
    }
}
