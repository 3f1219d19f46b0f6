#include "lookup/U_SearchProduct.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "company/U_DM.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "lookup/Fa_SelectProdAttr.h"
#include "lookup/SearchKeys.h"
#include "lookup/SqlText.h"
#include "ui/BitBtn.h"
#include "ui/DataGrid.h"
#include "ui/Edit.h"
#include "ui/MessageBox.h"

TF_SearchProduct* F_SearchProduct = nullptr;
int TF_SearchProduct::ProductSortOrder = 0;

namespace {

constexpr int kBeginsWith = 0;
constexpr int kContains = 1;

}  // namespace

TF_SearchProduct::TF_SearchProduct(QWidget* parent) : ui::Dialog(parent) {
    setObjectName("F_SearchProduct");
    setWindowTitle("ค้นหา สินค้า");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(601, 415);
    setKeyPreview(true);

    GroupAttr = new QGroupBox("คุณสมบัติสินค้า", this);
    GroupAttr->setObjectName("GroupAttr");
    GroupAttr->setGeometry(0, 0, 601 - 90, 152);
    FaSelectProdAttr1 = new TFaSelectProdAttr(GroupAttr);
    FaSelectProdAttr1->setObjectName("FaSelectProdAttr1");
    Panel1 = new QFrame(GroupAttr);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(30);
    auto* groupLayout = new QVBoxLayout(GroupAttr);
    groupLayout->setContentsMargins(4, 4, 4, 2);
    groupLayout->setSpacing(2);
    groupLayout->addWidget(FaSelectProdAttr1);
    groupLayout->addWidget(Panel1);

    Label1 = new QLabel("รหัสสินค้า", Panel1);
    Label1->setObjectName("Label1");
    Label1->setGeometry(0, 3, 56, 24);
    ProductCode = new ui::Edit(Panel1, 60);
    ProductCode->setObjectName("ProductCode");
    ProductCode->setUpperCase(true);
    ProductCode->setGeometry(56, 3, 110, 24);
    SearchMethod = new QComboBox(Panel1);
    SearchMethod->setObjectName("SearchMethod");
    SearchMethod->addItems({"ขึ้นต้นด้วย", "ประกอบด้วย"});
    SearchMethod->setGeometry(170, 3, 100, 24);
    Name = new QLabel("ชื่อสินค้า", Panel1);
    Name->setObjectName("Name");
    Name->setGeometry(276, 3, 50, 24);
    ProductName = new ui::Edit(Panel1, 60);
    ProductName->setObjectName("ProductName");
    ProductName->setGeometry(326, 3, 170, 24);

    PanelButton = new QFrame(this);
    PanelButton->setObjectName("PanelButton");
    PanelButton->setGeometry(601 - 90, 0, 90, 152);
    BtSearch = new ui::BitBtn(ui::BitBtn::Glyph::Search, "ค้นหา", PanelButton);
    BtSearch->setObjectName("BtSearch");
    BtSearch->setFocusPolicy(Qt::NoFocus);
    BtSearch->setGeometry(4, 8, 82, 30);
    BtOK = new ui::BitBtn(ui::BitBtn::Glyph::Ok, "เลือก", PanelButton);
    BtOK->setObjectName("BtOK");
    BtOK->setGeometry(4, 44, 82, 30);
    BtCancel = new ui::BitBtn(ui::BitBtn::Glyph::Cancel, "ไม่เลือก", PanelButton);
    BtCancel->setObjectName("BtCancel");
    BtCancel->setGeometry(4, 80, 82, 30);

    QSearch = new db::Query("QSearch", "DMDATA", {"/* Assign on Runtime */"}, this);
    DSearchProduct = new db::DataSource(this);
    DSearchProduct->setObjectName("DSearchProduct");
    DSearchProduct->setDataSet(QSearch);
    ListData = new ui::DataGrid(this);
    ListData->setObjectName("ListData");
    ListData->setGeometry(0, 415 - 263, 601, 263);
    ListData->setRowSelect(true);
    ListData->setTitleButtons(true);
    ListData->setColumns({{.field = "Code", .title = "รหัส", .width = 151},
                          {.field = "ThaiName", .title = "ชื่อสินค้า", .width = 423}});
    ListData->setDataSource(DSearchProduct);
    setTabOrder(ProductCode, SearchMethod);
    setTabOrder(SearchMethod, ProductName);

    connect(BtSearch, &QPushButton::clicked, this, &TF_SearchProduct::BtSearchClick);
    connect(BtOK, &QPushButton::clicked, this, &TF_SearchProduct::BtOKClick);
    connect(BtCancel, &QPushButton::clicked, this, [this] { setModalResult(ui::mrCancel); });
    connect(ListData, &ui::DataGrid::dblClick, this, &TF_SearchProduct::BtOKClick);
    connect(ListData, &ui::DataGrid::titleClicked, this, &TF_SearchProduct::ListDataTitleClick);
}

void TF_SearchProduct::FormShow() {
    FaSelectProdAttr1->QProdAttrGroup->close();
    FaSelectProdAttr1->QProdAttrGroup->open();
    ProductSortOrder = 0;
    SearchMethod->setCurrentIndex(kContains);
    SelectedCode.clear();
    ProductCode->clear();
    QSearch->close();
    if (DM->ConfigField("ShowLastSearch").asString() == "Y")
        ProductName->setText(DM->LastSearchText);
    else
        ProductName->clear();
    ProductName->setFocus();
}

// One line per attribute group with a begin or an end code: a product must match every one.
QStringList TF_SearchProduct::attributeLines() const {
    QStringList lines;
    for (const AttrRange& range : FaSelectProdAttr1->ranges()) {
        if (range.beginCode.trimmed().isEmpty() && range.endCode.trimmed().isEmpty())
            continue;
        lines << "And (Id In (Select Product From ProductAttribute Where (GroupCode Between '" +
                     lookup::literalText(beginGroupCode(range.groupCode, range.beginCode)) +
                     "' And '" + lookup::literalText(endGroupCode(range.groupCode, range.endCode)) +
                     "')))";
    }
    return lines;
}

void TF_SearchProduct::BtSearchClick() {
    if (ProductName->text().trimmed().isEmpty() && ProductCode->text().trimmed().isEmpty()) {
        ui::showMessage("กรุณาป้อนรหัส หรือ ชื่อบางส่วน เพื่อค้นหา");
        return;
    }
    DM->LastSearchText = ProductName->text();
    QSearch->close();
    const QString code = lookup::likeLiteralText(ProductCode->text());
    const QString name = lookup::likeLiteralText(ProductName->text());
    const QString namePattern = SearchMethod->currentIndex() == kBeginsWith ? name : "%" + name;
    QStringList lines{
        "Select Id, Code, ThaiName", "From Product",
        "Where (Code Like '" + code + "%') And (ThaiName Like '" + namePattern + "%')",
        "And (Blocked <> 'Y')", "And (ProductType <> 'P')"};
    lines << attributeLines();
    lines << (ProductSortOrder == 0 ? "Order By Code" : "Order By ThaiName");
    QSearch->setSql(lines);
    QSearch->open();
    if (!QSearch->isEmpty())
        ListData->setFocus();
}

void TF_SearchProduct::BtOKClick() {
    if (!lookup::hasCurrentRow(*QSearch))
        return;
    SelectedCode = QSearch->fieldByName("Code").asString();
    setModalResult(ui::mrOk);
}

void TF_SearchProduct::ListDataTitleClick(const QString& fieldName) {
    ProductSortOrder = fieldName.toUpper() == "CODE" ? 0 : 1;
    BtSearchClick();
}

// In the attribute frame's grid Enter is the grid's own.
bool TF_SearchProduct::FormKeyDown(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && ui::focusedControlIs(this, "DGSELECTPRODATTR"))
        return false;
    return lookup::searchDialogKey(
        *this, event, "LISTDATA", [this] { BtOKClick(); }, [this] { BtSearchClick(); });
}

void TF_SearchProduct::FormClose() {
    QSearch->close();
}
