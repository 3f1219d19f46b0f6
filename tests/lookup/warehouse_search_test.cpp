#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "LookupFixture.h"
#include "db/Query.h"
#include "lookup/U_SearchWareHouse.h"
#include "ui/BitBtn.h"

namespace {

const QString kDummy = " (WareGroup Not In (Select Id From Misc Where Code = 'DUMMY') )";

class WarehouseSearchTest : public LookupTest {
protected:
    // Types the text and presses Enter in the search box.
    void search(const QString& text) {
        dialog.SearchText->setFocus();
        dialog.SearchText->setText(text);
        QTest::keyClick(dialog.SearchText, Qt::Key_Return);
    }
    TF_SearchWareHouse dialog;
};

TEST_F(WarehouseSearchTest, DefaultInputsListEveryRowButTheDummyGroupAtOnce) {
    open(dialog);
    EXPECT_EQ(dialog.QSearch->sql(), QStringList({"select code,name from warehouse ",
                                                  " Where" + kDummy, " order by code "}));
    // Blocked ones, storage locations and rows without a group (not in any) are listed.
    EXPECT_EQ(column(*dialog.DisplayGrid, 0),
              QStringList({"[A]1", "A1", "BRANCH", "MAIN", "OBRIEN", "SALE", "SHELF-A"}));
    EXPECT_EQ(dialog.windowTitle(), "ค้นหาตำแหน่งเก็บ");
    EXPECT_TRUE(dialog.DisplayGrid->hasFocus());
}

TEST_F(WarehouseSearchTest, ATextOpensTheWhereClauseAndMatchesCodeOrNameAnywhere) {
    open(dialog);
    search("  หลัก ");
    EXPECT_EQ(dialog.QSearch->sql(),
              QStringList({"select code,name from warehouse ",
                           " where ( (code like '%หลัก%') or       (name like '%หลัก%') ) ",
                           " And" + kDummy, " order by code "}));
    EXPECT_EQ(shown(*dialog.DisplayGrid), QStringList({"MAIN|คลังหลัก"}));
    search("a");
    EXPECT_EQ(column(*dialog.DisplayGrid, 0),
              QStringList({"[A]1", "A1", "BRANCH", "MAIN", "SALE", "SHELF-A"}));
}

TEST_F(WarehouseSearchTest, TypedTextIsMatchedAsTyped) {
    open(dialog);
    search("O'Brien");
    EXPECT_EQ(dialog.QSearch->sql()[1],
              " where ( (code like '%O''Brien%') or       (name like '%O''Brien%') ) ");
    EXPECT_EQ(column(*dialog.DisplayGrid, 0), QStringList({"OBRIEN"}));
    search("[A]");
    EXPECT_EQ(column(*dialog.DisplayGrid, 0), QStringList({"[A]1"}));
    search("50%");
    EXPECT_EQ(column(*dialog.DisplayGrid, 0), QStringList({"SALE"}));
    search("--x");  // its row has no group, so the group condition leaves it out
    EXPECT_TRUE(column(*dialog.DisplayGrid, 0).isEmpty());
    dialog.IncludeDummy = true;
    search("--x");
    EXPECT_EQ(column(*dialog.DisplayGrid, 0), QStringList({"DASH"}));
}

TEST_F(WarehouseSearchTest, ActiveOnlyAndLocationModesBuildTheirPieces) {
    dialog.ActiveOnly = true;
    dialog.LocationMode = 1;
    open(dialog);
    EXPECT_EQ(
        dialog.QSearch->sql(),
        QStringList({"select code,name from warehouse where Coalesce(blocked,'N') = 'N' ",
                     " and  (Coalesce(IsLocation,'N')='N') ", " And" + kDummy, " order by code "}));
    EXPECT_EQ(column(*dialog.DisplayGrid, 0),
              QStringList({"[A]1", "A1", "MAIN", "OBRIEN", "SALE"}));

    dialog.ActiveOnly = false;
    dialog.LocationMode = 2;
    search("");
    EXPECT_EQ(dialog.QSearch->sql(), QStringList({"select code,name from warehouse ",
                                                  " where (Coalesce(IsLocation,'N')='Y') ",
                                                  " And" + kDummy, " order by code "}));
    EXPECT_EQ(column(*dialog.DisplayGrid, 0), QStringList({"SHELF-A"}));
}

TEST_F(WarehouseSearchTest, TheUserRestrictionComesOnlyWithActiveOnly) {
    setConfig("CheckUserWarehouseFlag = 'Y'");
    open(dialog);
    EXPECT_EQ(dialog.QSearch->sql().size(), 3);
    EXPECT_EQ(column(*dialog.DisplayGrid, 0).size(), 7);

    dialog.ActiveOnly = true;
    search("");
    EXPECT_EQ(dialog.QSearch->sql(),
              QStringList({"select code,name from warehouse where Coalesce(blocked,'N') = 'N' ",
                           " And Id In (Select Warehouse From UserWarehouse Where UserName = 7 )",
                           " And" + kDummy, " order by code "}));
    EXPECT_EQ(column(*dialog.DisplayGrid, 0), QStringList({"MAIN", "SHELF-A"}));
}

TEST_F(WarehouseSearchTest, ChoosingCancellingAndTheGridKeys) {
    open(dialog);
    dialog.QSearch->setRecNo(3);
    dialog.DisplayGrid->setFocus();
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), ui::mrOk);
    EXPECT_EQ(dialog.SelectedCode, "MAIN");
    EXPECT_FALSE(dialog.QSearch->isActive());

    open(dialog);
    dialog.SearchText->setFocus();
    press(dialog, Qt::Key_Escape);  // no form-level keys: Esc in the box does nothing
    EXPECT_TRUE(dialog.isVisible());
    dialog.DisplayGrid->setFocus();
    press(dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), ui::mrCancel);
    EXPECT_EQ(dialog.SelectedCode, "");

    open(dialog);
    search("nothing like it");
    QTest::mouseClick(dialog.Bok, Qt::LeftButton);  // an empty list still answers OK
    EXPECT_EQ(dialog.result(), ui::mrOk);
    EXPECT_EQ(dialog.SelectedCode, "");
}

TEST_F(WarehouseSearchTest, UsersOfOtherLanguagesGetEnglishCaptions) {
    cfg->ThaiLanguage = false;
    open(dialog);
    EXPECT_EQ(dialog.DisplayGrid->columnTitle(0), "WH Code");
    EXPECT_EQ(dialog.DisplayGrid->columnTitle(1), "WareHouse Description");
    EXPECT_EQ(dialog.BSearch->text(), "Search");
    EXPECT_EQ(dialog.Bok->text(), "Choose");
    EXPECT_EQ(dialog.BCancel->text(), "Cancel");
    EXPECT_EQ(dialog.windowTitle(), "ค้นหาตำแหน่งเก็บ");
}

}  // namespace
