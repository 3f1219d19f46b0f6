#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "EngineFixture.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "recalc/Fr_Calculate_AP.h"
#include "recalc/Fr_Calculate_AR.h"
#include "recalc/Fr_Calculate_OnHand.h"
#include "ui/MessageBox.h"
#include "ui/StatusBar.h"

namespace {

// The three windows on a company whose recalculations record the year they were given; the
// receivables one fails when asked for 2020, the stock one sleeps a little so seconds pass.
class RecalcFormTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        installCompanySchema();
        writeServerClock("fixed 2024-06-30 10:00:00");
        runScript(kCompany, R"(
CREATE TABLE CalcCalls (Task varchar(10) NOT NULL, YearNo int NOT NULL)
GO
DROP PROCEDURE Calculate_AP
GO
CREATE PROCEDURE Calculate_AP @YearNo int AS INSERT INTO CalcCalls VALUES ('AP', @YearNo)
GO
DROP PROCEDURE Calculate_AR
GO
CREATE PROCEDURE Calculate_AR @YearNo int AS
BEGIN
    IF @YearNo = 2020
    BEGIN
        RAISERROR('no balances for 2020', 16, 1)
        RETURN
    END
    INSERT INTO CalcCalls VALUES ('AR', @YearNo)
END
GO
DROP PROCEDURE Calculate_OnHand
GO
CREATE PROCEDURE Calculate_OnHand @YearNo int AS
BEGIN
    IF @YearNo = 2019
    BEGIN
        RAISERROR('stock failed', 16, 1)
        RETURN
    END
    INSERT INTO CalcCalls VALUES ('OnHand', @YearNo)
END
)");
        createModules();
        cfg->MenuCaption = "คำนวน สินค้าคงเหลือ (เมนู)";
        ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            boxes.push_back(r);
            return answer;
        });
    }
    void TearDown() override {
        ui::setMessageBoxResponder(nullptr);
        EngineTest::TearDown();
    }

    // Clicks the start button and waits until the run has ended.
    bool runAndWait(TFrCalculate& form) {
        QSignalSpy finished(&form, &TFrCalculate::runFinished);
        QTest::mouseClick(form.BtCalculate, Qt::LeftButton);
        return finished.wait(10000) && finished.count() == 1;
    }

    QStringList calls() { return rows(kCompany, "SELECT Task, YearNo FROM CalcCalls"); }
    QStringList activity() {
        return rows(kCompany,
                    "SELECT UserId, MenuId, FunctionListId, DocumentId, Remark FROM UserLog "
                    "ORDER BY Id");
    }

    std::vector<ui::MessageBoxRequest> boxes;
    bool answer = false;
};

QStringList items(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

}  // namespace

TEST_F(RecalcFormTest, YearListComesFromTheServersClock) {
    TFrCalculate_AP form;
    EXPECT_EQ(form.windowTitle(), "คำนวนยอดหนี้เจ้าหนี้");
    form.show();
    EXPECT_EQ(form.windowTitle(), "คำนวน สินค้าคงเหลือ (เมนู)") << "the menu caption at run time";
    EXPECT_EQ(items(form.CbYearNo), QStringList({"2019", "2020", "2021", "2022", "2023", "2024"}));
    EXPECT_EQ(form.CbYearNo->currentText(), "2024");
    EXPECT_TRUE(form.LbMfg->text().isEmpty());
    EXPECT_TRUE(form.CbYearNo->isEnabled());
    EXPECT_TRUE(form.BtCalculate->isEnabled());
    EXPECT_FALSE(form.Timer1->isActive());
}

TEST_F(RecalcFormTest, NewRebuildsTheListFromTheClockEveryTime) {
    TFrCalculate_AP form;
    form.show();
    form.CbYearNo->setCurrentIndex(0);
    writeServerClock("fixed 2026-01-01 00:00:05");
    QTest::keyClick(&form, Qt::Key_F3);
    form.AcNew->trigger();
    EXPECT_EQ(items(form.CbYearNo), QStringList({"2021", "2022", "2023", "2024", "2025", "2026"}));
    EXPECT_EQ(form.CbYearNo->currentText(), "2026") << "the previous choice is not kept";
}

TEST_F(RecalcFormTest, OnlyNewAndExitButtonsShow) {
    TFrCalculate_AR form;
    form.show();
    EXPECT_TRUE(form.AcNew->isVisible());
    EXPECT_FALSE(form.AcDel->isVisible());
    EXPECT_FALSE(form.AcSave->isVisible());
    EXPECT_EQ(form.QCalculate->sqlText(), "Exec Calculate_AR :YearNo");
}

TEST_F(RecalcFormTest, EachTaskRunsItsProcedureForExactlyTheSelectedYear) {
    TFrCalculate_AP ap;
    ap.show();
    ap.CbYearNo->setCurrentText("2021");
    ASSERT_TRUE(runAndWait(ap));
    EXPECT_EQ(ap.LbMfg->text(), "คำนวน เรียบร้อย");
    TFrCalculate_AR ar;
    ar.show();
    ASSERT_TRUE(runAndWait(ar));
    TFrCalculate_OnHand onHand;
    onHand.show();
    onHand.CbYearNo->setCurrentText("2023");
    ASSERT_TRUE(runAndWait(onHand));
    EXPECT_EQ(calls(), QStringList({"AP|2021", "AR|2024", "OnHand|2023"}));
    EXPECT_TRUE(ap.CbYearNo->isEnabled());
    EXPECT_TRUE(ap.BtCalculate->isEnabled());
    EXPECT_FALSE(ap.Timer1->isActive());
}

TEST_F(RecalcFormTest, FailureShowsOneLineAndNoDialog) {
    TFrCalculate_AR form;
    form.show();
    form.CbYearNo->setCurrentText("2020");
    ASSERT_TRUE(runAndWait(form));
    EXPECT_EQ(form.LbMfg->text(), "คำนวน Error !!");
    EXPECT_TRUE(form.CbYearNo->isEnabled());
    EXPECT_TRUE(form.BtCalculate->isEnabled());
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(calls().isEmpty());
    form.CbYearNo->setCurrentText("2022");
    ASSERT_TRUE(runAndWait(form)) << "the user may retry";
    EXPECT_EQ(form.LbMfg->text(), "คำนวน เรียบร้อย");
}

TEST_F(RecalcFormTest, StockRunLogsStartAndStop) {
    cfg->UserId = 1;
    cfg->MenuId = 503;
    TFrCalculate_OnHand form;
    form.show();
    ASSERT_TRUE(runAndWait(form));
    const QStringList log = activity();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0], "1|503|1|0| เริ่ม คำนวน สินค้าคงเหลือ ");
    EXPECT_EQ(log[1], "1|503|1|0| เสร็จ   คำนวนสินค้าคงเหลือ เรียบร้อย ใช้เวลา " +
                          QString::number(form.elapsedSeconds()) + " วินาที ");
    EXPECT_FALSE(DM->DMdata->inTransaction());
}

TEST_F(RecalcFormTest, FailedStockRunLogsOnlyStart) {
    TFrCalculate_OnHand form;
    form.show();
    form.CbYearNo->setCurrentText("2019");
    ASSERT_TRUE(runAndWait(form));
    EXPECT_EQ(form.LbMfg->text(), "คำนวน Error !!");
    const QStringList log = activity();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].endsWith(" เริ่ม คำนวน สินค้าคงเหลือ "));
}

TEST_F(RecalcFormTest, SecondsAreCountedWhileTheStatementRuns) {
    runScript(kCompany, R"(
DROP PROCEDURE Calculate_AP
GO
CREATE PROCEDURE Calculate_AP @YearNo int AS
BEGIN
    DECLARE @n int
    SET @n = 0
    WHILE @n < 1
        SELECT @n = Count(*) FROM CalcCalls WHERE Task = 'release'
END
)");
    TFrCalculate_AP form;
    form.show();
    QSignalSpy finished(&form, &TFrCalculate::runFinished);
    QTest::mouseClick(form.BtCalculate, Qt::LeftButton);
    EXPECT_TRUE(form.isRunning());
    EXPECT_FALSE(form.BtCalculate->isEnabled());
    EXPECT_TRUE(form.Timer1->isActive());
    QTest::qWait(2300);
    EXPECT_TRUE(form.LbMfg->text().startsWith("กำลังคำนวน กรุณารอสักครุ่... "));
    EXPECT_TRUE(form.LbMfg->text().endsWith(" Sec.")) << form.LbMfg->text().toStdString();
    EXPECT_GE(form.elapsedSeconds(), 2);

    answer = true;
    form.close();
    EXPECT_TRUE(form.isVisible()) << "closing is refused while the statement runs";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, ui::MessageBoxRequest::Kind::Plain);

    runScript(kCompany, "INSERT INTO CalcCalls VALUES ('release', 0)");
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(form.LbMfg->text(), "คำนวน เรียบร้อย");
}

TEST_F(RecalcFormTest, StatusBarDoubleClickShowsTheStatementWithItsMarker) {
    TFrCalculate_OnHand form;
    form.show();
    QTest::mouseDClick(form.StatusBar1, Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Exec Calculate_OnHand :YearNo\n");
}

TEST_F(RecalcFormTest, EnterMovesToTheButtonAndEscapeAsksToExit) {
    TFrCalculate_AP form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_EQ(form.focusWidget(), form.CbYearNo);
    QTest::keyClick(form.CbYearNo, Qt::Key_Return);
    EXPECT_EQ(form.focusWidget(), form.BtCalculate);
    EXPECT_TRUE(calls().isEmpty()) << "Enter moves on without starting";
    answer = false;
    QTest::keyClick(form.BtCalculate, Qt::Key_Escape);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, ui::MessageBoxRequest::Kind::Confirmation);
    EXPECT_TRUE(form.isVisible());
}

namespace {

// The window with its New handler at hand, as F3 runs it.
struct StockWindow : TFrCalculate_OnHand {
    using TFrCalculate_OnHand::AcNewExecute;
};

}  // namespace

TEST_F(RecalcFormTest, AnEmptyYearListOffersNoRunUntilNewFillsItAgain) {
    StockWindow form;
    form.show();
    runScript(kCompany, "DROP PROCEDURE ServerTime");
    EXPECT_THROW(form.AcNewExecute(), std::exception);
    EXPECT_EQ(form.CbYearNo->count(), 0);
    EXPECT_FALSE(form.BtCalculate->isEnabled());
    QTest::mouseClick(form.BtCalculate, Qt::LeftButton);
    QTest::qWait(200);
    EXPECT_FALSE(form.isRunning());
    EXPECT_TRUE(activity().isEmpty()) << "no START entry without a year";

    runScript(kCompany,
              "CREATE PROCEDURE ServerTime @ServerTime datetime OUTPUT AS "
              "SET @ServerTime = GetDate()");
    form.AcNewExecute();
    EXPECT_TRUE(form.BtCalculate->isEnabled());
    ASSERT_TRUE(runAndWait(form));
    EXPECT_EQ(calls(), QStringList{"OnHand|2024"});
}

TEST_F(RecalcFormTest, PressesHandledWhileARunStartsMakeNoSecondRun) {
    TFrCalculate_OnHand form;
    form.show();
    // Presses the user made while the first one waited: they are handled wherever the run
    // handles window messages. F3 among them would rebuild the list under the run.
    const QPointF middle = QRectF(form.BtCalculate->rect()).center();
    const QPointF global = form.BtCalculate->mapToGlobal(middle);
    for (int i = 0; i < 2; ++i) {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(
                form.BtCalculate,
                new QMouseEvent(type, middle, global, Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        QCoreApplication::postEvent(&form, new QKeyEvent(QEvent::KeyPress, Qt::Key_F3, {}));
    }
    QSignalSpy finished(&form, &TFrCalculate::runFinished);
    QTest::mouseClick(form.BtCalculate, Qt::LeftButton);
    ASSERT_TRUE(finished.wait(10000));
    QTest::qWait(300);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(calls(), QStringList{"OnHand|2024"});
    EXPECT_EQ(activity().size(), 2);
    EXPECT_EQ(form.LbMfg->text(), "คำนวน เรียบร้อย");
}

TEST_F(RecalcFormTest, ProgressLineShowsTheWholeThaiTextBetweenTheListAndTheButton) {
    TFrCalculate_OnHand form;
    form.show();
    form.LbMfg->setText("กำลังคำนวน กรุณารอสักครุ่... 1234 Sec.");
    EXPECT_GE(form.LbMfg->height(), form.LbMfg->sizeHint().height())
        << "the marks below the letters are cut";
    EXPECT_GE(form.LbMfg->width(), form.LbMfg->sizeHint().width());
    EXPECT_GT(form.LbMfg->geometry().top(), form.CbYearNo->geometry().bottom());
    EXPECT_LT(form.LbMfg->geometry().bottom(), form.BtCalculate->geometry().top());
    EXPECT_LT(form.BtCalculate->geometry().bottom(), form.StatusBar1->geometry().top());
}

TEST_F(RecalcFormTest, FailingLogStepRollsBackShowsTheMessageAndTheRunGoesOn) {
    runScript(kCompany, "DROP PROCEDURE UserAddLogV2");
    TFrCalculate_OnHand form;
    form.show();
    ASSERT_TRUE(runAndWait(form));
    EXPECT_EQ(form.LbMfg->text(), "คำนวน เรียบร้อย") << "the run is not affected";
    EXPECT_EQ(calls(), QStringList{"OnHand|2024"});
    ASSERT_EQ(boxes.size(), 2u) << "one message for START, one for STOP";
    for (const auto& box : boxes) {
        EXPECT_EQ(box.kind, ui::MessageBoxRequest::Kind::Plain);
        EXPECT_TRUE(box.text.contains("UserAddLogV2")) << box.text.toStdString();
    }
    EXPECT_FALSE(DM->DMdata->inTransaction()) << "the log's transaction is rolled back";
}
