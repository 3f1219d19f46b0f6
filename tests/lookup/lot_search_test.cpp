#include <QComboBox>
#include <QHeaderView>
#include <QTest>

#include "LookupFixture.h"
#include "db/Query.h"
#include "lookup/Fr_SearchLotNo.h"
#include "ui/DateEdit.h"
#include "ui/Edit.h"

namespace {

class LotSearchTest : public LookupTest {
protected:
    void SetUp() override {
        LookupTest::SetUp();
        ui::Application::instance()->setOnException(
            [this](const std::exception& e) { errors << QString::fromUtf8(e.what()); });
    }
    void TearDown() override {
        ui::Application::instance()->setOnException(nullptr);
        LookupTest::TearDown();
    }
    // Chooses the comparison and types the date, then presses Enter in the code box.
    void searchByDate(int condition, const QString& date) {
        dialog.DateCondition->setCurrentIndex(condition);
        dialog.ExpiredDate->setText(date);
        dialog.Code->setFocus();
        press(dialog, Qt::Key_Return);
    }
    QString dateLine() const { return dialog.QSearch->sql()[3]; }

    TFrSearchLotNo dialog;
    QStringList errors;
};

TEST_F(LotSearchTest, ShowingStartsEmptyWithoutADateCondition) {
    dialog.Code->setText("L");
    TFrSearchLotNo::LotSortOrder = 3;
    open(dialog);
    EXPECT_EQ(dialog.DateCondition->currentText(), "-");
    EXPECT_FALSE(dialog.ExpiredDate->isEnabled());
    EXPECT_EQ(dialog.Code->text(), "");
    EXPECT_EQ(TFrSearchLotNo::LotSortOrder, 1);
    EXPECT_TRUE(dialog.Code->hasFocus());
    EXPECT_FALSE(dialog.QSearch->isActive());
    dialog.DateCondition->setCurrentIndex(0);
    EXPECT_TRUE(dialog.ExpiredDate->isEnabled());
    dialog.DateCondition->setCurrentIndex(3);
    EXPECT_FALSE(dialog.ExpiredDate->isEnabled());
}

TEST_F(LotSearchTest, TabWalksTheControlsInTheirOrder) {
    EXPECT_EQ(tabOrder(dialog), QStringList({"Code", "Description", "ExpiredDate", "BSearch",
                                             "DgSearch", "BtSelect", "BtCancel", "DateCondition"}));
}

TEST_F(LotSearchTest, PrefixesAndNoDateConditionListByNumber) {
    open(dialog);
    dialog.ExpiredDate->setText("01/01/2000");  // ignored while "-" is chosen
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.QSearch->sql(),
              QStringList({"SELECT Id,Code, Description, ExpiredDate, HasExpired", "FROM LotNo",
                           "WHERE (Code Like :GetCode) And ", "", "(Description Like :GetDesc)",
                           "ORDER BY Code"}));
    EXPECT_EQ(dialog.QSearch->paramByName("GetCode").asString(), "%");
    EXPECT_EQ(column(*dialog.DgSearch, 0),
              QStringList({"L-2025", "L-JUNE", "L-NEVER", "L-NULL", "O'LOT"}));
    EXPECT_EQ(shown(*dialog.DgSearch)[1], "L-JUNE|หมดมิถุนา|30/06/2024");
    EXPECT_TRUE(dialog.DgSearch->hasFocus());

    dialog.Code->setFocus();
    dialog.Code->setText("O'");
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.QSearch->paramByName("GetCode").asString(), "O'%");
    EXPECT_EQ(column(*dialog.DgSearch, 0), QStringList({"O'LOT"}));
}

TEST_F(LotSearchTest, LotsThatNeverExpirePassEveryComparison) {
    open(dialog);
    searchByDate(0, "30/06/2024");
    EXPECT_EQ(dateLine(), "((ExpiredDate <='06/30/2024') Or (HasExpired = 'N')) And ");
    EXPECT_EQ(column(*dialog.DgSearch, 0), QStringList({"L-JUNE", "L-NEVER", "L-NULL", "O'LOT"}));
    searchByDate(1, "31/12/2025");
    EXPECT_EQ(dateLine(), "((ExpiredDate ='12/31/2025') Or (HasExpired = 'N')) And ");
    EXPECT_EQ(column(*dialog.DgSearch, 0), QStringList({"L-2025", "L-NEVER", "O'LOT"}));
    searchByDate(2, "01/07/2024");
    EXPECT_EQ(dateLine(), "((ExpiredDate >='07/01/2024') Or (HasExpired = 'N')) And ");
    EXPECT_EQ(column(*dialog.DgSearch, 0), QStringList({"L-2025", "L-NEVER", "O'LOT"}));
}

TEST_F(LotSearchTest, AnEmptyDateBoxIsTheZeroDateAndABadOneReachesTheHandler) {
    open(dialog);
    searchByDate(2, "");
    EXPECT_EQ(dateLine(), "((ExpiredDate >='12/30/1899') Or (HasExpired = 'N')) And ");
    EXPECT_EQ(column(*dialog.DgSearch, 0).size(), 5);

    dialog.ExpiredDate->setFocus();
    dialog.ExpiredDate->setText("31/02/2024");
    dialog.Code->setFocus();
    QTest::qWait(20);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("is not a valid date"));
    EXPECT_TRUE(dialog.ExpiredDate->hasFocus());
}

TEST_F(LotSearchTest, ATitleClickOrdersTheNextSearchOnly) {
    open(dialog);
    press(dialog, Qt::Key_Return);
    const QStringList byCode = column(*dialog.DgSearch, 0);
    QHeaderView* header = dialog.DgSearch->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(TFrSearchLotNo::LotSortOrder, 3);
    EXPECT_EQ(column(*dialog.DgSearch, 0), byCode);
    EXPECT_EQ(dialog.QSearch->sql()[5], "ORDER BY Code");

    dialog.Code->setFocus();
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.QSearch->sql()[5], "ORDER BY ExpiredDate");
    EXPECT_EQ(column(*dialog.DgSearch, 0).first(), "O'LOT");  // no date first
    emit dialog.DgSearch->titleClicked("Description");
    dialog.Code->setFocus();
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.QSearch->sql()[5], "ORDER BY Description");
}

TEST_F(LotSearchTest, EnterInTheListChoosesAnEmptyListGivesAnEmptyNumber) {
    open(dialog);
    dialog.Code->setText("L-N");
    press(dialog, Qt::Key_Return);
    dialog.QSearch->last();
    ASSERT_TRUE(dialog.DgSearch->hasFocus());
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), ui::mrOk);
    EXPECT_EQ(dialog.SelectedCode, "L-NULL");
    EXPECT_EQ(dialog.SelectedLotId, 3);
    EXPECT_FALSE(dialog.QSearch->isActive());

    open(dialog);
    dialog.Code->setText("NONE");
    press(dialog, Qt::Key_Return);
    emit dialog.DgSearch->dblClick();
    EXPECT_EQ(dialog.result(), ui::mrOk);
    EXPECT_EQ(dialog.SelectedCode, "");
    EXPECT_EQ(dialog.SelectedLotId, 3);  // kept from the last choice

    open(dialog);
    press(dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), ui::mrCancel);
    EXPECT_EQ(dialog.SelectedCode, "");
}

}  // namespace
