#include "lookup/Fr_SearchBarCode.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "company/U_DM.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "lookup/BarCodeStatement.h"
#include "lookup/SearchKeys.h"
#include "lookup/SqlText.h"
#include "ui/BitBtn.h"
#include "ui/DataGrid.h"
#include "ui/Edit.h"

TFrSearchBarCode* FrSearchBarCode = nullptr;
int TFrSearchBarCode::BarCodeSortOrder = 0;

namespace {

constexpr int kMinimumWidth = 700;

// Statement lines the search replaces.
constexpr int kBarCodeLine = 31;
constexpr int kFilterLine = 32;
constexpr int kOrderLine = 33;

}  // namespace

TFrSearchBarCode::TFrSearchBarCode(QWidget* parent) : ui::Dialog(parent) {
    setObjectName("FrSearchBarCode");
    setWindowTitle("ค้นหา Barcode สินค้า");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setGeometry(413, 213, kMinimumWidth, 287);
    setMinimumWidth(kMinimumWidth);
    setKeyPreview(true);

    PnHeader = new QFrame(this);
    PnHeader->setObjectName("PnHeader");
    PnHeader->setFixedHeight(57);
    Label2 = new QLabel("Barcode", PnHeader);
    Label2->setObjectName("Label2");
    Label2->setGeometry(6, 2, 120, 24);
    Code = new ui::Edit(PnHeader, 60);
    Code->setObjectName("Code");
    Code->setGeometry(6, 28, 130, 24);
    Label1 = new QLabel("ชื่อสินค้า", PnHeader);
    Label1->setObjectName("Label1");
    Label1->setGeometry(140, 2, 200, 24);
    Name = new ui::Edit(PnHeader, 60);
    Name->setObjectName("Name");
    Name->setGeometry(140, 28, 200, 24);
    SearchMethod = new QComboBox(PnHeader);
    SearchMethod->setObjectName("SearchMethod");
    SearchMethod->addItems({"ขึ้นต้นด้วย", "ประกอบด้วย"});
    SearchMethod->setGeometry(344, 28, 100, 24);
    BtSearch = new ui::BitBtn(ui::BitBtn::Glyph::Search, "ค้นหา", PnHeader);
    BtSearch->setObjectName("BtSearch");
    BtSearch->setFocusPolicy(Qt::NoFocus);
    BtSearch->setGeometry(450, 26, 80, 28);
    Btok = new ui::BitBtn(ui::BitBtn::Glyph::Ok, "เลือก", PnHeader);
    Btok->setObjectName("Btok");
    Btok->setGeometry(534, 26, 80, 28);
    BtCancel = new ui::BitBtn(ui::BitBtn::Glyph::Cancel, "ไม่เลือก", PnHeader);
    BtCancel->setObjectName("BtCancel");
    BtCancel->setGeometry(618, 26, 80, 28);

    QSearch = new db::Query("QSearch", "DMDATA", lookup::barCodeSearchStatement(), this);
    QSearch->paramByName("GetCode").setType(db::FieldType::String);
    QSearch->paramByName("GetName").setType(db::FieldType::String);
    DSearch = new db::DataSource(this);
    DSearch->setObjectName("DSearch");
    DSearch->setDataSet(QSearch);
    DgSearch = new ui::DataGrid(this);
    DgSearch->setObjectName("DgSearch");
    DgSearch->setRowSelect(true);
    DgSearch->setTitleButtons(true);
    DgSearch->setColumns({{.field = "BarCode", .title = "รหัส", .width = 130},
                          {.field = "Code", .title = "รหัสสินค้า", .width = 100},
                          {.field = "ThaiName", .title = "ชื่อสินค้า", .width = 200},
                          {.field = "UnitName", .title = "หน่วยนับ", .width = 80},
                          {.field = "OnHand", .title = "คงเหลือ", .visible = false},
                          {.field = "Backorder", .title = "ค้างส่ง", .visible = false}});
    DgSearch->setDataSource(DSearch);
    setTabOrder(Btok, BtCancel);
    setTabOrder(BtCancel, Name);
    setTabOrder(Name, Code);
    setTabOrder(Code, SearchMethod);
    setTabOrder(SearchMethod, DgSearch);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PnHeader);
    layout->addWidget(DgSearch);

    connect(BtSearch, &QPushButton::clicked, this, &TFrSearchBarCode::BtSearchClick);
    connect(Btok, &QPushButton::clicked, this, [this] { setModalResult(ui::mrOk); });
    connect(BtCancel, &QPushButton::clicked, this, [this] { setModalResult(ui::mrCancel); });
    connect(DgSearch, &ui::DataGrid::dblClick, this, [this] { setModalResult(ui::mrOk); });
    connect(DgSearch, &ui::DataGrid::titleClicked, this, &TFrSearchBarCode::DgSearchTitleClick);
}

void TFrSearchBarCode::FormShow() {
    Code->clear();
    Name->clear();
    SearchMethod->setCurrentIndex(
        static_cast<int>(DM->ConfigField("SearchProductMethod").asInteger()));
    QSearch->close();
    if (DM->ConfigField("ShowLastSearch").asString() == "Y")
        Name->setText(DM->LastSearchText);
    else
        Name->clear();
    Name->setFocus();
}

// The caller's filters, in their order, joined by And.
QString TFrSearchBarCode::callerFilters() const {
    QString line;
    if (VendorId > 0)
        line += " And P.Id In (Select Product From ProductVendorOther Where Vendor = " +
                QString::number(VendorId) + ")";
    if (ActiveBuyingOnly)
        line += " And P.BuyingCode = 'Active'";
    if (SmallUnitOnly)
        line +=
            " And U.SmallUnitFlag = 'Y' And U.Fraction = (Select Min(X.Fraction) From "
            "ProductUnits X Where X.Product = P.Id)";
    if (HasPurchasePrice)
        line +=
            " And( (P.ItemClassify = 'PM') Or(Coalesce(U.PurcPriceBaht, 0.00) > 0) "
            "Or(Coalesce(U.PurcPriceKip, 0.00) > 0) Or(Coalesce(U.PurcPriceUsd, 0.00) > 0) )";
    if (HasComponents)
        line +=
            " And ((Select Count(HX.Id) From ProductComponentHd HX Inner Join ProductComponentDt "
            "DX On (DX.ProductComponentHd = HX.Id) Where HX.ProductUnits = U.Id) > 0)";
    if (ProductTypeFilter == "S")
        line += " And P.ProductType = 'S'";
    if (ExcludeConsignment)
        line +=
            " And ( Coalesce((Select Coalesce(X.TradeTerm, '') From Vendor X Where X.Id = "
            "P.Vendor), '') <> 'Consignment' )";
    return line;
}

void TFrSearchBarCode::BtSearchClick() {
    DM->LastSearchText = Name->text();
    QSearch->close();
    QSearch->setLine(kBarCodeLine,
                     IncludeBlocked
                         ? "Not (U.BarCode Is Null) And (U.BarCode <> '') "
                         : "Not (U.BarCode Is Null) And (U.BarCode <> '') And (P.Blocked <> 'Y') ");
    QSearch->setLine(kFilterLine, callerFilters());
    static const char* const orders[] = {"Order By U.BarCode", "Order By P.Code",
                                         "Order By P.ThaiName"};
    QSearch->setLine(kOrderLine, orders[std::clamp(BarCodeSortOrder, 0, 2)]);
    const QString name = lookup::likeText(Name->text().trimmed());
    QSearch->paramByName("GetCode").setAsString(lookup::likeText(Code->text().trimmed()) + "%");
    QSearch->paramByName("GetName").setAsString(
        SearchMethod->currentIndex() == 0 ? name + "%" : "%" + name + "%");
    QSearch->open();
    if (!QSearch->isEmpty())
        DgSearch->setFocus();
}

// A column other than the three sortable ones keeps the order but still searches again.
void TFrSearchBarCode::DgSearchTitleClick(const QString& fieldName) {
    const QString field = fieldName.toUpper();
    if (field == "BARCODE")
        BarCodeSortOrder = 0;
    else if (field == "CODE")
        BarCodeSortOrder = 1;
    else if (field == "THAINAME")
        BarCodeSortOrder = 2;
    BtSearchClick();
}

bool TFrSearchBarCode::FormKeyDown(QKeyEvent* event) {
    return lookup::searchDialogKey(
        *this, event, "DGSEARCH", [this] { setModalResult(ui::mrOk); },
        [this] { BtSearchClick(); });
}

void TFrSearchBarCode::FormClose() {
    if (modalResult() == ui::mrOk && lookup::hasCurrentRow(*QSearch)) {
        SelectedBarCode = QSearch->fieldByName("BarCode").asString();
    } else {
        SelectedBarCode.clear();
        setResult(ui::mrCancel);
    }
    QSearch->close();
}
