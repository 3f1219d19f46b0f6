#include <QComboBox>
#include <QHeaderView>
#include <QTest>

#include <sqlite3.h>

#include "LookupFixture.h"
#include "db/ParamScanner.h"
#include "db/Query.h"
#include "lookup/Fr_SearchBarCode.h"
#include "tsql/Collation.h"
#include "tsql/Functions.h"
#include "tsql/Session.h"
#include "ui/BitBtn.h"
#include "ui/Edit.h"

namespace {

class BarcodeSearchTest : public LookupTest {
protected:
    void SetUp() override {
        LookupTest::SetUp();
        TFrSearchBarCode::BarCodeSortOrder = 0;
    }
    void search(const QString& code, const QString& name) {
        dialog.Code->setText(code);
        dialog.Name->setText(name);
        dialog.Name->setFocus();
        press(dialog, Qt::Key_Return);
    }
    QStringList barcodes() { return column(*dialog.DgSearch, 0); }

    TFrSearchBarCode dialog;
};

TEST_F(BarcodeSearchTest, AnEmptySearchListsEveryBarcodeOfProductsNotBlocked) {
    open(dialog);
    EXPECT_EQ(dialog.SearchMethod->currentIndex(), 1);  // the configured method
    search("", "");
    EXPECT_TRUE(messages.isEmpty());
    const QStringList sql = dialog.QSearch->sql();
    ASSERT_EQ(sql.size(), 37);
    EXPECT_EQ(sql[0], "Select\tU.Id, U.BarCode, U.Product, U.UnitName, P.Code, P.ThaiName,");
    EXPECT_EQ(sql[30], "Where (U.BarCode Like :GetCode) And (P.ThaiName Like :GetName) And");
    EXPECT_EQ(sql[31], "Not (U.BarCode Is Null) And (U.BarCode <> '') And (P.Blocked <> 'Y') ");
    EXPECT_EQ(sql[32], "");
    EXPECT_EQ(sql[33], "Order By U.BarCode");
    EXPECT_EQ(sql[35], "/* SQL [31] ห้ามย้ายบรรทัด */");
    EXPECT_EQ(dialog.QSearch->paramByName("GetCode").asString(), "%");
    EXPECT_EQ(dialog.QSearch->paramByName("GetName").asString(), "%%");
    // No null or empty barcode, no blocked product (P010); P011's Blocked NULL has no unit.
    EXPECT_EQ(barcodes(), QStringList({"[A]0005", "8850000000011", "8850000000012", "8850000000031",
                                       "8850000000041", "8850000000071", "8850000000081",
                                       "8850000000091", "8850000000121", "A0006"}));
    EXPECT_TRUE(dialog.DgSearch->hasFocus());
}

// SQLite's plan for the search statement as the engine translates it, one detail a line.
QString searchPlan(const QString& dir, const QString& statement) {
    const db::ScannedSql scanned = db::scanParams(statement);
    std::vector<db::BoundValue> params;
    for (qsizetype k = 0; k < scanned.occurrences.size(); ++k)
        params.push_back({db::FieldType::String, QStringLiteral("%")});
    const QStringList sql = tsql::Session(dir, kCompany).translation(scanned.text, params);
    sqlite3* raw = nullptr;
    sqlite3_open((dir + "/" + kCompany + ".sqlite").toUtf8().constData(), &raw);
    tsql::registerCollation(raw);
    tsql::registerFunctions(raw, nullptr);
    sqlite3_stmt* st = nullptr;
    const QByteArray plan = "EXPLAIN QUERY PLAN " + sql.value(0).toUtf8();
    QString detail = sqlite3_prepare_v2(raw, plan.constData(), -1, &st, nullptr) == SQLITE_OK
                         ? QString()
                         : QString::fromUtf8(sqlite3_errmsg(raw));
    while (st && sqlite3_step(st) == SQLITE_ROW)
        detail +=
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3))) + '\n';
    sqlite3_finalize(st);
    sqlite3_close(raw);
    return detail;
}

// Every row lists the unit of its product's smallest fraction twice: both lookups read one
// index entry instead of every unit of the product.
TEST_F(BarcodeSearchTest, TheSmallestUnitOfEachRowIsReadFromAnIndex) {
    open(dialog);
    search("", "");
    const QString plan = searchPlan(dir.path(), dialog.QSearch->sqlText());
    EXPECT_EQ(plan.count(QStringLiteral("COVERING INDEX ProductUnits.ProductUnitsIndexFraction")),
              4)
        << plan.toStdString();
}

// In each of its sort orders the search reads the rows in an index's order, so the list shows its
// first rows without every unit being listed and sorted first.
TEST_F(BarcodeSearchTest, EverySortOrderReadsInAnIndexsOrder) {
    open(dialog);
    for (int order = 0; order < 3; ++order) {
        TFrSearchBarCode::BarCodeSortOrder = order;
        search("", "");
        const QString plan = searchPlan(dir.path(), dialog.QSearch->sqlText());
        EXPECT_FALSE(plan.contains(QStringLiteral("TEMP B-TREE FOR ORDER BY")))
            << dialog.QSearch->sql().value(33).toStdString() << "\n"
            << plan.toStdString();
    }
}

TEST_F(BarcodeSearchTest, StockAndBackorderTextsSitInHiddenColumns) {
    open(dialog);
    search("8850000000011", "");
    EXPECT_EQ(shown(*dialog.DgSearch), QStringList({"8850000000011|P001|สบู่หอม|ชิ้น"}));
    EXPECT_TRUE(dialog.DgSearch->isColumnHidden(4));
    EXPECT_TRUE(dialog.DgSearch->isColumnHidden(5));
    EXPECT_EQ(dialog.DgSearch->columnTitle(4), "คงเหลือ");
    // 1200 + 34.5 in the server's year; 3 dozens on order less 6 pieces invoiced.
    EXPECT_EQ(dialog.QSearch->fieldByName("OnHand").asString(), "1,234.5000  ชิ้น");
    EXPECT_EQ(dialog.QSearch->fieldByName("Backorder").asString(), "30.0000  ชิ้น");
}

TEST_F(BarcodeSearchTest, NamesAndCodesAreMatchedAsTyped) {
    open(dialog);
    dialog.SearchMethod->setCurrentIndex(0);
    search(" 885 ", " สบู่ ");
    EXPECT_EQ(dialog.QSearch->paramByName("GetCode").asString(), "885%");
    EXPECT_EQ(dialog.QSearch->paramByName("GetName").asString(), "สบู่%");
    EXPECT_EQ(barcodes(),
              QStringList({"8850000000011", "8850000000012", "8850000000031", "8850000000121"}));
    EXPECT_EQ(dm->LastSearchText, " สบู่ ");

    dialog.SearchMethod->setCurrentIndex(1);
    search("", "O'Brien");
    EXPECT_EQ(barcodes(), QStringList({"8850000000041"}));
    search("[A]", "");
    EXPECT_EQ(barcodes(), QStringList({"[A]0005"}));
    search("", "50%");
    EXPECT_EQ(barcodes(), QStringList({"8850000000071", "8850000000081"}));
    search("", "--x");
    EXPECT_EQ(barcodes(), QStringList({"8850000000091"}));
}

TEST_F(BarcodeSearchTest, CallerFiltersInTheirOrder) {
    open(dialog);
    dialog.VendorId = -1;
    dialog.ProductTypeFilter = "s";  // only "S" exactly
    search("", "");
    EXPECT_EQ(dialog.QSearch->sql()[32], "");

    dialog.VendorId = 2;
    dialog.ActiveBuyingOnly = true;
    dialog.SmallUnitOnly = true;
    dialog.HasPurchasePrice = true;
    dialog.HasComponents = true;
    dialog.ProductTypeFilter = "S";
    dialog.ExcludeConsignment = true;
    dialog.IncludeBlocked = true;
    search("", "");
    EXPECT_EQ(dialog.QSearch->sql()[31], "Not (U.BarCode Is Null) And (U.BarCode <> '') ");
    EXPECT_EQ(
        dialog.QSearch->sql()[32],
        " And P.Id In (Select Product From ProductVendorOther Where Vendor = 2)"
        " And P.BuyingCode = 'Active'"
        " And U.SmallUnitFlag = 'Y' And U.Fraction = (Select Min(X.Fraction) From ProductUnits X "
        "Where X.Product = P.Id)"
        " And( (P.ItemClassify = 'PM') Or(Coalesce(U.PurcPriceBaht, 0.00) > 0) "
        "Or(Coalesce(U.PurcPriceKip, 0.00) > 0) Or(Coalesce(U.PurcPriceUsd, 0.00) > 0) )"
        " And ((Select Count(HX.Id) From ProductComponentHd HX Inner Join ProductComponentDt DX On "
        "(DX.ProductComponentHd = HX.Id) Where HX.ProductUnits = U.Id) > 0)"
        " And P.ProductType = 'S'"
        " And ( Coalesce((Select Coalesce(X.TradeTerm, '') From Vendor X Where X.Id = P.Vendor), "
        "'') <> 'Consignment' )");
    EXPECT_TRUE(barcodes().isEmpty());

    // One filter at a time, against the data.
    auto only = [&](auto set) {
        dialog.VendorId = 0;
        dialog.ActiveBuyingOnly = dialog.SmallUnitOnly = dialog.HasPurchasePrice = false;
        dialog.HasComponents = dialog.ExcludeConsignment = dialog.IncludeBlocked = false;
        dialog.ProductTypeFilter.clear();
        set();
        search("", "");
        return barcodes();
    };
    EXPECT_EQ(only([&] { dialog.VendorId = 2; }), QStringList({"8850000000031"}));
    EXPECT_EQ(only([&] { dialog.ActiveBuyingOnly = true; }),
              QStringList({"8850000000011", "8850000000012"}));
    EXPECT_EQ(only([&] { dialog.HasPurchasePrice = true; }),
              QStringList({"8850000000011", "8850000000031", "8850000000041"}));
    EXPECT_EQ(only([&] { dialog.HasComponents = true; }), QStringList({"8850000000012"}));
    EXPECT_FALSE(only([&] { dialog.ExcludeConsignment = true; }).contains("8850000000121"));
    EXPECT_EQ(barcodes().size(), 9);
    EXPECT_EQ(only([&] { dialog.IncludeBlocked = true; }).size(), 11);
    EXPECT_FALSE(only([&] { dialog.SmallUnitOnly = true; }).contains("8850000000012"));
}

TEST_F(BarcodeSearchTest, TheSortOrderOfATitleClickOutlivesTheShowing) {
    open(dialog);
    search("", "");
    QHeaderView* header = dialog.DgSearch->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(TFrSearchBarCode::BarCodeSortOrder, 2);
    EXPECT_EQ(dialog.QSearch->sql()[33], "Order By P.ThaiName");
    emit dialog.DgSearch->titleClicked("UnitName");  // keeps the order, searches again
    EXPECT_EQ(TFrSearchBarCode::BarCodeSortOrder, 2);
    emit dialog.DgSearch->titleClicked("Code");
    EXPECT_EQ(dialog.QSearch->sql()[33], "Order By P.Code");
    dialog.close();

    open(dialog);
    search("", "");
    EXPECT_EQ(dialog.QSearch->sql()[33], "Order By P.Code");
}

TEST_F(BarcodeSearchTest, ChoosingFromAnEmptyListIsACancellation) {
    open(dialog);
    QTest::mouseClick(dialog.Btok, Qt::LeftButton);  // nothing searched yet
    EXPECT_EQ(dialog.result(), ui::mrCancel);
    EXPECT_EQ(dialog.SelectedBarCode, "");

    open(dialog);
    search("8850000000012", "");
    press(dialog, Qt::Key_Return);  // in the list
    EXPECT_EQ(dialog.result(), ui::mrOk);
    EXPECT_EQ(dialog.SelectedBarCode, "8850000000012");
    EXPECT_FALSE(dialog.QSearch->isActive());

    open(dialog);
    press(dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), ui::mrCancel);
    EXPECT_EQ(dialog.SelectedBarCode, "");
}

TEST_F(BarcodeSearchTest, TheWindowHasNoCloseBoxAndKeepsItsWidth) {
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowSystemMenuHint);
    open(dialog);
    dialog.resize(500, 400);
    EXPECT_EQ(dialog.width(), 700);
    EXPECT_EQ(dialog.height(), 400);
}

TEST_F(BarcodeSearchTest, TabWalksTheHeaderInItsOrderThenTheList) {
    EXPECT_EQ(tabOrder(dialog),
              QStringList({"Btok", "BtCancel", "Name", "Code", "SearchMethod", "DgSearch"}));
    open(dialog);
    press(dialog, Qt::Key_Tab);  // from the name, where showing puts the focus
    EXPECT_TRUE(dialog.Code->hasFocus());
}

TEST_F(BarcodeSearchTest, TheLastNameAndMethodComeFromTheConfiguration) {
    setConfig("ShowLastSearch = 'Y', SearchProductMethod = 0");
    dm->LastSearchText = "สบู่";
    open(dialog);
    EXPECT_EQ(dialog.Name->text(), "สบู่");
    EXPECT_EQ(dialog.SearchMethod->currentIndex(), 0);
    EXPECT_TRUE(dialog.Name->hasFocus());
}

}  // namespace
