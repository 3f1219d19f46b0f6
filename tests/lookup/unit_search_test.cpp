#include <QTest>

#include "LookupFixture.h"
#include "db/Query.h"
#include "lookup/Fr_SearchUnit.h"
#include "ui/BitBtn.h"

namespace {

class UnitSearchTest : public LookupTest {
protected:
    TFrSearchUnit dialog;
};

TEST_F(UnitSearchTest, ListsTheRequestedRolesSmallestFirstWithTheFixedStatement) {
    dialog.ProductId = 1;
    dialog.ForPurc = true;
    open(dialog);
    EXPECT_EQ(
        dialog.QSearchUnit->sql(),
        QStringList({"SELECT U.UnitName, U.Fraction, U.Barcode", "FROM ProductUnits U",
                     "Where (U.Product = :GetPart) And",
                     "  ((U.PurcFlag Like :ForPurc) Or (U.SaleFlag Like :ForSale) Or",
                     "  (U.StockUnitFlag Like :ForStock) Or (U.SmallUnitFlag Like :ForSmall))",
                     "Order By U.Fraction", "/* Don't Move SQL Line */", " ", " "}));
    EXPECT_EQ(dialog.QSearchUnit->paramByName("GetPart").asInteger(), 1);
    EXPECT_EQ(dialog.QSearchUnit->paramByName("ForPurc").asString(), "Y%");
    EXPECT_EQ(dialog.QSearchUnit->paramByName("ForSale").asString(), "X%");
    EXPECT_EQ(dialog.QSearchUnit->paramByName("ForStock").asString(), "X%");
    EXPECT_EQ(dialog.QSearchUnit->paramByName("ForSmall").asString(), "X%");
    EXPECT_EQ(shown(*dialog.DgSearch), QStringList({"ชิ้น|1|8850000000011", "ลัง|144|"}));
    EXPECT_EQ(dialog.DgSearch->columnTitle(2), "Barcode");  // no caption: the field name
    EXPECT_TRUE(dialog.DgSearch->hasFocus());
}

TEST_F(UnitSearchTest, AUnitOfTwoRequestedRolesIsListedOnce) {
    dialog.ProductId = 1;
    dialog.ForPurc = true;
    dialog.ForSale = true;
    open(dialog);
    EXPECT_EQ(column(*dialog.DgSearch, 0), QStringList({"ชิ้น", "โหล", "ลัง"}));
}

TEST_F(UnitSearchTest, NoRoleRequestedListsNothingAndChoosingIsACancellation) {
    dialog.ProductId = 1;
    open(dialog);
    EXPECT_TRUE(shown(*dialog.DgSearch).isEmpty());
    press(dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), ui::mrCancel);
    EXPECT_EQ(dialog.SelectedUnitName, "");
}

TEST_F(UnitSearchTest, EnterOrDoubleClickChoosesTheCurrentRowEscapeCancels) {
    dialog.ProductId = 1;
    dialog.ForStock = true;
    dialog.ForSmall = true;
    open(dialog);
    dialog.QSearchUnit->last();
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), ui::mrOk);
    EXPECT_EQ(dialog.SelectedUnitName, "โหล");

    open(dialog);
    EXPECT_EQ(dialog.SelectedUnitName, "");  // emptied at every showing
    emit dialog.DgSearch->dblClick();
    EXPECT_EQ(dialog.result(), ui::mrOk);
    EXPECT_EQ(dialog.SelectedUnitName, "ชิ้น");

    open(dialog);
    press(dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), ui::mrCancel);
    EXPECT_EQ(dialog.SelectedUnitName, "");
}

TEST_F(UnitSearchTest, UsersOfOtherLanguagesGetEnglishCaptions) {
    dialog.ProductId = 1;
    open(dialog);
    EXPECT_EQ(dialog.windowTitle(), "ค้นหาหน่วยนับ");
    EXPECT_EQ(dialog.BtSelected->text(), "เลือก");
    EXPECT_EQ(dialog.DgSearch->columnTitle(1), "อัตราส่วนหน่วยย่อย");
    dialog.close();

    cfg->ThaiLanguage = false;
    open(dialog);
    EXPECT_EQ(dialog.windowTitle(), "Search Product Unit");
    EXPECT_EQ(dialog.BtSelected->text(), "Choose");
    EXPECT_EQ(dialog.BtCancel->text(), "Cancel");
    EXPECT_EQ(dialog.DgSearch->columnTitle(0), "Unit Name");
    EXPECT_EQ(dialog.DgSearch->columnTitle(1), "Pack Qnty");
    EXPECT_EQ(dialog.DgSearch->columnTitle(2), "BarCode");
}

}  // namespace
