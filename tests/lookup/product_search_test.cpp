#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "LookupFixture.h"
#include "db/Query.h"
#include "lookup/Fa_SelectProdAttr.h"
#include "lookup/Fr_SearchProdAttrCode.h"
#include "lookup/U_SearchProduct.h"
#include "ui/BitBtn.h"
#include "ui/Edit.h"

namespace {

const QString kNeedInput = "กรุณาป้อนรหัส หรือ ชื่อบางส่วน เพื่อค้นหา";

class ProductSearchTest : public LookupTest {
protected:
    void search(const QString& code, const QString& name) {
        dialog.ProductCode->setText(code);
        dialog.ProductName->setText(name);
        dialog.ProductName->setFocus();
        press(dialog, Qt::Key_Return);
    }
    // Types begin and end codes into the attribute row of the group (rows ordered by description:
    // ไม่มีรหัส, ยี่ห้อ, สี).
    void range(int row, const QString& begin, const QString& end) {
        db::Query* q = dialog.FaSelectProdAttr1->QProdAttrGroup;
        q->setRecNo(row);
        q->setFieldValue("BeginAttrCode", begin);
        q->setFieldValue("EndAttrCode", end);
    }
    QStringList attributeLines() const {
        return dialog.QSearch->sql().mid(5, dialog.QSearch->sql().size() - 6);
    }

    TF_SearchProduct dialog;
};

TEST_F(ProductSearchTest, ShowingStartsFromTheSameState) {
    open(dialog);
    EXPECT_EQ(dialog.SearchMethod->currentIndex(), 1);
    EXPECT_EQ(dialog.ProductName->text(), "");
    EXPECT_TRUE(dialog.ProductName->hasFocus());
    EXPECT_FALSE(dialog.QSearch->isActive());
    EXPECT_EQ(column(*dialog.FaSelectProdAttr1->DgSelectProdAttr, 0),
              QStringList({"ไม่มีรหัส", "ยี่ห้อ", "สี"}));  // the service group is not listed

    range(1, "01", "");
    search("p0", "สบู่");
    TF_SearchProduct::ProductSortOrder = 1;
    dialog.SearchMethod->setCurrentIndex(0);
    dialog.close();
    EXPECT_EQ(dialog.result(), ui::mrCancel);
    EXPECT_EQ(dialog.SelectedCode, "");

    open(dialog);
    EXPECT_EQ(dialog.ProductCode->text(), "");
    EXPECT_EQ(dialog.ProductName->text(), "");  // ShowLastSearch is not "Y"
    EXPECT_EQ(dialog.SearchMethod->currentIndex(), 1);
    EXPECT_EQ(TF_SearchProduct::ProductSortOrder, 0);
    EXPECT_FALSE(dialog.QSearch->isActive());
    for (const AttrRange& r : dialog.FaSelectProdAttr1->ranges())
        EXPECT_TRUE(r.beginCode.isEmpty() && r.endCode.isEmpty());
}

TEST_F(ProductSearchTest, TheStatementAndTheRowsOfAContainsSearch) {
    open(dialog);
    search("p", "สบู่");
    EXPECT_EQ(dialog.ProductCode->text(), "P");  // typed in upper case
    EXPECT_EQ(dialog.QSearch->sql(),
              QStringList({"Select Id, Code, ThaiName", "From Product",
                           "Where (Code Like 'P%') And (ThaiName Like '%สบู่%')",
                           "And (Blocked <> 'Y')", "And (ProductType <> 'P')", "Order By Code"}));
    // Not blocked, not of type 'P'; the code prefix lets in PC01 too.
    EXPECT_EQ(shown(*dialog.ListData),
              QStringList({"P001|สบู่หอม", "P003|สบู่เหลว", "PC01|ลด 50% สบู่"}));
    EXPECT_TRUE(dialog.ListData->hasFocus());
    EXPECT_EQ(dm->LastSearchText, "สบู่");

    dialog.SearchMethod->setCurrentIndex(0);
    search("", "สบู่");
    EXPECT_EQ(dialog.QSearch->sql()[2], "Where (Code Like '%') And (ThaiName Like 'สบู่%')");
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"P001", "P003"}));
}

TEST_F(ProductSearchTest, BlankInputsShowTheMessageAndSearchNothing) {
    open(dialog);
    search("p", "สบู่");
    search("  ", "   ");
    EXPECT_EQ(messages, QStringList({kNeedInput}));
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"P001", "P003", "PC01"}));  // as it was
    EXPECT_EQ(dm->LastSearchText, "สบู่");  // a search that failed validation changes nothing
    range(1, "01", "03");
    search("", "");
    EXPECT_EQ(messages.size(), 2);  // attribute ranges alone are no input
}

TEST_F(ProductSearchTest, ANameIsUsedAsTypedBlanksIncluded) {
    open(dialog);
    search("", " สบู่");
    EXPECT_EQ(dialog.QSearch->sql()[2], "Where (Code Like '%') And (ThaiName Like '% สบู่%')");
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"PC01"}));
    EXPECT_EQ(dm->LastSearchText, " สบู่");
}

TEST_F(ProductSearchTest, TypedTextIsData) {
    open(dialog);
    search("", "O'Brien");
    EXPECT_EQ(dialog.QSearch->sql()[2], "Where (Code Like '%') And (ThaiName Like '%O''Brien%')");
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"OB01"}));
    search("", "[A]");
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"BR01"}));
    search("", "50%");
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"PC01", "PC02"}));  // % stays a wildcard
    search("", "--x");
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"DX01"}));
    search("OB'", "");
    EXPECT_EQ(dialog.QSearch->sql()[2], "Where (Code Like 'OB''%') And (ThaiName Like '%%')");
    EXPECT_TRUE(column(*dialog.ListData, 0).isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ProductSearchTest, AttributeRangesWithOneEndOnlyAndTwoGroups) {
    open(dialog);
    range(1, "", "02");  // brand up to 02: from the group code itself
    search("", "%");
    EXPECT_EQ(attributeLines(),
              QStringList({"And (Id In (Select Product From ProductAttribute Where (GroupCode "
                           "Between 'BR' And 'BR02')))"}));
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"P001", "P002"}));

    range(1, "02", "");  // brand from 02: up to the group code and character 255
    search("", "%");
    EXPECT_EQ(attributeLines(),
              QStringList({"And (Id In (Select Product From ProductAttribute Where (GroupCode "
                           "Between 'BR02' And 'BR" +
                           QString(QChar(255)) + "')))"}));
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"OB01", "P002", "P003"}));

    range(2, " R ", "R");  // and red: both lines apply
    search("", "%");
    EXPECT_EQ(attributeLines().size(), 2);
    EXPECT_EQ(attributeLines()[1],
              "And (Id In (Select Product From ProductAttribute Where (GroupCode Between 'CLR' "
              "And 'CLR')))");
    EXPECT_EQ(column(*dialog.ListData, 0), QStringList({"P003"}));
}

TEST_F(ProductSearchTest, OkNeedsARowEnterInTheListChooses) {
    open(dialog);
    QTest::mouseClick(dialog.BtOK, Qt::LeftButton);  // before any search
    EXPECT_TRUE(dialog.isVisible());
    search("NOTHING", "");
    dialog.ListData->setFocus();
    press(dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(messages.isEmpty());

    search("P", "");
    dialog.QSearch->setRecNo(1);
    ASSERT_TRUE(dialog.ListData->hasFocus());
    press(dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), ui::mrOk);
    EXPECT_EQ(dialog.SelectedCode, "P002");
    EXPECT_FALSE(dialog.QSearch->isActive());
}

TEST_F(ProductSearchTest, TitleClicksOrderAndSearchEvenWithoutInput) {
    open(dialog);
    search("P", "");
    QHeaderView* header = dialog.ListData->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(TF_SearchProduct::ProductSortOrder, 1);
    EXPECT_EQ(dialog.QSearch->sql().last(), "Order By ThaiName");

    dialog.ProductCode->clear();
    emit dialog.ListData->titleClicked("Code");
    EXPECT_EQ(messages, QStringList({kNeedInput}));
    EXPECT_EQ(TF_SearchProduct::ProductSortOrder, 0);  // changed all the same
    EXPECT_EQ(dialog.QSearch->sql().last(), "Order By ThaiName");
}

TEST_F(ProductSearchTest, TheLastNameSearchedIsOfferedWhenConfigured) {
    setConfig("ShowLastSearch = 'Y'");
    dm->LastSearchText = "แชมพู";  // as the barcode search leaves it
    open(dialog);
    EXPECT_EQ(dialog.ProductName->text(), "แชมพู");
}

// The attribute frame: Enter walks begin, end, next row; the group codes follow what is typed.
class AttributeFrameTest : public ProductSearchTest {
protected:
    TFaSelectProdAttr& frame() { return *dialog.FaSelectProdAttr1; }
    QLineEdit* editor() { return frame().DgSelectProdAttr->cellEditor(); }
};

TEST_F(AttributeFrameTest, EnterWalksTheCodesAndTheMaskTakesTheFieldsSize) {
    open(dialog);
    frame().DgSelectProdAttr->setFocus();
    EXPECT_EQ(frame().DgSelectProdAttr->currentColumn(), 1);
    EXPECT_EQ(frame().DgSelectProdAttr->columns()[1].editMask, ">aaaaaaaaaa;0; ");
    frame().DgSelectProdAttr->setCurrentCell(1, 1);
    ASSERT_NE(editor(), nullptr);
    QTest::keyClicks(editor(), "ab-cdefghijklm");
    EXPECT_EQ(editor()->text(), "ABCDEFGHIJ");
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(frame().DgSelectProdAttr->currentColumn(), 2);
    EXPECT_EQ(frame().ranges()[1].beginCode.trimmed(), "ABCDEFGHIJ");
    EXPECT_EQ(frame().QProdAttrGroup->valueAt(1, 7).toString(), "BRABCDEFGHIJ");
    EXPECT_EQ(frame().QProdAttrGroup->valueAt(1, 8).toString(), "BR" + QString(QChar(255)));
    press(dialog, Qt::Key_Return);
    EXPECT_EQ(frame().DgSelectProdAttr->currentRow(), 2);
    EXPECT_EQ(frame().DgSelectProdAttr->currentColumn(), 1);
    press(dialog, Qt::Key_Return);
    press(dialog, Qt::Key_Return);  // on the last row only the column changes
    EXPECT_EQ(frame().DgSelectProdAttr->currentRow(), 2);
    EXPECT_EQ(frame().DgSelectProdAttr->currentColumn(), 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.QSearch->isActive());  // Enter in the frame never searches
}

TEST_F(AttributeFrameTest, TheCodeSearchPicksACodeIntoTheCell) {
    open(dialog);
    frame().DgSelectProdAttr->setFocus();
    frame().DgSelectProdAttr->setCurrentCell(2, 2);
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto* search = dialog.findChild<TFrSearchProdAttrCode*>();
        ASSERT_NE(search, nullptr);
        listed = column(*search->ListData, 1);
        search->QSearch->setRecNo(listed.indexOf("G"));
        search->ListData->setFocus();
        QTest::keyClick(search->ListData, Qt::Key_Return);
    });
    press(dialog, Qt::Key_F5);
    listed.sort();  // the statement has no order
    EXPECT_EQ(listed, QStringList({"G", "O'", "R"}));
    EXPECT_EQ(frame().ranges()[2].endCode, "G");
    EXPECT_EQ(column(*frame().DgSelectProdAttr, 2)[2], "G");
    EXPECT_EQ(dialog.findChildren<TFrSearchProdAttrCode*>().size(), 0);  // destroyed after use
}

TEST_F(AttributeFrameTest, AGroupWithoutCodesClearsTheCell) {
    open(dialog);
    range(0, "X", "Y");
    frame().DgSelectProdAttr->setFocus();
    frame().DgSelectProdAttr->setCurrentCell(0, 1);
    QTimer::singleShot(0, [&] {
        auto* search = dialog.findChild<TFrSearchProdAttrCode*>();
        ASSERT_NE(search, nullptr);
        EXPECT_TRUE(shown(*search->ListData).isEmpty());
        QTest::mouseClick(search->BtOk, Qt::LeftButton);
    });
    frame().DgSelectProdAttrEditButtonClick();
    EXPECT_EQ(frame().ranges()[0].beginCode, "");
    EXPECT_EQ(frame().ranges()[0].endCode, "Y");
}

// The attribute code search on its own.
class AttributeCodeSearchTest : public LookupTest {
protected:
    void find(const QString& text, bool fullWord) {
        search.Description->setFocus();
        search.Description->setText(text);
        search.FullWord->setChecked(fullWord);
        press(search, Qt::Key_Return);
    }
    TFrSearchProdAttrCode search;
};

TEST_F(AttributeCodeSearchTest, ListsTheGroupsCodesByDescription) {
    search.ProdAttrGroupId = 1;
    open(search);
    EXPECT_EQ(search.QSearch->sql(), QStringList({"Select Id,Code,Description From ProdAttrCode",
                                                  "Where ProdAttrGroup = 1"}));
    EXPECT_EQ(shown(*search.ListData).size(), 4);
    EXPECT_TRUE(search.Description->hasFocus());

    find(" นก ", false);
    EXPECT_EQ(search.QSearch->sql()[2], "And Description Like '%นก%'");
    EXPECT_EQ(column(*search.ListData, 1), QStringList({"01", "02", "03"}));
    EXPECT_TRUE(search.ListData->hasFocus());
    find("นก", true);
    EXPECT_EQ(search.QSearch->sql()[2], "And Description = 'นก'");
    EXPECT_EQ(column(*search.ListData, 1), QStringList({"03"}));

    search.ProdAttrGroupId = 2;
    find("ส้ม'ออก", false);
    EXPECT_EQ(search.QSearch->sql()[2], "And Description Like '%ส้ม''ออก%'");
    EXPECT_EQ(column(*search.ListData, 1), QStringList({"O'"}));
    find("[แดง]", false);
    EXPECT_TRUE(column(*search.ListData, 1).isEmpty());
    find("--x", true);
    EXPECT_TRUE(column(*search.ListData, 1).isEmpty());

    find("ส้ม'ออกแดง", true);
    press(search, Qt::Key_Return);  // in the list: choose
    EXPECT_EQ(search.result(), ui::mrOk);
    EXPECT_EQ(search.SelectedCode, "O'");

    open(search);
    EXPECT_FALSE(search.FullWord->isChecked());
    press(search, Qt::Key_Escape);
    EXPECT_EQ(search.result(), ui::mrCancel);
    EXPECT_EQ(search.SelectedCode, "");
}

}  // namespace
