#include <QTest>
#include <QTimer>

#include "LookupFixture.h"
#include "db/Query.h"
#include "lookup/Fr_SearchBarCode.h"
#include "lookup/Fr_SearchLotNo.h"
#include "lookup/Fr_SearchUnit.h"
#include "lookup/U_SearchProduct.h"
#include "lookup/U_SearchWareHouse.h"
#include "product/Dm_Product.h"
#include "ui/Edit.h"

namespace {

// The product services' lookups, each answered by `step` once its dialog is up.
class EntryPointTest : public LookupTest {
protected:
    void SetUp() override {
        LookupTest::SetUp();
        product = std::make_unique<TDmProduct>();
    }
    void TearDown() override {
        product.reset();
        LookupTest::TearDown();
    }
    template <class Dialog>
    void whenShown(std::function<void(Dialog&)> step) {
        QTimer::singleShot(0, [step] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            step(*dialog);
            if (dialog->isVisible())  // a step that left it open fails, but ends the showing
                dialog->reject();
        });
    }
    static void cancel(ui::Dialog& dialog) {
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
    }

    std::unique_ptr<TDmProduct> product;
};

TEST_F(EntryPointTest, AChoiceIsCopiedIntoSearchResult) {
    whenShown<TF_SearchProduct>([](TF_SearchProduct& d) {
        d.ProductName->setText("หอม");
        QTest::keyClick(d.ProductName, Qt::Key_Return);
        QTest::keyClick(d.ListData, Qt::Key_Return);
    });
    EXPECT_TRUE(product->SearchProduct());
    EXPECT_EQ(product->SearchResult, "P001");

    whenShown<TFrSearchBarCode>([](TFrSearchBarCode& d) {
        d.Code->setText("8850000000031");
        QTest::keyClick(d.Name, Qt::Key_Return);
        QTest::keyClick(d.DgSearch, Qt::Key_Return);
    });
    EXPECT_TRUE(product->SearchProductBarCode());
    EXPECT_EQ(product->SearchResult, "8850000000031");

    whenShown<TFrSearchLotNo>([](TFrSearchLotNo& d) {
        d.Code->setText("L-2");
        QTest::keyClick(d.Code, Qt::Key_Return);
        QTest::keyClick(d.DgSearch, Qt::Key_Return);
    });
    EXPECT_TRUE(product->SearchLotNo());
    EXPECT_EQ(product->SearchResult, "L-2025");
    EXPECT_EQ(FrSearchLotNo->SelectedLotId, 4);

    whenShown<TF_SearchWareHouse>(
        [](TF_SearchWareHouse& d) { QTest::keyClick(d.DisplayGrid, Qt::Key_Return); });
    EXPECT_TRUE(product->SearchWarehouse());
    EXPECT_EQ(product->SearchResult, "[A]1");
}

TEST_F(EntryPointTest, TheUnitSearchListsPurchaseUnitsOfTheProduct) {
    QStringList listed;
    whenShown<TFrSearchUnit>([&](TFrSearchUnit& d) {
        listed = column(*d.DgSearch, 0);
        d.QSearchUnit->last();
        QTest::keyClick(d.DgSearch, Qt::Key_Return);
    });
    EXPECT_TRUE(product->SearchUnitName(nullptr, 1));
    EXPECT_EQ(listed, QStringList({"ชิ้น", "ลัง"}));
    EXPECT_EQ(product->SearchResult, "ลัง");
    EXPECT_TRUE(FrSearchUnit->ForPurc);
    EXPECT_FALSE(FrSearchUnit->ForSale || FrSearchUnit->ForStock || FrSearchUnit->ForSmall);
}

TEST_F(EntryPointTest, CancellingAnswersFalseWithAnEmptyResultAndInstancesAreReused) {
    product->SearchResult = "left from before";
    whenShown<TF_SearchProduct>(cancel);
    EXPECT_FALSE(product->SearchProduct());
    EXPECT_EQ(product->SearchResult, "");
    TF_SearchProduct* first = F_SearchProduct;
    whenShown<TF_SearchProduct>(cancel);
    EXPECT_FALSE(product->SearchProduct());
    EXPECT_EQ(F_SearchProduct, first);

    product->SearchResult = "x";
    whenShown<TFrSearchBarCode>(cancel);
    EXPECT_FALSE(product->SearchProductBarCode());
    EXPECT_EQ(product->SearchResult, "");

    product->SearchResult = "x";
    whenShown<TFrSearchLotNo>(cancel);
    EXPECT_FALSE(product->SearchLotNo());
    EXPECT_EQ(product->SearchResult, "");

    product->SearchResult = "x";
    whenShown<TFrSearchUnit>(cancel);
    EXPECT_FALSE(product->SearchUnitName(nullptr, 1));
    EXPECT_EQ(product->SearchResult, "");
    TFrSearchUnit* unitSearch = FrSearchUnit;
    whenShown<TFrSearchUnit>(cancel);
    product->SearchUnitName(nullptr, 2);
    EXPECT_EQ(FrSearchUnit, unitSearch);
    EXPECT_EQ(FrSearchUnit->ProductId, 2);

    // The warehouse search shows with its inputs as they are: nothing here sets them.
    product->SearchResult = "x";
    QStringList sql;
    whenShown<TF_SearchWareHouse>([&](TF_SearchWareHouse& d) {
        sql = d.QSearch->sql();
        QTest::keyClick(d.DisplayGrid, Qt::Key_Escape);
    });
    EXPECT_FALSE(product->SearchWarehouse());
    EXPECT_EQ(product->SearchResult, "");
    EXPECT_EQ(sql.first(), "select code,name from warehouse ");
    EXPECT_FALSE(F_SearchWareHouse->ActiveOnly || F_SearchWareHouse->IncludeDummy);
    EXPECT_EQ(F_SearchWareHouse->LocationMode, 0);

    // The dialogs are forms of the application, not its main window.
    EXPECT_NE(ui::Application::instance()->mainForm(), F_SearchProduct);
}

}  // namespace
