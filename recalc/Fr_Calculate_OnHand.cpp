#include "recalc/Fr_Calculate_OnHand.h"

#include "company/U_DM.h"
#include "db/Connection.h"
#include "recalc/OffUiThread.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

TFrCalculate_OnHand::TFrCalculate_OnHand()
    : TFrCalculate(QStringLiteral("คำนวน สินค้าคงเหลือ"), "Calculate_OnHand") {
    setObjectName("FrCalculate_OnHand");
}

// Each database call may wait for another user's lock; it runs off the user-interface thread,
// so the window goes on painting and counting seconds meanwhile.
void TFrCalculate_OnHand::LogOnHandStep(const QString& Step) {
    db::Connection& connection = *DM->DMdata;
    try {
        runOffUiThread([&] { connection.startTransaction(); });
        if (Step == "START" || Step == "STOP") {
            ui::Application::processMessages();
            const QString remark =
                Step == "START" ? QStringLiteral(" เริ่ม คำนวน สินค้าคงเหลือ ")
                                : QStringLiteral(" เสร็จ   คำนวนสินค้าคงเหลือ เรียบร้อย ใช้เวลา ") +
                                      QString::number(ElapsedSeconds) + QStringLiteral(" วินาที ");
            runOffUiThread([&] { DM->AddActivityLog(1, 0, remark, "", "", "", ""); });
        }
        runOffUiThread([&] { connection.commit(); });
    } catch (const std::exception& e) {
        if (connection.inTransaction())
            connection.rollback();
        ui::showMessage(QString::fromUtf8(e.what()));
    }
}
